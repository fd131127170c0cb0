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
// A transform keeps its working buffer between messages up to this size.
constexpr size_t kScratchKept = 256 * 1024;

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

bool Deflate(z_stream& stream, const uint8_t* data, uint32_t size, std::vector<uint8_t>& out) {
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
    return ok;
}

bool Inflate(z_stream& stream, uint8_t* window, const uint8_t* data, uint32_t size,
             std::vector<uint8_t>& out, uint32_t maxOut) {
    bool ok = true;
    bool ended = false;
    for (uint32_t offset = 0; ok && offset < size;) {
        if (ended) {
            ok = false;  // bytes behind the end of the stream
            break;
        }
        uInt piece = std::min<uint32_t>(kInflateInPiece, size - offset);
        stream.next_in = const_cast<Bytef*>(data + offset);
        stream.avail_in = piece;
        do {
            stream.next_out = window;
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
            out.insert(out.end(), window, window + produced);
            if (ended) break;
        } while (stream.avail_out == 0);
        if (ok && ended && stream.avail_in != 0) ok = false;
        offset += piece;
    }
    return ok;
}

}  // namespace

// The two streams live on the heap: zlib's state points back at its stream.
struct CCompressorBase::Streams {
    z_stream deflater{};
    z_stream inflater{};
    bool deflaterReady = false;
    bool inflaterReady = false;
    uint8_t window[kInflateOutWindow];

    ~Streams() {
        if (deflaterReady) deflateEnd(&deflater);
        if (inflaterReady) inflateEnd(&inflater);
    }
    // The compressor as a fresh one would be; null when zlib cannot make it.
    z_stream* Deflater() {
        if (deflaterReady && deflateReset(&deflater) == Z_OK) return &deflater;
        if (deflaterReady) deflateEnd(&deflater);
        deflater = z_stream{};
        deflaterReady = deflateInit(&deflater, Z_DEFAULT_COMPRESSION) == Z_OK;
        return deflaterReady ? &deflater : nullptr;
    }
    z_stream* Inflater() {
        if (inflaterReady && inflateReset(&inflater) == Z_OK) return &inflater;
        if (inflaterReady) inflateEnd(&inflater);
        inflater = z_stream{};
        inflaterReady = inflateInit(&inflater) == Z_OK;
        return inflaterReady ? &inflater : nullptr;
    }
};

CCompressorBase::CCompressorBase() = default;
CCompressorBase::CCompressorBase(const CCompressorBase&) {}
CCompressorBase& CCompressorBase::operator=(const CCompressorBase&) {
    return *this;
}
CCompressorBase::~CCompressorBase() = default;

bool CCompressorBase::CompressBuffer(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out,
                                     uint32_t flags, uint32_t maxOut) {
    out.clear();
    if (!(flags & kCompressOn)) return false;
    if (size && !data) return false;
    if (!(flags & (kCompressDeflate | kCompressInflate))) return false;
    if (!streams_) streams_ = std::make_unique<Streams>();
    bool ok;
    if (flags & kCompressDeflate) {
        z_stream* stream = streams_->Deflater();
        ok = stream && Deflate(*stream, data, size, out);
    } else {
        z_stream* stream = streams_->Inflater();
        ok = stream &&
             Inflate(*stream, streams_->window, data, size, out, std::min(maxOut, kMaxPlainSize));
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
        std::vector<uint8_t>& packed = scratch_;
        const uint32_t flags = compressionFlags_ & ~kDirectionBits;
        if (flags != 0 &&
            compressor_.CompressBuffer(buffer.Data(), size, packed, flags | kCompressDeflate) &&
            packed.size() <= CByteBuffer::kMaxCapacity - kEnvelopeHeadSize) {
            Replace(buffer, packed.data(), uint32_t(packed.size()));
            PutHead(buffer, compressionFlags_, size, uint32_t(packed.size()));
            TrimScratch();
            return true;
        }
        TrimScratch();
        if (size > CByteBuffer::kMaxCapacity - kEnvelopeHeadSize) return false;
        PutHead(buffer, 0, size, size);
        return true;
    }
    if (mode == 2) {
        Head head;
        if (!TakeHead(buffer, head)) return false;
        if (head.flags == 0) return head.plainSize == head.payloadSize;
        if (head.plainSize == 0 || head.plainSize > kMaxPlainSize) return false;
        std::vector<uint8_t>& plain = scratch_;
        const uint32_t flags = (head.flags & ~kDirectionBits) | kCompressInflate;
        const bool ok = compressor_.CompressBuffer(buffer.Data(), buffer.Size(), plain, flags,
                                                   head.plainSize) &&
                        plain.size() == head.plainSize;
        if (ok) Replace(buffer, plain.data(), uint32_t(plain.size()));
        TrimScratch();
        return ok;
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
        std::vector<uint8_t>& cipher = scratch_;
        cipher.resize(outSize);
        const bool ok = encryptor_.EncryptBuffer(key_, bits_, buffer.Data(), size, cipher.data(),
                                                 &outSize, flags | kCipherEncrypt);
        if (ok) {
            Replace(buffer, cipher.data(), outSize);
            PutHead(buffer, cipherFlags_, size, outSize);
        }
        TrimScratch();
        return ok;
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
        std::vector<uint8_t>& plain = scratch_;
        plain.resize(outSize);
        const bool ok = encryptor_.EncryptBuffer(key_, bits_, buffer.Data(), buffer.Size(),
                                                 plain.data(), &outSize, flags);
        // The zero padding and the extra block go.
        if (ok) Replace(buffer, plain.data(), head.plainSize);
        TrimScratch();
        return ok;
    }
    return false;
}

void CMessageTransform::TrimScratch() {
    scratch_.clear();
    if (scratch_.capacity() > kScratchKept) std::vector<uint8_t>().swap(scratch_);
}

bool CMessageTransform::TransformFile(const std::string&, const std::string&, uint32_t, int) {
    return false;
}

}  // namespace transport
