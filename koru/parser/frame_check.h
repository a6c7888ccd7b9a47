// The frame check's scan, for the parser and for tools that read sources.
#ifndef KORU_PARSER_FRAME_CHECK_H
#define KORU_PARSER_FRAME_CHECK_H

#include "koru.h"

#include <string_view>

namespace koru { namespace detail {

// Where the frame check ends a document: just after the first "</U>" outside
// quoted values and comments, or npos when there is none. The code tells why
// the text is no document (None when it is one).
struct FrameScan {
    KoruRefusalCode code = KoruRefusalCode::None;
    size_t at = std::string_view::npos;   // the offending place of a refusal
    size_t end = std::string_view::npos;  // index after "</U>"
};
FrameScan ScanFrame(std::string_view text) noexcept;

// Index of the first byte from 33 to 127 in `text`, or npos. Redefinition text
// that holds one is applied as an update, with overwriting on.
size_t FirstVisibleByte(std::string_view text) noexcept;

}}  // namespace koru::detail

#endif
