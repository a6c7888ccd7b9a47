// URIEncode and URIDecode: the form encoding, hostile percent sequences, round trips
// and per-thread result buffers.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

std::string Encode(const std::string& s) { return URIEncode(s.c_str()); }
std::string Decode(const std::string& s) { return URIDecode(s.c_str()); }

TEST(UriEncodeTest, BlanksPlusAndEscapes) {
    EXPECT_EQ(Encode("a b+c"), "a+b%2bc");
    EXPECT_EQ(Encode("%"), "%25");
    EXPECT_EQ(Encode("-._~"), "%2d%2e%5f%7e");
    EXPECT_EQ(Encode("AZaz09"), "AZaz09");
    EXPECT_EQ(Encode("\x01\x1f\x7f"), "%01%1f%7f");
    EXPECT_EQ(Encode("/:@[`{"), "%2f%3a%40%5b%60%7b");
    EXPECT_EQ(Encode("\x80\xa9\xff"), "\x80\xa9\xff") << "bytes above 127 stay";
}

TEST(UriEncodeTest, NullAndEmptyGiveTheEmptyText) {
    ASSERT_NE(URIEncode(nullptr), nullptr);
    EXPECT_STREQ(URIEncode(nullptr), "");
    EXPECT_STREQ(URIEncode(""), "");
    ASSERT_NE(URIDecode(nullptr), nullptr);
    EXPECT_STREQ(URIDecode(nullptr), "");
    EXPECT_STREQ(URIDecode(""), "");
}

TEST(UriDecodeTest, PlusAndHexDigitsInEitherCase) {
    EXPECT_EQ(Decode("a+b%2Bc"), "a b+c");
    EXPECT_EQ(Decode("a+b%2bc"), "a b+c");
    EXPECT_EQ(Decode("%41%62%7E%7e"), "Ab~~");
    EXPECT_EQ(Decode("plain"), "plain");
    EXPECT_EQ(Decode("\x80\xff"), "\x80\xff");
    EXPECT_EQ(Decode("%25%2b"), "%+") << "decoding goes on after the two digits";
}

TEST(UriDecodeTest, ShortPercentIsCopiedWithWhatFollows) {
    EXPECT_EQ(Decode("ab%4"), "ab%4");
    EXPECT_EQ(Decode("%"), "%");
    EXPECT_EQ(Decode("x%+"), "x%+");
    EXPECT_EQ(Decode("%4"), "%4");
    EXPECT_EQ(Decode("a+%"), "a %");
    EXPECT_EQ(Decode("%41%"), "A%");
}

TEST(UriDecodeTest, NonHexDigitsFollowTheArithmetic) {
    // Each digit: lower-cased, 0-9 for decimal digits, else its code minus 87;
    // the byte is the low eight bits of 16 * high + low.
    EXPECT_EQ(Decode("%zz"), std::string(1, static_cast<char>((16 * 35 + 35) & 0xff)));
    EXPECT_EQ(Decode("%G1"), std::string(1, '\x01'));
    EXPECT_EQ(Decode("%!!"), std::string(1, static_cast<char>((16 * (33 - 87) + (33 - 87)) & 0xff)));
    // Bytes above 127 read as unsigned.
    EXPECT_EQ(Decode("%\xff\x80"), std::string(1, static_cast<char>((16 * (255 - 87) + (128 - 87)) & 0xff)));
    EXPECT_EQ(Decode("%\xc8" "0"), std::string(1, static_cast<char>((16 * (200 - 87)) & 0xff)));
    EXPECT_EQ(Decode("%%%%"), std::string(1, static_cast<char>((16 * (37 - 87) + (37 - 87)) & 0xff)) + "%");
}

TEST(UriRoundTripTest, EveryByteFrom1To255) {
    std::string all;
    for (int c = 1; c <= 255; ++c) all += static_cast<char>(c);
    const std::string encoded = Encode(all);
    EXPECT_EQ(Decode(encoded), all);
    for (int c = 1; c <= 255; ++c) {
        const std::string one(1, static_cast<char>(c));
        EXPECT_EQ(Decode(Encode(one)), one) << c;
    }
}

TEST(UriBufferTest, ResultsStayUntilTheNextCallOfTheSameFunction) {
    const char* encoded = URIEncode("a b");
    const char* decoded = URIDecode("x%2fy");
    EXPECT_STREQ(encoded, "a+b") << "the other function has a buffer of its own";
    EXPECT_STREQ(decoded, "x/y");
    // One function's result handed to the other.
    EXPECT_STREQ(URIDecode(URIEncode("q=1&r")), "q=1&r");
}

TEST(UriBufferTest, ArgumentInsideTheFunctionsOwnBufferIsReadFirst) {
    // Encoding an encoded text again: the argument is read before the buffer is rebuilt.
    EXPECT_STREQ(URIEncode(URIEncode("a b")), "a%2bb");
    const char* pluses = URIEncode(std::string(200, ' ').c_str());
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "%2b";
    EXPECT_EQ(std::string(URIEncode(pluses + 100)), expected) << "an argument inside the buffer, growing it";

    EXPECT_STREQ(URIDecode(URIDecode("%2541")), "A");
    const char* decoded = URIDecode("%2541%2542%2543");
    EXPECT_STREQ(URIDecode(decoded + 3), "BC");
}

TEST(UriThreadTest, TwoThreadsEncodeAndDecodeAtOnce) {
    std::atomic<int> failures{0};
    auto work = [&failures](int id) {
        for (int i = 0; i < 20000; ++i) {
            const std::string plain = "t" + std::to_string(id) + " n=" + std::to_string(i) + "&x+%";
            const std::string expected =
                "t" + std::to_string(id) + "+n%3d" + std::to_string(i) + "%26x%2b%25";
            const std::string encoded = URIEncode(plain.c_str());
            if (encoded != expected) ++failures;
            const std::string decoded = URIDecode(encoded.c_str());
            if (decoded != plain) ++failures;
        }
    };
    std::thread a(work, 1);
    std::thread b(work, 2);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
