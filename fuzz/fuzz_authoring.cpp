// The author's tools on arbitrary text: checking never fails, the pieces of a
// reading are the whole text, and a layout,
// when one is given, parses exactly as the text, keeps every byte but the
// blanks between statements, and is its own layout.
#include "fuzz_support.h"

#include <algorithm>

using koru_fuzz::Require;

namespace {

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
    return out;
}

// The main list as statement, level and attribute pairs, to compare two parses.
std::string Document(const CString& text) {
    CKORU_Parser parser;
    CString work = text;
    if (parser.DoParsingProc(work, 0) != 1) return "refused";
    std::string out;
    for (CKORU_ItemNode* node : *parser.GetMainList()) {
        out += node->m_Statement.Str() + '\x01' + std::to_string(node->m_Level);
        for (int i = 0; i < node->m_AttrTable.GetCount(); ++i)
            out += '\x01' + node->m_AttrTable.KeyAt(i).Str() + '\x02' + node->m_AttrTable.ValueAt(i).Str();
        out += '\n';
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CString text(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<KoruDiagnostic> found = KoruCheckSource(text);
    for (const KoruDiagnostic& d : found)
        Require("check: places", d.line >= 0 && d.column >= 0 && !d.code.empty(), "a finding without a code");
    const bool refused = std::any_of(found.begin(), found.end(), [](const KoruDiagnostic& d) {
        return d.severity == KoruSeverity::Error;
    });
    std::string pieces;
    for (const KoruSourcePiece& piece : KoruReadSource(text)) pieces.append(text.View().substr(piece.offset, piece.length));
    Require("read: whole text", pieces == text.View(), "the pieces are not the text");
    CString out;
    const int laid = KoruFormatSource(text, out, 2);
    Require("format: refused text", !(laid && refused), "a layout of a text with errors");
    if (!laid) {
        Require("format: unchanged", out == text, "no layout, yet the text changed");
        return 0;
    }
    Require("format: same parse", Document(out) == Document(text), "the layout parses differently");
    Require("format: same bytes", WithoutBlanks(out.View()) == WithoutBlanks(text.View()), "the layout lost bytes");
    CString again;
    KoruFormatSource(out, again, 2);
    Require("format: idempotent", again == out, "the layout of the layout differs");
    return 0;
}
