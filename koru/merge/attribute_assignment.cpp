// Attribute assignment: carrying a fragment node's attributes over to the
// document's node under the overwrite and new-value flags.
//
// The overwrite flag decides whether an attribute the target already has takes
// the new value; a missing attribute is always added. While the new-value flag
// is set, every value so written is also entered, unquoted, in the target's
// new-value table: with both flags set, merging HREF="x y" into a node that has
// HREF=old leaves HREF -> "x y" in the attribute table and HREF -> x y in the
// new-value table.
#include "merge/main_list.h"
#include "scan/word_cursor.h"

using namespace koru::detail;

namespace {

// Writes `value` over the attribute value `present` (unchanged when it holds
// those bytes already) and, with the new-value flag, enters it unquoted in the
// new-value table under `name`.
void Overwrite(CKORU_ItemNode& node, CString& present, std::string_view name, std::string_view value, int newValue) {
    if (present.View() != value) present = CString(value);
    if (newValue && !value.empty()) {
        CString unquoted(value);
        StripQuotes(unquoted);
        node.m_NewValueTable.SetAt(CString(name), unquoted);
    }
}

// `name` upper-cased: the name itself when it has no lower-case letter, as
// table keys built from a statement never do; else a copy in `scratch`.
std::string_view UpperName(std::string_view name, CString& scratch) {
    for (char c : name) {
        if (c >= 'a' && c <= 'z') {
            scratch = UpperCopy(name);
            return scratch.View();
        }
    }
    return name;
}

}  // namespace

int CKORU_Parser::If_IsInLValue_UpdateRValue(CString& name, CString& value, CKORU_ItemNode* node) {
    name.MakeUpper();
    if (!node) return 0;
    CString* present = node->m_AttrTable.PLookup(name.View());
    if (!present) return 0;
    if (m_nOverwrite) {
        Overwrite(*node, *present, name.View(), value.View(), m_nNewValue);
        if (m_nNewValue && !value.IsEmpty()) StripQuotes(value);
    }
    return 1;
}

// Each attribute of `source` is written over the target's (under the
// overwrite flag) or added to its table; the source's table is only read.
void CKORU_Parser::AddOrUpdateLValue(CKORU_ItemNode* source, CKORU_ItemNode* target) {
    if (!source || !target || source == target) return;
    auto assign = [this, source, target] {
        const CMapStringToString& table = source->m_AttrTable;
        CString scratch;
        for (int i = 0; i < table.GetCount(); ++i) {
            const std::string_view name = UpperName(table.KeyAt(i).View(), scratch);
            const std::string_view value = table.ValueAt(i).View();
            if (CString* present = target->m_AttrTable.PLookup(name)) {
                if (m_nOverwrite) Overwrite(*target, *present, name, value, m_nNewValue);
                continue;
            }
            target->m_AttrTable.SetAt(CString(name), CString(value));
            if (m_nNewValue) {
                CString unquoted(value);
                StripQuotes(unquoted);
                target->m_NewValueTable.SetAt(CString(name), unquoted);
            }
        }
    };
    // The target is a main-list node: its edit goes through the main list.
    if (MainList* main = MainList::Of(*this)) main->EditTable(target, assign);
    else assign();
}

// The flags without a parse: hosts that assign values set them directly.
void KoruSetParseFlags(CKORU_Parser& parser, int overwrite, int newValue) noexcept {
    parser.m_nOverwrite = overwrite ? 1 : 0;
    parser.m_nNewValue = newValue ? 1 : 0;
}
