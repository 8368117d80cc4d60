// rulecore: an embeddable expert-system shell.
// The rule-language parser. TIEParser holds what every parser has - the
// engine it builds for, the token stream, the options and the parse events;
// TIEClipsParser reads the CLIPS syntax: the top-level loop and error
// handling, the constructs (defrule, deffacts, deftemplate, deffunction,
// defglobal, deftype) and everything inside them (calls, values, facts,
// patterns, actions). Every syntax error is an EIEParseException reading
// "Parsing Error, <message> in <routine> at line <n>: <echo>". Objects built
// for an item that fails are freed; nothing of it reaches the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "language/clips_stream.h"
#include "language/parse_exception.h"

namespace rulecore {

class IRuleEngine;
class TFactSet;
class TFactSlot;
class TFactTemplate;
class TIEContext;
class TIEDefinedType;
class TIEPattern;
class TRule;

enum TParsedType : uint8_t {
  ptNone,
  ptValue,
  ptFunCall,
  ptRule,
  ptFactSet,
  ptFactTemplate,
  ptFunction,
  ptGlobals,
  ptDefType,
  ptEOF
};

using TParseEvent =
    std::function<void(TObject* sender, TParsedType type, TObject* object, IInterface* intf)>;
using TParseFactEvent = std::function<void(TObject* sender, IFact* fact)>;
using TParseFactSetEvent = std::function<void(TObject* sender, TFactSet* fact_set)>;
using TParseFactTemplateEvent = std::function<void(TObject* sender, IFactTemplate* tmpl)>;
using TParseFunCallEvent = std::function<void(TObject* sender, IFunCall* call)>;
using TParseFunctionEvent = std::function<void(TObject* sender, IUserFunction* function)>;
using TParseVariableEvent =
    std::function<void(TObject* sender, const std::string& name, IIEValue* value)>;
using TParsePatternEvent = std::function<void(TObject* sender, TIEPattern* pattern)>;
using TParseRuleEvent = std::function<void(TObject* sender, TRule* rule)>;
using TParseDefinedTypeEvent = std::function<void(TObject* sender, IIEDefinedType* type)>;
using TParseSingletonsEvent = std::function<void(TObject* sender, ISingletonsVector* points)>;

// A function whose parenthesised arguments are facts (first = 0) or, at the
// 1-based positions first..last, slot/value pairs.
struct TSlotFunction {
  std::string name;
  uint16_t first;
  uint16_t last;
};

class RULECORE_API TIEParser : public TPersistent {
 public:
  // REQUIRES: `engine` and `stream` (when given) outlive the parser.
  TIEParser(IRuleEngine* engine, TIETokenizerStream* stream);
  ~TIEParser() override;

  IRuleEngine* Engine() const { return engine_; }
  TIETokenizerStream* Stream() const { return stream_; }
  virtual void SetStream(TIETokenizerStream* stream) { stream_ = stream; }

  bool RequireFactTemplates() const { return require_templates_; }
  void SetRequireFactTemplates(bool on) { require_templates_ = on; }
  bool StaticTypeChecks() const { return static_checks_; }
  void SetStaticTypeChecks(bool on) { static_checks_ = on; }
  TErrorHandling ErrorHandling() const { return error_handling_; }
  void SetErrorHandling(TErrorHandling handling) { error_handling_ = handling; }
  int32_t MaxErrors() const { return max_errors_; }
  void SetMaxErrors(int32_t n) { max_errors_ = n; }

  // Copies the stream and the options (not the events).
  void Assign(const TPersistent& source) override;
  // Clears the stream's look-ahead and echo.
  virtual void Clear();
  // A fresh symbol from the engine.
  std::string GenerateSymbol(const std::string& prefix);
  // The function's syntax line ("     syntax: (name args)").
  std::string GetSyntaxStatement(IUserFunction* function) const;

  TParseEvent OnParse;
  TParseFactEvent OnParseFact;
  TParseFactSetEvent OnParseFactSet;
  TParseFactTemplateEvent OnParseFactTemplate;
  TParseFunCallEvent OnParseFunCall;
  TParseFunctionEvent OnParseFunction;
  TParseVariableEvent OnParseVariable;
  TParsePatternEvent OnParsePattern;
  TParseRuleEvent OnParseRule;

 protected:
  IRuleEngine* engine_;
  TIETokenizerStream* stream_;
  bool require_templates_ = false;
  bool static_checks_ = true;
  TErrorHandling error_handling_ = ehRaiseImmediate;
  int32_t max_errors_ = 10;
};

class RULECORE_API TIEClipsParser : public TIEParser {
 public:
  TIEClipsParser(IRuleEngine* engine, TIETokenizerStream* stream = nullptr);
  ~TIEClipsParser() override;

  TParseDefinedTypeEvent OnParseDefinedType;
  TParseSingletonsEvent OnParseSingletons;

  const std::vector<TSlotFunction>& SlotFunctions() const { return slot_functions_; }
  // Adds (or replaces) a slot function; a first position above the last
  // raises the last, a last of 0 is read as 1.
  void AddSlotFunction(const std::string& name, uint16_t first, uint16_t last);
  void Assign(const TPersistent& source) override;

  // ---- the top level
  // Reads the whole stream; with ehRaiseAllAtEnd errors are collected and
  // raised together at the end (top-level calls are then always executed).
  void Parse(bool execute);
  // Reads and handles one top-level item; false at the end of the stream.
  bool ParseExpression(bool execute);
  // Reads facts until the end of the stream and asserts each.
  bool LoadFacts();
  // What the item starting with `token` is (the token is put back for "(").
  TParsedType GetConstructType(IStreamToken* token);

  // ---- constructs
  std::unique_ptr<TRule> ParseRule();
  // A fact set owned by the engine's component, not yet among its fact sets.
  TFactSet* ParseFactSet();
  Ref<IFactTemplate> ParseFactTemplate();
  // One "(slot ...)" of `tmpl` (nil: a free slot); the slot is added to the
  // template when there is one.
  Ref<IFactSlot> ParseFactTemplateSlot(TFactTemplate* tmpl);
  Ref<IUserFunction> ParseFunction();
  bool ParseGlobalVariables();
  Ref<IIEDefinedType> ParseDefinedType();

  // ---- expressions
  Ref<IFunCall> ParseFunCall();
  // Parses a call and runs it in the engine's global context.
  Ref<IIEValue> ParseNExecuteFunCall();
  // Values up to a ")" left unread: one value, or a multifield of several.
  Ref<IIEValue> ParseValue();
  // Values up to a ")" left unread.
  Ref<IValueVector> ParseList();
  // One value of the given kinds (and defined type), checked when static
  // type checks are on.
  Ref<IIEValue> ParseValue(TIETypes kinds, IIEDefinedType* type);
  // One value for a template slot.
  Ref<IIEValue> ParseValue(IFactSlot* slot);
  Ref<ISingletonsVector> ParseSingletons();
  // "(name values)" as a two-element vector.
  Ref<IValueVector> ParseValuePair();
  Ref<IFact> ParseFact();
  // One slot of `fact`; returns the slot's name.
  std::string ParseFactSlot(IFact* fact);
  // "?*name* = value"; the name keeps its asterisks.
  Ref<IIEValue> ParseVariable(std::string& name);

  // ---- rules
  using TVariables = std::map<std::string, TIEType>;
  void ParseRulePatterns(TRule* rule, TVariables& variables);
  std::unique_ptr<TIEPattern> ParsePattern(int32_t negated_count, TVariables& variables);
  void ParseRuleActions(TRule* rule, TVariables& variables);

  // Raises the parse error for `message` found in `routine`.
  [[noreturn]] void ParseError(const std::string& routine, const std::string& message);

  // The name GenerateVariable would use: prefix, slot name, index (> 0).
  static std::string GenerateVarName(int32_t index, const std::string& prefix,
                                     const std::string& slot);
  // A variable value whose name is not yet in `variables`.
  Ref<IIEValue> GenerateVariable(const TVariables& variables, const std::string& prefix,
                                 const std::string& slot);

 private:
  Ref<IStreamToken> Next();
  // After "(": a point list when another "(" follows, else a function call.
  Ref<IIEValue> ParseParenthesised(IStreamToken* open);
  void PutBack(IStreamToken* token);
  // "(" keyword name [comment]; returns the token after them.
  Ref<IStreamToken> ParseHeader(std::string& name, std::string& comment, const char* error_message,
                                const char* routine, const char* keyword);
  void Expect(int32_t kind, const char* routine, const std::string& message);
  void ParseSlotTypes(TIETypes& kinds, Ref<IIEDefinedType>& type);
  void ParseRangeAndCardinality(TIEDefinedType* type, const std::string& keyword);
  void ParseAllowedEnumerations(TIEDefinedType* type, const std::string& keyword);
  void ParseDeclare(TRule* rule);
  void ParseSlotConstraints(TIEPattern* pattern, IFactSlot* slot, TVariables& variables);
  Ref<IIEValue> CheckTypedValue(Ref<IIEValue> value, TIETypes kinds, IIEDefinedType* type);
  const TSlotFunction* FindSlotFunction(const std::string& name) const;
  TIEContext* GlobalContext();

  std::vector<TSlotFunction> slot_functions_;
  int32_t depth_ = 0;  // nesting of calls and conditional elements being read

 public:
  // The deepest nesting of calls and conditional elements the parser reads.
  static constexpr int32_t kMaxNesting = 500;

 private:
  friend class NestingGuard;
};

// Reads `text` with a new stream and parser for `engine`: every item is
// handled as the top-level loop does.
RULECORE_API void ParseText(IRuleEngine* engine, const std::string& text, bool execute);

}  // namespace rulecore
