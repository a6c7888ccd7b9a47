// A layout of a source that keeps every byte but the blanks between statements.
#include "authoring/source_reader.h"
#include "parser/statement_splitter.h"
#include "scan/word_cursor.h"
#include "koru.h"

#include <algorithm>
#include <string>

using namespace koru::detail;

namespace {

// Deeper statements get no more indent: a deeply nested text would otherwise
// grow with the square of its depth.
constexpr size_t kMaxIndentLevels = 32;

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// Two parses give the same document: the same nodes in the same order, each
// with the same statement, tag, level, word count and attribute tables.
bool SameDocument(CKORU_Parser& a, CKORU_Parser& b) {
    const CKORU_Parser::NodeList* x = a.GetMainList();
    const CKORU_Parser::NodeList* y = b.GetMainList();
    if (!x || !y || x->GetCount() != y->GetCount()) return x == y;
    auto sameTable = [](const CMapStringToString& s, const CMapStringToString& t) {
        if (s.GetCount() != t.GetCount()) return false;
        for (int i = 0; i < s.GetCount(); ++i)
            if (s.KeyAt(i) != t.KeyAt(i) || s.ValueAt(i) != t.ValueAt(i)) return false;
        return true;
    };
    auto i = y->begin();
    for (const CKORU_ItemNode* n : *x) {
        const CKORU_ItemNode* m = *i++;
        if (n->m_Statement != m->m_Statement || n->m_TagName != m->m_TagName || n->m_Level != m->m_Level ||
            n->m_WordCount != m->m_WordCount || !sameTable(n->m_AttrTable, m->m_AttrTable) ||
            !sameTable(n->m_NewValueTable, m->m_NewValueTable))
            return false;
    }
    return true;
}

// One statement per line, indented by nesting; an end statement right after
// its start stays beside it, as such pairs are written. Any text between
// statements that is not blank stays as written.
std::string LaidOut(std::string_view source, const SourceReading& reading, const std::string& step) {
    std::string laid;
    laid.reserve(source.size() + source.size() / 4);
    size_t depth = 0, read = 0;
    bool opened = false;  // the last item was a start statement
    for (const SourceItem& item : reading.items) {
        const bool closesLast = item.kind == SourceItem::End && opened;
        if (item.kind == SourceItem::End && depth > 0) --depth;
        const std::string_view gap = source.substr(read, item.offset - read);
        if (!IsBlank(gap)) {
            laid += gap;
        } else if (!closesLast) {
            if (!laid.empty()) laid += '\n';
            for (size_t d = 0; d < std::min(depth, kMaxIndentLevels); ++d) laid += step;
        }
        laid += source.substr(item.offset, item.length);
        if (item.kind == SourceItem::Start) ++depth;
        opened = item.kind == SourceItem::Start;
        read = item.offset + item.length;
    }
    laid += source.substr(read);
    return laid;
}

// True when new blanks between the items of `reading` can change no reading
// of `source`: then its layout parses as it does and is its own layout, and
// no second parse or layout is needed to tell. The statement reader sees only
// the items, and no mark the frame check looks for ('<', quotes, "<U>",
// "-->", ...) holds a blank. What blanks can change: the counted bytes of a
// length header (the frame check skips them even between statements), and
// macro expansion, which may turn the written statements into others.
bool BlanksAreSafe(std::string_view source, const SourceReading& reading) {
    const std::string_view document = source.substr(0, reading.documentEnd);
    if (reading.stop.kind != SourceStop::None || MayHoldMacroBlock(document)) return false;
    auto item = reading.items.begin();
    for (size_t quote = FindByte(document, 0, '"'); quote != std::string_view::npos;
         quote = FindByte(document, quote + 1, '"')) {
        if (!StartsLengthHeader(source, quote)) continue;
        while (item != reading.items.end() && item->offset + item->length <= quote) ++item;
        if (item == reading.items.end() || item->offset > quote) return false;
        // The header's window and its counted bytes must stay inside the item.
        const LengthHeader header = ReadPresentLengthHeader(source, quote);
        const size_t last = header.gt < 0 ? quote + 10
                                          : quote + static_cast<size_t>(header.gt) + 2 + static_cast<size_t>(header.length);
        if (last >= item->offset + item->length) return false;
    }
    return true;
}

}  // namespace

int KoruFormatSource(const CString& text, CString& out, int indent) {
    out = text;
    CKORU_Parser original;
    CString work = text;
    if (original.DoParsingProc(work, 0) != 1) return 0;

    const std::string step(static_cast<size_t>(std::clamp(indent, 0, 16)), ' ');
    const SourceReading reading = ReadSource(text.View());
    CString result(LaidOut(text.View(), reading, step));
    if (!BlanksAreSafe(text.View(), reading)) {
        // The written text is read without macro expansion, and the frame
        // check reads length headers between statements that the splitter
        // ignores: where these readings part, new blanks could change the
        // parse, or a second layout differ from the first. Such a layout is
        // not given.
        CKORU_Parser check;
        CString checkWork = result;
        if (check.DoParsingProc(checkWork, 0) != 1 || !SameDocument(original, check) ||
            LaidOut(result.View(), ReadSource(result.View()), step) != result.View())
            return 0;
    }
    out = result;
    return 1;
}
