#include "transport/base64.h"

namespace transport {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kEnd = -1;
constexpr int kPad = -2;
constexpr int kBad = -3;

}  // namespace

void CBase64Coder::BuildDecodeTable() {
    table_.fill(kInvalid);
    for (int i = 0; i < 64; ++i)
        table_[static_cast<uint8_t>(kAlphabet[i])] = uint8_t(i);
    for (char c : {'\t', '\n', '\r', ' '})
        table_[static_cast<uint8_t>(c)] = kSkip;
    built_ = true;
}

std::string CBase64Coder::Encode(std::span<const uint8_t> bytes, bool lineBreaks) {
    std::string out;
    const size_t chars = (bytes.size() + 2) / 3 * 4;
    out.reserve(chars + (lineBreaks ? chars / kLineLength * 2 : 0));
    size_t column = 0;
    auto put = [&](char c) {
        if (lineBreaks && column == kLineLength) {
            out += "\r\n";
            column = 0;
        }
        out += c;
        ++column;
    };
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t v = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
        put(kAlphabet[v >> 18]);
        put(kAlphabet[(v >> 12) & 63]);
        put(kAlphabet[(v >> 6) & 63]);
        put(kAlphabet[v & 63]);
    }
    if (size_t rest = bytes.size() - i) {
        uint32_t v = uint32_t(bytes[i]) << 16 | (rest == 2 ? uint32_t(bytes[i + 1]) << 8 : 0);
        put(kAlphabet[v >> 18]);
        put(kAlphabet[(v >> 12) & 63]);
        put(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
        put('=');
    }
    return out;
}

bool CBase64Coder::EncodeToString(std::span<const uint8_t> bytes, std::string& out) {
    out = Encode(bytes, true);
    return true;
}

bool CBase64Coder::EncodeToArray(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
    std::string text = Encode(bytes, false);
    out.assign(text.begin(), text.end());
    return true;
}

bool CBase64Coder::Decode(std::string_view text, std::vector<uint8_t>& out) {
    return DecodeSymbols(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out);
}

bool CBase64Coder::DecodeBytes(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
    return DecodeSymbols(bytes.data(), bytes.size(), out);
}

bool CBase64Coder::DecodeSymbols(const uint8_t* p, size_t n, std::vector<uint8_t>& out) {
    if (!built_) BuildDecodeTable();
    out.clear();
    out.reserve(n / 4 * 3 + 3);
    size_t pos = 0;
    // The next symbol value, kPad, kBad or kEnd; blanks are passed over.
    auto next = [&]() -> int {
        while (pos < n) {
            uint8_t c = p[pos++];
            if (c == '=') return kPad;
            uint8_t v = table_[c];
            if (v == kSkip) continue;
            return v == kInvalid ? kBad : v;
        }
        return kEnd;
    };
    auto fail = [&] {
        out.clear();
        return false;
    };
    for (;;) {
        int c1 = next();
        // A clean end between groups is a whole, unpadded text.
        if (c1 == kEnd || c1 == kPad) return true;
        if (c1 == kBad) return fail();
        int c2 = next();
        if (c2 == kPad) return true;
        if (c2 < 0) return fail();
        int c3 = next();
        int c4;
        if (c3 == kPad) {
            c4 = kPad;
        } else if (c3 < 0) {
            return fail();
        } else {
            c4 = next();
            if (c4 == kBad || c4 == kEnd) return fail();
        }
        out.push_back(uint8_t(c1 << 2 | c2 >> 4));
        if (c3 == kPad) return true;
        out.push_back(uint8_t((c2 & 15) << 4 | c3 >> 2));
        if (c4 == kPad) return true;
        out.push_back(uint8_t((c3 & 3) << 6 | c4));
    }
}

}  // namespace transport
