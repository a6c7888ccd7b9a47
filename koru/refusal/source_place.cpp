// Where a node came from, placed in the host's text as refusals are.
#include "refusal/refusal.h"
#include "support/core_access.h"

using namespace koru::detail;

long long KoruNodeOffset(const CKORU_ItemNode* node) noexcept {
    if (!node) return -1;
    return static_cast<long long>(CoreAccess::SourceOffset(*node)) - 1;
}

int KoruNodePlace(const CKORU_ItemNode* node, const CString& original, const CString& processed, int& line,
                  int& column) {
    line = column = 0;
    KoruRefusal place;
    place.offset = KoruNodeOffset(node);
    if (place.offset < 0 || static_cast<size_t>(place.offset) >= processed.View().size()) return 0;
    RelocateRefusal(place, original.View(), processed.View());
    // A place that stayed in the expanded text is no place in the host's.
    if (!place.message.empty()) return 0;
    line = place.line;
    column = place.column;
    return line > 0 ? 1 : 0;
}
