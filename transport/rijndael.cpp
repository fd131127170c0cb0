#include "transport/rijndael.h"

#include <cstring>

#include "transport/rijndael_ni.h"

namespace transport {
namespace {

constexpr uint8_t XTime(uint8_t a) {
    return uint8_t((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
}

constexpr uint8_t Mul(uint8_t a, uint8_t b) {
    uint8_t r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a = XTime(a);
        b >>= 1;
    }
    return r;
}

constexpr uint8_t Rotl8(uint8_t v, int n) {
    return uint8_t((v << n) | (v >> (8 - n)));
}
constexpr uint32_t Rotr32(uint32_t v, int n) {
    return (v >> n) | (v << (32 - n));
}

struct Tables {
    uint8_t sbox[256];
    uint8_t inv[256];
    uint32_t te[4][256];
    uint32_t td[4][256];
};

constexpr Tables MakeTables() {
    Tables t{};
    // Powers and logarithms of the generator 3 give the inverses.
    uint8_t exp[256] = {};
    uint8_t log[256] = {};
    uint8_t x = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = x;
        log[x] = uint8_t(i);
        x = Mul(x, 3);
    }
    for (int i = 0; i < 256; ++i) {
        uint8_t b = i == 0 ? 0 : exp[(255 - log[i]) % 255];
        uint8_t s = uint8_t(b ^ Rotl8(b, 1) ^ Rotl8(b, 2) ^ Rotl8(b, 3) ^ Rotl8(b, 4) ^ 0x63);
        t.sbox[i] = s;
        t.inv[s] = uint8_t(i);
    }
    for (int i = 0; i < 256; ++i) {
        uint8_t s = t.sbox[i];
        uint32_t e = uint32_t(Mul(s, 2)) << 24 | uint32_t(s) << 16 | uint32_t(s) << 8 | Mul(s, 3);
        uint8_t v = t.inv[i];
        uint32_t d = uint32_t(Mul(v, 14)) << 24 | uint32_t(Mul(v, 9)) << 16 |
                     uint32_t(Mul(v, 13)) << 8 | Mul(v, 11);
        for (int k = 0; k < 4; ++k) {
            t.te[k][i] = k ? Rotr32(e, 8 * k) : e;
            t.td[k][i] = k ? Rotr32(d, 8 * k) : d;
        }
    }
    return t;
}

constexpr Tables kTables = MakeTables();

uint32_t LoadBE(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
void StoreBE(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

uint32_t SubWord(uint32_t w) {
    const auto& s = kTables.sbox;
    return uint32_t(s[w >> 24]) << 24 | uint32_t(s[(w >> 16) & 0xFF]) << 16 |
           uint32_t(s[(w >> 8) & 0xFF]) << 8 | s[w & 0xFF];
}

// InvMixColumns of one round-key word, for the equivalent inverse cipher.
uint32_t InvMixWord(uint32_t w) {
    const auto& td = kTables.td;
    const auto& s = kTables.sbox;
    // td[k][sbox[b]] is InvMixColumns applied to byte b in row k.
    return td[0][s[w >> 24]] ^ td[1][s[(w >> 16) & 0xFF]] ^ td[2][s[(w >> 8) & 0xFF]] ^
           td[3][s[w & 0xFF]];
}

}  // namespace

CRijndael::CRijndael(CodePath path) : hardware_(path == CodePath::kAuto && aes_ni::Available()) {}

bool CRijndael::SetKey(const uint8_t* key, int bits) {
    nk_ = 0;
    rounds_ = 0;
    if (!key || !SupportsKeyBits(bits)) return false;
    const int nk = (bits + 31) >> 5;
    const int rounds = nk + 6;
    const int words = 4 * (rounds + 1);
    uint32_t* w = encKey_.data();
    for (int i = 0; i < nk; ++i)
        w[i] = LoadBE(key + 4 * i);
    uint8_t rcon = 1;
    for (int i = nk; i < words; ++i) {
        uint32_t temp = w[i - 1];
        if (i % nk == 0) {
            temp = SubWord((temp << 8) | (temp >> 24)) ^ (uint32_t(rcon) << 24);
            rcon = XTime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            temp = SubWord(temp);
        }
        w[i] = w[i - nk] ^ temp;
    }
    // Decryption schedule: rounds in reverse, inner round keys through
    // InvMixColumns.
    for (int r = 0; r <= rounds; ++r)
        for (int c = 0; c < 4; ++c) {
            uint32_t word = w[4 * (rounds - r) + c];
            decKey_[4 * r + c] = (r == 0 || r == rounds) ? word : InvMixWord(word);
        }
    for (int i = 0; i < words; ++i) {
        StoreBE(&encBytes_[4 * size_t(i)], encKey_[i]);
        StoreBE(&decBytes_[4 * size_t(i)], decKey_[i]);
    }
    nk_ = nk;
    rounds_ = rounds;
    return true;
}

bool CRijndael::EncryptBlock(const uint8_t* in, uint8_t* out) const {
    if (!rounds_) return false;
    if (hardware_) {
        aes_ni::EncryptBlocks(encBytes_.data(), rounds_, in, out, 1);
        return true;
    }
    const auto& te = kTables.te;
    const auto& sb = kTables.sbox;
    const uint32_t* rk = encKey_.data();
    uint32_t s0 = LoadBE(in) ^ rk[0], s1 = LoadBE(in + 4) ^ rk[1];
    uint32_t s2 = LoadBE(in + 8) ^ rk[2], s3 = LoadBE(in + 12) ^ rk[3];
    for (int r = 1; r < rounds_; ++r) {
        rk += 4;
        uint32_t t0 = te[0][s0 >> 24] ^ te[1][(s1 >> 16) & 0xFF] ^ te[2][(s2 >> 8) & 0xFF] ^
                      te[3][s3 & 0xFF] ^ rk[0];
        uint32_t t1 = te[0][s1 >> 24] ^ te[1][(s2 >> 16) & 0xFF] ^ te[2][(s3 >> 8) & 0xFF] ^
                      te[3][s0 & 0xFF] ^ rk[1];
        uint32_t t2 = te[0][s2 >> 24] ^ te[1][(s3 >> 16) & 0xFF] ^ te[2][(s0 >> 8) & 0xFF] ^
                      te[3][s1 & 0xFF] ^ rk[2];
        uint32_t t3 = te[0][s3 >> 24] ^ te[1][(s0 >> 16) & 0xFF] ^ te[2][(s1 >> 8) & 0xFF] ^
                      te[3][s2 & 0xFF] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk += 4;
    auto last = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t k) {
        return (uint32_t(sb[a >> 24]) << 24 | uint32_t(sb[(b >> 16) & 0xFF]) << 16 |
                uint32_t(sb[(c >> 8) & 0xFF]) << 8 | sb[d & 0xFF]) ^
               k;
    };
    StoreBE(out, last(s0, s1, s2, s3, rk[0]));
    StoreBE(out + 4, last(s1, s2, s3, s0, rk[1]));
    StoreBE(out + 8, last(s2, s3, s0, s1, rk[2]));
    StoreBE(out + 12, last(s3, s0, s1, s2, rk[3]));
    return true;
}

bool CRijndael::DecryptBlock(const uint8_t* in, uint8_t* out) const {
    if (!rounds_) return false;
    if (hardware_) {
        aes_ni::DecryptBlocks(decBytes_.data(), rounds_, in, out, 1);
        return true;
    }
    const auto& td = kTables.td;
    const auto& si = kTables.inv;
    const uint32_t* rk = decKey_.data();
    uint32_t s0 = LoadBE(in) ^ rk[0], s1 = LoadBE(in + 4) ^ rk[1];
    uint32_t s2 = LoadBE(in + 8) ^ rk[2], s3 = LoadBE(in + 12) ^ rk[3];
    for (int r = 1; r < rounds_; ++r) {
        rk += 4;
        uint32_t t0 = td[0][s0 >> 24] ^ td[1][(s3 >> 16) & 0xFF] ^ td[2][(s2 >> 8) & 0xFF] ^
                      td[3][s1 & 0xFF] ^ rk[0];
        uint32_t t1 = td[0][s1 >> 24] ^ td[1][(s0 >> 16) & 0xFF] ^ td[2][(s3 >> 8) & 0xFF] ^
                      td[3][s2 & 0xFF] ^ rk[1];
        uint32_t t2 = td[0][s2 >> 24] ^ td[1][(s1 >> 16) & 0xFF] ^ td[2][(s0 >> 8) & 0xFF] ^
                      td[3][s3 & 0xFF] ^ rk[2];
        uint32_t t3 = td[0][s3 >> 24] ^ td[1][(s2 >> 16) & 0xFF] ^ td[2][(s1 >> 8) & 0xFF] ^
                      td[3][s0 & 0xFF] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk += 4;
    auto last = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t k) {
        return (uint32_t(si[a >> 24]) << 24 | uint32_t(si[(b >> 16) & 0xFF]) << 16 |
                uint32_t(si[(c >> 8) & 0xFF]) << 8 | si[d & 0xFF]) ^
               k;
    };
    StoreBE(out, last(s0, s3, s2, s1, rk[0]));
    StoreBE(out + 4, last(s1, s0, s3, s2, rk[1]));
    StoreBE(out + 8, last(s2, s1, s0, s3, rk[2]));
    StoreBE(out + 12, last(s3, s2, s1, s0, rk[3]));
    return true;
}

bool CRijndael::BufferLength(uint32_t length, uint32_t* outLength) {
    uint64_t n = uint64_t(length) - length % kBlockSize + kBlockSize;
    if (n > UINT32_MAX) return false;
    if (outLength) *outLength = uint32_t(n);
    return true;
}

bool CRijndael::EncryptBuffer(const uint8_t* in, uint32_t length, uint8_t* out,
                              uint32_t* outLength) const {
    uint32_t total = 0;
    if (!BufferLength(length, &total)) return false;
    if (outLength) *outLength = total;
    if (!out) return true;
    if (!rounds_) return false;
    const uint32_t whole = length - length % kBlockSize;
    if (hardware_) {
        aes_ni::EncryptBlocks(encBytes_.data(), rounds_, in, out, whole / kBlockSize);
    } else {
        for (uint32_t i = 0; i < whole; i += kBlockSize)
            EncryptBlock(in + i, out + i);
    }
    // The last block: the rest of the input (possibly nothing) in zeros.
    uint8_t block[kBlockSize] = {};
    if (length > whole) std::memcpy(block, in + whole, length - whole);
    EncryptBlock(block, out + whole);
    return true;
}

bool CRijndael::DecryptBuffer(const uint8_t* in, uint32_t length, uint8_t* out,
                              uint32_t* outLength) const {
    if (length % kBlockSize != 0) {
        if (outLength) *outLength = 0;
        return false;
    }
    uint32_t total = 0;
    if (!BufferLength(length, &total)) return false;
    if (outLength) *outLength = total;
    if (!out) return true;
    if (!rounds_) return false;
    if (hardware_) {
        aes_ni::DecryptBlocks(decBytes_.data(), rounds_, in, out, length / kBlockSize);
    } else {
        for (uint32_t i = 0; i < length; i += kBlockSize)
            DecryptBlock(in + i, out + i);
    }
    return true;
}

bool CEncryptorBase::EncryptBuffer(const uint8_t* key, int bits, const uint8_t* in, uint32_t length,
                                   uint8_t* out, uint32_t* outLength, uint32_t flags) const {
    if (!(flags & kCipherOn)) return false;
    if (!key || !CRijndael::SupportsKeyBits(bits)) return false;
    if (!(flags & (kCipherEncrypt | kCipherDecrypt))) return false;
    CRijndael cipher;
    // A size query needs no key schedule.
    if (out && !cipher.SetKey(key, bits)) return false;
    if (flags & kCipherEncrypt) return cipher.EncryptBuffer(in, length, out, outLength);
    return cipher.DecryptBuffer(in, length, out, outLength);
}

}  // namespace transport
