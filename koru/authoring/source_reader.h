// A source as its author wrote it: statements, comments and the macro block as
// places in the text, read by the parser's own rules but before macro expansion,
// so that tools can point at bytes the author can find.
#ifndef KORU_AUTHORING_SOURCE_READER_H
#define KORU_AUTHORING_SOURCE_READER_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

struct SourceItem {
    enum Kind { Start, End, Comment, MacroBlock };
    Kind kind;
    size_t offset;
    size_t length;
};

// Where reading stopped early, and why.
struct SourceStop {
    enum Kind { None, UnclosedQuote, Unterminated, UnclosedComment };
    Kind kind = None;
    size_t statement = 0;  // the '<' of the statement being read
};

struct SourceReading {
    std::vector<SourceItem> items;  // in text order
    size_t documentEnd = 0;         // after the first "</U>", or the end of what was read
    SourceStop stop;
};

// Reads `text` up to its "</U>" (the text after it is an update, not read).
// With `all`, reads the whole text as statements: the reading of an update.
SourceReading ReadSource(std::string_view text, bool all = false);

// The statement's tag name, as written (an end statement's without its '/').
std::string_view TagOf(std::string_view statement);

}}  // namespace koru::detail

#endif
