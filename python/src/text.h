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

// Places in a text as Python reads it: characters of its UTF-8 decoding
// (surrogateescape). The text is decoded once; a place then costs the same
// however long its line is, so asking where each node of a one-line document
// stands takes linear time, not quadratic.
class CharIndex {
public:
    explicit CharIndex(std::string_view text);
    // Characters before the byte at `byteOffset`, which starts a character.
    size_t CharOffset(size_t byteOffset) const;
    // The 1-based character column of byte column `byteColumn` of `line` (both
    // 1-based); `byteColumn` unchanged when the place is outside the text.
    int CharColumn(int line, int byteColumn) const;

private:
    static constexpr size_t kStride = 64;
    std::vector<size_t> m_LineStarts;  // byte offset of each line's first byte
    std::vector<size_t> m_Marks;       // byte offset of every kStride-th character
    std::vector<unsigned char> m_Widths;  // bytes of each character
};

}  // namespace koru_python

#endif
