// rulecore: an embeddable expert-system shell.
// TMathPackage: the arithmetic functions of the rule language (+ - * / div
// mod abs max min float integer round sqrt exp ** log log10 PI random
// randomize seed). Integer results are 32-bit and wrap; float results are
// always finite numbers: division by zero, overflow and arguments outside a
// function's domain raise an EIEException that names the function.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TMathPackage : public TUserPackage {
 public:
  explicit TMathPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  void CreateFunctions() override;
};

}  // namespace rulecore
