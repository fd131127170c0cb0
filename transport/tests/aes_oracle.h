#pragma once
// OpenSSL's AES-ECB without padding: the independent oracle of the cipher tests.

#include <openssl/evp.h>

#include <cstdint>
#include <vector>

namespace transport::testing {

inline std::vector<uint8_t> OpenSslEcb(const std::vector<uint8_t>& key,
                                       const std::vector<uint8_t>& in, bool encrypt = true) {
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                               : key.size() == 24 ? EVP_aes_192_ecb()
                                                  : EVP_aes_256_ecb();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    std::vector<uint8_t> out(in.size() + 16);
    int n = 0, m = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, in.data(), int(in.size()));
    EVP_CipherFinal_ex(ctx, out.data() + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(size_t(n + m));
    return out;
}

}  // namespace transport::testing
