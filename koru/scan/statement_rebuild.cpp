// MakeStatement: a node's attribute table written back as "NAME=value " pairs.
#include "koru.h"

CString CKORU_Parser::MakeStatement(CKORU_ItemNode* node) {
    CString text;
    if (!node) return text;
    const CMapStringToString& table = node->m_AttrTable;
    for (int i = 0; i < table.GetCount(); ++i) {
        text += table.KeyAt(i);
        text += '=';
        text += table.ValueAt(i);
        text += ' ';
    }
    return text;
}
