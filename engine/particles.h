#pragma once
// Particle maths shared by the particle entity and its timed action: the
// default particle (drifting, fading over 100 updates) and the rising
// particle with its spread, life, speed and acceleration parameters. Every
// random draw is taken modulo a parameter that is at least 1.

#include <cstdint>
#include <random>

namespace engine {

using ParticleRandom = std::minstd_rand;

struct Particle {
    int32_t x = 0, y = 0;              // offset from the origin
    int32_t originX = 0, originY = 0;  // the emitter's centre when it was spawned
    double angle = 0.0;
    double opacity = 1.0;
    int32_t life = 100;
    int32_t vx = 0, vy = 0;
    int32_t random = 0;
    // Rising particles.
    int32_t speed = 0;
    int32_t acceleration = 0;
};

struct RisingParameters {
    int32_t xSpread = 10, ySpread = 10, life = 100, speed = 10, acceleration = 1;
};

// Velocity rand % 10 - 5 on each axis, life 100, opacity 1.0.
Particle SpawnDefaultParticle(ParticleRandom& random);
// Moves by the velocity; opacity = life / 100; false once its life is spent.
bool StepDefaultParticle(Particle& particle);

// Life, drift, speed and acceleration drawn from the parameters (null: the
// defaults).
Particle SpawnRisingParticle(ParticleRandom& random, const RisingParameters* parameters);
// Speeds up and rises; opacity = life / the life parameter.
bool StepRisingParticle(Particle& particle, const RisingParameters* parameters);

// What the particle timed action drives: the particle entity.
class ParticleEmitter {
  public:
    virtual ~ParticleEmitter() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
    virtual size_t LiveCount() const = 0;
    // One frame of the effect at `now`.
    virtual void StepEmitter(uint32_t now) = 0;
};

}  // namespace engine
