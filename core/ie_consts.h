// rulecore: an embeddable expert-system shell.
// The shared vocabulary of the runtime: kinds of value and named sets of
// kinds, the type keywords of the rule language, the option enumerations of
// the engine, fixed numbers and strings, and the engine's callback types.
// Nothing here has behaviour of its own; users of each constant say what
// they do with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/enum_set.h"
#include "platform/export.h"
#include "platform/object.h"

namespace rulecore {

// ---------------------------------------------------------------- kinds

// The kind of a value. The enumerator's own name is the kind's printable name
// (GetIETypeName), used by every message that names a kind.
enum TIEType : uint8_t {
  dtNone,             // no value (a reset value)
  dtAtom,             // a symbol
  dtString,           // a quoted string
  dtInteger,          // a signed 32-bit integer
  dtVariable,         // a single-field variable reference, printed "?name"
  dtFactId,           // a fact identifier
  dtFloat,            // a double-precision number
  dtFunCall,          // a function-call expression (IFunCall)
  dtFact,             // a fact (IFact)
  dtList,             // a multifield value (IValueVector)
  dtDescriptor,       // an integer handle
  dtObject,           // a reference to a host object, optionally owned
  dtClass,            // a reference to a host class
  dtExternalAddress,  // an untyped address
  dtSingletons,       // (x, y) singleton pairs (ISingletonsVector)
  dtFuzzy,            // a fuzzy set (IFuzzySet)
  dtMultiVariable,    // a multifield variable reference, printed "$?name"
  dtSlot,             // a slot name
  dtMultiSlot,        // a multislot name
};
inline constexpr int kIETypeCount = 19;

using TIETypes = TSet<TIEType>;

inline constexpr TIETypes IEStringTypes{dtAtom,          dtString, dtVariable,
                                        dtMultiVariable, dtSlot,   dtMultiSlot};
inline constexpr TIETypes IENumericTypes{dtInteger, dtFloat};
inline constexpr TIETypes IEIntegerTypes{dtInteger, dtFactId, dtDescriptor};
inline constexpr TIETypes IEFactTypes{dtInteger, dtFactId, dtFloat};
inline constexpr TIETypes IEVariableTypes{dtVariable, dtMultiVariable};
inline constexpr TIETypes IEAlwaysValidTypes{dtNone, dtVariable, dtFunCall, dtMultiVariable};
inline constexpr TIETypes IEMultiSlotTypes{dtList, dtMultiSlot};
inline constexpr TIETypes IESlotTypes{dtAtom,       dtString, dtInteger, dtVariable,
                                      dtFactId,     dtFloat,  dtFunCall, dtFact,
                                      dtDescriptor, dtObject, dtClass,   dtExternalAddress};
inline constexpr TIETypes IESlotTypesWithFuzzy = IESlotTypes | TIETypes{dtSingletons, dtFuzzy};
inline constexpr TIETypes IEReparseTypes{dtFunCall, dtFact, dtFuzzy};

// ---------------------------------------------------------------- type keywords

// Keywords naming allowed kinds in slot and type declarations, compared with
// the token text exactly.
inline constexpr const char* STypeSymbolKeyword = "SYMBOL";
inline constexpr const char* STypeAtomKeyword = "ATOM";
inline constexpr const char* STypeStringKeyword = "STRING";
inline constexpr const char* STypeLexemeKeyword = "LEXEME";
inline constexpr const char* STypeIntegerKeyword = "INTEGER";
inline constexpr const char* STypeFloatKeyword = "FLOAT";
inline constexpr const char* STypeNumberKeyword = "NUMBER";
inline constexpr const char* STypeClassKeyword = "CLASS";
inline constexpr const char* STypeDescriptorKeyword = "DESCRIPTOR";
inline constexpr const char* STypeObjectKeyword = "OBJECT";
inline constexpr const char* STypeExternalAddrKeyword = "EXTERNALADDRESS";
inline constexpr const char* STypeFuzzyKeyword = "FUZZY";
inline constexpr const char* STypeFactIdKeyword = "FACTID";
inline constexpr const char* STypeFactKeyword = "FACT";
inline constexpr const char* STypeVariableKeyword = "?VARIABLE";

struct TTypeKeyword {
  const char* text;
  TIETypes kinds;
};

// Every type keyword with the kinds it stands for, in table order.
inline constexpr TTypeKeyword IETypeKeywords[] = {
    {STypeSymbolKeyword, {dtAtom}},
    {STypeAtomKeyword, {dtAtom}},
    {STypeStringKeyword, {dtString}},
    {STypeLexemeKeyword, {dtAtom, dtString}},
    {STypeIntegerKeyword, {dtInteger}},
    {STypeFloatKeyword, {dtFloat}},
    {STypeNumberKeyword, {dtInteger, dtFloat}},
    {STypeClassKeyword, {dtInteger, dtClass}},
    {STypeDescriptorKeyword, {dtInteger, dtDescriptor}},
    {STypeObjectKeyword, {dtInteger, dtObject}},
    {STypeExternalAddrKeyword, {dtInteger, dtExternalAddress}},
    {STypeFuzzyKeyword, {dtFuzzy}},
    {STypeFactIdKeyword, {dtInteger, dtFactId}},
    {STypeFactKeyword, {dtFact}},
    {STypeVariableKeyword, IESlotTypes},
};

// Looks `word` up among the type keywords (exact case). On a match stores its
// kinds in `*kinds` and returns true.
RULECORE_API bool FindTypeKeyword(std::string_view word, TIETypes* kinds);

// Joins the kinds of `word` into `*kinds`: a keyword's kinds are added, except
// "?VARIABLE", whose kinds replace the set. Returns false when `word` is no
// keyword (the caller then looks for a defined type of that name).
RULECORE_API bool JoinTypeKeyword(std::string_view word, TIETypes* kinds);

// ---------------------------------------------------------------- options

enum TTemplateSlotType : uint8_t { tstSlot, tstMultiSlot };

enum TValueConstraint : uint8_t { vcAtom, vcString, vcInteger, vcFloat };
using TValueConstraints = TSet<TValueConstraint>;

enum TTypeCheck : uint8_t { tcStatic, tcDynamic };
using TTypeChecks = TSet<TTypeCheck>;

enum TTokenAction : uint8_t { taClear, taAdd, taRemove, taUpdate };

enum TDuplicateConstructs : uint8_t { dcOverwrite, dcIgnore, dcError };

enum TErrorHandling : uint8_t { ehRaiseImmediate, ehRaiseAllAtEnd };

enum TSalience : uint8_t { sActivate, sEveryTime };

enum TRuleConstruct : uint8_t { rcPattern, rcAction };

enum TSearchStrategy : uint8_t { ssDepthFirst, ssBreadthFirst };

enum TConstructWatch : uint8_t { cwActivation, cwFact, cwRule, cwCompilation, cwStatistics };
using TConstructWatches = TSet<TConstructWatch>;

// The built-in function packages an engine can attach, in bit order.
enum TFunctionPackage : uint8_t {
  pStandard,
  pPredicate,
  pMath,
  pMiscellaneous,
  pString,
  pObject,
  pTrigonometry,
  pBusiness,
  pFuzzyLogic
};
using TFunctionPackages = TSet<TFunctionPackage>;
inline constexpr TFunctionPackages AllFunctionPackages = TFunctionPackages::FromBits(0x1FFu);

// Options of a host front end; the runtime library itself does not act on them.
enum TIEDialogOption : uint8_t { doNew, doOpen, doSave, doSaveAs, doPrint, doPrintSetup };
using TIEDialogOptions = TSet<TIEDialogOption>;

enum TValidAction : uint8_t {
  vaFileNew,
  vaFileOpen,
  vaFileSave,
  vaFileSaveAs,
  vaEditTypes,
  vaEditFacts,
  vaEditFactTemplates,
  vaEditRules,
  vaIERun,
  vaIERunOneStep,
  vaIEReset
};
using TValidActions = TSet<TValidAction>;

enum TValidView : uint8_t { vvAgenda, vvFacts, vvFactTemplates, vvRules };
using TValidViews = TSet<TValidView>;

// The text type of every construct name.
using TIEName = std::string;

// ---------------------------------------------------------------- numbers

// Pattern index of a binding made by an action (a local variable).
inline constexpr int32_t LocalBindingIndex = -2;
// No position inside a multifield.
inline constexpr int32_t NoSubIndex = -1;
// Default right margin, in characters, for pretty-printing.
inline constexpr int32_t DefaultPrintMargin = 200;

// ---------------------------------------------------------------- strings

inline constexpr const char* IndentString = "    ";
inline constexpr const char* NewLineString = "\r\n";
inline constexpr const char* SFactPrefix = "__factidx";
inline constexpr const char* SEqStarPrefix = "_eq_";
inline constexpr const char* SBackChainPrefix = "need-";
inline constexpr const char* SBlankPrefix = "_blank_";
inline constexpr const char* SBlankMulti = "_blank_$";
inline constexpr const char* SDefaultSlotName = "__Data";
inline constexpr const char* STestCE = "test";
inline constexpr const char* SLocalBinding = "__LOCAL";
inline constexpr const char* SPatternBinding = "__PATTERN";
inline constexpr const char* SRuleBinding = "__RULE";
inline constexpr const char* SInitialFactPattern = "Initial-Fact";
inline constexpr const char* SInitialFact = "(Initial-Fact)";
inline constexpr const char* SNullFact = "__NOT-OR-TEST-CE*";
inline constexpr const char* SMultiSlotVar = "$?__var";
inline constexpr const char* SSlotVar = "?__var";
inline constexpr const char* SFunctionError = "%s error: %s";
inline constexpr const char* CommentFormat = "%s";
inline constexpr const char* SyntaxFormat = "     syntax: %s";
inline constexpr const char* CLIPSSyntaxFormat = "(%s)";
inline constexpr const char* SImplicitDefinedType = "implicit";

// ---------------------------------------------------------------- callbacks

// Output for a logical stream name.
using TPrintOutEvent =
    std::function<void(TObject* sender, const std::string& out_id, const std::string& text)>;
// Input of one line from a logical stream name, into `text`.
using TReadLineEvent =
    std::function<void(TObject* sender, const std::string& in_id, std::string& text)>;
// The end of an inference run, with the number of rules fired.
using TInferenceEvent = std::function<void(TObject* sender, int32_t rules_fired)>;
// A plain change notification.
using TNotifyEvent = std::function<void(TObject* sender)>;

}  // namespace rulecore
