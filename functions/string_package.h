// rulecore: an embeddable expert-system shell.
// The string package: functions that build, measure, search and convert text
// (str-cat, sym-cat, str-compare, str-index, str-length, sub-string, lowcase,
// upcase). Text is the byte string of the value model, so lengths and
// positions count bytes; positions are 1-based.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TStringPackage : public TUserPackage {
 public:
  explicit TStringPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  // Appends lowcase, str-cat, str-compare, str-index, str-length, sub-string,
  // sym-cat and upcase, in that order.
  void CreateFunctions() override;
};

}  // namespace rulecore
