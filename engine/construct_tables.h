// rulecore: an embeddable expert-system shell.
// The engine's construct tables (defined types, templates, deffunctions,
// rules) as persistent objects, so that component streaming writes each as
// a published property of the engine holding one extra property: the list
// of its constructs' rule-language texts. Each view belongs to one engine,
// holds nothing itself and lives as long as the engine.
#pragma once

#include "platform/object.h"

namespace rulecore {

class TInferenceEngine;

// Base of the views: the engine they show.
class RULECORE_API TConstructTable : public TPersistent {
  RC_DECLARE_CLASS(TConstructTable)

 public:
  // REQUIRES: `engine` outlives the view.
  explicit TConstructTable(TInferenceEngine* engine) : engine_(engine) {}
  TInferenceEngine* Engine() const { return engine_; }

 protected:
  TInferenceEngine* engine_;
};

// "DefTypes": every defined type's definition, ancestors first. Reading
// removes every defined type first (and with them the templates that use
// them), then defines each text's type.
class RULECORE_API TIEDefinedTypes : public TConstructTable {
  RC_DECLARE_CLASS(TIEDefinedTypes)

 public:
  using TConstructTable::TConstructTable;
  void DefineProperties(TFiler& filer) override;
};

// "Templates": every template's definition, parents first. Reading removes
// every template but the engine's own two (and with them every fact and
// rule), then defines each text's template.
class RULECORE_API TFactTemplates : public TConstructTable {
  RC_DECLARE_CLASS(TFactTemplates)

 public:
  using TConstructTable::TConstructTable;
  void DefineProperties(TFiler& filer) override;
};

// "Deffunctions": every deffunction's definition; reading defines each.
class RULECORE_API TUserFunctions : public TConstructTable {
  RC_DECLARE_CLASS(TUserFunctions)

 public:
  using TConstructTable::TConstructTable;
  void DefineProperties(TFiler& filer) override;
};

// "Rules": every rule's text, in table order; reading defines each rule.
class RULECORE_API TRules : public TConstructTable {
  RC_DECLARE_CLASS(TRules)

 public:
  using TConstructTable::TConstructTable;
  void DefineProperties(TFiler& filer) override;
};

}  // namespace rulecore
