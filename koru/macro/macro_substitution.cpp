// Macro substitution: every "&NAME;" replaced by its value, one pass per macro.
#include "koru.h"
#include "parser/limits.h"

using namespace koru::detail;

namespace {

// One left-to-right pass replacing `reference` by `value`; the search resumes
// after each inserted value, so a value that names its own macro ends. Returns
// false, leaving `text` unchanged, when the result would exceed `bound` bytes.
bool ReplaceAll(std::string& text, std::string_view reference, std::string_view value, size_t bound) {
    size_t at = text.find(reference);
    if (at == std::string::npos) return true;
    std::string out;
    size_t from = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        out.append(value);
        from = at + reference.size();
        if (out.size() + (text.size() - from) > bound) return false;
        at = text.find(reference, from);
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
    return true;
}

}  // namespace

void CKORU_Parser::ReplaceMacroValue(CString& source, CString name, CString value) {
    std::string reference = "&" + name.Str() + ";";
    ReplaceAll(source.Str(), reference, value.View(), static_cast<size_t>(-1));
}

// Applies every macro of the table in its order. Later macros see the values
// that earlier ones inserted, so chains between macros work. Refuses a source
// that would grow past the expansion bound.
int CKORU_Parser::SubstituteMacros(CString& source) {
    const CMapStringToString* table = m_pStagedMacroTable ? m_pStagedMacroTable : m_pMacroTable;
    if (!table || table->IsEmpty() || source.Find('&') < 0) return 1;
    const size_t bound = ExpansionBound(source.Str().size());
    std::string& text = source.Str();
    std::string reference;
    for (int i = 0; i < table->GetCount(); ++i) {
        reference.assign(1, '&');
        reference += table->KeyAt(i).Str();
        reference += ';';
        if (!ReplaceAll(text, reference, table->ValueAt(i).View(), bound)) {
            DiscardStagedMacros();
            Refuse(KoruRefusalCode::ExpansionLimit, -1, std::string_view());
            return 0;
        }
    }
    return 1;
}
