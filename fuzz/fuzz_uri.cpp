// URIEncode and URIDecode. The text up to the first zero byte is encoded and
// decoded again, which must give it back exactly; the encoding holds only
// letters, digits, '+', bytes above 127 and "%xx" with lower-case hex digits.
// The whole input is also decoded as it stands (from a buffer of exactly its
// size, so reading past its end would be caught).
#include "fuzz_support.h"

#include <cstring>
#include <memory>

using koru_fuzz::Require;

namespace {

bool Hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string text(bytes, strnlen(bytes, size));

    const std::string encoded = URIEncode(text.c_str());
    size_t expectedLength = 0;
    for (unsigned char c : text) {
        const bool kept = c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 128;
        expectedLength += kept ? 1 : 3;
    }
    Require("uri: encoded length", encoded.size() == expectedLength, "encoded length");
    for (size_t i = 0; i < encoded.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(encoded[i]);
        if (c == '%') {
            Require("uri: escape", i + 2 < encoded.size() && Hex(encoded[i + 1]) && Hex(encoded[i + 2]),
                    "a '%' without two lower-case hex digits");
            i += 2;
            continue;
        }
        const bool plain = c == '+' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 128;
        Require("uri: encoded byte", plain, "an encoded byte outside the allowed set");
    }
    const std::string decoded = URIDecode(encoded.c_str());
    Require("uri: round trip", decoded == text, "decoding the encoding does not give the text back");

    // Decoding arbitrary text: reads stay inside the argument.
    std::unique_ptr<char[]> exact(new char[size + 1]);
    std::memcpy(exact.get(), bytes, size);
    exact[size] = '\0';
    const std::string loose = URIDecode(exact.get());
    Require("uri: decode length", loose.size() <= std::strlen(exact.get()), "decoding made the text longer");
    // One function's result may be handed to the other.
    const char* again = URIEncode(URIDecode(encoded.c_str()));
    Require("uri: result to result", encoded == again, "encoding a decoded result differs");
    Require("uri: null", *URIEncode(nullptr) == '\0' && *URIDecode(nullptr) == '\0', "null gives text");
    return 0;
}
