// Tag nesting stack: start statements are pushed and stamped with their depth;
// each end statement closes the innermost open node, whatever its tag, and
// appends it to the closed list. So lists come out in closing order: for
// <U><B><C></C></B></U> the closed list is C (3), B (2), U (1).
#include "refusal/limits.h"
#include "parser/node_store.h"
#include "parser/statement_list.h"
#include "parser/statement_splitter.h"
#include "scan/word_cursor.h"

#include <vector>

using namespace koru::detail;

// End statements are told by their first word, as AreYouEndTag tells a tag
// name, before any node is built; a start statement becomes a node.
void CKORU_Parser::StackOne(std::string_view statement, bool closes, long long offset) {
    if (closes) {
        if (CKORU_ItemNode* open = Pop()) m_ClosedList.AddTail(open);
        return;
    }
    // The closing '>'; a host may hand in an empty statement, which has none.
    Push(BuildNode(*this, -1, NodeText(statement), offset));
}

void CKORU_Parser::StackOperation(StatementList* statements) {
    if (!statements) return;
    while (!statements->IsEmpty()) {
        CString* statement = statements->RemoveHead();
        if (!statement) continue;
        try {
            StackOne(statement->View(), StartsWithEndTag(NodeText(*statement)), -1);
        } catch (...) {
            delete statement;
            FreeStatements(statements);
            throw;
        }
        delete statement;
    }
    delete statements;
    EndBuilding(*this);
}

void CKORU_Parser::StackStatements(const CString& source, SourceStatements& statements) {
    BeginBuilding(*this, source.GetLength());
    StackSpans(source.View(), statements, SpanRange{statements.spans.begin(), statements.spans.end()}, true);
    EndBuilding(*this);
}

namespace {

// A parse keeps no frame node (level below 2) and no H node; the nodes nested
// in an H node stay. Closed nodes are fresh, so their tag name is the one
// GetFirstWord would copy out, upper-cased as built.
bool KeptByParse(const CKORU_ItemNode* node) {
    const std::string_view tag = node->m_TagName.View();
    return node->m_Level >= 2 && !(tag.size() == 1 && tag[0] == 'H');
}

// The tag of a fresh node (upper-cased as built) when it is one letter; else 0.
char OneLetterTag(const CKORU_ItemNode* node) {
    const std::string_view tag = node->m_TagName.View();
    return tag.size() == 1 ? tag[0] : '\0';
}

}  // namespace

// Stacks the statements of `range`. A parse (`parse`) records where each
// node's statement stands in `text` and frees the nodes it does not keep as
// they close, while they are at hand; an update batch keeps them all.
void CKORU_Parser::StackSpans(std::string_view text, SourceStatements& statements, const SpanRange& range, bool parse) {
    for (auto at = range.at; at != range.end; ++at) {
        // The records of the statements built give their memory back.
        statements.spans.DropBefore(at);
        const StatementSpan& span = *at;
        if (span.closes) {
            CKORU_ItemNode* open = Pop();
            if (!open) continue;
            if (parse && !KeptByParse(open)) {
                FreeNode(*this, open);
                continue;
            }
            const POSITION closed = m_ClosedList.AddTail(open);
            if (statements.markClosed) statements.closed.push_back({closed, open->m_Level, OneLetterTag(open)});
            continue;
        }
        const long long offset = parse ? static_cast<long long>(span.offset) : -1;
        if (span.wordCount < 0) {
            StackOne(statements.Text(text, span), false, offset);
            continue;
        }
        // Words cut by the splitter lie in the source, from the statement's '<',
        // after the statement's count of equals signs. Those of the statements
        // built are freed as building goes on.
        statements.DropWordsBefore(span.kept);
        const uint32_t* entries = statements.WordsAt(span.kept);
        const WordPlaces cut{text.data() + span.offset, entries + 1, span.wordCount};
        Push(BuildCutNode(*this, -1, NodeText(text.substr(span.offset, span.length)), offset, cut,
                          static_cast<int>(entries[0])));
    }
}

void CKORU_Parser::Push(CKORU_ItemNode* node) {
    ++m_nDepth;
    node->m_Level = static_cast<short>(m_nDepth);
    m_TagStack.AddTail(node);
}

CKORU_ItemNode* CKORU_Parser::Pop() {
    if (m_nDepth > 0) --m_nDepth;
    if (m_TagStack.IsEmpty()) return nullptr;
    return m_TagStack.RemoveTail();
}

int CKORU_Parser::AreYouEndTag(CString word) { return word.GetAt(0) == '/' ? 1 : 0; }

// Refuses a source whose nodes would get a level above the limit, counting the
// tags that earlier sources left open. Returns the index of the first statement
// that would pass the limit, or -1 when none does.
long long CKORU_Parser::CheckParseNesting(const SourceStatements& statements) {
    long depth = m_nDepth;
    long long index = -1;
    for (const StatementSpan& span : statements.spans) {
        ++index;
        if (span.closes) {
            if (depth > 0) --depth;
        } else if (++depth > kMaxLevel) {
            return index;
        }
    }
    return -1;
}

namespace {

// The levels an update's batches give the nodes they close: each batch (up
// to a statement that is exactly /B or /C, or the whole list when not
// batched) shifts them by 2 minus the number of bodies it closes, and no
// shifted level may leave the 16-bit range.
class BatchLevels {
public:
    BatchLevels(const CKORU_Parser::NodeList& tagStack, long depth) : m_Depth(depth) {
        m_Open.reserve(static_cast<size_t>(tagStack.GetCount()) + 16);
        for (CKORU_ItemNode* node : tagStack)
            m_Open.push_back({node->m_Level, CKORU_Parser::GetFirstWord(node).CompareNoCase("B") == 0});
    }
    // False when a start statement opens a node deeper than the limit.
    bool Add(std::string_view statement, bool closes) {
        if (!closes) {
            if (++m_Depth > kMaxLevel) return false;
            m_Open.push_back({static_cast<int>(m_Depth), IsBodyStatement(statement)});
            return true;
        }
        if (m_Depth > 0) --m_Depth;
        if (!m_Open.empty()) {
            m_Closed.push_back(m_Open.back().level);
            if (m_Open.back().body) ++m_Bodies;
            m_Open.pop_back();
        }
        return true;
    }
    // False when the batch just ended shifts a node out of range.
    bool EndBatch() {
        const long shift = 2 - static_cast<long>(m_Bodies);
        for (int level : m_Closed)
            if (level + shift > kMaxLevel || level + shift < kMinLevel) return false;
        m_Closed.clear();
        m_Bodies = 0;
        return true;
    }

private:
    struct Open {
        int level;
        bool body;
    };
    std::vector<Open> m_Open;
    std::vector<int> m_Closed;
    int m_Bodies = 0;
    long m_Depth;
};

}  // namespace

// Refuses an update whose nodes would get a level out of range. Statements
// after the last batch are never stacked.
int CKORU_Parser::CheckUpdateNesting(const StatementList* statements, bool batched) {
    size_t stop = static_cast<size_t>(statements->GetCount()), index = 0;
    if (batched) {
        stop = 0;
        for (const CString* statement : *statements)
            if (++index, statement && EndsBatch(*statement)) stop = index;
    }
    BatchLevels levels(m_TagStack, m_nDepth);
    index = 0;
    for (const CString* statement : *statements) {
        if (index++ == stop) break;
        if (!statement) continue;
        if (!levels.Add(statement->View(), StartsWithEndTag(NodeText(*statement)))) return 0;
        if (batched && EndsBatch(*statement) && !levels.EndBatch()) return 0;
    }
    return batched || levels.EndBatch() ? 1 : 0;
}

// The same for the batches of an update text.
int CKORU_Parser::CheckUpdateNesting(std::string_view text, const SourceStatements& statements) {
    size_t stop = 0, index = 0;
    for (const StatementSpan& span : statements.spans)
        if (++index, span.closes && EndsBatch(statements.Text(text, span))) stop = index;
    BatchLevels levels(m_TagStack, m_nDepth);
    index = 0;
    for (const StatementSpan& span : statements.spans) {
        if (index++ == stop) break;
        const std::string_view statement = statements.Text(text, span);
        if (!levels.Add(statement, span.closes)) return 0;
        if (span.closes && EndsBatch(statement) && !levels.EndBatch()) return 0;
    }
    return 1;
}
