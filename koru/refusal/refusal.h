// Placing a refusal in the host's own text.
#ifndef KORU_REFUSAL_REFUSAL_H
#define KORU_REFUSAL_REFUSAL_H

#include "koru.h"

#include <string_view>

namespace koru { namespace detail {

// Sets line and column (1-based) of `refusal.offset` in `text`; 0 when the offset is unknown.
void PlaceRefusal(KoruRefusal& refusal, std::string_view text);

// Moves an offset found in `processed` (the text after the macro block was cut
// out) to the same byte of `original`, and places it there. When macro
// expansion changed the text as well, the offset stays in the expanded text
// and the message says so.
void RelocateRefusal(KoruRefusal& refusal, std::string_view original, std::string_view processed);

}}  // namespace koru::detail

#endif
