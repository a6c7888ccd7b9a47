// koru.Document and koru.parse.
#include "handles.h"

#include <pybind11/stl.h>

#include <optional>
#include <string>

namespace koru_python {

namespace {

using Core = std::shared_ptr<DocumentCore>;

// The node of `node`, which must belong to `doc`; ValueError otherwise.
CKORU_ItemNode* NodeOf(const Core& doc, const Node& node) {
    if (node.doc != doc) throw py::value_error("the node belongs to another document");
    return node.Get();
}

// What find and find_all look for; an unset field matches every node.
struct Filter {
    std::optional<CString> tag;
    std::optional<CString> name;
    std::optional<int> level;

    Filter(const py::object& tagArg, const py::object& nameArg, std::optional<int> levelArg) : level(levelArg) {
        if (!tagArg.is_none()) tag = UpperName(tagArg);
        if (!nameArg.is_none()) {
            const InputText text = TextOf(nameArg);
            name = CString(text.bytes.data(), static_cast<int>(text.bytes.size()));
        }
    }

    bool Matches(CKORU_Parser& parser, CKORU_ItemNode* node) const {
        if (tag && node->m_TagName.CompareNoCase(*tag) != 0) return false;
        if (level && node->m_Level != *level) return false;
        return !name || parser.GetValue("N", node) == *name;
    }
};

std::vector<CKORU_ItemNode*> Find(const Core& doc, const Filter& filter, bool first) {
    std::vector<CKORU_ItemNode*> found;
    if (!doc->Nodes()) return found;
    for (CKORU_ItemNode* node : *doc->Nodes()) {
        if (!filter.Matches(doc->Parser(), node)) continue;
        found.push_back(node);
        if (first) break;
    }
    return found;
}

std::vector<CKORU_ItemNode*> AllNodes(const Core& doc) {
    if (!doc->Nodes()) return {};
    return std::vector<CKORU_ItemNode*>(doc->Nodes()->begin(), doc->Nodes()->end());
}

}  // namespace

void BindDocument(py::module_& module) {
    py::class_<DocumentCore, Core>(module, "Document",
                                   "A KORU document: the nodes of its start statements in closing order "
                                   "(a node after every node nested in it). Iterating gives the nodes.")
        .def(py::init<>(), "An empty document; its first merge parses the document itself.")
        .def("merge",
             [](const Core& self, const py::object& text, bool overwrite, bool newValues) {
                 self->Merge(TextOf(text), overwrite, newValues);
             },
             py::arg("text"), py::arg("overwrite") = false, py::arg("new_values") = false,
             "Merges a fragment (a whole source, '<U>...</U>') into the document; into an empty "
             "document, parses it. With overwrite, values the fragment restates replace the "
             "document's; with new_values they also go into the new-value tables. Raises "
             "RefusedError, and then nothing changed.")
        .def("update",
             [](const Core& self, const py::object& text, bool newValues) {
                 return NodeListOf(self, self->Update(TextOf(text), newValues));
             },
             py::arg("text"), py::arg("new_values") = false,
             "Applies an update text (statements without the '<U>' frame) batch by batch, "
             "overwriting; returns the nodes it rebuilt. Raises RefusedError.")
        .def("delete",
             [](const Core& self, const Node& node) { self->Delete(NodeOf(self, node)); },
             py::arg("node"), "Deletes NODE and every node nested in it.")
        .def("delete_children",
             [](const Core& self, const Node& parent, const py::object& tag, const py::object& tValue) {
                 const InputText t = TextOf(tValue);
                 self->Delete(CString(t.bytes.data(), static_cast<int>(t.bytes.size())), NodeOf(self, parent),
                              UpperName(tag));
             },
             py::arg("parent"), py::arg("tag"), py::arg("t_value"),
             "Deletes the children of PARENT tagged TAG (case ignored) whose T value is T_VALUE, "
             "each with the nodes nested in it.")
        .def("find",
             [](const Core& self, const py::object& tag, const py::object& name, std::optional<int> level) {
                 const auto found = Find(self, Filter(tag, name, level), true);
                 return NodeOrNone(self, found.empty() ? nullptr : found.front());
             },
             py::arg("tag") = py::none(), py::arg("name") = py::none(), py::arg("level") = py::none(),
             "The first node, in closing order, with tag TAG (case ignored), N value NAME and "
             "level LEVEL (each when given); None if none.")
        .def("find_all",
             [](const Core& self, const py::object& tag, const py::object& name, std::optional<int> level) {
                 return NodeListOf(self, Find(self, Filter(tag, name, level), false));
             },
             py::arg("tag") = py::none(), py::arg("name") = py::none(), py::arg("level") = py::none(),
             "Every such node, in closing order.")
        .def_property_readonly("body",
                               [](const Core& self) {
                                   const auto bodies = Find(self, Filter(py::str("B"), py::none(), std::nullopt), false);
                                   return NodeOrNone(self, bodies.size() == 1 ? bodies.front() : nullptr);
                               },
                               "The document's single B node; None when it has none or several.")
        .def_property_readonly("nodes", [](const Core& self) { return NodeListOf(self, AllNodes(self)); },
                               "Every node, in closing order.")
        .def("__iter__", [](const Core& self) { return py::iter(NodeListOf(self, AllNodes(self))); })
        .def("__len__", [](const Core& self) { return self->Nodes() ? self->Nodes()->GetCount() : 0; })
        .def("write", [](const Core& self) { return StrOf(KoruWriteDocument(self->Nodes())); },
             "The document written out as a source: '<U>', each node as a start statement "
             "built from its attribute table, nested by level. Comments, macros and layout "
             "are not kept; koru.format keeps them.")
        .def("__str__", [](const Core& self) { return StrOf(KoruWriteDocument(self->Nodes())); })
        .def("__repr__", [](const Core& self) {
            const int count = self->Nodes() ? self->Nodes()->GetCount() : 0;
            return "<koru.Document " + std::to_string(count) + (count == 1 ? " node>" : " nodes>");
        });

    module.def(
        "parse",
        [](const py::object& text, bool overwrite) {
            auto doc = std::make_shared<DocumentCore>();
            doc->Merge(TextOf(text), overwrite, false, true);
            return doc;
        },
        py::arg("text"), py::arg("overwrite") = false,
        "Parses a KORU source (str or bytes) into a Document. Raises RefusedError, with the "
        "reason, message, line and column, when the source is refused.");
}

}  // namespace koru_python
