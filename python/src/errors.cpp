// The module's exception classes, made in Python so that DeletedNodeError can
// also be a ReferenceError, as a dead weak reference is.
#include "errors.h"

#include "text.h"

namespace koru_python {

namespace {

// The classes live as long as the interpreter: never released.
PyObject* g_RefusedError = nullptr;
PyObject* g_DeletedNodeError = nullptr;

py::object NewClass(py::module_& module, const char* name, py::tuple bases, const char* doc) {
    py::dict body;
    body["__doc__"] = doc;
    body["__module__"] = "koru";
    py::object cls = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type))(name, bases, body);
    module.attr(name) = cls;
    return cls;
}

py::object OrNone(int value) { return value > 0 ? py::object(py::int_(value)) : py::none(); }

}  // namespace

void AddExceptions(py::module_& module) {
    const py::object base = py::reinterpret_borrow<py::object>(PyExc_Exception);
    py::object error = NewClass(module, "Error", py::make_tuple(base), "Base class of the errors koru raises.");
    py::object refused = NewClass(module, "RefusedError", py::make_tuple(error),
                                  "A source or update text was refused. Attributes: code (a short reason "
                                  "such as 'unbalanced'), message, line and column (1-based; None when "
                                  "unknown), offset (in bytes of the text the failing step saw; None when unknown).");
    py::object deleted = NewClass(module, "DeletedNodeError",
                                  py::make_tuple(error, py::reinterpret_borrow<py::object>(PyExc_ReferenceError)),
                                  "The node was deleted from its document (by delete, a merge or an update).");
    g_RefusedError = refused.release().ptr();
    g_DeletedNodeError = deleted.release().ptr();
}

void RaiseRefused(const KoruRefusal& refusal, int line, int column) {
    const py::str message = StrOf(refusal.message);
    py::object error = py::reinterpret_borrow<py::object>(g_RefusedError)(message);
    error.attr("code") = KoruRefusalName(refusal.code);
    error.attr("message") = message;
    error.attr("line") = OrNone(line);
    error.attr("column") = OrNone(column);
    error.attr("offset") = refusal.offset >= 0 ? py::object(py::int_(refusal.offset)) : py::none();
    PyErr_SetObject(g_RefusedError, error.ptr());
    throw py::error_already_set();
}

void RaiseDeleted() {
    PyErr_SetString(g_DeletedNodeError, "the node was deleted from its document");
    throw py::error_already_set();
}

}  // namespace koru_python
