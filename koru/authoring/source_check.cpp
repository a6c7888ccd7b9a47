// Checks for authors: where the mistake in a refused source most likely is,
// and warnings for what parses but is almost surely wrong. Everything is read
// from the text as written, so each finding points at bytes the author wrote.
#include "authoring/source_reader.h"
#include "parser/frame_check.h"
#include "parser/statement_list.h"
#include "refusal/line_index.h"
#include "scan/word_cursor.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace koru::detail;

namespace {

constexpr size_t npos = std::string_view::npos;

const char* const kVocabulary[] = {"U", "B", "C", "F", "FD", "A", "E", "EN", "M", "IA", "IE", "IEN", "IM", "H"};

std::string Upper(std::string_view text) { return UpperCopy(text).Str(); }

// What an author most likely got wrong in the structure of a statement list:
// these explain an unbalanced text; in any other they are warnings.
enum class Kind { Structure, Warning };

class Checker {
public:
    Checker(std::string_view text, const KoruCheckOptions& options) : m_Text(text), m_Options(options), m_Lines(text) {}

    std::vector<KoruDiagnostic> Run();

private:
    struct Open {
        size_t at;
        size_t length;
        std::string tag;
        size_t body;   // index of the innermost open body, this one's for a B
        bool damaged;  // a finding inside it already explains a missing end
    };

    void Add(Kind kind, const char* code, std::string message, size_t at, size_t length, std::string note = {},
             size_t noteAt = npos);
    std::string Quote(size_t at, size_t length) const;
    bool CheckStatement(const SourceItem& item);
    void MatchNames(const SourceReading& reading);
    void CheckUnclosedQuote(size_t statement);
    void CheckMacroReferences(const SourceReading& reading, std::string_view processed);
    void CheckUpdateText(CKORU_Parser& parser, size_t documentEnd);
    void CheckDuplicates(const SourceItem& item, size_t body);
    void IndexParsedForms(const CKORU_Parser& parser);
    const CKORU_ItemNode* ParsedNode(size_t at, std::string_view statement);

    std::string_view m_Text;
    const KoruCheckOptions& m_Options;
    LineIndex m_Lines;
    bool m_Refused = false;
    bool m_Unbalanced = false;
    std::string m_Refusal;
    std::vector<KoruDiagnostic> m_Found;
    size_t m_NextBody = 0;
    std::map<std::pair<size_t, std::string>, size_t> m_Controls;  // (body, N) -> first place
    std::map<std::string, size_t> m_Forms;                         // ID -> first place
    std::vector<std::pair<size_t, const CKORU_ItemNode*>> m_Parsed;  // the parse's C and F nodes, by place
    size_t m_NextParsed = 0;
};

void Checker::Add(Kind kind, const char* code, std::string message, size_t at, size_t length, std::string note,
                  size_t noteAt) {
    // Structure findings explain an unbalanced text; beside another refusal they only inform.
    const bool error = kind == Kind::Structure && m_Unbalanced;
    if (!error && std::find(m_Options.disabled.begin(), m_Options.disabled.end(), code) != m_Options.disabled.end())
        return;
    KoruDiagnostic d;
    d.severity = error ? KoruSeverity::Error : KoruSeverity::Warning;
    d.code = code;
    d.message = std::move(message);
    if (error) d.refusal = m_Refusal;
    m_Lines.Place(at, d.line, d.column);
    if (length > 0) m_Lines.Place(at + length - 1, d.endLine, d.endColumn);
    if (noteAt != npos) {
        d.note = std::move(note);
        m_Lines.Place(noteAt, d.noteLine, d.noteColumn);
    }
    m_Found.push_back(std::move(d));
}

// A statement as the author wrote it, shortened when long or on several lines.
std::string Checker::Quote(size_t at, size_t length) const {
    std::string_view s = m_Text.substr(at, length);
    const size_t cut = std::min(s.find('\n'), size_t{40});
    if (cut < s.size()) return std::string(s.substr(0, cut)) + "...";
    return std::string(s);
}

// Quoted values and stray '<' inside one statement; true when the statement
// swallowed what follows it (a '<' of the next statement, or bytes a length
// header counted wrongly).
bool Checker::CheckStatement(const SourceItem& item) {
    const std::string_view s = m_Text.substr(item.offset, item.length);
    bool damaged = false;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        const size_t at = item.offset + i;
        if (s[i] == '<' && !damaged) {
            damaged = true;
            Add(Kind::Structure, "missing-gt",
                "start statement " + Quote(item.offset, i) + " has no '>': it runs into the next '<'", item.offset,
                i, "the next statement starts here", at);
        }
        if (s[i] != '"') continue;
        if (StartsLengthHeader(s, i)) {
            const LengthHeader h = ReadPresentLengthHeader(s, i);
            if (h.gt < 0) continue;
            const size_t closing = i + static_cast<size_t>(h.gt) + 2 + static_cast<size_t>(h.length);
            if (closing >= s.size() || s[closing] != '"') {
                damaged = true;
                const size_t ends = std::min(closing, s.size() - 1);
                Add(Kind::Structure, "bad-length",
                    "length header counts " + std::to_string(h.length) + " bytes, which do not end on a closing quote",
                    at, static_cast<size_t>(h.gt) + 2, "the counted bytes end here", item.offset + ends);
            }
            i = std::min(closing, s.size() - 1);
            continue;
        }
        const size_t close = s.find('"', i + 1);
        if (close == npos) break;
        const std::string_view value = s.substr(i + 1, close - i - 1);
        const size_t gt = value.find('>');
        if (gt != npos && value.find('<', gt) != npos) {
            Add(Kind::Warning, "value-past-statement",
                "quoted value runs past a '>' into the next statement; is a quote missing?", at, close - i + 1,
                "the value ends at this quote", item.offset + close);
        } else if (value.find('\n') != npos) {
            Add(Kind::Warning, "value-line-break", "quoted value runs over a line break; is a quote missing?", at,
                close - i + 1, "the value ends at this quote", item.offset + close);
        }
        i = close;
    }
    return damaged;
}

// Reads end statements' names, which the language itself ignores: an end
// statement closes the innermost open start, whatever its name.
void Checker::MatchNames(const SourceReading& reading) {
    std::vector<Open> open;
    std::map<std::string, size_t> openNamed;
    std::set<std::string> unknown;
    for (const SourceItem& item : reading.items) {
        if (item.kind != SourceItem::Start && item.kind != SourceItem::End) continue;
        const bool damaged = CheckStatement(item);
        const std::string_view statement = m_Text.substr(item.offset, item.length);
        const std::string tag = Upper(TagOf(statement));
        if (item.kind == SourceItem::Start) {
            if (!tag.empty()) {
                const bool known = std::find(std::begin(kVocabulary), std::end(kVocabulary), tag) != std::end(kVocabulary) ||
                                   std::any_of(m_Options.extraTags.begin(), m_Options.extraTags.end(),
                                               [&](const std::string& t) { return Upper(t) == tag; });
                if (!known && unknown.insert(tag).second)  // each name once, where it is first used
                    Add(Kind::Warning, "unknown-tag", "unknown tag " + std::string(TagOf(statement)), item.offset + 1,
                        TagOf(statement).size());
            }
            const size_t body = tag == "B" ? m_NextBody++ : open.empty() ? npos : open.back().body;
            CheckDuplicates(item, body);
            open.push_back({item.offset, item.length, tag, body, damaged});
            ++openNamed[tag];
            continue;
        }
        if (tag.empty()) {
            if (!open.empty()) --openNamed[open.back().tag], open.pop_back();
            continue;
        }
        // Counting open starts by name keeps a search from failing at every depth.
        auto match = openNamed[tag] == 0 ? open.rend()
                                         : std::find_if(open.rbegin(), open.rend(), [&](const Open& o) { return o.tag == tag; });
        if (match == open.rend()) {
            Add(Kind::Structure, "unmatched-end",
                "end statement " + Quote(item.offset, item.length) + " matches no open <" + std::string(TagOf(statement)) + ">",
                item.offset, item.length);
            continue;
        }
        const size_t keep = static_cast<size_t>(open.rend() - match) - 1;
        for (size_t i = open.size(); i-- > keep + 1;)
            if (!open[i].damaged)
                Add(Kind::Structure, "unclosed-start",
                "start statement " + Quote(open[i].at, open[i].length) + " is never closed by an end statement of its own name",
                open[i].at, open[i].length, Quote(item.offset, item.length) + " closes it", item.offset);
        for (size_t i = keep; i < open.size(); ++i) --openNamed[open[i].tag];
        open.resize(keep);
    }
    // A reading that stopped early leaves statements open that are not the mistake.
    if (reading.stop.kind != SourceStop::None) return;
    for (const Open& o : open)
        if (!o.damaged)
            Add(Kind::Structure, "unclosed-start", "start statement " + Quote(o.at, o.length) + " is never closed", o.at,
            o.length);
}

// The C and F nodes of the parse by where their statements stand, so that
// CheckDuplicates reads their tables rather than parse those statements again.
void Checker::IndexParsedForms(const CKORU_Parser& parser) {
    const CKORU_Parser::NodeList* nodes = parser.GetMainList();
    if (!nodes) return;
    for (const CKORU_ItemNode* node : *nodes) {
        const std::string_view tag = node->m_TagName.View();
        const long long at = KoruNodeOffset(node);
        if (at >= 0 && tag.size() == 1 && (tag[0] == 'C' || tag[0] == 'c' || tag[0] == 'F' || tag[0] == 'f'))
            m_Parsed.emplace_back(static_cast<size_t>(at), node);
    }
    std::sort(m_Parsed.begin(), m_Parsed.end());
}

// The parse's node of the statement at `at`, when it was built from these very
// bytes (macro expansion can move or change statements); else null. Asked in
// the order of the text.
const CKORU_ItemNode* Checker::ParsedNode(size_t at, std::string_view statement) {
    while (m_NextParsed < m_Parsed.size() && m_Parsed[m_NextParsed].first < at) ++m_NextParsed;
    if (m_NextParsed == m_Parsed.size() || m_Parsed[m_NextParsed].first != at) return nullptr;
    const CKORU_ItemNode* node = m_Parsed[m_NextParsed].second;
    return node->m_Statement.View() == NodeText(statement) ? node : nullptr;
}

// Two controls of one body with the same N, two forms with the same ID.
void Checker::CheckDuplicates(const SourceItem& item, size_t body) {
    const std::string_view statement = m_Text.substr(item.offset, item.length);
    const std::string tag = Upper(TagOf(statement));
    if (tag != "C" && tag != "F") return;
    const char* const name = tag == "C" ? "N" : "ID";
    CString value;
    const CKORU_ItemNode* parsed = ParsedNode(item.offset, statement);
    const bool named = parsed ? parsed->m_AttrTable.Lookup(name, value)
                              : CKORU_ItemNode{CString(statement)}.m_AttrTable.Lookup(name, value);
    if (!named || value.IsEmpty()) return;
    StripQuotes(value);
    if (tag == "C") {
        if (body == npos) return;
        const auto first = m_Controls.emplace(std::make_pair(body, value.Str()), item.offset);
        if (!first.second)
            Add(Kind::Warning, "duplicate-control", "a second control named " + value.Str() + " in this body",
                item.offset, item.length, "the first one", first.first->second);
    } else {
        const auto first = m_Forms.emplace(value.Str(), item.offset);
        if (!first.second)
            Add(Kind::Warning, "duplicate-form", "a second form with ID " + value.Str(), item.offset, item.length,
                "the first one", first.first->second);
    }
}

void Checker::CheckUnclosedQuote(size_t statement) {
    size_t quote = npos;
    for (size_t i = statement; i < m_Text.size(); ++i) {
        if (m_Text[i] != '"') continue;
        if (StartsLengthHeader(m_Text, i)) {
            i = SkipQuotedValue(m_Text, i);
            continue;
        }
        const size_t close = FindByte(m_Text, i + 1, '"');
        if (close == npos) {
            quote = i;
            break;
        }
        i = close;
    }
    if (quote == npos) return;
    Add(Kind::Structure, "unclosed-quote", "quote is never closed: the quoted value runs to the end of the text",
        quote, 1, "the value runs to here", m_Text.empty() ? 0 : m_Text.size() - 1);
}

// The references "&NAME;" in `text`, each with where it starts.
std::vector<std::pair<size_t, std::string_view>> References(std::string_view text) {
    std::vector<std::pair<size_t, std::string_view>> found;
    for (size_t at = text.find('&'); at != npos; at = text.find('&', at + 1)) {
        size_t end = at + 1;
        while (end < text.size() && ClassOf(text[end]) == kOrdinary) ++end;
        if (end > at + 1 && end < text.size() && text[end] == ';') found.emplace_back(at, text.substr(at, end + 1 - at));
    }
    return found;
}

// "&NAME;" left in the processed source was never defined. References in
// the macro block and in comments are not reported: nothing reads them.
void Checker::CheckMacroReferences(const SourceReading& reading, std::string_view processed) {
    std::set<std::string_view> left;
    for (const auto& reference : References(processed)) left.insert(reference.second);
    auto item = reading.items.begin();
    for (const auto& [at, reference] : References(m_Text.substr(0, reading.documentEnd))) {
        while (item != reading.items.end() && item->offset + item->length <= at) ++item;
        const bool unread = item != reading.items.end() && item->offset <= at &&
                            (item->kind == SourceItem::Comment || item->kind == SourceItem::MacroBlock);
        if (unread || left.count(reference) == 0) continue;
        Add(Kind::Warning, "undefined-macro",
            "macro reference " + std::string(reference) + " has no definition; it stays as text unless a text parsed before defines it",
            at, reference.size());
    }
}

// The text after "</U>" is applied as an update: it should be one, and every
// statement of it should end up in a batch. `parser` holds the document alone,
// so that the update's own refusal can be seen.
void Checker::CheckUpdateText(CKORU_Parser& parser, size_t documentEnd) {
    const std::string_view rest = m_Text.substr(documentEnd);
    const size_t first = FirstVisibleByte(rest);
    if (first == npos) return;
    CKORU_Parser::NodeList* rebuilt = parser.UpdateParser(nullptr, CString(rest), 0);
    parser.ReleaseNodeList(rebuilt);
    const KoruRefusal& refusal = parser.GetLastRefusal();
    if (refusal.code != KoruRefusalCode::None) {
        Add(Kind::Warning, "bad-update", "the text after </U> is applied as an update, but is refused: " + refusal.message,
            documentEnd + first, 1);
        return;
    }
    const SourceReading reading = ReadSource(rest, true);
    size_t ignored = 0;
    for (size_t i = 0; i < reading.items.size(); ++i)
        if (reading.items[i].kind == SourceItem::End &&
            EndsBatch(CString(rest.substr(reading.items[i].offset, reading.items[i].length))))
            ignored = i + 1;
    for (size_t i = ignored; i < reading.items.size(); ++i) {
        const SourceItem& item = reading.items[i];
        if (item.kind != SourceItem::Start && item.kind != SourceItem::End) continue;
        Add(Kind::Warning, "ignored-update",
            "update statements after the last </B> or </C> are ignored: an update batch ends with one of them",
            documentEnd + item.offset, item.length);
        break;
    }
}

std::vector<KoruDiagnostic> Checker::Run() {
    // The document is parsed without the text after its "</U>": a parse of the
    // whole text would apply that text as an update and forget its refusal,
    // which CheckUpdateText then reads off this same parser.
    const SourceReading reading = ReadSource(m_Text);
    CKORU_Parser parser;
    CString processed{m_Text.substr(0, reading.documentEnd)};
    m_Refused = parser.DoParsingProc(processed, 0) != 1;
    const KoruRefusal refusal = parser.GetLastRefusal();
    m_Refusal = KoruRefusalName(refusal.code);
    m_Unbalanced = refusal.code == KoruRefusalCode::Unbalanced;

    if (!m_Refused) IndexParsedForms(parser);
    MatchNames(reading);
    m_Parsed.clear();  // an update below frees nodes
    if (reading.stop.kind == SourceStop::UnclosedQuote) CheckUnclosedQuote(reading.stop.statement);
    if (reading.stop.kind == SourceStop::Unterminated)
        Add(Kind::Structure, "missing-gt", "statement has no '>' before the end of the text", reading.stop.statement, 1);
    if (!m_Refused) {
        CheckMacroReferences(reading, processed.View());
        if (reading.documentEnd < m_Text.size()) CheckUpdateText(parser, reading.documentEnd);
    }

    const bool located = std::any_of(m_Found.begin(), m_Found.end(),
                                     [](const KoruDiagnostic& d) { return d.severity == KoruSeverity::Error; });
    if (m_Refused && !(located && refusal.code == KoruRefusalCode::Unbalanced)) {
        KoruDiagnostic d;
        d.code = d.refusal = m_Refusal;
        d.message = refusal.message;
        if (refusal.code == KoruRefusalCode::Unbalanced)
            d.message += " (" + std::to_string(refusal.startCount) + " start, " + std::to_string(refusal.endCount) + " end)";
        d.line = refusal.line;
        d.column = refusal.column;
        m_Found.push_back(std::move(d));
    }
    // In order of place; findings without one last.
    std::stable_sort(m_Found.begin(), m_Found.end(), [](const KoruDiagnostic& x, const KoruDiagnostic& y) {
        return std::make_pair(x.line == 0 ? INT32_MAX : x.line, x.column) <
               std::make_pair(y.line == 0 ? INT32_MAX : y.line, y.column);
    });
    return std::move(m_Found);
}

}  // namespace

std::vector<KoruDiagnostic> KoruCheckSource(const CString& text, const KoruCheckOptions& options) {
    return Checker(text.View(), options).Run();
}
