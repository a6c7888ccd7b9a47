// Document writer: a node list in closing order written back as a KORU document
// that a new parser reads as the same nodes, levels, tag names and values.
//
// Nesting. The list carries levels only; a node's nested nodes are the run
// directly before it with greater levels. That run becomes the node's content.
// A level cannot be written directly: it is the depth a reader counts. A node
// more than one level below its parent (an H statement dropped by the parse, a
// merged form) is wrapped in H statements, which the reader drops again, so it
// keeps its level. A top-level node below level 2 is written at level 2.
//
// Words. Tag and attribute names must read back byte for byte (they are stored
// upper-cased, so upper-casing again changes nothing); values must read back
// with the same GetValue. Each word gets the first form that does so:
//   plain       ordinary bytes and colons only: HREF=next
//   quoted      no '"' inside, not starting with "<l=": N="a b>c"
//   prefixed    anything up to 999999 bytes: N="<l=3>a"b"
// A quoted or prefixed value protects "!--", "MACRO", "<U>" and "</U>" from the
// comment, macro-block and frame scans. A name cannot be quoted (the quotes
// would stay in it), so inside a plain name "!--" is broken up as "!-;-" (';'
// is dropped when words are cut) and "MACRO" is disarmed by an empty macro
// block ahead of every statement (only a source's first block counts).
// An empty tag name with no attribute (the empty statement) is written "<>",
// closed by "</>".
//
// Word count. A statement's pairs are as many as half its word count; the count
// splits at ';' but cutting does not, and it skips words made of colons only.
// The writer counts its own words and inserts ';' into plain words where it
// needs more, so that the reader takes exactly the written pairs, plus the one
// empty-named pair a table holds when its statement ran out of words.
//
// What cannot be written: a value longer than 999999 bytes that holds '"' or
// starts with "<l=" is cut to 999999 bytes; a name that no statement can yield
// (holding blanks, '=' or the like without being quoted) is written as a
// prefixed word and reads back with quotes; a tag starting with '/' likewise,
// since it would read as an end statement. Such tables arise only from direct
// edits by the host. From sources, two kinds of names may read back with one
// more empty-named pair: names hiding "!--" behind ';' or '&', and a lone '"',
// which only a statement whose quotes the splitter and the word cutter pair
// differently yields.
#include "query/node_view.h"
#include "scan/word_cursor.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace koru::detail;

namespace {

constexpr size_t kMaxPrefixedLength = 999999;  // a length header holds at most six digits
constexpr size_t kMaxIndentDepth = 32;         // deeper lines are not indented further

// One word of a statement as it will be written.
struct Word {
    std::string text;
    bool plain = false;      // unquoted: ';' may go between two ordinary bytes
    bool canBePlain = false; // a quoted value that may be written plain instead
};

bool IsPlain(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        short k = ClassOf(c);
        if (k != kOrdinary && k != kColon) return false;
    }
    return true;
}

bool HasOrdinary(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return ClassOf(c) == kOrdinary; });
}

bool StartsWithHeader(std::string_view s) { return s.substr(0, 3) == "<l="; }

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

// `"<l=N>` + content + closing byte: decodes to '"' + content + closing.
std::string Prefixed(std::string_view content, char closing) {
    if (content.size() > kMaxPrefixedLength) content = content.substr(0, kMaxPrefixedLength);
    std::string out = "\"<l=" + std::to_string(content.size()) + ">";
    out.append(content);
    out += closing;
    return out;
}

// A plain word with every "!--" broken up as "!-;-", so no comment starts in it.
std::string BreakComments(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    for (char c : s) {
        if (c == '-' && out.size() >= 2 && out[out.size() - 1] == '-' && out[out.size() - 2] == '!') out += ';';
        out += c;
    }
    return out;
}

// The form of a value that reads back with GetValue equal to `value`.
Word ValueWord(std::string_view value) {
    Word w;
    if (IsPlain(value) && HasOrdinary(value) && !Contains(value, "!--") && !Contains(value, "MACRO")) {
        w.text.assign(value);
        w.plain = true;
    } else if (!Contains(value, "\"") && !StartsWithHeader(value)) {
        w.canBePlain = IsPlain(value) && HasOrdinary(value);
        w.text.reserve(value.size() + 2);
        w.text += '"';
        w.text.append(value);
        w.text += '"';
    } else {
        w.text = Prefixed(value, '"');
    }
    return w;
}

// The form of a tag or attribute name that cuts back to exactly `name`.
// `needsBlock` is set when a plain name holds "MACRO".
Word NameWord(std::string_view name, bool isTag, bool& needsBlock) {
    Word w;
    if (name.size() >= 2 && name.front() == '"') {
        std::string_view inner = name.substr(1, name.size() - 2);
        if (name.back() == '"' && !Contains(inner, "\"") && !StartsWithHeader(inner))
            w.text.assign(name);
        else
            w.text = Prefixed(name.substr(1, name.size() - 2), name.back());
    } else if (IsPlain(name) && !(isTag && name.front() == '/')) {
        w.text = BreakComments(name);
        w.plain = true;
        if (Contains(name, "MACRO")) needsBlock = true;
    } else {
        w.text = Prefixed(name, '"');  // no statement yields this name; it reads back quoted
    }
    return w;
}

// Words the reader counts in `w` (separated from its neighbours by blanks or '=').
int CountOf(const Word& w) {
    if (!w.plain) return 1;
    int count = 0;
    bool inWord = false;
    for (char c : w.text) {
        short k = ClassOf(c);
        if (k == kOrdinary) {
            inWord = true;
        } else if (k == kSemicolon && inWord) {
            inWord = false;
            ++count;
        }
    }
    return count + (inWord ? 1 : 0);
}

// Inserts one ';' between two ordinary bytes of a plain word; false when there is no room.
bool SplitOnce(Word& w) {
    if (!w.plain) return false;
    for (size_t i = w.text.size(); i > 1; --i) {
        if (ClassOf(w.text[i - 1]) == kOrdinary && ClassOf(w.text[i - 2]) == kOrdinary) {
            w.text.insert(i - 1, 1, ';');
            return true;
        }
    }
    return false;
}

// Raises the reader's word count towards 2 x `wanted` by putting ';' into plain
// words (values first, from the last) and by writing quoted values plain.
void AddCount(Word& tag, std::vector<Word>& names, std::vector<Word>& values, int wanted, bool emptyPair,
              int& count, bool& needsBlock) {
    std::vector<Word*> order;
    for (size_t i = values.size(); i > 0; --i) order.push_back(&values[i - 1]);
    for (size_t i = names.size(); i > 0; --i) order.push_back(&names[i - 1]);
    order.push_back(&tag);
    for (Word* w : order)
        while (count / 2 < wanted && SplitOnce(*w)) ++count;
    for (Word* w : order) {
        if (count / 2 >= wanted) return;
        if (!w->canBePlain) continue;
        std::string_view value(w->text);
        value = value.substr(1, value.size() - 2);
        Word plain;
        plain.text = BreakComments(value);
        plain.plain = true;
        int gain = CountOf(plain) - 1;
        // Past the wanted pairs the reader takes empty pairs, harmless only when one is wanted.
        if (!emptyPair && count + gain > 2 * wanted + 1) continue;
        if (Contains(value, "MACRO")) needsBlock = true;
        *w = std::move(plain);
        count += gain;
        while (count / 2 < wanted && SplitOnce(*w)) ++count;
    }
}

// A value written `"<l=N>` + value + `"x`: GetValue cuts at the last quote, and
// when it ends a statement the reader counts the closing 'x' as one more word.
Word ClosedByOrdinaryByte(std::string_view value) {
    Word w;
    std::string content(value);
    content += '"';
    w.text = Prefixed(content, 'x');
    return w;
}

// Start and end statement of one node.
struct Statements {
    std::string start;
    std::string end;
};

// The words of one start statement, with the word count the reader will see.
class StatementWords {
public:
    StatementWords(CKORU_ItemNode* node, bool& needsBlock) : m_NeedsBlock(needsBlock) {
        m_TagName = CKORU_Parser::GetFirstWord(node);
        const CMapStringToString& table = node->m_AttrTable;
        for (int i = 0; i < table.GetCount(); ++i) {
            const CString& key = table.KeyAt(i);
            std::string_view value = Unquoted(table.ValueAt(i).View());
            if (key == m_TagName && value.empty()) continue;  // the tag word itself sets it
            if (key.IsEmpty()) {
                m_EmptyPair = true;
                continue;
            }
            m_Names.push_back(NameWord(key.View(), false, m_NeedsBlock));
            m_Values.push_back(ValueWord(value));
            m_ValueTexts.push_back(value);
        }
        if (!m_TagName.IsEmpty()) m_Tag = NameWord(m_TagName.View(), true, m_NeedsBlock);
        else if (!m_Names.empty()) m_Tag = ValueWord("");
        else m_Tag.plain = true;  // the empty statement: "<>" and "</>", no word at all
        m_Wanted = static_cast<int>(m_Names.size()) + (m_EmptyPair ? 1 : 0);
        m_Count = CountOf(m_Tag);
        for (size_t i = 0; i < m_Names.size(); ++i) m_Count += CountOf(m_Names[i]) + CountOf(m_Values[i]);
    }

    // Makes the reader take exactly the written pairs (and the empty pair when there is one).
    void BalanceCount() {
        if (TooMany()) FewerWords();
        if (m_Count / 2 < m_Wanted) MoreWords();
    }

    Statements Render() const {
        Statements s;
        s.start = "<" + m_Tag.text;
        for (size_t i = 0; i < m_Names.size(); ++i) {
            s.start += ' ';
            s.start += m_Names[i].text;
            if (m_LastValueDropped && i + 1 == m_Names.size()) break;
            s.start += '=';
            s.start += m_Values[i].text;
        }
        // A plain word ending with ':' at the very end of a statement is not counted.
        const Word& last = m_Names.empty() ? m_Tag : (m_LastValueDropped ? m_Names.back() : m_Values.back());
        if (!m_LastWordUncounted && last.plain && !last.text.empty() && last.text.back() == ':') s.start += ' ';
        s.start += '>';
        s.end = "</" + m_Tag.text + ">";
        // "<U>" and "</U>" are the frame; a node tagged U is written in lower case.
        if (s.start == "<U>") s.start = "<u>";
        if (s.end == "</U>") s.end = "</u>";
        return s;
    }

private:
    // Past the wanted pairs the reader takes empty pairs, harmless only when one is wanted.
    bool TooMany() const { return !m_EmptyPair && m_Count / 2 > m_Wanted; }

    std::string_view LastValue() const { return m_ValueTexts.empty() ? std::string_view() : m_ValueTexts.back(); }

    // Lowers the count: colon-only values written plain count nothing; an empty
    // last value may be left out; a last word ending with ':' is not counted.
    void FewerWords() {
        for (size_t i = 0; TooMany() && i < m_Values.size(); ++i) {
            std::string_view v = m_ValueTexts[i];
            if (m_Values[i].plain || !IsPlain(v) || HasOrdinary(v)) continue;
            m_Values[i].text.assign(v);
            m_Values[i].plain = true;
            --m_Count;
        }
        if (m_Values.empty()) return;
        const std::string_view last = LastValue();
        if (TooMany() && last.empty()) {
            m_Count -= CountOf(m_Values.back());
            m_LastValueDropped = true;
            const Word& name = m_Names.back();
            if (TooMany() && name.plain && name.text.back() == ':' && HasOrdinary(name.text)) {
                --m_Count;
                m_LastWordUncounted = true;
            }
        } else if (TooMany() && IsPlain(last) && HasOrdinary(last) && last.back() == ':') {
            Word plain;
            plain.text = BreakComments(last);
            plain.plain = true;
            m_Count += CountOf(plain) - 1 - CountOf(m_Values.back());
            if (Contains(last, "MACRO")) m_NeedsBlock = true;
            m_Values.back() = std::move(plain);
            m_LastWordUncounted = true;
        }
    }

    // Raises the count: ';' in plain words, then the last value closed by an
    // ordinary byte, which the reader counts once more at the end of a statement.
    void MoreWords() {
        AddCount(m_Tag, m_Names, m_Values, m_Wanted, m_EmptyPair, m_Count, m_NeedsBlock);
        if (m_Count / 2 >= m_Wanted) return;
        // With no pair to carry the extra count, the tag's own empty entry is written as one.
        if (m_Names.empty() && !m_TagName.IsEmpty()) {
            m_Names.push_back(NameWord(m_TagName.View(), false, m_NeedsBlock));
            m_Values.push_back(ValueWord(""));
            m_ValueTexts.emplace_back();
            ++m_Wanted;
            m_Count += CountOf(m_Names.back()) + CountOf(m_Values.back());
        }
        if (m_Values.empty() || m_LastValueDropped || LastValue().size() >= kMaxPrefixedLength) return;
        m_Count += 2 - (m_LastWordUncounted ? CountOf(m_Values.back()) - 1 : CountOf(m_Values.back()));
        m_Values.back() = ClosedByOrdinaryByte(LastValue());
        m_LastWordUncounted = false;
        AddCount(m_Tag, m_Names, m_Values, m_Wanted, m_EmptyPair, m_Count, m_NeedsBlock);
    }

    bool& m_NeedsBlock;
    CString m_TagName;
    Word m_Tag;
    std::vector<Word> m_Names;
    std::vector<Word> m_Values;
    std::vector<std::string_view> m_ValueTexts;  // GetValue of each written pair
    bool m_EmptyPair = false;          // the table holds the pair a statement gets when it runs out of words
    bool m_LastValueDropped = false;   // left out: the reader gives the last name an empty value
    bool m_LastWordUncounted = false;  // plain and ending with ':' at the very end: not counted
    int m_Wanted = 0;                  // pairs the reader must take
    int m_Count = 0;                   // words the reader will count
};

Statements RenderNode(CKORU_ItemNode* node, bool& needsBlock) {
    StatementWords words(node, needsBlock);
    words.BalanceCount();
    return words.Render();
}

// The list's nodes as a forest: a node's children are the roots of the run before it.
struct Forest {
    std::vector<CKORU_ItemNode*> nodes;
    std::vector<std::vector<size_t>> children;
    std::vector<size_t> roots;
};

Forest BuildForest(const CTypedPtrList<CPtrList, CKORU_ItemNode*>& list) {
    Forest f;
    for (CKORU_ItemNode* node : list)
        if (node) f.nodes.push_back(node);
    f.children.resize(f.nodes.size());
    for (size_t i = 0; i < f.nodes.size(); ++i) {
        const short level = f.nodes[i]->m_Level;
        size_t first = f.roots.size();
        while (first > 0 && f.nodes[f.roots[first - 1]]->m_Level > level) --first;
        f.children[i].assign(f.roots.begin() + static_cast<std::ptrdiff_t>(first), f.roots.end());
        f.roots.resize(first);
        f.roots.push_back(i);
    }
    return f;
}

class Printer {
public:
    explicit Printer(std::string& out) : m_Out(out) {}

    void Line(size_t depth, std::string_view text) {
        m_Out.append(std::min(depth, kMaxIndentDepth) * 2, ' ');
        m_Out.append(text);
        m_Out += '\n';
    }

    void Append(std::string_view text) { m_Out.append(text); }

private:
    std::string& m_Out;
};

// Writes the forest without recursion (levels reach 32767).
void WriteForest(const Forest& f, std::vector<Statements>& rendered, Printer& print) {
    struct Frame {
        const std::vector<size_t>* children;
        size_t next;
        int parentLevel;  // level the reader gives the owner of these children
        size_t depth;     // depth of the owner's content, in lines
        int wrappers;     // H statements open around the current child
        long owner;       // index of the node whose end statement follows, or -1
    };
    std::vector<Frame> stack;
    stack.push_back({&f.roots, 0, 1, 1, 0, -1});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.children->size()) {
            for (; top.wrappers > 0; --top.wrappers) print.Line(top.depth + top.wrappers - 1, "</H>");
            long owner = top.owner;
            size_t depth = top.depth;
            stack.pop_back();
            if (owner >= 0) print.Line(depth - 1, rendered[static_cast<size_t>(owner)].end);
            continue;
        }
        size_t index = (*top.children)[top.next++];
        const int level = f.nodes[index]->m_Level;
        const int wrappers = std::max(0, level - top.parentLevel - 1);
        for (; top.wrappers < wrappers; ++top.wrappers) print.Line(top.depth + top.wrappers, "<H>");
        for (; top.wrappers > wrappers; --top.wrappers) print.Line(top.depth + top.wrappers - 1, "</H>");
        const size_t depth = top.depth + static_cast<size_t>(wrappers);
        const Statements& s = rendered[index];
        if (f.children[index].empty()) {
            print.Line(depth, s.start + s.end);
        } else {
            print.Line(depth, s.start);
            const int actual = top.parentLevel + 1 + wrappers;
            stack.push_back({&f.children[index], 0, actual, depth + 1, 0, static_cast<long>(index)});
        }
    }
}

}  // namespace

CString KoruWriteDocument(const CTypedPtrList<CPtrList, CKORU_ItemNode*>* list) {
    if (!list || list->IsEmpty()) return CString("<U></U>");
    Forest forest = BuildForest(*list);

    bool needsBlock = false;
    std::vector<Statements> rendered;
    rendered.reserve(forest.nodes.size());
    size_t size = 16;
    for (CKORU_ItemNode* node : forest.nodes) {
        rendered.push_back(RenderNode(node, needsBlock));
        size += rendered.back().start.size() + rendered.back().end.size() + 8;
    }

    std::string out;
    out.reserve(size);
    Printer print(out);
    print.Append("<U>\n");
    if (needsBlock) print.Line(1, "<MACRO></MACRO>");
    WriteForest(forest, rendered, print);
    print.Append("</U>");
    return CString(std::move(out));
}
