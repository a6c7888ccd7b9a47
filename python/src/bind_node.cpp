// koru.Node and koru.Attributes.
#include "handles.h"

#include <pybind11/stl.h>

#include <functional>
#include <string>

namespace koru_python {

py::object NodeOrNone(const std::shared_ptr<DocumentCore>& doc, CKORU_ItemNode* node) {
    if (!node) return py::none();
    return py::cast(Node{doc, doc->RefOf(node)});
}

py::list NodeListOf(const std::shared_ptr<DocumentCore>& doc, const std::vector<CKORU_ItemNode*>& nodes) {
    py::list out;
    for (CKORU_ItemNode* node : nodes) out.append(NodeOrNone(doc, node));
    return out;
}

CString UpperName(const py::handle& name) {
    const InputText text = TextOf(name);
    CString upper(text.bytes.data(), static_cast<int>(text.bytes.size()));
    upper.MakeUpper();
    return upper;
}

void RaiseKeyError(const py::handle& key) {
    PyErr_SetObject(PyExc_KeyError, key.ptr());
    throw py::error_already_set();
}

namespace {

// The unquoted value of attribute `name`, or null when the node has no such attribute.
py::object ValueOrNull(const Node& self, const py::handle& name) {
    CKORU_ItemNode* node = self.Get();
    const CString key = UpperName(name);
    if (!node->m_AttrTable.PLookup(key.View())) return py::object();
    return StrOf(self.doc->Parser().GetValue(key, node));
}

py::list Keys(const Attributes& self) {
    const CMapStringToString& table = self.Table();
    py::list keys;
    for (int i = 0; i < table.GetCount(); ++i) keys.append(StrOf(table.KeyAt(i)));
    return keys;
}

py::object Lookup(const Attributes& self, const py::handle& key) {
    if (!PyUnicode_Check(key.ptr()) && !PyBytes_Check(key.ptr())) return py::object();
    const InputText name = TextOf(key);
    const CString* value = self.Table().PLookup(name.bytes);
    return value ? py::object(StrOf(*value)) : py::object();
}

py::str ReprOf(const Node& self) {
    if (!self.ref->node) return py::str("<koru.Node (deleted)>");
    CKORU_ItemNode* node = self.ref->node;
    std::string repr = "<koru.Node " + node->m_TagName.Str();
    if (const CString* name = node->m_AttrTable.PLookup("N")) repr += " N=" + name->Str();
    return StrOf(repr + " level=" + std::to_string(node->m_Level) + ">");
}

// The table as a dict.
py::dict DictOf(const Attributes& self) {
    const CMapStringToString& table = self.Table();
    py::dict out;
    for (int i = 0; i < table.GetCount(); ++i) out[StrOf(table.KeyAt(i))] = StrOf(table.ValueAt(i));
    return out;
}

}  // namespace

void BindNodes(py::module_& module) {
    py::class_<Attributes>(module, "Attributes",
                           "A live, read-only view of a node's attribute table (or new-value table), "
                           "in the order the statement wrote it. Keys are upper-cased names; values "
                           "are as written, quotes kept. The tag name is a key with the empty value.")
        .def("__len__", [](const Attributes& self) { return self.Table().GetCount(); })
        .def("__getitem__",
             [](const Attributes& self, const py::object& key) {
                 py::object value = Lookup(self, key);
                 if (!value) RaiseKeyError(key);
                 return value;
             })
        .def("__contains__", [](const Attributes& self, const py::object& key) { return bool(Lookup(self, key)); })
        .def("__iter__", [](const Attributes& self) { return py::iter(Keys(self)); })
        .def("get",
             [](const Attributes& self, const py::object& key, const py::object& fallback) {
                 py::object value = Lookup(self, key);
                 return value ? value : fallback;
             },
             py::arg("key"), py::arg("default") = py::none())
        .def("keys", &Keys)
        .def("values",
             [](const Attributes& self) {
                 const CMapStringToString& table = self.Table();
                 py::list values;
                 for (int i = 0; i < table.GetCount(); ++i) values.append(StrOf(table.ValueAt(i)));
                 return values;
             })
        .def("items",
             [](const Attributes& self) {
                 const CMapStringToString& table = self.Table();
                 py::list items;
                 for (int i = 0; i < table.GetCount(); ++i)
                     items.append(py::make_tuple(StrOf(table.KeyAt(i)), StrOf(table.ValueAt(i))));
                 return items;
             })
        .def("__eq__",
             [](const Attributes& self, const py::object& other) -> py::object {
                 if (!py::isinstance(other, py::module_::import("collections.abc").attr("Mapping")))
                     return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                 return py::bool_(DictOf(self).equal(py::dict(other)));
             })
        .def("__repr__", [](const Attributes& self) {
            return py::str("koru.Attributes({})").format(py::repr(DictOf(self)));
        });
    py::module_::import("collections.abc").attr("Mapping").attr("register")(module.attr("Attributes"));

    py::class_<Node>(module, "Node",
                     "One start statement of a document. A Node keeps its document alive; once the "
                     "document deleted the node (delete, a merge or an update), using it raises "
                     "DeletedNodeError.")
        .def_property_readonly("tag", [](const Node& self) { return StrOf(self.Get()->m_TagName); },
                               "The tag name, upper-cased.")
        .def_property_readonly("level", [](const Node& self) { return self.Get()->m_Level; },
                               "Nesting level: 2 for the statements directly inside <U>.")
        .def_property_readonly("statement", [](const Node& self) { return StrOf(self.Get()->m_Statement); },
                               "The statement's text without its closing '>'.")
        .def_property_readonly("word_count", [](const Node& self) { return self.Get()->m_WordCount; },
                               "Words of the statement outside name=value pairs.")
        .def_property_readonly("attrs", [](const Node& self) { self.Get(); return Attributes{self, false}; },
                               "The attribute table, a live read-only mapping.")
        .def_property_readonly("new_values", [](const Node& self) { self.Get(); return Attributes{self, true}; },
                               "The new-value table: values updates and merges assigned, unquoted.")
        .def("__getitem__",
             [](const Node& self, const py::object& name) {
                 py::object value = ValueOrNull(self, name);
                 if (!value) RaiseKeyError(name);
                 return value;
             },
             "The value of attribute NAME (case ignored), one pair of surrounding quotes removed.")
        .def("get",
             [](const Node& self, const py::object& name, const py::object& fallback) {
                 py::object value = ValueOrNull(self, name);
                 return value ? value : fallback;
             },
             py::arg("name"), py::arg("default") = py::none())
        .def("__contains__", [](const Node& self, const py::object& name) { return bool(ValueOrNull(self, name)); })
        .def_property_readonly("parent",
                               [](const Node& self) {
                                   return NodeOrNone(self.doc, self.doc->Parent(self.Get()));
                               },
                               "The node this one is nested in directly; None at the top.")
        .def_property_readonly("children",
                               [](const Node& self) {
                                   return NodeListOf(self.doc, self.doc->Children(self.Get()));
                               },
                               "The nodes nested directly in this one, in closing order.")
        .def_property_readonly("href",
                               [](const Node& self) -> py::object {
                                   const CString href = self.doc->HRef(self.Get());
                                   return href.IsEmpty() ? py::object(py::none()) : py::object(StrOf(href));
                               },
                               "The link target of this node or its nearest ancestor that has one; None if none.")
        .def_property_readonly("line",
                               [](const Node& self) -> py::object {
                                   const auto place = self.doc->PlaceOf(self.Get());
                                   return place ? py::object(py::int_(place->line)) : py::object(py::none());
                               },
                               "The 1-based line where the statement began in the text it came from; None when unknown.")
        .def_property_readonly("column",
                               [](const Node& self) -> py::object {
                                   const auto place = self.doc->PlaceOf(self.Get());
                                   return place ? py::object(py::int_(place->column)) : py::object(py::none());
                               },
                               "The 1-based column of that place; None when unknown.")
        .def_property_readonly("alive", [](const Node& self) { return self.ref->node != nullptr; },
                               "False once the document deleted the node.")
        .def_property_readonly("document", [](const Node& self) { return self.doc; }, "The document holding the node.")
        .def("assign",
             [](const Node& self, const py::object& name, const py::object& value, bool newValue) {
                 CKORU_ItemNode* node = self.Get();
                 self.doc->SetFlags(true, newValue);
                 CString key = UpperName(name);
                 const InputText text = TextOf(value);
                 CString assigned(text.bytes.data(), static_cast<int>(text.bytes.size()));
                 return self.doc->Parser().If_IsInLValue_UpdateRValue(key, assigned, node) == 1;
             },
             py::arg("name"), py::arg("value"), py::arg("new_value") = false,
             "Sets attribute NAME (case ignored) to VALUE as written, when the node has it; True when it "
             "has. With new_value, a non-empty VALUE also goes, unquoted, into the new-value table.")
        .def("__eq__", [](const Node& self, const Node& other) { return self.ref == other.ref; })
        .def("__eq__", [](const Node&, const py::object&) { return false; })
        .def("__hash__", [](const Node& self) { return std::hash<const void*>()(self.ref.get()); })
        .def("__repr__", &ReprOf);
}

}  // namespace koru_python
