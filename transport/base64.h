#pragma once
// CBase64Coder: RFC 4648 Base64 with the standard alphabet and '=' padding.
// The text form breaks lines with "\r\n" after every 72 characters; the
// decoder skips blanks, tabs and line ends.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace transport {

class CBase64Coder {
  public:
    CBase64Coder() = default;

    // Fills the decode table: symbols their values, blanks kSkip, the rest kInvalid.
    virtual void BuildDecodeTable();
    virtual ~CBase64Coder() = default;
    // Decode text or bytes. True when the input ends at a group boundary or
    // at '=' padding (bytes decoded so far); false, with `out` emptied, on an
    // invalid symbol or a group cut short.
    virtual bool Decode(std::string_view text, std::vector<uint8_t>& out);
    virtual bool DecodeBytes(std::span<const uint8_t> bytes, std::vector<uint8_t>& out);
    // Encode with a "\r\n" after every 72 characters (not at the very end).
    virtual bool EncodeToString(std::span<const uint8_t> bytes, std::string& out);
    // Encode without line breaks.
    virtual bool EncodeToArray(std::span<const uint8_t> bytes, std::vector<uint8_t>& out);

    static constexpr uint8_t kInvalid = 0xFF;
    static constexpr uint8_t kSkip = 0xFE;
    static constexpr size_t kLineLength = 72;

  private:
    bool DecodeSymbols(const uint8_t* p, size_t n, std::vector<uint8_t>& out);
    std::string Encode(std::span<const uint8_t> bytes, bool lineBreaks);

    std::array<uint8_t, 256> table_{};
    bool built_ = false;
};

}  // namespace transport
