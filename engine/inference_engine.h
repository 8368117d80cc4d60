// rulecore: an embeddable expert-system shell.
// TInferenceEngine: the component a host creates to hold and run a knowledge
// base. It owns the construct tables (templates, rules, defined types,
// functions, fact sets, globals), the fact list, the agenda, the Rete network,
// its execution context and parser, and it is the one object through which
// text is parsed, facts are asserted and retracted, rules are run and output
// is printed. Everything runs on the caller's thread; Run takes the engine's
// lock around each firing.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/value_vector.h"
#include "engine/agenda.h"
#include "engine/construct_tables.h"
#include "engine/fact_list.h"
#include "engine/variables.h"
#include "facts/context.h"
#include "facts/fact_set.h"
#include "language/stream_token.h"
#include "platform/component.h"
#include "platform/streams.h"
#include "platform/string_hash_table.h"
#include "platform/type_info.h"
#include "rete/network.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

class TIEClipsParser;

using TActivationNotifyEvent =
    std::function<void(TObject* sender, int index, TActivation* activation)>;
using TFactEvent = std::function<void(TObject* sender, IFact* fact)>;
using TRuleEvent = std::function<void(TObject* sender, TRule* rule)>;
using TTemplateEvent = std::function<void(TObject* sender, IFactTemplate* tmpl)>;
using TDefinedTypeEvent = std::function<void(TObject* sender, IIEDefinedType* type)>;
using TUserFunctionEvent = std::function<void(TObject* sender, IUserFunction* function)>;

// Input of one token from a logical stream name, into `token`.
using TReadTokenEvent =
    std::function<void(TObject* sender, const std::string& in_id, Ref<IStreamToken>& token)>;

// ---- host dialogs (input-box, input-query, message-dlg, show-message).
// The engine shows no dialog itself: the host assigns the events below; a
// dialog function whose event is not assigned raises SNoHostDialog.

// The kinds of message dialog, in the order message-dlg reads their names.
enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// The buttons a message dialog may show.
enum TMsgDlgBtn : uint8_t {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
// The button that closed a dialog; mrNone when it was closed otherwise.
enum TModalResult : uint8_t {
  mrNone,
  mrOk,
  mrCancel,
  mrAbort,
  mrRetry,
  mrIgnore,
  mrYes,
  mrNo,
  mrAll,
  mrNoToAll,
  mrYesToAll,
  mrHelp
};
RULECORE_API const TEnumInfo& MsgDlgTypeInfo();
RULECORE_API const TEnumInfo& MsgDlgBtnInfo();
RULECORE_API const TEnumInfo& ModalResultInfo();

// The member names of the engine's settings, for its published properties.
RULECORE_API const TEnumInfo& DuplicateConstructsInfo();
RULECORE_API const TEnumInfo& SearchStrategyInfo();
RULECORE_API const TEnumInfo& ErrorHandlingInfo();
RULECORE_API const TEnumInfo& TypeCheckInfo();
RULECORE_API const TEnumInfo& ConstructWatchInfo();
RULECORE_API const TEnumInfo& FunctionPackageInfo();

// input-box: shows `caption`, `prompt` and the editable `default_text`;
// returns the text entered, or `default_text` when the user cancels.
using TInputBoxEvent =
    std::function<std::string(TObject* sender, const std::string& caption,
                              const std::string& prompt, const std::string& default_text)>;
// input-query: the same dialog; `value` holds the default on entry and the
// entered text on return. Returns false when the user cancels.
using TInputQueryEvent = std::function<bool(TObject* sender, const std::string& caption,
                                            const std::string& prompt, std::string& value)>;
// message-dlg: shows `message` as a dialog of `type` with `buttons` and the
// help context `help_context` (0 when none was given); returns the button
// pressed.
using TMessageDlgEvent =
    std::function<TModalResult(TObject* sender, const std::string& message, TMsgDlgType type,
                               TMsgDlgButtons buttons, int32_t help_context)>;
// show-message: shows `message` with an OK button and returns when it closes.
using TShowMessageEvent = std::function<void(TObject* sender, const std::string& message)>;

class RULECORE_API TInferenceEngine : public TComponent, public IRuleEngine {
  RC_DECLARE_CLASS(TInferenceEngine)

 public:
  explicit TInferenceEngine(TComponent* owner = nullptr);
  ~TInferenceEngine() override;

  // ---- settings
  TDuplicateConstructs DuplicateConstructs() const { return duplicate_constructs_; }
  void SetDuplicateConstructs(TDuplicateConstructs policy) { duplicate_constructs_ = policy; }
  bool FactDuplication() const { return fact_duplication_; }
  // Allowing equal facts turns the fact list's lookup cache off (nothing is
  // looked up for them); refusing them turns it on again.
  void SetFactDuplication(bool on);
  TSearchStrategy Strategy() const { return agenda_.Strategy(); }
  // Re-adds the waiting activations under the new strategy.
  void SetStrategy(TSearchStrategy strategy);
  TSalience SalienceEvaluation() const { return salience_evaluation_; }
  void SetSalienceEvaluation(TSalience mode) { salience_evaluation_ = mode; }
  TConstructWatches Watch() const { return watch_; }
  void SetWatch(TConstructWatches watch) { watch_ = watch; }
  void SetTypeChecks(TTypeChecks checks) { type_checks_ = checks; }
  TTypeChecks TypeChecks() const { return type_checks_; }
  bool ResetGlobals() const { return reset_globals_; }
  void SetResetGlobals(bool on) { reset_globals_ = on; }
  TErrorHandling ParserErrorHandling() const { return parser_error_handling_; }
  void SetParserErrorHandling(TErrorHandling handling) { parser_error_handling_ = handling; }
  int32_t ParserMaxErrors() const { return parser_max_errors_; }
  void SetParserMaxErrors(int32_t n) { parser_max_errors_ = n; }
  float MinActivationStrength() const { return network_->MinActivationStrength(); }
  void SetMinActivationStrength(float value) { network_->SetMinActivationStrength(value); }
  int32_t SymbolIndex() const { return symbol_index_; }
  // Moves the index forward to `value`, or by one when `value` is not larger.
  void SetSymbolIndex(int32_t value);
  float Version() const { return 2.0f; }

  // ---- state
  bool Halted() const { return halted_; }
  void Halt() { halted_ = true; }
  int32_t NextRuleIdValue() const { return next_rule_id_; }
  int32_t NewFactId() { return next_fact_id_++; }
  TIEAgenda& Agenda() { return agenda_; }
  TReteNetwork& Network() { return *network_; }
  TActivation* CurrentActivation() const { return current_.get(); }
  // The fact list. Adding a fact to it asserts the fact, deleting one
  // retracts it, clearing it retracts every fact.
  TFacts& Facts() { return facts_; }
  const TFacts& Facts() const { return facts_; }
  // Copies the facts of `source` into this engine's list (TFacts::Assign);
  // the engine never adopts another list.
  void SetFacts(const TFacts& source) { facts_.Assign(source); }

  // ---- events
  TPrintOutEvent OnPrintOut;
  TReadLineEvent OnReadLine;
  TReadTokenEvent OnReadToken;
  TFactEvent OnAssertion;
  TFactEvent OnRetraction;
  TNotifyEvent OnClearFacts;
  TActivationNotifyEvent OnAddActivation;
  TActivationNotifyEvent OnRemoveActivation;
  TRuleEvent OnAddRule;
  TRuleEvent OnRemoveRule;
  TRuleEvent OnRuleFired;
  TTemplateEvent OnNewFactTemplate;
  TTemplateEvent OnRemoveFactTemplate;
  TNotifyEvent OnStartInference;
  TInferenceEvent OnEndInference;
  TNotifyEvent OnClear;
  TNotifyEvent OnReset;
  TDefinedTypeEvent OnAddDefinedType;
  TDefinedTypeEvent OnRemoveDefinedType;
  TUserFunctionEvent OnAddUserFunction;
  TUserFunctionEvent OnRemoveUserFunction;
  // Raised by Clear as each table is emptied, before OnClear.
  TNotifyEvent OnClearRules;
  TNotifyEvent OnClearFactTemplates;
  TNotifyEvent OnClearDefinedTypes;
  // Raised when the default packages have been attached.
  TNotifyEvent OnAddDefaultPackages;
  TInputBoxEvent OnInputBox;
  TInputQueryEvent OnInputQuery;
  TMessageDlgEvent OnMessageDlg;
  TShowMessageEvent OnShowMessage;

  // Attaches the built-in function packages named in Packages (owned by the
  // engine), in a fixed order: a later package's function of the same name
  // replaces an earlier one as the duplicate-construct policy says.
  void AddDefaultPackages();
  TFunctionPackages Packages() const { return packages_; }
  // A different set frees every package the engine owns (the host's own
  // packages given to the engine as owner included) and attaches the set's.
  void SetPackages(TFunctionPackages packages);

  // ---- the knowledge base
  // Empties the knowledge base (keeping settings, events and built-in
  // functions); the fact list stays empty until Reset.
  void Clear();
  // Retracts every fact, resets the rules, asserts (Initial-Fact), restores
  // the globals and asserts the facts of every fact set.
  void Reset();
  // Defines every construct in `text`; executes top-level calls when asked.
  void Parse(const std::string& text, bool execute);

  // ---- saving and loading (engine/persistence.cpp)
  // Saving never changes the engine. A save to a file writes a new file
  // beside it and renames it over the old one only when the whole text was
  // written, so a failed save leaves the old file as it was; failures raise
  // EStreamError naming the file. Loading defines what it reads as Parse
  // does (under DuplicateConstructs) and executes top-level calls; an error
  // raises EIEParseException with the line it was found on, and what was
  // read before it stays defined.

  // The whole knowledge base as rule-language text: a comment header with
  // the counts, the fact-duplication setting, then sections of globals,
  // defined types, templates, deffunctions, rules, fact sets and facts.
  virtual std::string GetExpertSystem();
  // Clears the engine, reads `text` as a knowledge base, then resets.
  virtual void SetExpertSystem(const std::string& text);
  // From another engine: clears this one, copies its settings, the functions
  // its host registered that this engine lacks, and its knowledge base
  // (globals, defined types, templates, deffunctions, rules, fact sets, and
  // its facts asserted anew), all as fresh objects of this engine, so that
  // the source may go. Nothing is printed while the copy is made. Any other
  // source raises EConvertError.
  void Assign(const TPersistent& source) override;
  virtual void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& path);
  // Adds what the stream defines to the knowledge base (no clear, no reset).
  virtual void LoadFromStream(TStream& stream);
  // A missing file raises EStreamError naming it.
  void LoadFromFile(const std::string& path);
  // Every listed fact, one per line; with a template name only the facts of
  // that template (exact name).
  virtual void SaveFacts(TStream& stream);
  virtual void SaveFacts(TStream& stream, const std::string& template_name);
  void SaveFacts(const std::string& path);
  void SaveFacts(const std::string& path, const std::string& template_name);
  // Reads facts (each in parentheses, without assert) and asserts each.
  virtual bool LoadFacts(TStream& stream);
  bool LoadFacts(const std::string& path);
  // Every template's definition, in table order.
  virtual void SaveFactTemplates(TStream& stream);
  void SaveFactTemplates(const std::string& path);
  // Removes every template first, and with them every fact and rule.
  virtual void LoadFactTemplates(TStream& stream);
  void LoadFactTemplates(const std::string& path);
  // Every rule's text, in table order.
  virtual void SaveRules(TStream& stream);
  void SaveRules(const std::string& path);
  // Removes every rule first.
  virtual void LoadRules(TStream& stream);
  void LoadRules(const std::string& path);
  // Every defined type's definition, in table order.
  virtual void SaveDefinedTypes(TStream& stream);
  void SaveDefinedTypes(const std::string& path);
  // Removes every defined type first, and with them the templates using them.
  virtual void LoadDefinedTypes(TStream& stream);
  void LoadDefinedTypes(const std::string& path);

  // ---- component streaming (engine/streaming.cpp)
  // The published properties are the settings DuplicateConstructs,
  // Packages, FactDuplication, MinActivationStrength, ParserErrorHandling,
  // ParserMaxErrors, ResetGlobals, Strategy, SymbolIndex, TypeChecks and
  // Watch, then the tables DefinedTypes ("DefTypes"), FactTemplates
  // ("Templates"), UserFunctions ("Deffunctions"), GlobalVariables
  // ("Variables") and Rules ("Rules"), each holding the list of its
  // constructs' texts; the engine adds "FactsList" (every fact) and
  // "FactSets" (every fact set). A list is written only when its table is
  // not empty, and they are read in this order, so every construct finds
  // what it uses already defined.

  // Writes the engine as a component stream (platform/filer.h).
  void WriteComponent(TStream& stream);
  // Clears the knowledge base, then reads a stream WriteComponent wrote: the
  // settings, the constructs, and the facts asserted anew in their order.
  // A damaged stream raises EReadError and a construct that does not read
  // raises its parse error; what was read before stays.
  void ReadComponent(TStream& stream);
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;
  TIEDefinedTypes& DefinedTypes() { return defined_types_table_; }
  TFactTemplates& FactTemplates() { return fact_templates_table_; }
  TUserFunctions& UserFunctions() { return user_functions_table_; }
  TRules& Rules() { return rules_table_; }

  // ---- facts
  // The new fact's id, or -1 when it was refused as a duplicate or is
  // already listed. SNoTemplate for a fact without a template.
  int32_t AssertFact(IFact* fact);
  int32_t AssertText(const std::string& text);
  // Retracts the listed fact with that id; false when there is none.
  bool Retract(int32_t id);
  bool RetractFact(IFact* fact);
  // Parses the text as one fact, resolves its variables in the engine's
  // context and retracts the first listed fact equal to it; false when none.
  bool RetractText(const std::string& text);
  // Retracts every fact at once (one clear token, no retraction events).
  void RetractFacts();
  IFact* FactById(int32_t id) const;
  void BeginFactModify(IFact* fact);
  int32_t EndFactModify(IFact* fact);

  // ---- running
  // Fires activations until the agenda is empty, the engine is halted or
  // `max_rules` rules fired; returns the number fired.
  int32_t Run(int32_t max_rules = 2147483647);
  void Lock();
  void Unlock();

  // ---- output
  // Prints to a logical name: "t" or "" reach OnPrintOut.
  // Any other registered name reaches its stream.
  void PrintOut(const std::string& channel, const std::string& text) override;
  // The next line of a registered stream ("" at its end), else of the host.
  std::string ReadLine(const std::string& channel);

  // The next token of a registered stream (the rest of its line is
  // skipped), of a running batch, or of the host; EOF at the end.
  Ref<IStreamToken> ReadToken(const std::string& channel);

  // ---- batch: each line of the stream is parsed and executed in turn, and
  // console input comes from the lines that follow. Batches nest. A line
  // that raises ends the batch and the error reaches the caller.
  bool Batch(TTextStream& stream);
  // A file that cannot be opened raises the stream's error.
  bool Batch(const std::string& path);
  bool Batching() const { return batch_ != nullptr; }

  // ---- capture: console output goes to a stream instead of OnPrintOut
  // Takes the stream; a capture already running is closed first.
  bool StartCapture(std::unique_ptr<TStream> stream);
  // Creates (or truncates) the file and captures into it; false, with
  // nothing changed, when the file cannot be created.
  bool StartCapture(const std::string& path);
  bool StopCapture();
  bool Capturing() const { return capture_ != nullptr; }

  // ---- engine variables: the storage of store, fetch and clear-storage
  TEngineVariables& EngineVariables() { return engine_variables_; }

  // ---- streams under logical names (the engine owns them)
  // Registers `stream` under `name`; a clash follows DuplicateConstructs.
  // Returns false when the clash was ignored: the new stream is closed.
  bool AddStream(const std::string& name, std::unique_ptr<TTextStream> stream);
  // Closes and forgets the stream; an unknown name raises SInvalidStreamName.
  void RemoveStream(const std::string& name);
  bool ContainsStream(const std::string& name) const { return streams_.Find(name) != nullptr; }
  // Closes every stream.
  void ClearStreams();

  // ---- tables
  IFactTemplate* FindFactTemplate(const std::string& name) override;
  TRule* FindRule(const std::string& name) override;
  int RuleCount() const { return rules_.Count(); }
  TRule* RuleAt(int i) const { return rules_.At(i).second.get(); }
  int FactTemplateCount() const { return templates_.Count(); }
  IFactTemplate* FactTemplateAt(int i) const { return templates_.At(i).second.get(); }
  // Removes the template with what depends on it: its pending and listed
  // facts, its facts in fact sets (left empty) and the rules with a pattern
  // on it. False when there is no such template.
  bool RemoveFactTemplate(const std::string& name);
  // Removes the type and every template with a slot of that type.
  bool RemoveDefinedType(const std::string& name);
  // Removes the rule (and its activations); false when unknown.
  bool RemoveRule(const std::string& name);
  int DefinedTypeCount() const { return types_.Count(); }
  IIEDefinedType* DefinedTypeAt(int i) const { return types_.At(i).second.get(); }
  // Removes the function registered under `name` from this engine (a
  // deffunction is discarded; a built-in one stays with its package, which
  // no longer registers it here). False when there is none.
  bool RemoveFunction(const std::string& name);
  const std::vector<TFactSet*>& FactSets() const { return fact_sets_; }
  // The fact set called `name` (exact case), or nullptr.
  TFactSet* FindFactSet(const std::string& name) const;
  // Detaches the fact set called `name` and frees it when the engine owns
  // it; its facts already asserted stay. False when there is none.
  bool RemoveFactSet(const std::string& name);
  const TValueHashTable& Globals() const { return globals_; }
  TGlobalVariables& GlobalVariables() { return globals_; }
  IIEValue* GlobalValue(const std::string& name) const { return globals_.Get(name); }
  // Binds the global `name` in the engine's context to `value`, or to the
  // result of `value` evaluated in a scope of its own when it is a call. An
  // evaluation that raises propagates and leaves the earlier binding.
  void ResetGlobalVariable(const std::string& name, IIEValue* value);
  // "(defglobal ?name = value)".
  std::string PrettyPrint(const std::string& name, IIEValue* value);
  // "(defglobal ?*a* = 1 ?*b* = 2)" for every global, in table order.
  virtual std::string PrettyPrintGlobalVariables();

  // ---- IFactEngine
  TComponent* GetComponent() override { return this; }
  TTypeChecks GetTypeChecks() const override { return type_checks_; }
  int32_t GetNextFactId() const override { return next_fact_id_; }
  TIEContext* GetContext() override { return context_.get(); }
  std::string GenerateSymbol(const std::string& prefix) override;
  std::string PrettyPrint(IFunCall* call) override;
  std::string PrettyPrint(IFact* fact) override;
  std::string PrettyPrint(IUserFunction* function) override;
  std::string PrettyPrint(IInterpretedFunction* function) override;
  std::string PrettyPrint(IIEDefinedType* type) override;
  std::string PrettyPrint(IFactTemplate* tmpl) override;
  std::string PrettyPrint(IFactSlot* slot) override;
  std::string PrettyPrint(TFactSet* fact_set) override;
  std::string PrettyPrint(TIEPattern* pattern) override;
  std::string PrettyPrint(TRule* rule) override;
  void ChangeFactTemplateName(const std::string& old_name, const std::string& new_name) override;
  Ref<IFactSlot> ParseFactTemplateSlot(const std::string& text) override;
  Ref<IIEValue> ParseValue(const std::string& text) override;
  Ref<IFunCall> ParseFunCall(const std::string& text);
  // A new value of the given kind read from the text: symbols and variables
  // hold it as it stands, strings lose one pair of quotes, numbers are read
  // (EConvertError when they do not read), facts, calls and lists are
  // parsed. Kinds that cannot be read from text raise SParseTypeError.
  Ref<IIEValue> Parse(const std::string& text, TIEType kind);
  Ref<IFact> ParseFact(const std::string& text) override;
  // A "(defglobal ...)" text: each global is defined as it is read.
  bool ParseGlobalVariables(const std::string& text);
  // One global definition "?*name* = value" (the value may be a call): the
  // value, with the name in `name`; nothing is defined.
  Ref<IIEValue> ParseVariable(const std::string& text, std::string& name);
  std::unique_ptr<TRule> ParseRule(const std::string& text) override;
  // One construct read from the text and returned, not yet registered.
  Ref<IFactTemplate> ParseFactTemplate(const std::string& text);
  Ref<IIEDefinedType> ParseDefinedType(const std::string& text);
  // The new fact set is owned by the engine as a component but is not yet
  // among its fact sets.
  TFactSet* ParseFactSet(const std::string& text);
  // A deffunction, registered with the engine as it is read.
  Ref<IUserFunction> ParseFunction(const std::string& text);
  IIEDefinedType* FindDefinedType(const std::string& name) override;
  IFactTemplate* CreateFactTemplate(IFactTemplate* source) override;
  IFactTemplate* CreateFactTemplate(const std::string& name) override;
  Ref<IFact> Assert(IFact* fact, bool flag) override;
  void AddFactSet(TFactSet* fact_set) override;
  void RemoveFactSet(TFactSet* fact_set) override;
  Ref<IIEValue> EvalFuzzyExpression(IFuzzyVariable* variable, IIEValue* value,
                                    TIEContext* context) override;

  // ---- IReasoner
  void AddUserFunction(IUserFunction* function) override;
  void RemoveUserFunction(IUserFunction* function) override;
  bool ContainsUserFunction(std::string_view name) override;
  bool ContainsUserFunction(std::string_view name, IUserFunction** function) override;
  IUserFunction* GetUserFunction(std::string_view name) override;
  std::vector<IUserFunction*> GetUserFunctions() override;
  void SetUserFunction(std::string_view name, IUserFunction* function) override;

  // ---- IRuleEngine
  void AddFactTemplate(IFactTemplate* tmpl) override;
  void AddDefinedType(IIEDefinedType* type) override;
  void AddRule(std::unique_ptr<TRule> rule) override;
  std::unique_ptr<TRule> ExtractRule(TRule* rule) override;
  void SetGlobalVariable(const std::string& name, IIEValue* value) override;
  int32_t NewRuleId() override { return next_rule_id_++; }
  void RuleChange(TRule* rule) override;
  void RenameRule(TRule* rule, const std::string& old_name) override;
  TIEPattern* InitialFactPattern() override { return initial_pattern_.get(); }
  IFact* NullFact() override { return null_fact_.get(); }
  ISingletonsParser* SingletonsParser() override { return nullptr; }
  void AddActivation(TActivation* activation) override;
  void RemoveActivation(TActivation* activation) override;
  void RuleFired(TActivation* activation) override;
  int FactCount() override { return facts_.Count(); }
  IFact* FactAt(int index) override { return facts_.Get(index); }
  void AddPendingFact(IFact* fact, bool assertion) override;

 private:
  friend class TIEDefinedTypes;
  friend class TFactTemplates;
  friend class TUserFunctions;
  friend class TRules;
  friend class TFacts;

  template <class Result, class Read>
  Result ReadText(const std::string& text, Read read);
  // The definitions of the defined types (ancestors first) and of the
  // templates (parents first), as a saved knowledge base lists them.
  std::vector<std::string> DefinedTypeTexts();
  std::vector<std::string> FactTemplateTexts();
  // Removes every defined type, and with them the templates using them.
  void RemoveAllDefinedTypes();
  // Removes every fact, rule and template but the engine's own two.
  void RemoveAllFactTemplates();
  void ProcessPendingFacts();
  // Asserts `fact` under the id `own_id` (>= 0; the fact list preserving
  // ids), or under the next id when `own_id` is -1.
  int32_t AssertFactAs(IFact* fact, int32_t own_id);
  void RetractAt(size_t index);
  // Re-adds every waiting activation through AddActivation, in the order
  // they wait; equal saliences keep that order.
  void RebuildAgenda();
  // Frees a rule that left the rule table, or keeps it until the end of the
  // firing when it is the rule being fired.
  void Retire(std::unique_ptr<TRule> rule);
  void Watched(TConstructWatch item, const std::string& line);
  void RemoveDependencies(IFactTemplate* tmpl);
  void ReplaceTemplate(IFactTemplate* old_tmpl, IFactTemplate* new_tmpl);
  void SwapTemplate(IFactTemplate* old_tmpl, IFactTemplate* new_tmpl);
  void ReplaceDefinedType(IIEDefinedType* old_type, IIEDefinedType* new_type);
  void BeginInference();
  void CountFiring();
  void EndInference();
  // Whether a watch line for `item` would be printed (so its text is only
  // built then).
  bool Watching(TConstructWatch item) const { return watch_.Contains(item) && OnPrintOut; }
  void CreateInitialObjects();
  void ReleaseOwnedLinks();
  // Frees the packages the engine owns, newest first.
  void FreePackages();

  TDuplicateConstructs duplicate_constructs_ = dcOverwrite;
  bool fact_duplication_ = false;
  TSalience salience_evaluation_ = sActivate;
  TConstructWatches watch_;
  TTypeChecks type_checks_{tcStatic};
  bool reset_globals_ = true;
  TFunctionPackages packages_ = AllFunctionPackages;
  TErrorHandling parser_error_handling_ = ehRaiseImmediate;
  int32_t parser_max_errors_ = 10;
  int32_t symbol_index_ = 1;
  bool halted_ = false;
  int32_t next_fact_id_ = 0;
  int32_t next_rule_id_ = 0;
  int32_t rules_fired_ = 0;
  // Run statistics, kept while cwStatistics is watched.
  double start_time_ = 0;  // milliseconds
  float fact_count_sum_ = 0;
  float agenda_size_sum_ = 0;
  int32_t max_fact_count_ = 0;
  int32_t max_agenda_size_ = 0;
  bool modifying_ = false;

  std::unique_ptr<TIEContext> context_;
  TStringHashTable<Ref<IFactTemplate>> templates_;
  TStringHashTable<Ref<IIEDefinedType>> types_;
  TStringHashTable<Ref<IUserFunction>> functions_;
  TStringHashTable<std::unique_ptr<TRule>> rules_;
  TStringHashTable<std::unique_ptr<TTextStream>> streams_;
  std::unique_ptr<TStream> capture_;
  TEngineVariables engine_variables_{this};
  TTextStream* batch_ = nullptr;      // the innermost running batch
  std::vector<TFactSet*> fact_sets_;  // owned as components (or by the host)
  TGlobalVariables globals_{this};    // initial values, restored on reset
  TFacts facts_{this};
  std::vector<Ref<IFact>> pending_assertions_;
  std::vector<Ref<IFact>> pending_retractions_;
  TIEAgenda agenda_;
  std::unique_ptr<TReteNetwork> network_;
  std::unique_ptr<TIEPattern> initial_pattern_;
  Ref<IFact> null_fact_;
  Ref<TActivation> current_;
  std::vector<std::unique_ptr<TRule>> retired_rules_;  // removed while firing
  std::unique_ptr<std::recursive_mutex> lock_;
  // The tables as persistent objects, for component streaming.
  TIEDefinedTypes defined_types_table_{this};
  TFactTemplates fact_templates_table_{this};
  TUserFunctions user_functions_table_{this};
  TRules rules_table_{this};
  // A SymbolIndex read while loading, applied once loading ends (0: none).
  int32_t loaded_symbol_index_ = 0;
  // Registers the published properties while the library loads.
  static const bool published_;
};

}  // namespace rulecore
