#include "transport/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace transport {
namespace {

std::vector<uint8_t> B(std::string_view s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}
std::string S(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

TEST(Base64Test, Rfc4648Vectors) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"Man", "TWFu"},
        {"Ma", "TWE="},
        {"M", "TQ=="},
    };
    CBase64Coder coder;
    for (auto [plain, text] : cases) {
        std::string encoded;
        EXPECT_TRUE(coder.EncodeToString(B(plain), encoded));
        EXPECT_EQ(encoded, text);
        std::vector<uint8_t> array;
        EXPECT_TRUE(coder.EncodeToArray(B(plain), array));
        EXPECT_EQ(S(array), text);
        std::vector<uint8_t> decoded;
        EXPECT_TRUE(coder.Decode(text, decoded)) << text;
        EXPECT_EQ(S(decoded), plain);
        EXPECT_TRUE(coder.DecodeBytes(B(text), decoded));
        EXPECT_EQ(S(decoded), plain);
    }
}

TEST(Base64Test, TextFormBreaksLinesAfterSeventyTwoCharacters) {
    CBase64Coder coder;
    std::string text;
    coder.EncodeToString(std::vector<uint8_t>(54, 'x'), text);
    EXPECT_EQ(text.size(), 72u);
    EXPECT_EQ(text.find("\r\n"), std::string::npos);

    coder.EncodeToString(std::vector<uint8_t>(55, 'x'), text);
    ASSERT_EQ(text.size(), 72u + 2 + 4);
    EXPECT_EQ(text.substr(72, 2), "\r\n");
    EXPECT_EQ(text.substr(74), "eA==");

    coder.EncodeToString(std::vector<uint8_t>(108, 'x'), text);
    EXPECT_EQ(text.size(), 144u + 2);  // no line end at the very end

    std::vector<uint8_t> array;
    coder.EncodeToArray(std::vector<uint8_t>(55, 'x'), array);
    EXPECT_EQ(array.size(), 76u);
}

TEST(Base64Test, DecoderSkipsBlanksAndLineEnds) {
    CBase64Coder coder;
    std::vector<uint8_t> out;
    EXPECT_TRUE(coder.Decode("TW Fu\r\n", out));
    EXPECT_EQ(S(out), "Man");
    EXPECT_TRUE(coder.Decode("\tTWFu\nTWE=\r\n", out));
    EXPECT_EQ(S(out), "ManMa");
}

TEST(Base64Test, InvalidSymbolFailsWithEmptyOutput) {
    CBase64Coder coder;
    for (const char* text : {"TW*u", "*WFu", "TWF*", "TWFuTW*u", "TWFu\x80WFu", "T\0Fu"}) {
        std::vector<uint8_t> out = {1, 2, 3};
        EXPECT_FALSE(coder.Decode(text, out)) << text;
        EXPECT_TRUE(out.empty());
    }
}

TEST(Base64Test, GroupsCutShortFail) {
    CBase64Coder coder;
    for (const char* text : {"T", "TW", "TWF", "TWFuT", "TWFuTWF"}) {
        std::vector<uint8_t> out = {9};
        EXPECT_FALSE(coder.Decode(text, out)) << text;
        EXPECT_TRUE(out.empty());
    }
}

TEST(Base64Test, PaddingStopsTheDecoder) {
    CBase64Coder coder;
    std::vector<uint8_t> out;
    EXPECT_TRUE(coder.Decode("TQ==TWFu", out));
    EXPECT_EQ(S(out), "M");
    EXPECT_TRUE(coder.Decode("TWFu=", out));
    EXPECT_EQ(S(out), "Man");
    EXPECT_TRUE(coder.Decode("TWFuT=", out));  // '=' as the second symbol
    EXPECT_EQ(S(out), "Man");
    EXPECT_TRUE(coder.Decode("TQ=", out));  // a third-symbol '=' stands for both
    EXPECT_EQ(S(out), "M");
    EXPECT_TRUE(coder.Decode("=", out));
    EXPECT_TRUE(out.empty());
}

TEST(Base64Test, RoundTripsRandomBytes) {
    std::mt19937 rng(99);
    CBase64Coder coder;
    for (size_t n = 0; n < 300; n += 1 + n / 10) {
        std::vector<uint8_t> data(n);
        for (auto& b : data)
            b = uint8_t(rng());
        std::string text;
        coder.EncodeToString(data, text);
        std::vector<uint8_t> back;
        EXPECT_TRUE(coder.Decode(text, back));
        EXPECT_EQ(back, data) << n;
    }
}

TEST(Base64Test, DecodeTableMarksSymbolsSkipsAndInvalids) {
    // The table is filled on first use or on request.
    CBase64Coder coder;
    coder.BuildDecodeTable();
    std::vector<uint8_t> out;
    EXPECT_TRUE(coder.Decode("+/+/", out));
    EXPECT_EQ(out, std::vector<uint8_t>({0xFB, 0xFF, 0xBF}));
    EXPECT_FALSE(coder.Decode("-_-_", out));  // the URL alphabet is not ours
}

}  // namespace
}  // namespace transport
