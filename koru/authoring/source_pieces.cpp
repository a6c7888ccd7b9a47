// A source as pieces that together are the whole text, for hosts' own tools.
#include "authoring/source_reader.h"
#include "koru.h"

using namespace koru::detail;

std::vector<KoruSourcePiece> KoruReadSource(const CString& text) {
    const std::string_view source = text.View();
    std::vector<KoruSourcePiece> pieces;
    int line = 1, column = 1;
    size_t placed = 0;  // bytes before `line` and `column`
    auto add = [&](KoruSourcePiece::Kind kind, size_t offset, size_t length) {
        if (length == 0) return;
        for (; placed < offset; ++placed) {
            if (source[placed] == '\n') ++line, column = 1;
            else ++column;
        }
        pieces.push_back({kind, offset, length, line, column});
    };
    size_t read = 0;
    for (const SourceItem& item : ReadSource(source).items) {
        add(KoruSourcePiece::Text, read, item.offset - read);
        static constexpr KoruSourcePiece::Kind kKinds[] = {KoruSourcePiece::StartStatement, KoruSourcePiece::EndStatement,
                                                           KoruSourcePiece::Comment, KoruSourcePiece::MacroBlock};
        add(kKinds[item.kind], item.offset, item.length);
        read = item.offset + item.length;
    }
    add(KoruSourcePiece::Text, read, source.size() - read);
    return pieces;
}
