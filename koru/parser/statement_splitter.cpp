// Statement splitter: cuts the macro block out of a source, expands macros and
// gathers the statements from '<' to the first '>' outside a quoted value.
#include "parser/statement_splitter.h"
#include "refusal/limits.h"
#include "parser/statement_list.h"
#include "scan/word_cursor.h"
#include "support/byte_set.h"

#include <algorithm>
#include <vector>

using namespace koru::detail;

namespace {

// Index of the first "MACRO" outside quoted values, or -1.
int FindMacroName(std::string_view text) {
    const int length = static_cast<int>(text.size());
    // Most sources hold no macro block at all: one fast search settles that.
    if (!MayHoldMacroBlock(text)) return -1;
    for (int i = 0; i < length; ++i) {
        while (i < length && text[static_cast<size_t>(i)] != '"' && text[static_cast<size_t>(i)] != 'M') ++i;
        if (i == length) break;
        if (text[static_cast<size_t>(i)] == '"') {
            i = static_cast<int>(SkipQuotedValue(text, static_cast<size_t>(i)));
        } else if (text.compare(static_cast<size_t>(i), 5, "MACRO") == 0) {
            return i;
        }
    }
    return -1;
}

// Bytes that end the plain run of a statement: quotes, '!' and '>'.
constexpr ByteSet kStops("\"!>");

}  // namespace

namespace koru { namespace detail {

bool MayHoldMacroBlock(std::string_view text) noexcept {
    for (size_t m = FindByte(text, 0, 'M'); m != std::string_view::npos; m = FindByte(text, m + 1, 'M'))
        if (m + 5 <= text.size() && text[m + 1] == 'A' && text[m + 2] == 'C' && text[m + 3] == 'R' && text[m + 4] == 'O')
            return true;
    return false;
}

StatementRead ReadStatement(std::string_view text, size_t& pos, StatementSpan& span, SourceStatements& out) {
    const size_t length = text.size();
    const size_t start = pos;
    CString edited;         // the text so far, once a byte was dropped
    bool isEdited = false;
    size_t run = pos;       // start of the bytes not yet in `edited`
    ++pos;
    while (pos < length) {
        while (pos < length && !kStops.Has(text[pos])) ++pos;
        if (pos >= length) break;
        const char c = text[pos];
        if (c == '"') {
            LengthHeader h = ReadLengthHeader(text, pos);
            if (h.present) {
                if (h.gt < 0) {
                    // No '>' within reach: the quote is left out and the header read as text.
                    edited.Append(text.substr(run, pos - run));
                    isEdited = true;
                    run = pos + 1;
                } else {
                    const size_t closing = pos + static_cast<size_t>(h.gt) + 2 + static_cast<size_t>(h.length);
                    if (closing >= length) {
                        pos = length;  // the value runs past the end: nothing more to read
                        break;
                    }
                    pos = closing;
                }
            } else {
                const size_t close = FindByte(text, pos + 1, '"');
                if (close == std::string_view::npos) {
                    pos = length - 1;
                    return StatementRead::UnclosedQuote;
                }
                pos = close;
            }
            ++pos;
        } else if (c == '!') {
            if (text.compare(pos, 3, "!--") != 0) {
                ++pos;
                continue;
            }
            const size_t from = pos + 4;
            const size_t close = from <= length ? text.find("--", from) : std::string_view::npos;
            if (close == std::string_view::npos) return StatementRead::UnclosedComment;
            pos = close;
            return StatementRead::Comment;
        } else {  // '>'
            span.offset = static_cast<uint32_t>(start);
            span.length = static_cast<uint32_t>(pos - start + 1);
            span.edited = isEdited;
            if (isEdited) {
                edited.Append(text.substr(run, pos - run + 1));
                span.kept = static_cast<uint32_t>(out.edited.size());
                out.edited.push_back(std::move(edited));
            }
            return StatementRead::Statement;
        }
    }
    return StatementRead::Unterminated;
}

MacroBlockPlace FindMacroBlock(std::string_view text) {
    MacroBlockPlace place;
    const int name = FindMacroName(text);
    if (name < 0) return place;
    place.found = true;
    place.name = static_cast<size_t>(name);
    // The block's '<' is the last one before the name; its '>' the first after "/MACRO".
    const size_t lt = text.rfind('<', place.name);
    place.begin = lt == std::string_view::npos ? place.name : lt;
    const size_t close = text.find("/MACRO", std::min(place.name + 6, text.size()));
    if (close == std::string_view::npos) return place;
    place.closed = true;
    const size_t gt = text.find('>', close + 6);
    place.end = gt == std::string_view::npos ? close + 6 : gt + 1;
    return place;
}

}}  // namespace koru::detail

// Cuts the macro block out of `source` and stages its definitions, then
// expands references. The caller's transaction keeps the staged table once it
// accepts the source and drops it otherwise, so a refused source leaves the
// table as it was.
int CKORU_Parser::PrepareSource(CString& source) {
    DiscardStagedMacros();
    m_MacroBlockText.Empty();

    int block = FindMacroName(source.View());
    if (block >= 0) {
        const size_t i = static_cast<size_t>(block);
        std::string_view text = source.View();
        size_t restStart = std::min(i + 6, text.size());
        size_t close = text.find("/MACRO", restStart);
        if (close == std::string_view::npos) {
            Refuse(KoruRefusalCode::UnclosedMacroBlock, block, source.View());
            return 0;
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
    return SubstituteMacros(source);
}

// Gathers the statements of a prepared source and checks that start and end
// statements balance.
int CKORU_Parser::SplitStatements(const CString& source, SourceStatements& out) {
    const std::string_view text = source.View();
    const size_t length = text.size();
    if (length > UINT32_MAX) return Refuse(KoruRefusalCode::NoStatement, -1, text);
    long long starts = 0, ends = 0;
    long long firstEnd = -1;
    out.spans.reserve(length / 48 + 8);  // a guess for the first block
    for (size_t i = 0; i < length; ++i) {
        // Statements mostly follow one another directly.
        if (text[i] != '<') {
            i = FindByte(text, i, '<');
            if (i == std::string_view::npos) break;
        }
        const size_t at = i;
        StatementSpan span;
        span.wordCount = -1;
        const StatementRead read = out.cutWords ? ReadStatementWords(text, i, span, out) : ReadStatement(text, i, span, out);
        if (read == StatementRead::UnclosedComment) return Refuse(KoruRefusalCode::UnclosedComment, static_cast<long long>(at), text);
        if (read != StatementRead::Statement) continue;
        if (KeepStatement(text, span, out)) {
            ++ends;
            if (firstEnd < 0 && ends > starts) firstEnd = static_cast<long long>(at);
        } else {
            ++starts;
        }
    }
    if (out.spans.empty()) return Refuse(KoruRefusalCode::NoStatement, -1, text);
    if (starts != ends) {
        if (firstEnd < 0) firstEnd = FirstUnmatchedStart(source);
        Refuse(KoruRefusalCode::Unbalanced, firstEnd, text);
        m_LastRefusal.startCount = starts;
        m_LastRefusal.endCount = ends;
        return 0;
    }
    return 1;
}

// Where each statement of `source` starts, and whether its second byte is '/'
// (an end statement as the balance check counts it). Walks the source again:
// only refusals pay for it.
std::vector<std::pair<int, bool>> CKORU_Parser::StatementMarks(const CString& source) {
    std::vector<std::pair<int, bool>> marks;
    const std::string_view text = source.View();
    SourceStatements scratch;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '<') continue;
        const size_t at = i;
        StatementSpan span;
        const StatementRead read = ReadStatement(text, i, span, scratch);
        if (read == StatementRead::UnclosedComment) break;
        if (read != StatementRead::Statement) continue;
        marks.emplace_back(static_cast<int>(at), scratch.Text(text, span).substr(1, 1) == "/");
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
