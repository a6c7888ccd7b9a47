// A source as pieces that together are the whole text, for hosts' own tools.
#include "authoring/source_reader.h"
#include "koru.h"
#include "refusal/line_index.h"

using namespace koru::detail;

std::vector<KoruSourcePiece> KoruReadSource(const CString& text) {
    const std::string_view source = text.View();
    std::vector<KoruSourcePiece> pieces;
    const LineIndex lines(source);
    auto add = [&](KoruSourcePiece::Kind kind, size_t offset, size_t length) {
        if (length == 0) return;
        KoruSourcePiece piece{kind, offset, length, 1, 1};
        lines.Place(offset, piece.line, piece.column);
        pieces.push_back(piece);
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
