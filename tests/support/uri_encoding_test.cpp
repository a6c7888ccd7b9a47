// URIEncode and URIDecode: the form encoding and its per-function, per-thread result buffers.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UriEncodingTest, Rules) {
    std::string all;
    for (int byte = 1; byte <= 255; ++byte) all += static_cast<char>(byte);
    struct Row { const char* rule; std::string got, want; };  // each result copied before the next call
    const Row rows[] = {
        {"blanks as '+'; letters, digits and bytes above 127 as they are; the rest in lower-case hex",
         URIEncode("a Z09\x80\xff+%-._~/:@[`{\x01\x7f"), "a+Z09\x80\xff%2b%25%2d%2e%5f%7e%2f%3a%40%5b%60%7b%01%7f"},
        {"'+' decodes as a blank, hex digits in either case", URIDecode("a+b%2Bc%2b%7E%7e%25\x80"), "a b+c+~~%\x80"},
        {"a '%' with fewer than two bytes after it is copied", URIDecode("a+%4"), "a %4"},
        {"null encodes and decodes as empty", URIEncode(nullptr) + std::string(URIDecode(nullptr)), ""},
        {"every byte from 1 to 255 round-trips", URIDecode(URIEncode(all.c_str())), all},
        {"each function has a result buffer of its own",
         [] { const char* encoded = URIEncode("a b"); URIDecode("x%2fy"); return std::string(encoded); }(), "a+b"},
        {"an argument inside the function's own buffer is read before the buffer is rebuilt",
         URIDecode(URIDecode("%2541%2542")), "AB"},
        {"an argument in a buffer the result outgrows", URIEncode(URIEncode(std::string(200, ' ').c_str()) + 100),
         [] { std::string s; for (int i = 0; i < 100; ++i) s += "%2b"; return s; }()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(row.got, row.want);
    }
}

}  // namespace
