// URIEncode and URIDecode: the form encoding of URLs, with per-thread result buffers.
#include "koru.h"
#include "support/ascii.h"

#include <functional>
#include <string>
#include <string_view>

namespace {

using koru::detail::LowerAscii;

bool KeptAsIs(unsigned char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 128;
}

// Value of one hex digit as the decoder reads it: lower-cased, a decimal digit
// counts 0 to 9, anything else its code minus 87 ('a' to 'f' give 10 to 15).
int DigitValue(unsigned char c) noexcept {
    c = static_cast<unsigned char>(LowerAscii(static_cast<char>(c)));
    if (c >= '0' && c <= '9') return c - '0';
    return static_cast<int>(c) - 87;
}

// True when `text` points into the storage of `buffer`, as when a result is
// handed back to the function that made it.
bool PointsInto(const std::string& buffer, const char* text) noexcept {
    const char* first = buffer.data();
    const char* last = first + buffer.capacity() + 1;
    return !std::less<const char*>()(text, first) && std::less<const char*>()(text, last);
}

// The argument's bytes, copied aside first when they live in the result buffer
// that is about to be rebuilt.
std::string_view TakeArgument(const std::string& buffer, const char* text, std::string& aside) {
    if (!text) return std::string_view();
    if (PointsInto(buffer, text)) {
        aside.assign(text);
        return aside;
    }
    return std::string_view(text);
}

}  // namespace

const char* URIEncode(const char* text) {
    thread_local std::string buffer;
    static const char kHex[] = "0123456789abcdef";
    std::string aside;
    const std::string_view input = TakeArgument(buffer, text, aside);
    buffer.clear();
    buffer.reserve(input.size() * 3);
    for (char byte : input) {
        unsigned char c = static_cast<unsigned char>(byte);
        if (c == ' ') {
            buffer.push_back('+');
        } else if (KeptAsIs(c)) {
            buffer.push_back(static_cast<char>(c));
        } else {
            buffer.push_back('%');
            buffer.push_back(kHex[c >> 4]);
            buffer.push_back(kHex[c & 15]);
        }
    }
    return buffer.c_str();
}

const char* URIDecode(const char* text) {
    thread_local std::string buffer;
    std::string aside;
    const std::string_view input = TakeArgument(buffer, text, aside);
    const size_t length = input.size();
    buffer.clear();
    buffer.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(input[i]);
        if (c == '+') {
            buffer.push_back(' ');
        } else if (c == '%' && i + 2 >= length) {
            // Too short for two digits: the rest is kept exactly as written.
            buffer.append(input.substr(i));
            break;
        } else if (c == '%') {
            int high = DigitValue(static_cast<unsigned char>(input[i + 1]));
            int low = DigitValue(static_cast<unsigned char>(input[i + 2]));
            buffer.push_back(static_cast<char>((16 * high + low) & 0xff));
            i += 2;
        } else {
            buffer.push_back(static_cast<char>(c));
        }
    }
    return buffer.c_str();
}
