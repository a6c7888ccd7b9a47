// The module's exceptions: koru.Error, and below it RefusedError (a source or
// update text the library refused) and DeletedNodeError (a node the document
// no longer holds).
#ifndef KORU_PYTHON_ERRORS_H
#define KORU_PYTHON_ERRORS_H

#include <koru/koru.h>
#include <pybind11/pybind11.h>

#include <optional>

namespace koru_python {

namespace py = pybind11;

// Creates the exception classes in `module`.
void AddExceptions(py::module_& module);
// Raises RefusedError for `refusal`, placed at `line` and `column` (none when 0).
[[noreturn]] void RaiseRefused(const KoruRefusal& refusal, int line, int column);
// Raises DeletedNodeError.
[[noreturn]] void RaiseDeleted();

}  // namespace koru_python

#endif
