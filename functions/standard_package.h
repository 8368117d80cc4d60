// rulecore: an embeddable expert-system shell.
// The standard package, the built-in functions every engine carries. It
// holds, so far, the fact and engine commands (assert, assert-string,
// retract, retract-string, modify, reset, run, halt, exit, watch, unwatch,
// clear, fact duplication), the control functions (and, or, not, if, while,
// foreach, try, throw, return, bind), the comparisons, member, store, fetch,
// clear-storage, gensym*, version, duplicate, get-slot-value, files (remove,
// rename), input and output (printout, format, read, readline, open, close,
// dribble-on, dribble-off, batch) and the multifield functions.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TStandardPackage : public TUserPackage {
 public:
  explicit TStandardPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  void CreateFunctions() override;
};

}  // namespace rulecore
