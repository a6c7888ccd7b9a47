// Link lookup: the body node and the HREF link targets of the body and of controls.
#include "query/node_index.h"
#include "query/node_view.h"

using namespace koru::detail;

// The single node tagged B of `list` (null: the main list); null when there is
// none or more than one, or when the parser holds no main list.
CKORU_ItemNode* CKORU_Parser::GetBodyNode(NodeList* list) {
    if (!list) list = m_pMainList;
    if (!m_pMainList) return nullptr;
    if (m_pNodeIndex && list == m_pMainList) return m_pNodeIndex->Body();
    CKORU_ItemNode* body = nullptr;
    for (CKORU_ItemNode* node : *list) {
        if (!TagIs(node, "B")) continue;
        if (body) return nullptr;
        body = node;
    }
    return body;
}

CString CKORU_Parser::GetBodyHRef() {
    CKORU_ItemNode* body = GetBodyNode(nullptr);
    return body ? CString(ValueOf(body, "HREF")) : CString();
}

// A node without a link target inherits its nearest ancestor's.
CString CKORU_Parser::GetCtrlHRef(CKORU_ItemNode* node) {
    CString result;
    while (node && result.IsEmpty()) {
        result = CString(ValueOf(node, "HREF"));
        node = GetParent(node);
    }
    return result;
}
