// rulecore: an embeddable expert-system shell.
// The process-wide pseudo-random generator behind random, seed and
// randomize. Its whole state is one 32-bit seed, so setting a seed replays
// the same sequence. Safe to use from several threads: each draw advances the
// state atomically (threads then share, but never corrupt, one sequence).
#pragma once

#include <cstdint>

#include "platform/export.h"

namespace rulecore {

// Makes the next draws the sequence that starts from `seed`.
RULECORE_API void SetRandomSeed(uint32_t seed);

// Sets a seed taken from the system clock; returns it.
RULECORE_API uint32_t RandomizeFromClock();

// A uniformly distributed number in [0, range).
// REQUIRES: range >= 1.
RULECORE_API uint32_t RandomBelow(uint32_t range);

}  // namespace rulecore
