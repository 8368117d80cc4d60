// rulecore: an embeddable expert-system shell.
// Component streaming of the engine: its published settings, registered
// once while the library loads, and its knowledge base as lists of
// rule-language texts, one list per table, read back through the parser.
// The published properties are registered in the order they must be read:
// settings that steer parsing first, then defined types, templates,
// deffunctions, globals and rules; the engine's own lists of facts and fact
// sets follow them.
#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "engine/inference_engine.h"
#include "functions/interpreted_function.h"
#include "platform/filer.h"
#include "platform/properties.h"

namespace rulecore {

RC_DEFINE_CLASS(TConstructTable, TPersistent, nullptr)
RC_DEFINE_CLASS(TIEDefinedTypes, TConstructTable, nullptr)
RC_DEFINE_CLASS(TFactTemplates, TConstructTable, nullptr)
RC_DEFINE_CLASS(TUserFunctions, TConstructTable, nullptr)
RC_DEFINE_CLASS(TRules, TConstructTable, nullptr)

const TEnumInfo& DuplicateConstructsInfo() {
  static const TEnumInfo info("TDuplicateConstructs", {"dcOverwrite", "dcIgnore", "dcError"});
  return info;
}

const TEnumInfo& SearchStrategyInfo() {
  static const TEnumInfo info("TSearchStrategy", {"ssDepthFirst", "ssBreadthFirst"});
  return info;
}

const TEnumInfo& ErrorHandlingInfo() {
  static const TEnumInfo info("TErrorHandling", {"ehRaiseImmediate", "ehRaiseAllAtEnd"});
  return info;
}

const TEnumInfo& TypeCheckInfo() {
  static const TEnumInfo info("TTypeCheck", {"tcStatic", "tcDynamic"});
  return info;
}

const TEnumInfo& ConstructWatchInfo() {
  static const TEnumInfo info(
      "TConstructWatch", {"cwActivation", "cwFact", "cwRule", "cwCompilation", "cwStatistics"});
  return info;
}

const TEnumInfo& FunctionPackageInfo() {
  static const TEnumInfo info("TFunctionPackage",
                              {"pStandard", "pPredicate", "pMath", "pMiscellaneous", "pString",
                               "pObject", "pTrigonometry", "pBusiness", "pFuzzyLogic"});
  return info;
}

// ================================================================ the tables

void TIEDefinedTypes::DefineProperties(TFiler& filer) {
  TInferenceEngine& engine = *engine_;
  filer.DefineStrings(
      "DefTypes",
      [&engine](const std::vector<std::string>& texts) {
        engine.RemoveAllDefinedTypes();
        for (const std::string& text : texts) {
          Ref<IIEDefinedType> type = engine.ParseDefinedType(text);
          engine.AddDefinedType(type.get());
        }
      },
      [&engine] { return engine.DefinedTypeTexts(); }, !engine.types_.Empty());
}

void TFactTemplates::DefineProperties(TFiler& filer) {
  TInferenceEngine& engine = *engine_;
  filer.DefineStrings(
      "Templates",
      [&engine](const std::vector<std::string>& texts) {
        engine.RemoveAllFactTemplates();
        for (const std::string& text : texts) {
          Ref<IFactTemplate> tmpl = engine.ParseFactTemplate(text);
          engine.AddFactTemplate(tmpl.get());
        }
      },
      [&engine] { return engine.FactTemplateTexts(); }, !engine.templates_.Empty());
}

void TUserFunctions::DefineProperties(TFiler& filer) {
  TInferenceEngine& engine = *engine_;
  std::vector<IInterpretedFunction*> deffunctions;
  for (auto& [name, function] : engine.functions_)
    if (auto* f = dynamic_cast<IInterpretedFunction*>(function.get())) deffunctions.push_back(f);
  filer.DefineStrings(
      "Deffunctions",
      [&engine](const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
          engine.ParseFunction(text);
      },
      [&engine, &deffunctions] {
        std::vector<std::string> texts;
        for (IInterpretedFunction* f : deffunctions)
          texts.push_back(engine.PrettyPrint(f));
        return texts;
      },
      !deffunctions.empty());
}

void TRules::DefineProperties(TFiler& filer) {
  TInferenceEngine& engine = *engine_;
  filer.DefineStrings(
      "Rules",
      [&engine](const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
          engine.AddRule(engine.ParseRule(text));
      },
      [&engine] {
        // Printing a rule may name fresh variables; writing leaves the
        // engine's symbol index as it was.
        const int32_t index = engine.symbol_index_;
        std::vector<std::string> texts;
        for (auto& [name, rule] : engine.rules_)
          texts.push_back(rule->GetToString());
        engine.symbol_index_ = index;
        return texts;
      },
      !engine.rules_.Empty());
}

// ================================================================ the engine

void TInferenceEngine::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineStrings(
      "FactsList",
      [this](const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
          AssertText(text);
      },
      [this] {
        std::vector<std::string> texts;
        for (int i = 0; i < facts_.Count(); ++i)
          texts.push_back(facts_.Get(i)->GetToString());
        return texts;
      },
      !facts_.Empty());
  filer.DefineStrings(
      "FactSets",
      [this](const std::vector<std::string>& texts) {
        for (const std::string& text : texts) {
          TFactSet* set = ParseFactSet(text);
          set->SetEngineNoParse(this);
          AddFactSet(set);
        }
      },
      [this] {
        std::vector<std::string> texts;
        for (TFactSet* set : fact_sets_)
          texts.push_back(set->GetToString());
        return texts;
      },
      !fact_sets_.empty());
}

void TInferenceEngine::Loaded() {
  TComponent::Loaded();
  // Reading the rules may have used symbols past the streamed index; the
  // index only ever moves forward, so no symbol is handed out twice.
  if (loaded_symbol_index_ > symbol_index_) symbol_index_ = loaded_symbol_index_;
  loaded_symbol_index_ = 0;
}

void TInferenceEngine::WriteComponent(TStream& stream) {
  ::rulecore::WriteComponent(stream, *this);
}

void TInferenceEngine::ReadComponent(TStream& stream) {
  Clear();
  ::rulecore::ReadComponent(stream, *this);
}

using E = TInferenceEngine;

const bool TInferenceEngine::published_ = [] {
  TPublished<E>()
      .Enumeration(
          "DuplicateConstructs", DuplicateConstructsInfo(),
          [](E& e) { return e.DuplicateConstructs(); },
          [](E& e, int64_t v) { e.SetDuplicateConstructs(static_cast<TDuplicateConstructs>(v)); })
      .Set(
          "Packages", FunctionPackageInfo(), [](E& e) { return e.Packages().Bits(); },
          [](E& e, int64_t v) {
            e.SetPackages(TFunctionPackages::FromBits(static_cast<uint32_t>(v)));
          })
      .Boolean(
          "FactDuplication", [](E& e) { return e.FactDuplication(); },
          [](E& e, bool v) { e.SetFactDuplication(v); })
      .Float(
          "MinActivationStrength", [](E& e) { return e.MinActivationStrength(); },
          [](E& e, double v) { e.SetMinActivationStrength(static_cast<float>(v)); })
      .Enumeration(
          "ParserErrorHandling", ErrorHandlingInfo(), [](E& e) { return e.ParserErrorHandling(); },
          [](E& e, int64_t v) { e.SetParserErrorHandling(static_cast<TErrorHandling>(v)); })
      .Integer(
          "ParserMaxErrors", [](E& e) { return e.ParserMaxErrors(); },
          [](E& e, int64_t v) { e.SetParserMaxErrors(static_cast<int32_t>(v)); })
      .Boolean(
          "ResetGlobals", [](E& e) { return e.ResetGlobals(); },
          [](E& e, bool v) { e.SetResetGlobals(v); })
      .Enumeration(
          "Strategy", SearchStrategyInfo(), [](E& e) { return e.Strategy(); },
          [](E& e, int64_t v) { e.SetStrategy(static_cast<TSearchStrategy>(v)); })
      .Integer(
          "SymbolIndex", [](E& e) { return e.SymbolIndex(); },
          [](E& e, int64_t v) {
            if (e.ComponentState().Contains(csLoading))
              e.loaded_symbol_index_ = static_cast<int32_t>(v);
            else
              e.SetSymbolIndex(static_cast<int32_t>(v));
          })
      .Set(
          "TypeChecks", TypeCheckInfo(), [](E& e) { return e.TypeChecks().Bits(); },
          [](E& e, int64_t v) { e.SetTypeChecks(TTypeChecks::FromBits(static_cast<uint32_t>(v))); })
      .Set(
          "Watch", ConstructWatchInfo(), [](E& e) { return e.Watch().Bits(); },
          [](E& e, int64_t v) {
            e.SetWatch(TConstructWatches::FromBits(static_cast<uint32_t>(v)));
          })
      .Object("DefinedTypes", [](E& e) { return &e.DefinedTypes(); })
      .Object("FactTemplates", [](E& e) { return &e.FactTemplates(); })
      .Object("UserFunctions", [](E& e) { return &e.UserFunctions(); })
      .Object("GlobalVariables", [](E& e) { return &e.GlobalVariables(); })
      .Object("Rules", [](E& e) { return &e.Rules(); })
      .Object("Facts", [](E& e) { return &e.Facts(); });
  return true;
}();

}  // namespace rulecore
