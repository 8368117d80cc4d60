// rulecore: an embeddable expert-system shell.
// TTrigonometryPackage: trigonometric and hyperbolic functions with their
// inverses, angle conversions between cycles, degrees, grads and radians,
// and three distances between lists of numbers. Angles are in radians unless
// a name says otherwise; every result is a float, computed in extended
// precision and rounded once. An argument outside a function's domain, or
// one at a pole, raises an EIEException that names the function.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TTrigonometryPackage : public TUserPackage {
 public:
  explicit TTrigonometryPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  void CreateFunctions() override;
};

}  // namespace rulecore
