#include "transport/base64.h"

#include <gtest/gtest.h>

#include <optional>
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
        EXPECT_TRUE(coder.EncodeToString(B(plain), encoded));
        EXPECT_EQ(encoded, text);
        std::vector<uint8_t> array, decoded, fromBytes;
        EXPECT_TRUE(coder.EncodeToArray(B(plain), array));
        EXPECT_EQ(array, B(text));
        EXPECT_TRUE(coder.Decode(text, decoded)) << text;
        EXPECT_EQ(decoded, B(plain));
        EXPECT_TRUE(coder.DecodeBytes(B(text), fromBytes));
        EXPECT_EQ(fromBytes, B(plain));
    }
}

TEST(Base64Test, TextFormBreaksLinesAfterSeventyTwoCharacters) {
    CBase64Coder coder;
    std::string text;
    coder.EncodeToString(std::vector<uint8_t>(54, 'x'), text);
    EXPECT_EQ(text.size(), 72u);
    EXPECT_EQ(text.find("\r\n"), std::string::npos);
    coder.EncodeToString(std::vector<uint8_t>(55, 'x'), text);
    EXPECT_EQ(text.substr(72), "\r\neA==");
    coder.EncodeToString(std::vector<uint8_t>(108, 'x'), text);
    EXPECT_EQ(text.size(), 144u + 2);  // no line end at the very end
    std::vector<uint8_t> array;
    coder.EncodeToArray(std::vector<uint8_t>(55, 'x'), array);
    EXPECT_EQ(array.size(), 76u);
}

TEST(Base64Test, DecoderSkipsBlanksStopsAtPaddingAndRefusesTheRest) {
    struct Case {
        std::string text;
        std::optional<std::string> plain;  // none: refused, with the output emptied
    } cases[] = {
        {"TW Fu\r\n", "Man"},
        {"\tTWFu\nTWE=\r\n", "ManMa"},
        {"TQ==TWFu", "M"},
        {"TWFu=", "Man"},
        {"TWFuT=", "Man"},  // '=' as the second symbol
        {"TQ=", "M"},       // a third-symbol '=' stands for both
        {"=", ""},
        {"+/+/", "\xFB\xFF\xBF"},
        {"-_-_", std::nullopt},  // the URL alphabet is not ours
        {"TW*u", std::nullopt},
        {"*WFu", std::nullopt},
        {"TWF*", std::nullopt},
        {"TWFuTW*u", std::nullopt},
        {"TWFu\x80WFu", std::nullopt},
        {std::string("T\0Fu", 4), std::nullopt},
        {"T", std::nullopt},
        {"TW", std::nullopt},
        {"TWF", std::nullopt},
        {"TWFuT", std::nullopt},
        {"TWFuTWF", std::nullopt},
    };
    CBase64Coder coder;
    for (const Case& c : cases) {
        std::vector<uint8_t> out = {9, 9};
        EXPECT_EQ(coder.Decode(c.text, out), c.plain.has_value()) << c.text;
        EXPECT_EQ(out, B(c.plain.value_or(""))) << c.text;
    }
}

TEST(Base64Test, RoundTripsRandomBytes) {
    std::mt19937 rng(99);
    CBase64Coder coder;
    for (size_t n = 0; n < 300; n += 1 + n / 10) {
        std::vector<uint8_t> data(n), back;
        for (auto& b : data)
            b = uint8_t(rng());
        std::string text;
        coder.EncodeToString(data, text);
        EXPECT_TRUE(coder.Decode(text, back));
        EXPECT_EQ(back, data) << n;
    }
}

}  // namespace
}  // namespace transport
