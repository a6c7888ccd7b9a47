// Frame check: a source must hold "<U>" ... "</U>"; the text after the first
// "</U>" is kept as redefinition text and applied after the parse.
#include "parser/frame_check.h"
#include "scan/word_cursor.h"
#include "support/byte_set.h"

using namespace koru::detail;

namespace koru { namespace detail {

size_t FirstVisibleByte(std::string_view text) noexcept {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (u >= 33 && u <= 127) return i;
    }
    return std::string_view::npos;
}

}}  // namespace koru::detail

namespace {

// Bytes that can start what the frame check looks for: quotes and '<'.
constexpr ByteSet kFrameStops("\"<");

}  // namespace

namespace koru { namespace detail {

FrameScan ScanFrame(std::string_view text) noexcept {
    FrameScan scan;
    const size_t length = text.size();
    bool started = false;
    for (size_t pos = 0; pos < length; ++pos) {
        // Only a quote or a '<' can start what this scan looks for.
        while (pos < length && !kFrameStops.Has(text[pos])) ++pos;
        if (pos == length) break;
        if (text[pos] == '"') {
            pos = SkipQuotedValue(text, pos);
        } else if (pos + 2 < length && text[pos + 1] == 'U' && text[pos + 2] == '>') {
            if (started) return {KoruRefusalCode::SecondFrameStart, pos, std::string_view::npos};
            started = true;
            pos += 2;
        } else if (pos + 3 < length && text[pos + 1] == '/' && text[pos + 2] == 'U' && text[pos + 3] == '>') {
            if (!started) return {KoruRefusalCode::FrameEndBeforeStart, pos, std::string_view::npos};
            scan.end = pos + 4;
            return scan;
        } else if (pos + 3 < length && text[pos + 1] == '!' && text[pos + 2] == '-' && text[pos + 3] == '-') {
            const size_t close = text.find("-->", pos + 4);
            if (close == std::string_view::npos) return {KoruRefusalCode::UnclosedFrameComment, pos, std::string_view::npos};
            pos = close + 2;
        }
    }
    if (!started) scan.code = KoruRefusalCode::NoFrame;
    return scan;
}

}}  // namespace koru::detail

int CKORU_Parser::DoYouHaveReDefineSource(CString& source) {
    m_ReDefineSource.Empty();
    const std::string_view text = source.View();
    const FrameScan scan = ScanFrame(text);
    if (scan.code != KoruRefusalCode::None) {
        const long long at = scan.at == std::string_view::npos ? -1 : static_cast<long long>(scan.at);
        return Refuse(scan.code, at, text);
    }
    KeepRedefinition(source, scan.end);
    return 1;
}

// Keeps the text after the frame's end (`end`, npos when there is none) as
// redefinition text and cuts it off `source`.
void CKORU_Parser::KeepRedefinition(CString& source, size_t end) {
    m_ReDefineSource.Empty();
    if (end == std::string_view::npos) return;
    m_ReDefineSource = CString(source.View().substr(end));
    if (FirstVisibleByte(m_ReDefineSource.View()) != std::string_view::npos) m_nOverwrite = 1;
    source.Truncate(static_cast<int>(end));
}
