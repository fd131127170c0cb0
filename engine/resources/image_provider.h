#pragma once
// Where the drawing side finds an image by its resource id: the resource
// manager in the program, a plain table in tests.

#include <cstdint>

namespace engine {

struct ImageRecord;

class ImageProvider {
  public:
    virtual ~ImageProvider() = default;
    // The loaded image, or null when the id names no image.
    virtual const ImageRecord* GetImage(uint32_t id) = 0;
};

}  // namespace engine
