// The koru Python module: KORU documents parsed, queried, merged, updated,
// written, checked and laid out by the koru library.
#include "handles.h"

PYBIND11_MODULE(koru, module) {
    module.doc() = "Parse, query, merge, update, check and lay out KORU documents.";
    module.attr("__version__") = KoruVersion();
    koru_python::AddExceptions(module);
    koru_python::BindNodes(module);
    koru_python::BindDocument(module);
    koru_python::BindTools(module);
}
