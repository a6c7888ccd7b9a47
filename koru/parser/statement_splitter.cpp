// Statement splitter: cuts the macro block out of a source, expands macros and
// gathers the statements from '<' to the first '>' outside a quoted value.
#include "refusal/limits.h"
#include "parser/statement_list.h"
#include "scan/word_cursor.h"

#include <vector>

using namespace koru::detail;

namespace {

// Index of the first "MACRO" outside quoted values, or -1.
int FindMacroBlock(CString& source) {
    const int length = source.GetLength();
    std::string_view text = source.View();
    for (int i = 0; i < length; ++i) {
        while (i < length && text[static_cast<size_t>(i)] != '"' && text[static_cast<size_t>(i)] != 'M') ++i;
        if (i == length) break;
        if (text[static_cast<size_t>(i)] == '"') {
            CKORU_Parser::SearchAndSkipRightOrLeft(source, length, i, kQuote, 1);
        } else if (text.compare(static_cast<size_t>(i), 5, "MACRO") == 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

// Splits `source` into statements. The macro block is cut out and its
// definitions staged; the caller's transaction keeps the staged table once it
// accepts the source and drops it otherwise, so a refused source leaves the
// table as it was.
CKORU_Parser::StatementList* CKORU_Parser::PreProcess(CString& source) {
    DiscardStagedMacros();
    m_MacroBlockText.Empty();

    int block = FindMacroBlock(source);
    if (block >= 0) {
        const size_t i = static_cast<size_t>(block);
        std::string_view text = source.View();
        size_t restStart = std::min(i + 6, text.size());
        size_t close = text.find("/MACRO", restStart);
        if (close == std::string_view::npos) {
            Refuse(KoruRefusalCode::UnclosedMacroBlock, block, source.View());
            return nullptr;
        }
        size_t p = close - restStart;
        if (p > 0) m_MacroBlockText = CString(text.substr(restStart, p - 1));
        CString head(text.substr(0, i));
        CString tail(text.substr(close + 6));
        RemoveTailChar(head, '<');
        RemoveHeadChar(tail, '>');
        head += tail;
        source.swap(head);
        MakeMacroList();
    }

    if (!SubstituteMacros(source)) return nullptr;

    StatementList* statements = nullptr;
    const int length = source.GetLength();
    const std::string_view text = source.View();
    long long starts = 0, ends = 0;
    long long firstEnd = -1;
    for (int i = 0; i < length; ++i) {
        if (text[static_cast<size_t>(i)] != '<') continue;
        int at = i;
        CString* statement = GetOneStatementItem(i, source);
        if (i < 0) {
            FreeStatements(statements);
            if (statement) delete statement;
            Refuse(KoruRefusalCode::UnclosedComment, at, source.View());
            return nullptr;
        }
        if (!statement) continue;
        if (!statements) statements = new StatementList(10);
        statements->AddTail(statement);
        if (statement->GetAt(1) == '/') {
            ++ends;
            if (firstEnd < 0 && ends > starts) firstEnd = at;
        } else {
            ++starts;
        }
    }
    if (!statements) {
        Refuse(KoruRefusalCode::NoStatement, -1, source.View());
        return nullptr;
    }
    if (starts != ends) {
        FreeStatements(statements);
        if (firstEnd < 0) firstEnd = FirstUnmatchedStart(source);
        Refuse(KoruRefusalCode::Unbalanced, firstEnd, source.View());
        m_LastRefusal.startCount = starts;
        m_LastRefusal.endCount = ends;
        return nullptr;
    }
    return statements;
}

// Where each statement of `source` starts, and whether its second byte is '/'
// (an end statement as the balance check counts it), reading statements as
// PreProcess does. Walks the source again: only refusals pay for it.
std::vector<std::pair<int, bool>> CKORU_Parser::StatementMarks(const CString& source) {
    std::vector<std::pair<int, bool>> marks;
    const int length = source.GetLength();
    for (int i = 0; i < length; ++i) {
        if (source.GetAt(i) != '<') continue;
        const int at = i;
        CString* statement = GetOneStatementItem(i, source);
        if (i < 0) break;
        if (!statement) continue;
        marks.emplace_back(at, statement->GetAt(1) == '/');
        delete statement;
    }
    return marks;
}

// Where the first start statement that no end statement matches stands.
long long CKORU_Parser::FirstUnmatchedStart(const CString& source) {
    std::vector<int> open;
    for (const auto& [at, end] : StatementMarks(source)) {
        if (!end) open.push_back(at);
        else if (!open.empty()) open.pop_back();
    }
    return open.empty() ? -1 : open.front();
}

// Offset of the statement with the zero-based `index` in `source`, or -1.
long long CKORU_Parser::StatementOffset(const CString& source, long long index) {
    const auto marks = StatementMarks(source);
    if (index < 0 || index >= static_cast<long long>(marks.size())) return -1;
    return marks[static_cast<size_t>(index)].first;
}

// Reads one statement with `pos` on its '<'. Quoted values (length-prefixed ones
// included) protect '>' and "!--". Returns null for a comment or an unterminated
// statement; sets `pos` to -1 when a comment never closes.
CString* CKORU_Parser::GetOneStatementItem(int& pos, const CString& source) {
    const int length = source.GetLength();
    const std::string_view text = source.View();
    auto* statement = new CString();
    int run = pos;  // start of the bytes still to be copied
    ++pos;
    while (pos < length) {
        char c = text[static_cast<size_t>(pos)];
        if (c == '"') {
            size_t at = static_cast<size_t>(pos);
            LengthHeader h = ReadLengthHeader(text, at);
            if (h.present) {
                if (h.gt < 0) {
                    // No '>' within reach: the quote is left out and the header read as text.
                    statement->Str().append(text.substr(static_cast<size_t>(run), at - static_cast<size_t>(run)));
                    run = pos + 1;
                } else {
                    long long closing = static_cast<long long>(pos) + h.gt + 2 + h.length;
                    if (closing >= length) {
                        pos = length;  // the value runs past the end: nothing more to read
                        break;
                    }
                    pos = static_cast<int>(closing);
                }
            } else {
                size_t close = FindByte(text, at + 1, '"');
                if (close == std::string_view::npos) {
                    pos = length - 1;
                    delete statement;
                    return nullptr;
                }
                pos = static_cast<int>(close);
            }
            ++pos;
        } else if (c == '!' && text.compare(static_cast<size_t>(pos), 3, "!--") == 0) {
            size_t from = static_cast<size_t>(pos) + 4;
            size_t close = from <= text.size() ? text.find("--", from) : std::string_view::npos;
            pos = close == std::string_view::npos ? -1 : static_cast<int>(close);
            delete statement;
            return nullptr;
        } else if (c == '>') {
            statement->Str().append(text.substr(static_cast<size_t>(run), static_cast<size_t>(pos - run + 1)));
            return statement;
        } else {
            ++pos;
        }
    }
    delete statement;
    return nullptr;
}
