#include "engine/image_entity.h"

#include "engine/draw_payloads.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"

namespace engine {

ImageEntity::ImageEntity(ImageProvider* images) : Entity(kKindImage), images_(images) {}

ImagePayload* ImageEntity::Cell() {
    return static_cast<ImagePayload*>(GetPayload());
}
const ImagePayload* ImageEntity::Cell() const {
    return static_cast<const ImagePayload*>(GetPayload());
}

void ImageEntity::SetImage(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width,
                           int32_t height, uint32_t backColor) {
    if (!Cell()) SetPayload(std::make_unique<ImagePayload>());
    ImagePayload* cell = Cell();
    cell->imageId = imageId;
    cell->srcX = srcX;
    cell->srcY = srcY;
    cell->srcW = width;
    cell->srcH = height;
    cell->backColor = backColor;
    frame_ = 0;
}

void ImageEntity::SetBackColor(uint32_t color) {
    if (ImagePayload* cell = Cell()) cell->backColor = color;
}

uint32_t ImageEntity::GetBackColor() const {
    const ImagePayload* cell = Cell();
    return cell ? cell->backColor : kNoBlendColor;
}

uint32_t ImageEntity::GetImageId() const {
    const ImagePayload* cell = Cell();
    return cell ? cell->imageId : 0;
}

// Looked up at every use: a released resource is loaded again on demand, so
// a pointer kept from binding time could dangle.
const ImageRecord* ImageEntity::Image() const {
    const ImagePayload* cell = Cell();
    if (!cell || cell->imageId == 0 || !images_) return nullptr;
    return images_->GetImage(cell->imageId);
}

uint32_t ImageEntity::GetFrameCount() const {
    const ImageRecord* image = Image();
    return image ? image->frameCount : 0;
}

uint32_t ImageEntity::DelayOf(const ImageRecord& image, uint32_t frame, uint32_t otherwise) const {
    if ((image.flags & kImageDelays) && frame < image.frameDelays.size())
        return image.frameDelays[frame];
    return otherwise;
}

uint32_t ImageEntity::ShowFrame(uint32_t frame) {
    const ImageRecord* image = Image();
    frame_ = uint16_t(frame);
    ImagePayload* cell = Cell();
    cell->srcX = 0;
    cell->srcY = int32_t(uint32_t(image->height) * frame);
    return DelayOf(*image, frame, 0);
}

uint32_t ImageEntity::SetFrame(uint32_t n) {
    if (GetFrameCount() == 0) return 0;
    const uint32_t delay = ShowFrame(Image()->WrapFrame(n));
    Update();
    return delay;
}

uint32_t ImageEntity::NextFrame() {
    const uint32_t count = GetFrameCount();
    if (count == 0) return 0;
    const uint32_t delay = ShowFrame((frame_ + 1u) % count);
    if (IsFrameBound() && IsVisible()) Update();
    return delay;
}

uint32_t ImageEntity::GetFrameDelay() const {
    const ImageRecord* image = Image();
    return image ? DelayOf(*image, frame_, 100) : 0;
}

uint32_t ImageEntity::SumDelays(uint32_t a, uint32_t b) const {
    const ImageRecord* image = Image();
    uint64_t sum = 0;
    for (uint32_t i = a; image && i < b; ++i)
        sum += DelayOf(*image, i, 100);
    return sum > UINT32_MAX ? UINT32_MAX : uint32_t(sum);
}

uint32_t ImageEntity::GetTotalDuration() const {
    const uint32_t count = GetFrameCount();
    return count < 2 ? 0 : SumDelays(0, count);
}

// The last frame cannot be the end of a range.
uint32_t ImageEntity::GetDurationBetween(uint32_t a, uint32_t b) const {
    const uint32_t count = GetFrameCount();
    if (count < 2 || b >= count || a >= b) return 0;
    return SumDelays(a, b);
}

uint32_t ImageEntity::SetFrameByTime(uint32_t t) {
    if (t == 0) return 0;
    const uint32_t total = GetTotalDuration();
    if (total == 0) return 0;
    const ImageRecord* image = Image();
    const uint32_t r = t % total;
    uint64_t sum = 0;
    uint32_t chosen = 0;
    for (uint32_t i = 0; i < image->frameCount; ++i) {
        sum += DelayOf(*image, i, 100);
        if (sum > r) {
            chosen = i;
            break;
        }
    }
    if (chosen == frame_) return 0;
    return SetFrame(chosen);
}

}  // namespace engine
