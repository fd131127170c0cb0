#include "tools/gameserver/envelope.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <memory>

#include "platform/bytes.h"

namespace gameserver {
namespace {

constexpr size_t kMaxPlain = 1 << 20;

Bytes Wrap(uint32_t flags, uint32_t plainSize, std::span<const uint8_t> payload) {
    Bytes out;
    platform::ByteWriter w(out);
    w.U32(flags);
    w.U32(plainSize);
    w.Zeros(8);
    w.U32(uint32_t(payload.size()));
    w.Bytes(payload);
    return out;
}

struct Envelope {
    uint32_t flags = 0;
    uint32_t plainSize = 0;
    std::span<const uint8_t> payload;
};

std::optional<Envelope> Unwrap(std::span<const uint8_t> in, const char* what, std::string& error) {
    platform::ByteReader r(in);
    Envelope e;
    e.flags = r.U32();
    e.plainSize = r.U32();
    r.Skip(8);
    uint32_t size = r.U32();
    if (!r.ok()) {
        error = std::string(what) + " envelope head cut short";
        return std::nullopt;
    }
    if (size != r.remaining()) {
        error = std::string(what) + " envelope size word disagrees with its payload";
        return std::nullopt;
    }
    e.payload = r.Bytes(size);
    return e;
}

}  // namespace

Bytes EncodeBody(const Body& body) {
    Bytes out;
    platform::ByteWriter w(out);
    w.U32(0);
    w.U32(body.code);
    w.Zeros(16);
    w.U32(uint32_t(body.data.size()));
    w.Bytes(body.data);
    return out;
}

std::optional<Body> DecodeBody(std::span<const uint8_t> bytes, std::string& error) {
    platform::ByteReader r(bytes);
    r.Skip(4);
    Body body;
    body.code = r.U32();
    r.Skip(16);
    uint32_t n = r.U32();
    if (!r.ok() || n != r.remaining()) {
        error = "message body length word disagrees with its bytes";
        return std::nullopt;
    }
    auto data = r.Bytes(n);
    body.data.assign(data.begin(), data.end());
    return body;
}

Bytes AesEcb(std::span<const uint8_t> in, std::span<const uint8_t> key, bool encrypt) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    const EVP_CIPHER* cipher = key.size() == 32   ? EVP_aes_256_ecb()
                               : key.size() == 24 ? EVP_aes_192_ecb()
                                                  : EVP_aes_128_ecb();
    Bytes out(in.size() + 16);
    int n = 0, tail = 0;
    EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), int(in.size()));
    EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail);
    out.resize(size_t(n + tail));
    return out;
}

Bytes DeflateSync(std::span<const uint8_t> in) {
    z_stream z{};
    deflateInit(&z, Z_DEFAULT_COMPRESSION);
    Bytes out;
    uint8_t window[4096];
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    do {
        z.next_out = window;
        z.avail_out = sizeof window;
        if (deflate(&z, Z_SYNC_FLUSH) == Z_STREAM_ERROR) break;
        out.insert(out.end(), window, window + (sizeof window - z.avail_out));
    } while (z.avail_out == 0);
    deflateEnd(&z);
    return out;
}

std::optional<Bytes> InflateSync(std::span<const uint8_t> in, size_t limit) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    Bytes out;
    uint8_t window[32768];
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    bool ok = true;
    while (ok) {
        z.next_out = window;
        z.avail_out = sizeof window;
        int rc = inflate(&z, Z_SYNC_FLUSH);
        out.insert(out.end(), window, window + (sizeof window - z.avail_out));
        if (out.size() > limit) ok = false;
        if (rc == Z_STREAM_END || (rc == Z_BUF_ERROR && z.avail_in == 0)) break;
        if (rc != Z_OK) ok = false;
        if (z.avail_in == 0 && z.avail_out != 0) break;
    }
    inflateEnd(&z);
    if (!ok || out.empty()) return std::nullopt;
    return out;
}

Bytes Seal(std::span<const uint8_t> body, const Key& key, uint32_t cipherFlags,
           uint32_t compressFlags) {
    Bytes inner = (compressFlags & kCompressOn)
                      ? Wrap(compressFlags, uint32_t(body.size()), DeflateSync(body))
                      : Wrap(0, uint32_t(body.size()), body);
    if (!(cipherFlags & kCipherOn)) return Wrap(0, uint32_t(inner.size()), inner);
    // Whole blocks, the last one padded with zeros; a size that is already a
    // multiple of 16 gets one more block, as the client's cipher expects.
    size_t padded = inner.size() - inner.size() % 16 + 16;
    Bytes plain(inner);
    plain.resize(padded, 0);
    return Wrap(cipherFlags, uint32_t(inner.size()), AesEcb(plain, key, true));
}

std::optional<Bytes> Open(std::span<const uint8_t> sealed, const Key& key, std::string& error) {
    auto outer = Unwrap(sealed, "cipher", error);
    if (!outer) return std::nullopt;
    Bytes inner;
    if (outer->flags == 0) {
        inner.assign(outer->payload.begin(), outer->payload.end());
    } else {
        if (!(outer->flags & kCipherOn) || outer->payload.size() % 16 != 0 ||
            outer->plainSize > outer->payload.size()) {
            error = "bad cipher envelope";
            return std::nullopt;
        }
        inner = AesEcb(outer->payload, key, false);
        inner.resize(outer->plainSize);
    }
    auto body = Unwrap(inner, "compression", error);
    if (!body) return std::nullopt;
    if (body->flags == 0) {
        if (body->plainSize != body->payload.size()) {
            error = "stored envelope plain size disagrees with its payload";
            return std::nullopt;
        }
        return Bytes(body->payload.begin(), body->payload.end());
    }
    if (!(body->flags & kCompressOn) || body->plainSize > kMaxPlain) {
        error = "bad compression envelope";
        return std::nullopt;
    }
    auto plain = InflateSync(body->payload, body->plainSize);
    if (!plain || plain->size() != body->plainSize) {
        error = "compressed payload does not inflate to its plain size";
        return std::nullopt;
    }
    return plain;
}

}  // namespace gameserver
