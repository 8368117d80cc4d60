// rulecore: an embeddable expert-system shell.
// TBusinessPackage: financial mathematics. Annuities (future and present
// value, payment, number of periods, interest rate, the interest and
// principal parts of one payment), net present value and internal rate of
// return of a series of cash flows, and three depreciation methods. Money
// paid out is negative, money received positive; rates are per period;
// payments fall at the end (ptEndOfPeriod) or the start (ptStartOfPeriod) of
// each period. Results are floats; arguments a formula cannot take, and
// equations with no rate that solves them, raise an EIEException naming the
// function.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TBusinessPackage : public TUserPackage {
 public:
  explicit TBusinessPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  void CreateFunctions() override;
};

}  // namespace rulecore
