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

int CKORU_Parser::If_IsInLValue_UpdateRValue(CString& name, CString& value, CKORU_ItemNode* node) {
    name.MakeUpper();
    if (!node) return 0;
    CString* present = node->m_AttrTable.PLookup(name.View());
    if (!present) return 0;
    if (m_nOverwrite) {
        *present = value;
        if (m_nNewValue && !value.IsEmpty()) {
            StripQuotes(value);
            node->m_NewValueTable.SetAt(name, value);
        }
    }
    return 1;
}

void CKORU_Parser::AddOrUpdateLValue(CKORU_ItemNode* source, CKORU_ItemNode* target) {
    if (!source || !target || source == target) return;
    auto assign = [this, source, target] {
        const CMapStringToString& table = source->m_AttrTable;
        for (int i = 0; i < table.GetCount(); ++i) {
            CString name = table.KeyAt(i);
            CString value = table.ValueAt(i);
            if (If_IsInLValue_UpdateRValue(name, value, target)) continue;
            name.MakeUpper();
            target->m_AttrTable.SetAt(name, value);
            if (m_nNewValue) {
                StripQuotes(value);
                target->m_NewValueTable.SetAt(name, value);
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
