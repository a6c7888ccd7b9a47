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
    const std::string_view text = source.View();
    BeginBuilding(*this, text.size());
    const auto end = statements.spans.end();
    for (auto at = statements.spans.begin(); at != end; ++at) {
        // The records of the statements built give their memory back.
        statements.spans.DropBefore(at);
        const StatementSpan& span = *at;
        if (span.closes || span.wordCount < 0) {
            StackOne(statements.Text(text, span), span.closes, span.offset);
            continue;
        }
        // Words cut by the splitter lie in the source, from the statement's '<',
        // after the statement's count of equals signs. Those of the statements
        // built are freed as building goes on.
        statements.DropWordsBefore(span.kept);
        const uint32_t* entries = statements.WordsAt(span.kept);
        const WordPlaces cut{text.data() + span.offset, entries + 1, span.wordCount};
        Push(BuildCutNode(*this, -1, NodeText(text.substr(span.offset, span.length)), span.offset, cut,
                          static_cast<int>(entries[0])));
    }
    EndBuilding(*this);
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

// The same for an update: each batch (up to a statement that is exactly /B or
// /C, or the whole list when not batched) shifts the levels of the nodes it
// closes by 2 minus the number of bodies it closes. No shifted level may leave
// the 16-bit range. Statements after the last batch are never stacked.
int CKORU_Parser::CheckUpdateNesting(const StatementList* statements, bool batched) {
    struct Open {
        int level;
        bool body;
    };
    std::vector<Open> open;
    open.reserve(static_cast<size_t>(m_TagStack.GetCount()) + 16);
    for (CKORU_ItemNode* node : m_TagStack)
        open.push_back({node->m_Level, GetFirstWord(node).CompareNoCase("B") == 0});
    long depth = m_nDepth;

    std::vector<int> closed;
    int bodies = 0;
    auto endBatch = [&]() {
        long shift = 2 - static_cast<long>(bodies);
        for (int level : closed)
            if (level + shift > kMaxLevel || level + shift < kMinLevel) return false;
        closed.clear();
        bodies = 0;
        return true;
    };

    std::vector<CString*> items;
    for (CString* statement : *statements) items.push_back(statement);
    size_t stop = items.size();
    if (batched) {
        stop = 0;
        for (size_t i = items.size(); i > 0; --i)
            if (items[i - 1] && EndsBatch(*items[i - 1])) { stop = i; break; }
    }
    for (size_t i = 0; i < stop; ++i) {
        CString* statement = items[i];
        if (statement) {
            if (StartsWithEndTag(NodeText(*statement))) {
                if (depth > 0) --depth;
                if (!open.empty()) {
                    closed.push_back(open.back().level);
                    if (open.back().body) ++bodies;
                    open.pop_back();
                }
            } else {
                if (++depth > kMaxLevel) return 0;
                open.push_back({static_cast<int>(depth), IsBodyStatement(*statement)});
            }
        }
        if (batched && statement && EndsBatch(*statement) && !endBatch()) return 0;
    }
    return batched ? 1 : (endBatch() ? 1 : 0);
}
