// The Python classes over a document's nodes and the functions that bind the
// module's parts.
#ifndef KORU_PYTHON_HANDLES_H
#define KORU_PYTHON_HANDLES_H

#include "document.h"
#include "errors.h"

#include <memory>
#include <vector>

namespace koru_python {

// koru.Node: one node of a document. Holds the document, so the parser stays
// alive while Python holds any of its nodes.
struct Node {
    std::shared_ptr<DocumentCore> doc;
    std::shared_ptr<NodeRef> ref;

    // The node; DeletedNodeError when the document no longer holds it.
    CKORU_ItemNode* Get() const {
        if (!ref->node) RaiseDeleted();
        return ref->node;
    }
};

// A live, read-only view of a node's attribute or new-value table.
struct Attributes {
    Node node;
    bool newValues = false;

    const CMapStringToString& Table() const {
        CKORU_ItemNode* n = node.Get();
        return newValues ? n->m_NewValueTable : n->m_AttrTable;
    }
};

// The Node of `node` in `doc`; None for null.
py::object NodeOrNone(const std::shared_ptr<DocumentCore>& doc, CKORU_ItemNode* node);
// The Nodes of `nodes`, in order.
py::list NodeListOf(const std::shared_ptr<DocumentCore>& doc, const std::vector<CKORU_ItemNode*>& nodes);
// `name` upper-cased, as the library keys attributes.
CString UpperName(const py::handle& name);
// Raises KeyError for `key`.
[[noreturn]] void RaiseKeyError(const py::handle& key);

void BindNodes(py::module_& module);
void BindDocument(py::module_& module);
void BindTools(py::module_& module);

}  // namespace koru_python

#endif
