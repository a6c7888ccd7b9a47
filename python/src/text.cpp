// Converting texts between Python and koru.
#include "text.h"

#include <cstdint>

namespace koru_python {

InputText TextOf(const py::handle& text) {
    InputText in;
    if (PyUnicode_Check(text.ptr())) {
        PyObject* encoded = PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape");
        if (!encoded) throw py::error_already_set();
        py::bytes bytes = py::reinterpret_steal<py::bytes>(encoded);
        in.bytes = std::string(bytes);
    } else if (PyBytes_Check(text.ptr())) {
        in.bytes.assign(PyBytes_AS_STRING(text.ptr()), static_cast<size_t>(PyBytes_GET_SIZE(text.ptr())));
        in.isStr = false;
    } else if (PyByteArray_Check(text.ptr())) {
        in.bytes.assign(PyByteArray_AS_STRING(text.ptr()), static_cast<size_t>(PyByteArray_GET_SIZE(text.ptr())));
        in.isStr = false;
    } else {
        throw py::type_error("expected str or bytes, not " + py::type::of(text).attr("__name__").cast<std::string>());
    }
    // The library counts lengths in int.
    if (in.bytes.size() > static_cast<size_t>(INT32_MAX - 1)) throw py::value_error("text too long");
    return in;
}

py::str StrOf(std::string_view bytes) {
    PyObject* decoded = PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "surrogateescape");
    if (!decoded) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
}

std::string ZeroFreeBytes(const py::handle& text) {
    std::string bytes = TextOf(text).bytes;
    if (bytes.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
    return bytes;
}

LineStarts::LineStarts(std::string_view text) {
    m_Starts.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') m_Starts.push_back(i + 1);
}

int LineStarts::CharColumn(std::string_view text, int line, int byteColumn) const {
    if (line < 1 || static_cast<size_t>(line) > m_Starts.size() || byteColumn < 1) return byteColumn;
    const size_t start = m_Starts[static_cast<size_t>(line) - 1];
    const size_t width = static_cast<size_t>(byteColumn) - 1;
    if (start + width > text.size()) return byteColumn;
    return static_cast<int>(py::len(StrOf(text.substr(start, width)))) + 1;
}

}  // namespace koru_python
