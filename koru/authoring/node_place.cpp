// Where nodes came from, in the host's own text. A node knows the offset of
// its statement in the processed text; when the text as written reads into as
// many statements, the statement of the same rank is where the author wrote it,
// whatever macro expansion changed. Otherwise offsets move past a cut-out macro
// block as refusals' do, and a statement that only expansion wrote has no place.
#include "authoring/source_reader.h"
#include "refusal/refusal.h"
#include "support/core_access.h"

#include <algorithm>

using namespace koru::detail;

namespace {

std::vector<size_t> StatementStarts(const SourceReading& reading) {
    std::vector<size_t> starts;
    for (const SourceItem& item : reading.items)
        if (item.kind == SourceItem::Start || item.kind == SourceItem::End) starts.push_back(item.offset);
    return starts;
}

}  // namespace

long long KoruNodeOffset(const CKORU_ItemNode* node) noexcept {
    if (!node) return -1;
    return static_cast<long long>(CoreAccess::SourceOffset(*node)) - 1;
}

std::vector<KoruPlace> KoruNodePlaces(const CTypedPtrList<CPtrList, CKORU_ItemNode*>* nodes, const CString& original,
                                      const CString& processed) {
    std::vector<KoruPlace> places;
    if (!nodes) return places;
    const std::string_view written = original.View(), read = processed.View();
    const std::vector<size_t> readStarts = StatementStarts(ReadSource(read, true));
    const std::vector<size_t> writtenStarts = StatementStarts(ReadSource(written));
    const bool sameRanks = readStarts.size() == writtenStarts.size();
    for (const CKORU_ItemNode* node : *nodes) {
        KoruPlace place;
        KoruRefusal at;
        at.offset = KoruNodeOffset(node);
        if (at.offset >= 0 && static_cast<size_t>(at.offset) < read.size()) {
            const auto rank = std::lower_bound(readStarts.begin(), readStarts.end(), static_cast<size_t>(at.offset));
            if (sameRanks && rank != readStarts.end() && *rank == static_cast<size_t>(at.offset)) {
                at.offset = static_cast<long long>(writtenStarts[static_cast<size_t>(rank - readStarts.begin())]);
                PlaceRefusal(at, written);
            } else {
                RelocateRefusal(at, written, read);
                if (!at.message.empty()) at.line = at.column = 0;  // placed only in the expanded text
            }
            place.line = at.line;
            place.column = at.column;
        }
        places.push_back(place);
    }
    return places;
}

int KoruNodePlace(const CKORU_ItemNode* node, const CString& original, const CString& processed, int& line,
                  int& column) {
    CTypedPtrList<CPtrList, CKORU_ItemNode*> one;
    one.AddTail(const_cast<CKORU_ItemNode*>(node));
    const KoruPlace place = KoruNodePlaces(&one, original, processed).front();
    line = place.line;
    column = place.column;
    return line > 0 ? 1 : 0;
}
