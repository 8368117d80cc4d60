// rulecore: an embeddable expert-system shell.
// TFactSet (deffacts): a named list of facts that the engine asserts on every
// reset. A fact set is a component: it keeps its facts as rule-language text,
// so it can exist and be stored without an engine, and reads the texts into
// fact objects once it is connected to one. Resetting asserts resolved clones,
// never the set's own facts, so a reset can run any number of times.
#pragma once

#include <string>
#include <vector>

#include "core/interfaces.h"
#include "platform/component.h"
#include "platform/string_list.h"

namespace rulecore {

class IFactEngine;

class RULECORE_API TFactSet : public TComponent {
  RC_DECLARE_CLASS(TFactSet)

 public:
  // Connects to `owner` when it is an engine; while designing, to the first
  // engine among the owner's components.
  explicit TFactSet(TComponent* owner = nullptr);
  ~TFactSet() override;

  const std::string& Comment() const { return comment_; }
  void SetComment(const std::string& comment) { comment_ = comment; }
  const std::string& FactSetName() const { return name_; }
  void SetFactSetName(const std::string& name) { name_ = name; }
  IFactEngine* Engine() const { return engine_; }

  // Connects to `engine` (nil disconnects): the set joins the engine's fact
  // sets and every text is read into a fact; disconnecting drops the facts
  // and keeps the texts. Parse errors pass through; entries read before the
  // failing one keep their facts.
  void SetEngine(IFactEngine* engine);
  // The same without reading the texts.
  void SetEngineNoParse(IFactEngine* engine);

  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& FactText(int i) const;
  // The texts of all entries.
  TStringList Facts() const;
  // Replaces the entries by `texts`, read into facts when there is an engine.
  void SetFacts(const TStringList& texts);

  // Appends the fact's printed form with the fact attached; returns its index.
  int AddFact(IFact* fact);
  // The fact of entry `i`, read from its text (and kept) when it has none and
  // there is an engine; nil without engine.
  IFact* GetFact(int i);
  void SetFact(int i, IFact* fact);
  // Empties entry i, text and fact, so that it is never read again: what the
  // engine does when the entry's template is removed.
  void ClearEntry(int i);
  // The index of the entry carrying `fact`, -1 when none (always for nil).
  int IndexOf(IFact* fact) const;
  // Deletes the entry carrying `fact`; returns its former index or -1.
  int Remove(IFact* fact);

  // Asserts a resolved clone of every fact, in order, through the engine.
  virtual void Reset();
  virtual std::string GetToString();
  void Loaded() override;
  void Assign(const TPersistent& source) override;
  // A new set owned by `owner`, assigned from this one.
  TFactSet* Clone(TComponent* owner) const;

 protected:
  void Notification(TComponent* c, TOperation op) override;

 private:
  struct Entry {
    std::string text;
    Ref<IFact> fact;
  };
  void CheckIndex(int i) const;
  void ParseEntries();

  std::string comment_;
  IFactEngine* engine_ = nullptr;  // watched by free notification
  // The engine as a component, kept so that the free notification can be
  // recognised without calling into an engine that is being destroyed.
  TComponent* engine_component_ = nullptr;
  std::string name_ = "FactSet";
  std::vector<Entry> entries_;
};

}  // namespace rulecore
