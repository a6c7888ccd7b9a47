// Texts between Python and koru. KORU documents are bytes; Python hands in
// str (encoded as UTF-8) or bytes, and gets str back. Bytes that are not UTF-8
// travel as lone surrogates ("surrogateescape"), so any document goes through
// Python and back unchanged.
#ifndef KORU_PYTHON_TEXT_H
#define KORU_PYTHON_TEXT_H

#include <koru/koru.h>
#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <vector>

namespace koru_python {

namespace py = pybind11;

// A text handed in by Python: its bytes, and whether it came as str (whose
// columns then count characters, not bytes).
struct InputText {
    std::string bytes;
    bool isStr = true;
};

// The bytes of a str, bytes or bytearray; TypeError for anything else.
InputText TextOf(const py::handle& text);
// `bytes` as a str.
py::str StrOf(std::string_view bytes);
inline py::str StrOf(const CString& text) { return StrOf(text.View()); }
// The bytes of a text for a C call that reads up to a zero byte; ValueError
// when the text holds one.
std::string ZeroFreeBytes(const py::handle& text);

// Where each line of a text starts, to turn a byte column into a character
// column.
class LineStarts {
public:
    explicit LineStarts(std::string_view text);
    // The 1-based column of the byte `byteColumn` of `line` (both 1-based) in
    // characters of `text`, the text given to the constructor; `byteColumn`
    // unchanged when the place is outside the text.
    int CharColumn(std::string_view text, int line, int byteColumn) const;

private:
    std::vector<size_t> m_Starts;
};

}  // namespace koru_python

#endif
