// The frame check and the splitter in one walk. The frame check looks at
// quoted values and at '<' outside them; the splitter at statements. Where
// quotes stand only inside statements and no statement is odd, the two see
// the same quoted values, and every '<' the frame check looks at starts a
// statement: its marks can be checked where each statement starts.
#include "parser/plain_reader.h"
#include "parser/statement_splitter.h"
#include "scan/word_cursor.h"
#include "support/byte_set.h"

namespace koru { namespace detail {

namespace {

// Bytes that end the stretch between two statements: the next statement's
// '<', or a quote, which the frame check would skip as a value.
constexpr ByteSet kGapStops("<\"");

}  // namespace

bool SplitFramed(std::string_view text, SourceStatements& out, size_t& end) {
    const size_t length = text.size();
    if (length > UINT32_MAX) return false;
    end = std::string_view::npos;
    bool started = false;
    long long starts = 0, ends = 0;
    out.spans.reserve(length / 48 + 8);  // a guess for the first block
    for (size_t i = 0; i < length; ++i) {
        // Statements mostly follow one another directly.
        while (i < length && !kGapStops.Has(text[i])) ++i;
        if (i == length) break;
        if (text[i] == '"') return false;
        // The frame marks, as the frame check reads them at a '<'.
        bool last = false;
        if (i + 2 < length && text[i + 1] == 'U' && text[i + 2] == '>') {
            if (started) return false;
            started = true;
        } else if (i + 3 < length && text[i + 1] == '/' && text[i + 2] == 'U' && text[i + 3] == '>') {
            if (!started) return false;
            end = i + 4;
            last = true;
        }
        StatementSpan span;
        if (ReadPlainInline(text, i, span, out) == PlainRead::Odd) return false;
        if (KeepStatement(text, span, out)) ++ends;
        else ++starts;
        // The splitter reads no further than the frame check keeps.
        if (last) break;
    }
    return started && starts == ends;
}

}}  // namespace koru::detail
