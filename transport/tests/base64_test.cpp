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

TEST(Base64Test, Rfc4648VectorsBothWays) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    CBase64Coder coder;
    for (auto [plain, text] : cases) {
        std::string encoded;
        std::vector<uint8_t> array, decoded, fromBytes;
        EXPECT_TRUE(coder.EncodeToString(B(plain), encoded));
        EXPECT_TRUE(coder.EncodeToArray(B(plain), array));
        EXPECT_TRUE(coder.Decode(text, decoded));
        EXPECT_TRUE(coder.DecodeBytes(B(text), fromBytes));
        EXPECT_EQ(encoded, text);
        EXPECT_EQ(array, B(text));
        EXPECT_EQ(decoded, B(plain));
        EXPECT_EQ(fromBytes, B(plain));
    }
}

// The text form breaks lines after 72 characters, never at the very end;
// random bytes of every length come back.
TEST(Base64Test, LineBreaksAndRoundTrips) {
    CBase64Coder coder;
    std::string text;
    std::vector<uint8_t> array;
    coder.EncodeToString(std::vector<uint8_t>(54, 'x'), text);
    EXPECT_EQ(text.size(), 72u);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    coder.EncodeToString(std::vector<uint8_t>(108, 'x'), text);
    EXPECT_EQ(text.substr(72, 2), "\r\n");
    EXPECT_EQ(text.size(), 146u);
    coder.EncodeToArray(std::vector<uint8_t>(55, 'x'), array);
    EXPECT_EQ(array.size(), 76u);
    std::mt19937 rng(99);
    for (size_t n = 0; n < 300; n += 1 + n / 10) {
        std::vector<uint8_t> data(n), back;
        for (auto& b : data)
            b = uint8_t(rng());
        coder.EncodeToString(data, text);
        EXPECT_TRUE(coder.Decode(text, back));
        EXPECT_EQ(back, data) << n;
    }
}

TEST(Base64Test, DecoderSkipsBlanksStopsAtPaddingAndRefusesTheRest) {
    const std::pair<std::string, const char*> taken[] = {
        {"TW Fu\r\n", "Man"},
        {"\tTWFu\nTWE=\r\n", "ManMa"},
        {"TQ==TWFu", "M"},
        {"TWFu=", "Man"},
        {"TWFuT=", "Man"},  // '=' as the second symbol
        {"TQ=", "M"},       // a third-symbol '=' stands for both
        {"=", ""},
        {"+/+/", "\xFB\xFF\xBF"},
    };
    // The URL alphabet is not ours; a zero byte is no symbol; groups may not be cut.
    const std::string refused[] = {
        "-_-_", "TW*u", "*WFu", "TWF*",  "TWFuTW*u", "TWFu\x80WFu", std::string("T\0Fu", 4),
        "T",    "TW",   "TWF",  "TWFuT", "TWFuTWF"};
    CBase64Coder coder;
    for (const auto& [text, plain] : taken) {
        std::vector<uint8_t> out;
        EXPECT_TRUE(coder.Decode(text, out)) << text;
        EXPECT_EQ(out, B(plain)) << text;
    }
    for (const std::string& text : refused) {
        std::vector<uint8_t> out = {9, 9};
        EXPECT_FALSE(coder.Decode(text, out)) << text;
        EXPECT_TRUE(out.empty()) << text;
    }
}

}  // namespace
}  // namespace transport
