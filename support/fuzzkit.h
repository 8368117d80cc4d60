// rulecore: an embeddable expert-system shell.
// The fuzzy-set library as the engine sees it: fuzzy sets given by points and
// linguistic variables with term sets. Values of kind dtFuzzy hold an
// IFuzzySet; fuzzy defined types hold an IFuzzyVariable. The implementation
// installs itself with SetFuzzyKit; until one is installed no fuzzy set or
// fuzzy variable can be made, and asking for one raises SFuzzyUnavailable.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/interface.h"

namespace rulecore {

class IIEValue;
class IFuzzyVariable;

class RULECORE_API IFuzzySet : public virtual IInterface {
 public:
  virtual std::string GetName() const = 0;
  virtual void SetName(const std::string& name) = 0;
  virtual int GetPointCount() const = 0;
  virtual double GetXValues(int index) const = 0;
  virtual double GetYValues(int index) const = 0;
  virtual void SetXValues(int index, double x) = 0;
  virtual void SetYValues(int index, double y) = 0;
  // The linguistic variable the set belongs to; nil for a free set.
  virtual IFuzzyVariable* GetFuzzyVariable() const = 0;
  virtual void SetFuzzyVariable(IFuzzyVariable* variable) = 0;
  // Grade of membership of a crisp number.
  virtual double DegreeOfMembership(double x) const = 0;
  // The crisp value the set stands for (centre of gravity).
  virtual double GetCrispValue() const = 0;
  // Equality with any value, as the strict equality of values needs it.
  virtual bool EqualsValue(IIEValue* other) const = 0;
  virtual int32_t GetHashCode() const = 0;
  // The printed form, as it appears in facts and saved files.
  virtual std::string GetToString() const = 0;
  virtual std::string GetValuesToString() const = 0;
  virtual Ref<IFuzzySet> CloneSet() const = 0;
};

class RULECORE_API IFuzzyVariable : public virtual IInterface {
 public:
  virtual std::string GetName() const = 0;
  virtual void SetName(const std::string& name) = 0;
  virtual double GetLowerLimit() const = 0;
  virtual double GetUpperLimit() const = 0;
  virtual void SetLimits(double lower, double upper) = 0;
  virtual std::string GetUnits() const = 0;
  virtual void SetUnits(const std::string& units) = 0;
  virtual int GetTermCount() const = 0;
  virtual IFuzzySet* GetTerm(int index) const = 0;
  virtual void ClearFuzzySets() = 0;
  // A new set of this variable to serve as a default value.
  virtual Ref<IFuzzySet> NewDefaultSet() = 0;
  virtual bool Equals(IFuzzyVariable* other) const = 0;
  virtual void Assign(IFuzzyVariable* source) = 0;
  virtual std::string GetToString() const = 0;
};

// The factory a fuzzy-set library installs.
struct RULECORE_API TFuzzyKit {
  Ref<IFuzzyVariable> (*new_variable)(const std::string& name) = nullptr;
  Ref<IFuzzySet> (*new_set)(const std::vector<std::pair<double, double>>& points) = nullptr;
};

// Installs (or with nil arguments removes) the fuzzy-set library.
RULECORE_API void SetFuzzyKit(const TFuzzyKit& kit);
RULECORE_API bool FuzzyKitAvailable();
// A new fuzzy variable; raises EIEException with SFuzzyUnavailable when no
// library is installed.
RULECORE_API Ref<IFuzzyVariable> NewFuzzyVariable(const std::string& name);
// A new free fuzzy set with the given (x, y) points; raises as above.
RULECORE_API Ref<IFuzzySet> NewFuzzySet(const std::vector<std::pair<double, double>>& points);

}  // namespace rulecore
