// The one refusal path: records why a source was refused and where.
#include "koru.h"

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

// Records a refusal and returns 0, so that a refusing step can `return Refuse(...)`.
// Line and column are counted only here, so successful parses pay nothing.
int CKORU_Parser::Refuse(KoruRefusalCode code, long long offset, std::string_view text) {
    m_LastRefusal = KoruRefusal();
    m_LastRefusal.code = code;
    m_LastRefusal.message = MessageOf(code);
    m_LastRefusal.offset = offset;
    if (offset >= 0 && static_cast<size_t>(offset) <= text.size()) {
        int line = 1, column = 1;
        for (size_t i = 0; i < static_cast<size_t>(offset); ++i) {
            if (text[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        m_LastRefusal.line = line;
        m_LastRefusal.column = column;
    }
    return 0;
}
