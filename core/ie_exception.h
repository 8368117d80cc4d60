// rulecore: an embeddable expert-system shell.
// EIEException, the one exception class of run-time errors, and RaiseIE, the
// one place that forms a catalogue text and throws it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {

class RULECORE_API EIEException : public Exception {
 public:
  using Exception::Exception;
};

// Throws EIEException with `message` (a catalogue text) filled with `args`.
[[noreturn]] RULECORE_API void RaiseIE(std::string_view message,
                                       std::initializer_list<FormatArg> args = {});

}  // namespace rulecore
