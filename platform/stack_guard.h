// rulecore: an embeddable expert-system shell.
// Stack headroom: recursive evaluation (deffunctions calling themselves,
// deeply nested calls) asks before it goes deeper, so that running out of
// stack becomes an error instead of a crash.
#pragma once

#include <cstddef>

#include "platform/export.h"

namespace rulecore {

// Bytes of stack that must stay free below the current frame.
inline constexpr size_t kStackReserve = 256 * 1024;

// True when the calling thread has less than kStackReserve bytes of stack
// left. Returns false where the stack bounds cannot be found.
RULECORE_API bool StackNearlyExhausted();

}  // namespace rulecore
