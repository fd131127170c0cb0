#pragma once
// AES rounds with the processor's AES instructions (x86-64 AES-NI). Round keys
// are the FIPS-197 schedule as bytes, 16 per round; the decryption schedule is
// the equivalent inverse cipher's (reversed, inner keys through InvMixColumns).

#include <cstddef>
#include <cstdint>

namespace transport::aes_ni {

// True when this processor runs the functions below.
bool Available();

void EncryptBlocks(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                   size_t blocks);
void DecryptBlocks(const uint8_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                   size_t blocks);

}  // namespace transport::aes_ni
