// Converting texts between Python and koru.
#include "text.h"

#include <algorithm>
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

CharIndex::CharIndex(std::string_view text) {
    m_LineStarts.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') m_LineStarts.push_back(i + 1);
    const py::str decoded = StrOf(text);
    const Py_ssize_t count = PyUnicode_GET_LENGTH(decoded.ptr());
    const int kind = PyUnicode_KIND(decoded.ptr());
    const void* data = PyUnicode_DATA(decoded.ptr());
    m_Widths.reserve(static_cast<size_t>(count));
    size_t at = 0;
    for (Py_ssize_t i = 0; i < count; ++i) {
        if (static_cast<size_t>(i) % kStride == 0) m_Marks.push_back(at);
        const Py_UCS4 c = PyUnicode_READ(kind, data, i);
        // An escaped byte (U+DC80 to U+DCFF) stands for one byte.
        const unsigned char width = c < 0x80 ? 1 : c < 0x800 ? 2 : (c >= 0xDC80 && c <= 0xDCFF) ? 1 : c < 0x10000 ? 3 : 4;
        m_Widths.push_back(width);
        at += width;
    }
}

size_t CharIndex::CharOffset(size_t byteOffset) const {
    const auto mark = std::upper_bound(m_Marks.begin(), m_Marks.end(), byteOffset);
    if (mark == m_Marks.begin()) return 0;
    size_t character = static_cast<size_t>(mark - m_Marks.begin() - 1) * kStride;
    for (size_t at = *(mark - 1); at < byteOffset && character < m_Widths.size(); ++character) at += m_Widths[character];
    return character;
}

int CharIndex::CharColumn(int line, int byteColumn) const {
    if (line < 1 || static_cast<size_t>(line) > m_LineStarts.size() || byteColumn < 1) return byteColumn;
    const size_t start = m_LineStarts[static_cast<size_t>(line) - 1];
    return static_cast<int>(CharOffset(start + static_cast<size_t>(byteColumn) - 1) - CharOffset(start)) + 1;
}

}  // namespace koru_python
