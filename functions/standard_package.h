// rulecore: an embeddable expert-system shell.
// The built-in function packages an engine attaches when it is made. Only
// the functions a knowledge base needs to run are here so far: the fact and
// engine commands (assert, retract, modify, reset, run, halt, exit), printout,
// the comparisons (eq, neq, <, <=, >, >=) and the arithmetic + - *. The packages grow to their full lists later.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TStandardPackage : public TUserPackage {
 public:
  explicit TStandardPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  void CreateFunctions() override;
};

class RULECORE_API TMathPackage : public TUserPackage {
 public:
  explicit TMathPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  void CreateFunctions() override;
};

}  // namespace rulecore
