#pragma once
// The particle effect (kind 0x10000): an emitter that spawns particles from
// its centre at an interval, moves and fades them through its callbacks and
// draws each with a small picture copied from an image. The particle timed
// action steps it once a frame; particles fly outside the entity's box, so
// each step repaints where they were and where they are.

#include <cstdint>
#include <functional>
#include <list>
#include <vector>

#include "engine/draw_payloads.h"
#include "engine/entity.h"
#include "engine/particles.h"

namespace engine {

class ImageProvider;
struct ImageRecord;

// A particle picture: B, G, R, A rows, transparent where alpha is 0.
struct ParticleImage {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    bool alpha = false;  // drawn with the alpha-aware blitters
};

// The rectangle (x, y, width, height) of `image`, cut to the image, as a
// particle picture: paletted pixels go through the palette (the key index
// and entries past it become transparent), keyed 32-bit pixels keep their
// alpha. Empty when nothing of the image lies inside the rectangle or its
// pixels are short.
ParticleImage CopyParticleImage(const ImageRecord& image, int32_t x, int32_t y, int32_t width,
                                int32_t height);

using ParticleSpawn = std::function<Particle(ParticleRandom& random)>;
// False when the particle's life is over.
using ParticleUpdate = std::function<bool(Particle& particle)>;

class ParticlePayload : public SelfDrawnPayload {
  public:
    ParticlePayload() : SelfDrawnPayload(kKindParticle) {}
    void Draw(const DrawContext& context, const DrawRecord& record, double opacity) const override;
    Rect ExtraArea() const override { return area; }

    ParticleImage image;
    std::list<Particle> particles;
    Rect area;  // screen area of the particles at the last step
};

// Emission longer ago than this (or one interval, when that is longer) is
// not made up for: a stalled or paused effect goes on where it is.
inline constexpr uint32_t kParticleCatchUpMs = 200;

class ParticleEntity : public Entity, public ParticleEmitter {
  public:
    explicit ParticleEntity(ImageProvider* images);

    // Copies the picture from a rectangle of the image (cut to the image),
    // with the default callbacks and an interval of 10000 ms; the live
    // particles go. Nothing is drawn when the image does not exist.
    void Create(uint32_t imageId, int32_t srcX, int32_t srcY, int32_t width, int32_t height);
    // `count` particles to emit (negative: without end) every `interval` ms
    // (1000000 for 0 or less); a given picture replaces the old one. The live
    // particles go.
    void Configure(int32_t count, int32_t interval, const ParticleImage* image = nullptr);
    // New callbacks; the live particles and the count left go.
    void SetCallbacks(ParticleSpawn spawn, ParticleUpdate update);
    // Rising particles drawn from `parameters` (see particles.h).
    void UseRisingParticles(const RisingParameters& parameters);

    void SetEnabled(bool enabled) override;
    bool IsEnabled() const override { return enabled_; }
    size_t LiveCount() const override;
    void StepEmitter(uint32_t now) override { Step(now); }
    // One frame of the effect at `now` (0: the engine clock's reading).
    void Step(uint32_t now);

    int32_t CountLeft() const { return left_; }
    uint32_t Interval() const { return interval_; }
    const std::list<Particle>& Particles() const;

  protected:
    void OnLeaveScreen() override;

  private:
    ParticlePayload& State();
    const ParticlePayload& State() const;
    void DropParticles();
    // Repaints where the particles were and where they are now.
    void RepaintParticles();

    ImageProvider* images_;
    ParticleRandom random_{1};
    ParticleSpawn spawn_;
    ParticleUpdate update_;
    int32_t left_ = 0;
    uint32_t interval_ = 10000;
    uint32_t lastEmission_ = 0;
    bool enabled_ = false;
};

}  // namespace engine
