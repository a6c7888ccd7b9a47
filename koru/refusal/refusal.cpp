// The one refusal path: records why a source was refused and where.
#include "refusal/refusal.h"
#include "refusal/line_index.h"

#include <algorithm>

namespace {

const char* MessageOf(KoruRefusalCode code) {
    switch (code) {
        case KoruRefusalCode::None: return "";
        case KoruRefusalCode::NoFrame: return "no \"<U>\" frame";
        case KoruRefusalCode::SecondFrameStart: return "a second \"<U>\" before \"</U>\"";
        case KoruRefusalCode::FrameEndBeforeStart: return "\"</U>\" before \"<U>\"";
        case KoruRefusalCode::UnclosedFrameComment: return "\"<!--\" without a closing \"-->\"";
        case KoruRefusalCode::UnclosedMacroBlock: return "\"MACRO\" block without \"/MACRO\"";
        case KoruRefusalCode::UnclosedComment: return "comment without a closing \"--\"";
        case KoruRefusalCode::NoStatement: return "no statement";
        case KoruRefusalCode::Unbalanced: return "start and end statements do not balance";
        case KoruRefusalCode::ExpansionLimit: return "macro expansion exceeds the expansion bound";
        case KoruRefusalCode::NestingLimit: return "nesting deeper than 32767 levels";
        case KoruRefusalCode::NoMainList: return "no document has been parsed yet";
    }
    return "refused";
}

}  // namespace

namespace koru { namespace detail {

void PlaceRefusal(KoruRefusal& refusal, std::string_view text) {
    refusal.line = 0;
    refusal.column = 0;
    if (refusal.offset < 0 || static_cast<size_t>(refusal.offset) > text.size()) return;
    const size_t at = static_cast<size_t>(refusal.offset);
    LineIndex(text.substr(0, at)).Place(at, refusal.line, refusal.column);
}

// The processed text is the original with one stretch (the macro block) taken
// out and, possibly, the tail after the frame cut off: the common prefix ends
// where the stretch begins, and the rest of the processed text resumes after it.
void RelocateRefusal(KoruRefusal& refusal, std::string_view original, std::string_view processed) {
    if (refusal.offset < 0) return;
    size_t prefix = 0;
    const size_t shortest = std::min(original.size(), processed.size());
    while (prefix < shortest && original[prefix] == processed[prefix]) ++prefix;
    const size_t at = static_cast<size_t>(refusal.offset);
    if (at <= prefix || prefix == processed.size()) {
        PlaceRefusal(refusal, original);
        return;
    }
    // The rest of the processed text stands in the original right after the cut.
    size_t resumed = original.find(processed.substr(prefix), prefix);
    if (resumed != std::string_view::npos) {
        refusal.offset = static_cast<long long>(at + (resumed - prefix));
        PlaceRefusal(refusal, original);
        return;
    }
    refusal.message += " (position in the text after macro expansion)";
    PlaceRefusal(refusal, processed);
}

}}  // namespace koru::detail

// Records a refusal and returns 0, so that a refusing step can `return Refuse(...)`.
// Line and column are counted only here, so successful parses pay nothing.
int CKORU_Parser::Refuse(KoruRefusalCode code, long long offset, std::string_view text) {
    m_LastRefusal = KoruRefusal();
    m_LastRefusal.code = code;
    m_LastRefusal.message = MessageOf(code);
    m_LastRefusal.offset = offset;
    koru::detail::PlaceRefusal(m_LastRefusal, text);
    return 0;
}

const char* KoruRefusalName(KoruRefusalCode code) noexcept {
    switch (code) {
        case KoruRefusalCode::None: return "none";
        case KoruRefusalCode::NoFrame: return "no-frame";
        case KoruRefusalCode::SecondFrameStart: return "second-frame-start";
        case KoruRefusalCode::FrameEndBeforeStart: return "frame-end-before-start";
        case KoruRefusalCode::UnclosedFrameComment: return "unclosed-frame-comment";
        case KoruRefusalCode::UnclosedMacroBlock: return "unclosed-macro-block";
        case KoruRefusalCode::UnclosedComment: return "unclosed-comment";
        case KoruRefusalCode::NoStatement: return "no-statement";
        case KoruRefusalCode::Unbalanced: return "unbalanced";
        case KoruRefusalCode::ExpansionLimit: return "expansion-limit";
        case KoruRefusalCode::NestingLimit: return "nesting-limit";
        case KoruRefusalCode::NoMainList: return "no-main-list";
    }
    return "refused";
}
