// rulecore: an embeddable expert-system shell.
// The message catalogue: every text the system raises or reports, as named
// constants. Texts with placeholders are filled with Format (platform/format.h):
// %s text, %d integer, %.4f fixed-point with four decimals, %c character.
// Tests compare against these constants, so a text changes in one place only.
#pragma once

namespace rulecore {

// clang-format off
inline constexpr const char* SInvalidName =
    "Invalid expert system name, \"%s\", name must not contain any of the following characters:  '\"#()[]?:$&;<>";
inline constexpr const char* SInvalidVariableName =
    "Invalid expert system name, \"%s\", name must not contain any of the following characters:  '\"#()[]:$&;<>";
inline constexpr const char* SInvalidFileAccess = "Invalid File Access Specifier: \"%s\"";
inline constexpr const char* SNoContext = "No context found when trying to resolve a %s value";
inline constexpr const char* SMissingNumeric = "Expected numeric argument to %s function call";
inline constexpr const char* SMissingComponent = "Expected component argument to %s function call";
inline constexpr const char* SMissingFuzzyCloseBracket = "Missing Fuzzy Close Bracket in expression";
inline constexpr const char* SMissingOpenParens = "Expected \"(\"";
inline constexpr const char* SMissingCloseParens = "Expected \")\"";
inline constexpr const char* SUnterminatedString = "Invalid string value, string was not terminated";
inline constexpr const char* SMissingCatchStatement =
    "Missing catch or finally statement for try block";
inline constexpr const char* SBadArgument = "Bad Argument: %s";
inline constexpr const char* SBadVariableName =
    "Bad Variable Name, must start and end with an asterisk: %s";
inline constexpr const char* SBadSlotName = "Bad Slot Name: %s";
inline constexpr const char* SNoIndexNameMatch = "Index does not match fact slot name: %s and %s";
inline constexpr const char* SBadSlotValue = "Bad Slot Value: %s";
inline constexpr const char* SBadSlotType = "Bad Slot Type";
inline constexpr const char* SBadValue = "Bad Value for %s";
inline constexpr const char* SCannotWatch = "Cannot watch %s";
inline constexpr const char* SCannotUnWatch = "Cannot unwatch %s";
inline constexpr const char* SInvalidBackchainPattern =
    "Invalid backward chaining pattern added to the node";
inline constexpr const char* SInvalidSlotDefault = "Invalid default slot value: %s";
inline constexpr const char* SInvalidDefaultMultislotValue =
    "Invalid default value for a multislot, must be a multifield: %s";
inline constexpr const char* SInvalidMultiSlotType = "no types are allowed for multislots";
inline constexpr const char* SInvalidExistingSlotChange =
    "Invalid value for existing slot, slot is not multislot";
inline constexpr const char* SInvalidExistingMultiSlotChange =
    "Invalid value for existing slot, multislot is not slot";
inline constexpr const char* SInvalidSlotQualifier = "Invalid slot qualifier: %s";
inline constexpr const char* SInvalidTestBinding =
    "\"not\" and \"test\" CEs cannot be bound to variables";
inline constexpr const char* SInvalidRuleFmt = "Invalid Rule Format (%s): %s";
inline constexpr const char* SInvalidSubstrParameters = "Invalid substring parameters: %d, %d";
inline constexpr const char* SInvalidMFParameters =
    "Invalid multifield begin and end parameters: %d, %d";
inline constexpr const char* SInvalidAgendaItem =
    "Invalid object, agenda can only accept TActivation objects";
inline constexpr const char* SExpectedEqGT = "Expected \"=>\"";
inline constexpr const char* SExpectedAtom = "Expected \"( <atom>\"";
inline constexpr const char* SExpectedValue = "Expected value missing";
inline constexpr const char* SExpectedChar = "Expected \"%s\"";
inline constexpr const char* SExpectedKeyword = "Missing keyword.  Expected \"%s\"";
inline constexpr const char* SNotMultiSlot = "Slot \"%s\" is not a multislot";
inline constexpr const char* SInvalidLowHiLimits =
    "Invalid low and high limits specified: %.4f to %.4f";
inline constexpr const char* SExpectedAssignment = "Expected \"<-\"";
inline constexpr const char* SExpectedIntVarFun =
    "Expected integer, variable, or function call for %s";
inline constexpr const char* SExpectedNumVarFun = "Expected number, variable, or function call";
inline constexpr const char* SExpectedRuleProperty =
    "Expected rule property, salience, oneshot, or enabled";
inline constexpr const char* SExpectedSalience = "Expected \"salience\"";
inline constexpr const char* SExpectedExtends = "Expected \"(\", \"extends\", or \"is-a\"";
inline constexpr const char* SExpectedDeffacts = "Expected \"( deffacts\"";
inline constexpr const char* SExpectedDefType = "Expected \"( deftype\"";
inline constexpr const char* SExpectedDefTemplate = "Expected \"( deftemplate\"";
inline constexpr const char* SExpectedDefRule = "Expected \"( defrule\"";
inline constexpr const char* SExpectedDefFunction = "Expected \"( deffunction\"";
inline constexpr const char* SExpectedFuzzySet = "Expected \"( term\"";
inline constexpr const char* SExpectedDefGlobal = "Expected \"( defglobal\"";
inline constexpr const char* SNestedNotCEs = "Nested Not CEs not allowed yet";
inline constexpr const char* SNoSuchSlot = "No such slot in fact template: %s";
inline constexpr const char* SAtomNotEquals = "\"=\" cannot appear as an atom within a fact";
inline constexpr const char* SNotCorrectType = "Not a %s type.  Value (%s) is a %s type";
inline constexpr const char* SNotAllowedValue = "Not in allowed values";
inline constexpr const char* SListCardinalityError = "Multislot must have between %d and %d elements";
inline constexpr const char* SOutOfRangeError = "Range must be between %.4f and %.4f";
inline constexpr const char* SNotCorrectSlotType = "Slot %s does not contain a %s.  Value Type is %s";
inline constexpr const char* SInvalidSlotValue = "%s for %s slot";
inline constexpr const char* SInvalidValueType = "Value and type mismatch";
inline constexpr const char* SInvalidValue = "Value \"%s\" is not valid, %s";
inline constexpr const char* SInvalidFuzzyValue = "invalid fuzzy value";
inline constexpr const char* STooFewArgs = "Too few arguments for %s";
inline constexpr const char* STooManyArgs = "Too many arguments for %s";
inline constexpr const char* SCorruptedToken = "Corrupted Token, Negated Count is less than 0";
inline constexpr const char* SCorruptedVariable = "Corrupted Binding, variable not found: %s";
inline constexpr const char* SDuplicateDefTypeNames = "Defined Type Name already exists: \"%s\"";
inline constexpr const char* SDuplicateFunctionNames = "Function Name already exists: \"%s\"";
inline constexpr const char* SDuplicateTemplateNames = "Fact Template Name already exists: \"%s\"";
inline constexpr const char* SDuplicateRuleNames = "Duplicate Rules defined with same name: \"%s\"";
inline constexpr const char* SDuplicateStreamNames =
    "Duplicate streams defined with same name: \"%s\"";
inline constexpr const char* SInvalidFunctionAdd = "Cannot add nil to user functions";
inline constexpr const char* SInvalidPatternBinding = "Cannot bind a negated pattern to a variable";
inline constexpr const char* SInvalidAddObject =
    "Invalid object being added: \"%s\" instead of \"%s\"";
inline constexpr const char* SInvalidArgType =
    "Invalid argument type for deffunction: \"%s\".  Expected %s";
inline constexpr const char* SInvalidSlotName = "No such slot name: \"%s\"";
inline constexpr const char* SInvalidSlotType = "Invalid slot type: %s";
inline constexpr const char* SInvalidCallType = "Invalid Call Type: %s";
inline constexpr const char* SInvalidTokenAction = "Invalid Token Action";
inline constexpr const char* SInvalidTokenHint = "Invalid Token hint for parsing token: %s";
inline constexpr const char* SInvalidStreamName = "Invalid stream name: %s";
inline constexpr const char* SInvalidPtr =
    "Invalid destruction of pointer reference, reference counting greater than 0";
inline constexpr const char* SUnknownName = "Unknown %s name: %s";
inline constexpr const char* SUnknownFactTemplate = "Unknown fact template: %s";
inline constexpr const char* SFactTemplatesDifferent =
    "Unable to assign slot values, fact templates are different: %s and %s";
inline constexpr const char* SMissingName = "Missing name";
inline constexpr const char* SMissingTemplateName = "Missing Fact Template name";
inline constexpr const char* SMissingDeffactsName = "Missing Fact Set name";
inline constexpr const char* SMissingParentTemplateName = "Missing name of parent template to extend";
inline constexpr const char* SMissingIsaTypeName = "Missing name of type for fact template";
inline constexpr const char* SUnknownTypeName = "type name unknown or invalid: %s";
inline constexpr const char* SMissingParentDefinedTypeName =
    "Missing name of parent defined type to extend";
inline constexpr const char* SMissingThen = "Missing \"then\" in an IF statement";
inline constexpr const char* SMultifieldLengthMismatch =
    "Invalid multifield arguments, the two multifields must be of the same length";
inline constexpr const char* SNoSuchFact = "No Such Fact with ID=%s exists";
inline constexpr const char* SNoSuchFunction = "Function is unimplemented or unassigned: %s";
inline constexpr const char* SNoReadFunctionWarning =
    "The %s event has not been implemented or unassigned.\r\n"
    "Warning: Implementation of this function requires a blocking mechanism, \r\n"
    "such as ShowModal, or the use of threads";
inline constexpr const char* SNoTemplate = "Fact Template is missing";
inline constexpr const char* SNoRule = "No Rule exists with name: %s";
inline constexpr const char* SMissingRule = "Missing Rule cannot be edited";
inline constexpr const char* SSyntaxError = "Syntax Error: %s";
inline constexpr const char* SCannotChangeID = "Illegal Attempt to change Fact Id";
inline constexpr const char* SExpectedParenConstVar =
    "Unexpected symbol, expected a \"(\", constant, or global variable: %s";
inline constexpr const char* SUnknownEngine = "Unknown/Undefined Inference Engine";
inline constexpr const char* SMissingFactSet = "Empty fact set property";
inline constexpr const char* SUnknownVariable = "Unknown variable name: %s";
inline constexpr const char* SUnknownIEClassName = "Unknown class name: %s";
inline constexpr const char* SUnexpectedCharacter = "Unexpected character found: \"%s\"";
inline constexpr const char* SUnexpectedEOF = "Unexpected end of stream";
inline constexpr const char* SWrongFunctionName = "Function names do not match: %s and %s";
inline constexpr const char* SNegatedVariable =
    "First Use of Variable is negated, variable name is %s";
inline constexpr const char* SParseError = "Parsing Error, %s in %s at line %s: %s";
inline constexpr const char* SNoParser = "No parser specified";
inline constexpr const char* SMultipleParseError = "Errors parsing stream:\r\n%s";
inline constexpr const char* SParseTypeError = "Unable to parse strings of %s at this time";
inline constexpr const char* SBackChainCE = "Cannot backchain on special CEs: %s";
inline constexpr const char* SBackChainFuncallPatterns =
    "Cannot use Function calls in backchained patterns: %s";
inline constexpr const char* SNoSuchConstraint = "Defined Type %s does not have %s constraints";
inline constexpr const char* SInvalidConstraint = "Defined Type %s cannot contain %s constraint types";
inline constexpr const char* SUncloneableValue =
    "Cannot copy the value, it owns an object of class %s that cannot be copied";
inline constexpr const char* SEmptyBaseTypes = "Empty base type for defined type not allowed";
inline constexpr const char* SCannotMixFuzzy = "Cannot mix fuzzy type with other primitive types";
inline constexpr const char* SMissingRange = "Missing range statement";
inline constexpr const char* SMissingFuzzySetValues = "Missing fuzzy set \"values\" statement";
inline constexpr const char* SMissingAllowedEnumeration =
    "Expected allowed value argument for deftype, received %s";
inline constexpr const char* STypeInheritanceLoop =
    "Type inheritance loop detected, %s type cannot be an ancestor of itself";
inline constexpr const char* SNoMultiTypeInheritance =
    "Multiple inheritance is not allowed for deftypes";
inline constexpr const char* SFactTemplateInheritanceCorrupt =
    "Fact templates inheritance structure corrupted";
inline constexpr const char* SDBTypeMismatch = "Defined type not valid for database field of type: %s";
inline constexpr const char* SDBMultiSlotNotString =
    "Fields that are Multislots must be of type string";
inline constexpr const char* STypeInheritanceCorrupt = "Defined types inheritance structure corrupted";
inline constexpr const char* SMissingFuzzyOperand =
    "Missing fuzzy operand to be modified by hedge: %s";
inline constexpr const char* SInvalidFuzzyToken = "Invalid item in fuzzy expression: %s";
inline constexpr const char* SNeedFuzzyType = "Fuzzy Type Definition needed to parse value";
inline constexpr const char* SDifferentFuzzyVariables =
    "Fuzzy variables are different, %s is a term from %s and %s is a term from %s";
inline constexpr const char* SInvalidFuzzyUnionTemplate =
    "Cannot union two facts with different fact templates: %s and %s";
inline constexpr const char* SNotFuzzyFact = "Fact is not a fuzzy fact";
inline constexpr const char* SInvalidFuzzyCorrelation =
    "Invalid Fuzzy Correlation specified (%s), expected %s";
inline constexpr const char* SInvalidFuzzyInference =
    "Invalid Fuzzy Inference specified (%s), expected %s";
inline constexpr const char* SInvalidIEFuzzyOperation =
    "Invalid Fuzzy operation specified (%s) for %s, expected %s";
inline constexpr const char* SInvalidFuzzyExpression = "Invalid Fuzzy Expression: %s";
inline constexpr const char* SUndefinedFuzzyVariable = "fuzzy variable is not defined";
inline constexpr const char* SFuzzyDefinitionError =
    "Invalid attempt to modify fuzzy type in fact template slot, fuzzy types cannot be modified";
inline constexpr const char* SPatternMatchError = " for pattern match = ";
// Raised by StringToSet for a piece of text that names no member of the set.
inline constexpr const char* SInvalidSetItem = "Invalid item for set: %s";
// Raised while fuzzy sets cannot be created because no fuzzy-set library is
// installed in this build.
inline constexpr const char* SFuzzyUnavailable =
    "Fuzzy sets are not available: no fuzzy-set library is installed";
// Raised by format for a directive whose field width or precision would
// make a field larger than the formatter writes.
inline constexpr const char* SFormatFieldTooWide = "Field width or precision too large in \"%s\"";
// Raised by any attempt to change one of the shared constant values.
inline constexpr const char* SConstantValueChange = "Cannot change the shared constant value %s";
// Raised by the parser for calls or conditional elements nested deeper than
// it reads (the limit keeps reading and evaluating within the stack).
inline constexpr const char* SNestingTooDeep = "Expression nested too deeply (more than %d levels)";
// Raised when evaluation recurses so deeply (a deffunction calling itself
// without end, say) that the stack would run out.
inline constexpr const char* SStackExhausted =
    "Evaluation nested too deeply, the stack is nearly exhausted calling %s";
// Raised for an index outside a list.
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
// The help text of the type predicates (lexemep, numberp, ...); %s is the
// list of the kinds they accept.
inline constexpr const char* SVerifyTypeComment =
    "Returns TRUE if the argument is of the following type(s): %s.  If the argument is any "
    "other type, FALSE is returned";
// Raised by the arithmetic, trigonometric and financial functions; the
// first %s is the function's name. A result that does not fit a float, or a
// computation with no number as its result, is refused rather than returned.
inline constexpr const char* SDivideByZero = "Division by zero in %s function call";
inline constexpr const char* SFloatOverflow = "Floating-point overflow in %s function call";
inline constexpr const char* SInvalidFloatOperation =
    "Invalid floating-point operation in %s function call";
// The second %s is one of the SDomain texts below.
inline constexpr const char* SArgumentOutOfDomain = "Argument out of domain in %s function call: %s";
inline constexpr const char* SDomainNegative = "the argument must not be negative";
inline constexpr const char* SDomainNotPositive = "the argument must be greater than zero";
inline constexpr const char* SDomainFractionalPower =
    "a negative number has no real power with a fractional exponent";
inline constexpr const char* SDomainRandomRange = "the high bound must be at least 1";
inline constexpr const char* SDomainClosedUnit = "the argument must lie between -1 and 1";
inline constexpr const char* SDomainOpenUnit = "the argument must lie strictly between -1 and 1";
inline constexpr const char* SDomainOutsideOpenUnit =
    "the argument must not lie strictly between -1 and 1";
inline constexpr const char* SDomainOutsideClosedUnit =
    "the argument must lie outside the range -1 to 1";
inline constexpr const char* SDomainAtLeastOne = "the argument must be at least 1";
inline constexpr const char* SDomainUnitFraction =
    "the argument must be greater than 0 and at most 1";
inline constexpr const char* SDomainRate = "the rate must be greater than -1";
inline constexpr const char* SDomainPeriodCount = "the number of periods must be at least 1";
inline constexpr const char* SDomainZeroPeriods = "the number of periods must not be zero";
inline constexpr const char* SDomainPeriod =
    "the period must lie between 1 and the number of periods";
inline constexpr const char* SDomainLife = "the life must be at least 1";
inline constexpr const char* SDomainLifePeriod = "the period must lie between 1 and the life";
inline constexpr const char* SDomainNoPeriods = "no number of periods satisfies the arguments";
// Raised by the financial functions for a payment-time word they do not know.
inline constexpr const char* SInvalidPaymentTime = "Invalid payment time specified (%s), expected %s";
// Raised by interest-rate and internal-rate-of-return when no rate solves
// their equation.
inline constexpr const char* SNoRateFound =
    "No rate found in %s function call: the iteration did not converge to a root";
// Raised by the date and time functions (as EConvertError, the conversion
// error of the platform's date routines); the first %s names the function.
inline constexpr const char* SInvalidDateEncode = "Invalid date in %s: year %d, month %d, day %d";
inline constexpr const char* SInvalidTimeEncode =
    "Invalid time in %s: hour %d, minute %d, second %d, millisecond %d";
inline constexpr const char* SDateTimeOutOfRange =
    "Date-time number out of range in %s: %s (years 1 to 9999 only)";
// %s: the text, what it should be ("date and time", "date", "time"), the function.
inline constexpr const char* SInvalidDateTimeText = "\"%s\" is not a valid %s for %s";
// Raised by input-box, input-query, message-dlg and show-message when the
// host has not assigned the engine event that shows the dialog.
inline constexpr const char* SNoHostDialog =
    "No host dialog is available for %s: the engine's %s event is not assigned";
// Raised by message-dlg (as EConvertError) for a dialog type it does not know.
inline constexpr const char* SInvalidDialogType =
    "Invalid message dialog type: %s, expected mtWarning, mtError, mtInformation, "
    "mtConfirmation or mtCustom";
// clang-format on

}  // namespace rulecore
