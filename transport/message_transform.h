#pragma once
// The two envelopes a message passes through before it is cut into packets
// and after its parts were joined: compression (zlib) and encryption (AES,
// ECB). Each envelope is a 20-byte head [flags][plain size][0][0][payload
// size] and its payload, all words little-endian; flags 0 means the payload
// is stored as it is. Outgoing (mode 1) compresses, then encrypts; incoming
// (mode 2) decrypts, then decompresses. Both envelopes are always present.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "transport/byte_buffer.h"
#include "transport/packet.h"
#include "transport/rijndael.h"

namespace transport {

inline constexpr uint32_t kCompressOn = 0x400;
inline constexpr uint32_t kCompressDeflate = 0x1;
inline constexpr uint32_t kCompressInflate = 0x2;

inline constexpr uint32_t kEnvelopeHeadSize = 20;
// No incoming envelope may unwrap to more than one message may hold on the
// wire, whatever its head says: a small compressed envelope cannot claim more
// memory than a stored one could.
inline constexpr uint32_t kMaxPlainSize = kMaxMessageSize;

inline constexpr int kTransformOut = 1;
inline constexpr int kTransformIn = 2;

// Keeps one zlib compressor and one decompressor, made on first use and reset
// for each buffer: a fresh stream costs about 256 KB of allocations. A copy
// starts with streams of its own.
class CCompressorBase {
  public:
    CCompressorBase();
    CCompressorBase(const CCompressorBase&);
    CCompressorBase& operator=(const CCompressorBase&);
    virtual ~CCompressorBase();

    // False unless `flags` holds kCompressOn. kCompressDeflate compresses,
    // else kCompressInflate decompresses (never more than `maxOut` bytes: a
    // stream that would inflate further is refused), else false. True when
    // `out` holds a non-empty result.
    bool CompressBuffer(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out,
                        uint32_t flags, uint32_t maxOut = kMaxPlainSize);

  private:
    struct Streams;
    std::unique_ptr<Streams> streams_;
};

class CMessageTransform {
  public:
    // The key is not copied: it must outlive the transform (the socket keeps it).
    CMessageTransform(const uint8_t* key = nullptr, int bits = 0, uint32_t cipherFlags = 0,
                      uint32_t compressionFlags = 0);
    virtual ~CMessageTransform() = default;

    // kTransformOut: Compress then Encrypt; kTransformIn: Encrypt then
    // Compress, both in mode 2. True only when both steps succeed; the
    // buffer is transformed in place. A failed step may leave the buffer
    // partly unwrapped; the message is dropped then.
    virtual bool Apply(CByteBuffer& buffer, int mode);
    virtual bool SetParams(const uint8_t* key, int bits, uint32_t cipherFlags,
                           uint32_t compressionFlags);
    // The compression envelope. Mode 1 always succeeds (falling back to the
    // stored form); mode 2 refuses a short or inconsistent head, a payload
    // that does not inflate, or one that inflates to other than its plain size.
    virtual bool Compress(CByteBuffer& buffer, int mode);
    // The encryption envelope. Mode 1 fails only when the cipher refuses the
    // key; mode 2 refuses a short or inconsistent head, a payload that is
    // not whole cipher blocks or a head without kCipherOn.
    virtual bool Encrypt(CByteBuffer& buffer, int mode);
    // Block-wise file transform: no file layout is defined for it, so it is
    // not offered and answers false.
    virtual bool TransformFile(const std::string& inPath, const std::string& outPath,
                               uint32_t blockSize, int mode);

  private:
    void TrimScratch();

    const uint8_t* key_;
    int bits_;
    uint32_t cipherFlags_;
    uint32_t compressionFlags_;
    CCompressorBase compressor_;
    CEncryptorBase encryptor_;
    std::vector<uint8_t> scratch_;  // kept between messages
};

}  // namespace transport
