// rulecore: an embeddable expert-system shell.
#include "engine/variables.h"

#include <memory>

#include "core/ie_consts.h"
#include "core/ie_value.h"
#include "engine/inference_engine.h"
#include "facts/context.h"
#include "language/printer.h"
#include "platform/filer.h"

namespace rulecore {

RC_DEFINE_CLASS(TEngineVariables, TValueHashTable, nullptr)
RC_DEFINE_CLASS(TGlobalVariables, TEngineVariables, nullptr)

// ================================================================ tables

std::string TEngineVariables::GetToString() const {
  std::string out;
  for (int i = 0; i < Count(); ++i)
    out += engine_->PrettyPrint(KeyAt(i), ValueAt(i)) + NewLineString;
  return out;
}

namespace {

// "?*name* = value" out of "(defglobal ?*name* = value)"; any other text is
// returned as it is.
std::string DefinitionBody(const std::string& text) {
  constexpr std::string_view kHead = "(defglobal";
  size_t begin = text.find_first_not_of(" \t\r\n");
  size_t end = text.find_last_not_of(" \t\r\n");
  if (begin == std::string::npos || text.compare(begin, kHead.size(), kHead) != 0 ||
      text[end] != ')')
    return text;
  begin += kHead.size();
  return text.substr(begin, end - begin);
}

}  // namespace

void TEngineVariables::DefineProperties(TFiler& filer) {
  TValueHashTable::DefineProperties(filer);
  filer.DefineStrings(
      "Variables",
      [this](const std::vector<std::string>& texts) {
        for (const std::string& text : texts) {
          std::string name;
          Ref<IIEValue> value = engine_->ParseVariable(DefinitionBody(text), name);
          if (auto* globals = dynamic_cast<TGlobalVariables*>(this))
            globals->Put(name, value.get());
          else
            TValueHashTable::Put(name, value.get());
        }
      },
      [this] {
        std::vector<std::string> texts;
        for (int i = 0; i < Count(); ++i)
          texts.push_back(engine_->PrettyPrint(KeyAt(i), ValueAt(i)));
        return texts;
      },
      Count() > 0);
}

void TGlobalVariables::Put(std::string_view name, IIEValue* value) {
  Ref<IIEValue> keep(value);
  const bool existed = ContainsKey(name);
  Ref<IIEValue> earlier(Get(name));
  TValueHashTable::Put(name, value);
  try {
    engine_->ResetGlobalVariable(std::string(name), value);
  } catch (...) {
    // A definition that cannot be given its value is not made: the global
    // keeps its earlier definition, so a later reset or save sees no
    // expression that was never accepted.
    if (existed)
      TValueHashTable::Put(name, earlier.get());
    else
      TValueHashTable::Remove(name);
    throw;
  }
}

void TGlobalVariables::Clear() {
  TValueHashTable::Clear();
  engine_->GetContext()->Clear();
}

void TGlobalVariables::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TValueHashTable*>(&source);
  if (!other) {
    TValueHashTable::Assign(source);
    return;
  }
  if (other == this) return;
  for (int i = 0; i < other->Count(); ++i) {
    IIEValue* value = other->ValueAt(i);
    Put(other->KeyAt(i), value ? value->Clone().get() : nullptr);
  }
}

// ================================================================ the engine's side

void TInferenceEngine::ResetGlobalVariable(const std::string& name, IIEValue* value) {
  Ref<IIEValue> initial(value ? value : FCNil);
  Ref<IIEValue> current;
  {
    // The expression runs in a scope of its own, freed whether it succeeds
    // or raises; a return inside it ends only that scope.
    std::unique_ptr<TIEContext> scope = context_->Push();
    current = initial->Resolve(scope.get());
  }
  context_->AddGlobalBinding(name, current->Clone().get());
}

void TInferenceEngine::SetGlobalVariable(const std::string& name, IIEValue* value) {
  globals_.Put(name, value);
}

std::string TInferenceEngine::PrettyPrint(const std::string& name, IIEValue* value) {
  return GlobalToRuleText(name, value);
}

std::string TInferenceEngine::PrettyPrintGlobalVariables() {
  return GlobalsToRuleText(globals_);
}

}  // namespace rulecore
