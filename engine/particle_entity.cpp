#include "engine/particle_entity.h"

#include <algorithm>
#include <cmath>

#include "engine/engine_clock.h"
#include "engine/layer_host.h"
#include "engine/resources/image_provider.h"
#include "pictures/image_record.h"

namespace engine {

ParticleImage CopyParticleImage(const ImageRecord& image, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
    ParticleImage out;
    const uint32_t bpp = image.BytesPerPixel();
    const bool paletted = (image.flags & (kImagePaletted | kImageSharedPalette)) != 0;
    const uint8_t* palette = paletted ? image.Palette() : nullptr;
    if (bpp == 0 || (paletted && !palette)) return out;
    const int64_t rows = int64_t(image.height) * std::max<uint16_t>(image.frameCount, 1);
    const int64_t left = std::max(x, 0), top = std::max(y, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + width, image.width);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + height, rows);
    if (right <= left || bottom <= top) return out;
    const uint64_t rowBytes = uint64_t(image.width) * bpp;
    if (uint64_t(bottom) * rowBytes > image.pixels.size()) return out;  // short data

    out.width = int32_t(right - left);
    out.height = int32_t(bottom - top);
    out.alpha = (image.flags & kImageAlpha) != 0;
    out.pixels.resize(size_t(out.width) * size_t(out.height) * 4);
    const uint32_t colors = std::min<uint32_t>(image.colorCount, 256);
    uint8_t* o = out.pixels.data();
    for (int64_t row = top; row < bottom; ++row) {
        const uint8_t* in = image.pixels.data() + uint64_t(row) * rowBytes + uint64_t(left) * bpp;
        for (int64_t col = left; col < right; ++col, in += bpp, o += 4) {
            if (!paletted) {
                std::copy(in, in + 4, o);
                continue;
            }
            const uint32_t index = in[0];
            if (index >= colors || index == image.colorKey) {
                o[0] = o[1] = o[2] = o[3] = 0;
                continue;
            }
            const uint8_t* rgb = palette + size_t(index) * 3;
            o[0] = rgb[2];
            o[1] = rgb[1];
            o[2] = rgb[0];
            o[3] = out.alpha ? in[1] : 0xFF;
        }
    }
    return out;
}

void ParticlePayload::Draw(const DrawContext& context, const DrawRecord&, double) const {
    if (image.pixels.empty()) return;
    BlitSource source;
    source.pixels = image.pixels.data();
    source.byteSize = image.pixels.size();
    source.width = uint32_t(image.width);
    source.height = uint32_t(image.height);
    // Transparent pixels have alpha 0 whatever the source was.
    source.flags = kImageKeyed | (image.alpha ? uint32_t(kImageAlpha) : 0u);
    const LayerView& v = context.view;
    for (const Particle& p : particles) {
        BlitPlacement at;
        at.drawX = Saturate32(int64_t(p.originX) + p.x - v.centreX + v.halfWidth);
        at.drawY = Saturate32(int64_t(p.originY) + p.y - v.centreY + v.halfHeight);
        at.width = image.width;
        at.height = image.height;
        at.angle = std::trunc(p.angle) != 0.0 ? p.angle : 0.0;
        at.flags = kBlitClip;
        at.clip = context.clip;
        BlitImage(context.surface, at, source, 0, 0, image.width, image.height, p.opacity,
                  kNoBlendColor);
    }
}

ParticleEntity::ParticleEntity(ImageProvider* images) : Entity(kKindParticle), images_(images) {
    SetPayload(std::make_unique<ParticlePayload>());
    SetCallbacks({}, {});
}

ParticlePayload& ParticleEntity::State() {
    return *static_cast<ParticlePayload*>(GetPayload());
}

const ParticlePayload& ParticleEntity::State() const {
    return *static_cast<const ParticlePayload*>(GetPayload());
}

const std::list<Particle>& ParticleEntity::Particles() const {
    return State().particles;
}

size_t ParticleEntity::LiveCount() const {
    return State().particles.size();
}

void ParticleEntity::DropParticles() {
    State().particles.clear();
    RepaintParticles();
}

void ParticleEntity::Create(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width,
                            int32_t height) {
    const ImageRecord* image = images_ ? images_->GetImage(imageId) : nullptr;
    State().image = image ? CopyParticleImage(*image, srcX, srcY, width, height) : ParticleImage{};
    SetCallbacks({}, {});
    interval_ = 10000;
}

void ParticleEntity::Configure(int32_t count, int32_t interval, const ParticleImage* image) {
    left_ = count;
    interval_ = interval > 0 ? uint32_t(interval) : 1000000;
    DropParticles();
    if (image) State().image = *image;
}

void ParticleEntity::SetCallbacks(ParticleSpawn spawn, ParticleUpdate update) {
    spawn_ = spawn ? std::move(spawn) : ParticleSpawn(SpawnDefaultParticle);
    update_ = update ? std::move(update) : ParticleUpdate(StepDefaultParticle);
    DropParticles();
    left_ = 0;
    lastEmission_ = EngineClock::Now();
}

void ParticleEntity::UseRisingParticles(const RisingParameters& parameters) {
    SetCallbacks(
        [parameters](ParticleRandom& random) { return SpawnRisingParticle(random, &parameters); },
        [parameters](Particle& p) { return StepRisingParticle(p, &parameters); });
}

void ParticleEntity::SetEnabled(bool enabled) {
    enabled_ = enabled;
    lastEmission_ = EngineClock::Now();
}

void ParticleEntity::Step(uint32_t now) {
    if (now == 0) now = EngineClock::Now();
    ParticlePayload& state = State();
    if (enabled_ && now - lastEmission_ > interval_) {
        // Counted from the previous emission, and never more than the
        // catch-up reach holds, so a long stall brings no burst.
        const uint32_t reach = std::max(kParticleCatchUpMs, interval_);
        uint32_t n = std::min((now - lastEmission_) / interval_, std::max(reach / interval_, 1u));
        lastEmission_ = now;
        for (; n > 0 && left_ != 0; --n) {
            Particle p = spawn_(random_);
            p.originX = Saturate32(int64_t(p.originX) + GetX());
            p.originY = Saturate32(int64_t(p.originY) + GetY());
            state.particles.push_back(p);
            if (left_ > 0) --left_;
        }
    }
    std::erase_if(state.particles, [this](Particle& p) { return !update_(p); });
    RepaintParticles();
}

void ParticleEntity::RepaintParticles() {
    ParticlePayload& state = State();
    LayerHost* screen = GetScreen();
    if (!screen || !IsPlaced()) {
        state.area = {};
        return;
    }
    if (!state.area.IsEmpty()) screen->InvalidateScreenRect(state.area);
    state.area = {};
    if (state.particles.empty()) return;
    int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
    bool turned = false;
    for (const Particle& p : state.particles) {
        const int64_t x = int64_t(p.originX) + p.x, y = int64_t(p.originY) + p.y;
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
        turned = turned || std::trunc(p.angle) != 0.0;
    }
    const int32_t w = state.image.width, h = state.image.height;
    // A turned picture reaches as far as its bounding circle.
    const int64_t reachX = turned ? DrawRecordRadiusInt(w, h) + 1 : (int64_t(w) + 1) / 2;
    const int64_t reachY = turned ? DrawRecordRadiusInt(w, h) + 1 : (int64_t(h) + 1) / 2;
    const Rect area = MakeRect(minX - reachX, minY - reachY, maxX + reachX, maxY + reachY);
    state.area = screen->InvalidateLayerRect(GetLayerIndex(), area);
}

void ParticleEntity::OnLeaveScreen() {
    // What the particles drew goes with them.
    if (LayerHost* screen = GetScreen(); screen && !State().area.IsEmpty())
        screen->InvalidateScreenRect(State().area);
    State().area = {};
}

}  // namespace engine
