// Decodes arbitrary bytes as a ".tga" picture into an image.

#include <cstddef>
#include <cstdint>

#include "pictures/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    engine::ImageRecord image;
    engine::DecodeImage({data, size}, ".tga", image);
    return 0;
}
