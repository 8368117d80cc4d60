// rulecore: an embeddable expert-system shell.
// The platform's exception classes. Exception is the base of every failure the
// library raises; EConvertError reports a failed assignment between classes.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/export.h"

namespace rulecore {

class RULECORE_API Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class RULECORE_API EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class RULECORE_API EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// A silent abort: unwinds to the outermost caller without being reported.
// It is deliberately not an Exception, so handlers of ordinary errors let it pass.
class RULECORE_API EAbort {
 public:
  EAbort() = default;
};

}  // namespace rulecore
