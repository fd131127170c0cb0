#pragma once
// CRijndael: AES (FIPS-197) with 128-, 192- or 256-bit keys, over whole
// buffers in ECB mode, and CEncryptorBase, the one cipher entry point of the
// envelopes and the hall records. The shared tables are computed at compile
// time, so cipher objects may be used on several threads at once (one object
// per thread). Where the processor has AES instructions they do the rounds.

#include <array>
#include <cstdint>

#include "transport/code_path.h"

namespace transport {

inline constexpr uint32_t kCipherOn = 0x100;
inline constexpr uint32_t kCipherEncrypt = 0x1;
inline constexpr uint32_t kCipherDecrypt = 0x2;

class CRijndael {
  public:
    static constexpr int kBlockSize = 16;
    static constexpr int kMaxRounds = 14;

    explicit CRijndael(CodePath path = CodePath::kAuto);
    virtual ~CRijndael() = default;

    // Expands `key` of `bits` bits (128, 192 or 256). Any other length, or a
    // null key, is refused (false) and leaves the object unkeyed.
    virtual bool SetKey(const uint8_t* key, int bits);
    // One 16-byte block; false (out untouched) when the object has no key.
    virtual bool EncryptBlock(const uint8_t* in16, uint8_t* out16) const;
    virtual bool DecryptBlock(const uint8_t* in16, uint8_t* out16) const;

    static bool SupportsKeyBits(int bits) { return bits == 128 || bits == 192 || bits == 256; }
    bool Keyed() const { return rounds_ != 0; }
    // Key length in 32-bit words (4, 6 or 8), 0 while unkeyed.
    int KeyWords() const { return nk_; }
    // True when the processor's AES instructions do the rounds.
    bool UsesHardware() const { return hardware_; }

    // The output length of a buffer of `length` bytes: rounded up to whole
    // blocks, plus one whole block when already whole. False when that does
    // not fit 32 bits.
    static bool BufferLength(uint32_t length, uint32_t* outLength);

    // Reports the output length; with `out` set, enciphers every whole block
    // in place order, a final partial block zero-padded into the next block,
    // and, when `length` is whole blocks, the extra block as the encipherment
    // of a block of zeros (what an empty final block would give). `out` must
    // hold the reported length. False when unkeyed or the length does not fit.
    bool EncryptBuffer(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t* outLength) const;
    // Reports the same output length; with `out` set, deciphers the blocks
    // of `in` into `out`. A length that is not whole blocks is refused
    // (false, *outLength = 0): a partial block cannot be deciphered.
    bool DecryptBuffer(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t* outLength) const;

  private:
    static constexpr int kScheduleWords = 4 * (kMaxRounds + 1);

    bool hardware_;
    int nk_ = 0;
    int rounds_ = 0;
    // Round keys as words for the tables and as bytes for the instructions.
    std::array<uint32_t, kScheduleWords> encKey_{};
    std::array<uint32_t, kScheduleWords> decKey_{};
    alignas(16) std::array<uint8_t, 4 * kScheduleWords> encBytes_{};
    alignas(16) std::array<uint8_t, 4 * kScheduleWords> decBytes_{};
};

class CEncryptorBase {
  public:
    virtual ~CEncryptorBase() = default;

    // False unless `flags` holds kCipherOn. Keys a fresh cipher with `key`
    // and `bits` (false when refused), then runs EncryptBuffer for
    // kCipherEncrypt, else DecryptBuffer for kCipherDecrypt, else false.
    // With `out` null only *outLength is reported.
    bool EncryptBuffer(const uint8_t* key, int bits, const uint8_t* in, uint32_t length,
                       uint8_t* out, uint32_t* outLength, uint32_t flags) const;
};

}  // namespace transport
