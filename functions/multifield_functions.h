// rulecore: an embeddable expert-system shell.
// The multifield functions (create$, nth$, member$ ...) that the standard
// package carries after its other functions.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

// Appends the thirteen multifield functions to the package, in their order.
void AddMultifieldFunctions(TUserPackage* package);

}  // namespace rulecore
