// rulecore: an embeddable expert-system shell.
#include "platform/random.h"

#include <atomic>
#include <chrono>

namespace rulecore {

namespace {

// The state walks a Weyl sequence (a fixed odd step, so every 32-bit value
// comes round once in 2^32 draws); each state is scrambled by a bijective
// integer mixer into the output.
constexpr uint32_t kStep = 0x9E3779B9u;

std::atomic<uint32_t> state{0x2545F491u};

uint32_t Mix(uint32_t z) {
  z = (z ^ (z >> 16)) * 0x85EBCA6Bu;
  z = (z ^ (z >> 13)) * 0xC2B2AE35u;
  return z ^ (z >> 16);
}

uint32_t Next() {
  return Mix(state.fetch_add(kStep, std::memory_order_relaxed) + kStep);
}

}  // namespace

void SetRandomSeed(uint32_t seed) {
  state.store(seed, std::memory_order_relaxed);
}

uint32_t RandomizeFromClock() {
  auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  auto wide = static_cast<uint64_t>(ticks);
  uint32_t seed = Mix(static_cast<uint32_t>(wide) ^ Mix(static_cast<uint32_t>(wide >> 32)));
  SetRandomSeed(seed);
  return seed;
}

uint32_t RandomBelow(uint32_t range) {
  // Multiply-and-shift maps a 32-bit draw onto [0, range); draws whose low
  // part falls in the first (2^32 mod range) values are redrawn, so that
  // every result is equally likely.
  uint64_t product = uint64_t{Next()} * range;
  auto low = static_cast<uint32_t>(product);
  if (low < range) {
    uint32_t threshold = (0u - range) % range;
    while (low < threshold) {
      product = uint64_t{Next()} * range;
      low = static_cast<uint32_t>(product);
    }
  }
  return static_cast<uint32_t>(product >> 32);
}

}  // namespace rulecore
