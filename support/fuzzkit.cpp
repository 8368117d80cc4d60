// rulecore: an embeddable expert-system shell.
#include "support/fuzzkit.h"

#include "core/ie_exception.h"
#include "core/messages.h"

namespace rulecore {

namespace {
TFuzzyKit g_kit;
}  // namespace

void SetFuzzyKit(const TFuzzyKit& kit) {
  g_kit = kit;
}

bool FuzzyKitAvailable() {
  return g_kit.new_variable && g_kit.new_set;
}

Ref<IFuzzyVariable> NewFuzzyVariable(const std::string& name) {
  if (!g_kit.new_variable) RaiseIE(SFuzzyUnavailable);
  return g_kit.new_variable(name);
}

}  // namespace rulecore

namespace rulecore {

Ref<IFuzzySet> NewFuzzySet(const std::vector<std::pair<double, double>>& points) {
  if (!g_kit.new_set) RaiseIE(SFuzzyUnavailable);
  return g_kit.new_set(points);
}

}  // namespace rulecore
