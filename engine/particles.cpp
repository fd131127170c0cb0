#include "engine/particles.h"

#include <algorithm>

#include "engine/geometry.h"

namespace engine {
namespace {

int32_t Draw(ParticleRandom& random, int32_t modulus) {
    return int32_t(random() % uint32_t(std::max(modulus, 1)));
}

}  // namespace

Particle SpawnDefaultParticle(ParticleRandom& random) {
    Particle p;
    p.vx = Draw(random, 10) - 5;
    p.vy = Draw(random, 10) - 5;
    p.random = Draw(random, 20);
    return p;
}

bool StepDefaultParticle(Particle& p) {
    p.x += p.vx;
    p.y += p.vy;
    p.opacity = p.life / 100.0;
    return p.life-- != 1;
}

Particle SpawnRisingParticle(ParticleRandom& random, const RisingParameters* parameters) {
    const RisingParameters q = parameters ? *parameters : RisingParameters{};
    Particle p;
    p.life = Draw(random, q.life) + 1;
    if (q.xSpread > 0) p.x = Draw(random, q.xSpread) - q.xSpread / 2;
    if (q.ySpread > 0) p.y = Draw(random, q.ySpread) - q.ySpread / 2;
    p.speed = Draw(random, q.speed) + 1;
    p.acceleration = Draw(random, q.acceleration) + 1;
    return p;
}

bool StepRisingParticle(Particle& p, const RisingParameters* parameters) {
    const int32_t life = parameters ? std::max(parameters->life, 1) : 100;
    p.speed = Saturate32(int64_t(p.speed) + p.acceleration);
    p.y = Saturate32(int64_t(p.y) - p.speed);
    p.opacity = double(p.life) / life;
    return p.life-- != 1;
}

}  // namespace engine
