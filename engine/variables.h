// rulecore: an embeddable expert-system shell.
// The engine's two tables of named values. TEngineVariables is the storage
// of store and fetch. TGlobalVariables holds each defglobal's initial value
// or initial expression; a global's current value is not kept here but as a
// global binding in the engine's context, which every registration and every
// reset (with ResetGlobals on) recomputes from this table. Both tables
// belong to one engine and live as long as it does.
#pragma once

#include <string>
#include <string_view>

#include "core/value_vector.h"

namespace rulecore {

class TInferenceEngine;

class RULECORE_API TEngineVariables : public TValueHashTable {
  RC_DECLARE_CLASS(TEngineVariables)

 public:
  // REQUIRES: `engine` outlives the table.
  explicit TEngineVariables(TInferenceEngine* engine) : engine_(engine) {}

  TInferenceEngine* Engine() const { return engine_; }
  // Every entry in the engine's printed form ("(defglobal ?name = value)"),
  // each followed by a line break.
  std::string GetToString() const;
  // "Variables": one "(defglobal ?name = value)" text per entry, in table
  // order, written when the table is not empty; reading stores each text's
  // value under its name (a global is given its value as Put does).
  void DefineProperties(TFiler& filer) override;

 protected:
  TInferenceEngine* engine_;
};

class RULECORE_API TGlobalVariables : public TEngineVariables {
  RC_DECLARE_CLASS(TGlobalVariables)

 public:
  using TEngineVariables::TEngineVariables;

  // Stores the initial value (a call value is an initial expression) and
  // gives the global its value at once through the engine's
  // ResetGlobalVariable. When the initial expression raises, the error
  // propagates and the global is left as it was: its earlier entry (or
  // none) and its earlier binding.
  void Put(std::string_view name, IIEValue* value);
  // Forgets every global and every current value (the bindings of the
  // engine's context).
  void Clear();
  // Copies the source's entries, each through Put, so each is given its
  // value.
  void Assign(const TPersistent& source) override;
};

}  // namespace rulecore
