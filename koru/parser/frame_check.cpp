// Frame check: a source must hold "<U>" ... "</U>"; the text after the first
// "</U>" is kept as redefinition text and applied after the parse.
#include "scan/word_cursor.h"

using namespace koru::detail;

namespace {

// True when a byte from 33 to 127 stands in `text`: such text turns overwriting on.
bool HasVisibleByte(std::string_view text) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 33 && u <= 127) return true;
    }
    return false;
}

// Bytes that can start what the frame check looks for: quotes and '<'.
struct FrameStops {
    bool stop[256] = {};
    constexpr FrameStops() {
        stop[static_cast<unsigned char>('"')] = true;
        stop[static_cast<unsigned char>('<')] = true;
    }
};
constexpr FrameStops kFrameStops{};

}  // namespace

int CKORU_Parser::DoYouHaveReDefineSource(CString& source) {
    m_ReDefineSource.Empty();
    const int length = source.GetLength();
    const std::string_view text = source.View();
    bool started = false;
    for (int pos = 0; pos < length; ++pos) {
        // Only a quote or a '<' can start what this scan looks for.
        while (pos < length && !kFrameStops.stop[static_cast<unsigned char>(text[static_cast<size_t>(pos)])]) ++pos;
        if (pos == length) break;
        const size_t at = static_cast<size_t>(pos);
        if (text[at] == '"') {
            pos = static_cast<int>(SkipQuotedValue(text, at));
        } else if (at + 2 < text.size() && text[at + 1] == 'U' && text[at + 2] == '>') {
            if (started) return Refuse(KoruRefusalCode::SecondFrameStart, pos, text);
            started = true;
            pos += 2;
        } else if (at + 3 < text.size() && text[at + 1] == '/' && text[at + 2] == 'U' && text[at + 3] == '>') {
            if (!started) return Refuse(KoruRefusalCode::FrameEndBeforeStart, pos, text);
            m_ReDefineSource = CString(text.substr(at + 4));
            if (HasVisibleByte(m_ReDefineSource.View())) m_nOverwrite = 1;
            source.Truncate(static_cast<int>(at + 4));
            return 1;
        } else if (at + 3 < text.size() && text[at + 1] == '!' && text[at + 2] == '-' && text[at + 3] == '-') {
            size_t close = text.find("-->", at + 4);
            if (close == std::string_view::npos) return Refuse(KoruRefusalCode::UnclosedFrameComment, pos, text);
            pos = static_cast<int>(close + 2);
        }
    }
    if (!started) return Refuse(KoruRefusalCode::NoFrame, -1, text);
    return 1;
}
