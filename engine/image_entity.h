#pragma once
// The image entity (kind 1): a rectangle of an image resource, stepping
// through the frames of the image's strip with their delays. Frame n of a
// strip lies at (0, n x image height).

#include <cstdint>

#include "engine/entity.h"

namespace engine {

class ImageProvider;
class ImagePayload;
struct ImageRecord;

class ImageEntity : public Entity {
  public:
    // `images` finds the bound image by id; it must outlive the entity.
    explicit ImageEntity(ImageProvider* images);

    using Entity::Init;
    // Binds a cell of an image (id 0: none); makes the payload on first use.
    void SetImage(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                  uint32_t backColor);
    void Init(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
              uint32_t backColor) {
        SetImage(imageId, srcX, srcY, width, height, backColor);
    }
    void SetBackColor(uint32_t color);
    uint32_t GetBackColor() const;
    uint32_t GetImageId() const;

    // Frames. Each returns the delay of the frame it selects (0 without a
    // delay table); an image without frames keeps frame 0 and gives 0.
    uint32_t GetFrame() const { return frame_; }
    uint32_t GetFrameCount() const;
    uint32_t SetFrame(uint32_t n);
    uint32_t NextFrame();
    // The current frame's delay; 100 without a delay table, 0 without image.
    uint32_t GetFrameDelay() const;
    // The sum of the delays; 0 with fewer than two frames.
    uint32_t GetTotalDuration() const;
    // The delays of frames a .. b-1; 0 unless a < b < frame count.
    uint32_t GetDurationBetween(uint32_t a, uint32_t b) const;
    // The frame showing at time t of a pass; 0 when nothing changes.
    uint32_t SetFrameByTime(uint32_t t);

  private:
    const ImageRecord* Image() const;
    ImagePayload* Cell();
    const ImagePayload* Cell() const;
    uint32_t DelayOf(const ImageRecord& image, uint32_t frame, uint32_t otherwise) const;
    uint32_t ShowFrame(uint32_t frame);
    uint32_t SumDelays(uint32_t a, uint32_t b) const;

    ImageProvider* images_;
    uint16_t frame_ = 0;
};

}  // namespace engine
