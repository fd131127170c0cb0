#include "transport/message_transform.h"

#include <zlib.h>

#include <algorithm>

#include "platform/bytes.h"

namespace transport {
namespace {

constexpr uint32_t kDirectionBits = 0x3;
constexpr uInt kDeflateInPiece = 32768;
constexpr uInt kDeflateOutWindow = 4096;
constexpr uInt kInflateInPiece = 4096;
constexpr uInt kInflateOutWindow = 32768;

struct Head {
    uint32_t flags = 0;
    uint32_t plainSize = 0;
    uint32_t payloadSize = 0;
};

void PutHead(CByteBuffer& buffer, uint32_t flags, uint32_t plainSize, uint32_t payloadSize) {
    uint8_t head[kEnvelopeHeadSize] = {};
    platform::StoreLE32(head, flags);
    platform::StoreLE32(head + 4, plainSize);
    platform::StoreLE32(head + 16, payloadSize);
    buffer.Prepend(head, kEnvelopeHeadSize);
}

// Reads and removes the head; false when the buffer is too short or the
// payload size disagrees with the bytes that follow.
bool TakeHead(CByteBuffer& buffer, Head& head) {
    if (buffer.Size() < kEnvelopeHeadSize) return false;
    platform::ByteReader reader(buffer.Bytes());
    head.flags = reader.U32();
    head.plainSize = reader.U32();
    reader.Skip(8);
    head.payloadSize = reader.U32();
    if (head.payloadSize != buffer.Size() - kEnvelopeHeadSize) return false;
    buffer.Consume(kEnvelopeHeadSize);
    return true;
}

void Replace(CByteBuffer& buffer, const uint8_t* data, uint32_t n) {
    buffer.Clear();
    buffer.Append(data, n);
}

bool Deflate(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out) {
    z_stream stream{};
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK) return false;
    bool ok = true;
    uint8_t window[kDeflateOutWindow];
    for (uint32_t offset = 0; ok && offset < size;) {
        uInt piece = std::min<uint32_t>(kDeflateInPiece, size - offset);
        stream.next_in = const_cast<Bytef*>(data + offset);
        stream.avail_in = piece;
        // Sync-flush each piece; the stream is never finished.
        do {
            stream.next_out = window;
            stream.avail_out = kDeflateOutWindow;
            int rc = deflate(&stream, Z_SYNC_FLUSH);
            if (rc != Z_OK && rc != Z_BUF_ERROR) {
                ok = false;
                break;
            }
            out.insert(out.end(), window, window + (kDeflateOutWindow - stream.avail_out));
        } while (stream.avail_out == 0);
        if (stream.avail_in != 0) ok = false;
        offset += piece;
    }
    deflateEnd(&stream);
    return ok;
}

bool Inflate(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out, uint32_t maxOut) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    bool ok = true;
    bool ended = false;
    std::vector<uint8_t> window(kInflateOutWindow);
    for (uint32_t offset = 0; ok && offset < size;) {
        if (ended) {
            ok = false;  // bytes behind the end of the stream
            break;
        }
        uInt piece = std::min<uint32_t>(kInflateInPiece, size - offset);
        stream.next_in = const_cast<Bytef*>(data + offset);
        stream.avail_in = piece;
        do {
            stream.next_out = window.data();
            stream.avail_out = kInflateOutWindow;
            int rc = inflate(&stream, Z_SYNC_FLUSH);
            if (rc == Z_STREAM_END) {
                ended = true;
            } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                ok = false;
                break;
            }
            size_t produced = kInflateOutWindow - stream.avail_out;
            if (produced > maxOut - out.size()) {
                ok = false;  // more than the caller allows: a bomb or a lie
                break;
            }
            out.insert(out.end(), window.data(), window.data() + produced);
            if (ended) break;
        } while (stream.avail_out == 0);
        if (ok && ended && stream.avail_in != 0) ok = false;
        offset += piece;
    }
    inflateEnd(&stream);
    return ok;
}

}  // namespace

bool CCompressorBase::CompressBuffer(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out,
                                     uint32_t flags, uint32_t maxOut) const {
    out.clear();
    if (!(flags & kCompressOn)) return false;
    if (size && !data) return false;
    bool ok;
    if (flags & kCompressDeflate) {
        ok = Deflate(data, size, out);
    } else if (flags & kCompressInflate) {
        ok = Inflate(data, size, out, std::min(maxOut, kMaxPlainSize));
    } else {
        return false;
    }
    if (!ok) out.clear();
    return ok && !out.empty();
}

CMessageTransform::CMessageTransform(const uint8_t* key, int bits, uint32_t cipherFlags,
                                     uint32_t compressionFlags)
    : key_(key), bits_(bits), cipherFlags_(cipherFlags), compressionFlags_(compressionFlags) {}

bool CMessageTransform::SetParams(const uint8_t* key, int bits, uint32_t cipherFlags,
                                  uint32_t compressionFlags) {
    key_ = key;
    bits_ = bits;
    cipherFlags_ = cipherFlags;
    compressionFlags_ = compressionFlags;
    return true;
}

bool CMessageTransform::Apply(CByteBuffer& buffer, int mode) {
    if (mode == kTransformOut) return Compress(buffer, 1) && Encrypt(buffer, 1);
    if (mode == kTransformIn) return Encrypt(buffer, 2) && Compress(buffer, 2);
    return false;
}

bool CMessageTransform::Compress(CByteBuffer& buffer, int mode) {
    if (mode == 1) {
        const uint32_t size = buffer.Size();
        std::vector<uint8_t> packed;
        const uint32_t flags = compressionFlags_ & ~kDirectionBits;
        if (flags != 0 &&
            compressor_.CompressBuffer(buffer.Data(), size, packed, flags | kCompressDeflate) &&
            packed.size() <= CByteBuffer::kMaxCapacity - kEnvelopeHeadSize) {
            Replace(buffer, packed.data(), uint32_t(packed.size()));
            PutHead(buffer, compressionFlags_, size, uint32_t(packed.size()));
            return true;
        }
        if (size > CByteBuffer::kMaxCapacity - kEnvelopeHeadSize) return false;
        PutHead(buffer, 0, size, size);
        return true;
    }
    if (mode == 2) {
        Head head;
        if (!TakeHead(buffer, head)) return false;
        if (head.flags == 0) return head.plainSize == head.payloadSize;
        if (head.plainSize == 0 || head.plainSize > kMaxPlainSize) return false;
        std::vector<uint8_t> plain;
        const uint32_t flags = (head.flags & ~kDirectionBits) | kCompressInflate;
        if (!compressor_.CompressBuffer(buffer.Data(), buffer.Size(), plain, flags, head.plainSize))
            return false;
        if (plain.size() != head.plainSize) return false;
        Replace(buffer, plain.data(), uint32_t(plain.size()));
        return true;
    }
    return false;
}

bool CMessageTransform::Encrypt(CByteBuffer& buffer, int mode) {
    if (mode == 1) {
        const uint32_t size = buffer.Size();
        const uint32_t flags = cipherFlags_ & ~kDirectionBits;
        if (flags == 0) {
            if (size > CByteBuffer::kMaxCapacity - kEnvelopeHeadSize) return false;
            PutHead(buffer, 0, size, size);
            return true;
        }
        uint32_t outSize = 0;
        if (!encryptor_.EncryptBuffer(key_, bits_, buffer.Data(), size, nullptr, &outSize,
                                      flags | kCipherEncrypt) ||
            outSize > CByteBuffer::kMaxCapacity - kEnvelopeHeadSize)
            return false;
        std::vector<uint8_t> cipher(outSize);
        if (!encryptor_.EncryptBuffer(key_, bits_, buffer.Data(), size, cipher.data(), &outSize,
                                      flags | kCipherEncrypt))
            return false;
        Replace(buffer, cipher.data(), outSize);
        PutHead(buffer, cipherFlags_, size, outSize);
        return true;
    }
    if (mode == 2) {
        Head head;
        if (!TakeHead(buffer, head)) return false;
        if (head.flags == 0) return head.plainSize == head.payloadSize;
        // Whatever was enciphered fills at least one block.
        if (head.payloadSize == 0 || head.plainSize > head.payloadSize) return false;
        const uint32_t flags = (head.flags & ~kDirectionBits) | kCipherDecrypt;
        uint32_t outSize = 0;
        if (!encryptor_.EncryptBuffer(key_, bits_, buffer.Data(), buffer.Size(), nullptr, &outSize,
                                      flags) ||
            outSize == 0)
            return false;
        std::vector<uint8_t> plain(outSize);
        if (!encryptor_.EncryptBuffer(key_, bits_, buffer.Data(), buffer.Size(), plain.data(),
                                      &outSize, flags))
            return false;
        // The zero padding and the extra block go.
        Replace(buffer, plain.data(), head.plainSize);
        return true;
    }
    return false;
}

bool CMessageTransform::TransformFile(const std::string&, const std::string&, uint32_t, int) {
    return false;
}

}  // namespace transport
