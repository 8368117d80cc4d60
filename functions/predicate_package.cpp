// rulecore: an embeddable expert-system shell.
#include "functions/predicate_package.h"

#include <cmath>

#include "core/helper_functions.h"
#include "functions/builtin.h"

namespace rulecore {

// ================================================================ TVerifyTypePFunction

TVerifyTypePFunction::TVerifyTypePFunction(const std::string& name, TIETypes types)
    : types_(types) {
  SetFunctionName(name);
  SetMaxArgumentCount(1);
  SetMinArgumentCount(1);
}

void TVerifyTypePFunction::SetTypes(TIETypes types) {
  types_ = types;
  UpdateHelp();
}

void TVerifyTypePFunction::SetFunctionName(const std::string& name) {
  TIEUserFunction::SetFunctionName(name);
  UpdateHelp();
}

void TVerifyTypePFunction::UpdateHelp() {
  const std::string kinds = types_.Empty() ? "NONE" : SetToString(types_, ", ", false);
  SetComment(Format(SVerifyTypeComment, {kinds}));
  SetArgumentString(" <expression>");
}

void TVerifyTypePFunction::Assign(const TPersistent& source) {
  // The kinds come first: the rename in the base Assign rebuilds the help
  // text from them.
  if (auto* other = dynamic_cast<const TVerifyTypePFunction*>(&source)) types_ = other->types_;
  TIEUserFunction::Assign(source);
}

void TVerifyTypePFunction::DoCall(IFunCall* call, TIEContext* context, Ref<IIEValue>& result) {
  Ref<IIEValue> value = builtin::Arg(call, 0, context);
  result = builtin::Bool(types_.Contains(value->GetDType()));
}

// ================================================================ the package

namespace {

using namespace builtin;

// Whether the argument's integer value is odd. A float is truncated toward
// zero first, and its parity is taken from the whole truncated float: a
// float beyond the 64-bit range would otherwise be judged by a clamped copy
// (2^64 - 1, odd), though every float that large is an even integer.
bool IsOdd(IFunCall* call, TIEContext* context) {
  Ref<IIEValue> value = Arg(call, 0, context);
  if (value->GetDType() == dtFloat) {
    const double x = value->GetAsNumeric();
    if (std::isfinite(x)) return std::fmod(std::trunc(x), 2.0) != 0.0;
  }
  return value->GetAsInteger() % 2 != 0;
}

Ref<IIEValue> DoEvenP(IFunCall* call, TIEContext* context, const char*) {
  return Bool(!IsOdd(call, context));
}

Ref<IIEValue> DoOddP(IFunCall* call, TIEContext* context, const char*) {
  return Bool(IsOdd(call, context));
}

Ref<IIEValue> DoGetType(IFunCall* call, TIEContext* context, const char*) {
  return NewAtom(GetIETypeName(Arg(call, 0, context)->GetDType()));
}

void AddTypePredicate(TUserPackage* package, const char* name, TIETypes types) {
  Ref<IUserFunction> f(new TVerifyTypePFunction(name, types));
  package->Functions().Add(f.get());
}

}  // namespace

void TPredicatePackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  Add(this, "evenp", "Returns TRUE if the argument's integer value is even, FALSE otherwise",
      " <numeric-expression>", 1, 1, DoEvenP);
  Add(this, "oddp", "Returns TRUE if the argument's integer value is odd, FALSE otherwise",
      " <numeric-expression>", 1, 1, DoOddP);
  Add(this, "get-type", "Returns the name of the argument's type as a symbol, such as dtInteger",
      " <expression> ", 1, 1, DoGetType);
  AddTypePredicate(this, "lexemep", {dtAtom, dtString});
  AddTypePredicate(this, "numberp", {dtInteger, dtFloat});
  AddTypePredicate(this, "floatp", {dtFloat});
  AddTypePredicate(this, "fuzzyp", {dtFuzzy});
  AddTypePredicate(this, "integerp", {dtInteger});
  AddTypePredicate(this, "stringp", {dtString});
  AddTypePredicate(this, "symbolp", {dtAtom});
  AddTypePredicate(this, "multifieldp", {dtList});
  AddTypePredicate(this, "external-addressp", {dtExternalAddress});
  AddTypePredicate(this, "objectp", {dtObject});
}

}  // namespace rulecore
