// Decodes arbitrary bytes as a ".pcx" picture into an image.

#include <cstddef>
#include <cstdint>

#include "pictures/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    engine::ImageRecord image;
    engine::DecodeImage({data, size}, ".pcx", image);
    return 0;
}
