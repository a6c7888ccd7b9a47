// The statements of a processed source, gathered as places in it: nothing is
// copied before a node is built from it.
#ifndef KORU_PARSER_STATEMENT_SPLITTER_H
#define KORU_PARSER_STATEMENT_SPLITTER_H

#include "koru.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

// One statement, '<' to '>' both included. A statement from which the splitter
// dropped a byte (the quote of a length header with no '>') is not one run of
// the source: its text is kept aside.
struct StatementSpan {
    uint32_t offset;
    uint32_t length;
    int32_t edited;  // index into SourceStatements::edited, or -1
    bool closes;     // an end statement, as the tag stack tells them
};

struct SourceStatements {
    std::vector<StatementSpan> spans;
    std::vector<CString> edited;

    std::string_view Text(std::string_view source, const StatementSpan& s) const noexcept {
        return s.edited >= 0 ? edited[static_cast<size_t>(s.edited)].View() : source.substr(s.offset, s.length);
    }
};

// What reading one statement from its '<' found. Only a statement and an
// unclosed comment matter to a parse; the other outcomes are skipped alike.
enum class StatementRead {
    Statement,
    Comment,          // `pos` on the first '-' of the closing "--"
    UnclosedQuote,    // a quoted value runs to the end of the text
    Unterminated,     // the text ends before the statement's '>'
    UnclosedComment,
};

// Reads the statement whose '<' is at `pos`. Quoted values (length-prefixed
// ones included) protect '>' and "!--". `pos` moves to the last byte read.
StatementRead ReadStatement(std::string_view text, size_t& pos, StatementSpan& span, SourceStatements& out);

// The macro block of a framed text as the splitter cuts it: from the '<'
// before "MACRO" through the '>' after "/MACRO". `found` false when the text
// has no block; `closed` false when its "/MACRO" is missing.
struct MacroBlockPlace {
    bool found = false;
    bool closed = false;
    size_t begin = 0;
    size_t end = 0;
    size_t name = 0;  // index of "MACRO"
};
MacroBlockPlace FindMacroBlock(std::string_view text);

}}  // namespace koru::detail

#endif
