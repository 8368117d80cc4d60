// rulecore: an embeddable expert-system shell.
// The predicate package evaluated through a real engine: parity, the name of
// a value's kind, and the type predicates with their one shared class.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "functions/function_call.h"
#include "functions/predicate_package.h"
#include "platform/component.h"
#include "support/eval_fixture.h"

namespace rulecore {
namespace {

using PredicateTest = EvalTest;

// ---------------------------------------------------------------- the package

TEST_F(PredicateTest, PackageHoldsItsFunctionsInTheirFixedOrder) {
  std::unique_ptr<TPredicatePackage> package(NewPackage<TPredicatePackage>(nullptr));
  std::string names;
  for (int i = 0; i < package->Functions().Count(); ++i)
    names += package->Functions().Get(i)->GetFunctionName() + " ";
  EXPECT_EQ(names,
            "evenp oddp get-type lexemep numberp floatp fuzzyp integerp stringp symbolp "
            "multifieldp external-addressp objectp ");
}

TEST_F(PredicateTest, EveryPredicateTakesExactlyOneArgument) {
  for (const char* name :
       {"evenp", "oddp", "get-type", "lexemep", "numberp", "floatp", "fuzzyp", "integerp",
        "stringp", "symbolp", "multifieldp", "external-addressp", "objectp"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Error(std::string("(") + name + ")"), std::string("Too few arguments for ") + name);
    EXPECT_EQ(Error(std::string("(") + name + " 1 2)"),
              std::string("Too many arguments for ") + name);
  }
}

// ---------------------------------------------------------------- evenp, oddp

TEST_F(PredicateTest, ParityOfIntegersIncludingNegativeOnes) {
  EXPECT_EQ(Eval("(evenp 4)").get(), FCTrue);
  EXPECT_EQ(Eval("(evenp 0)").get(), FCTrue);
  EXPECT_EQ(Eval("(evenp 7)").get(), FCFalse);
  EXPECT_EQ(Eval("(oddp 7)").get(), FCTrue);
  EXPECT_EQ(Eval("(oddp 4)").get(), FCFalse);
  EXPECT_EQ(Eval("(oddp -3)").get(), FCTrue);
  EXPECT_EQ(Eval("(evenp -3)").get(), FCFalse);
  EXPECT_EQ(Eval("(evenp -4)").get(), FCTrue);
  EXPECT_EQ(Eval("(evenp -2147483648)").get(), FCTrue);
  EXPECT_EQ(Eval("(oddp 2147483647)").get(), FCTrue);
}

TEST_F(PredicateTest, ParityOfAFloatIsThatOfItsTruncatedValue) {
  EXPECT_EQ(Eval("(evenp 2.5)").get(), FCTrue);
  EXPECT_EQ(Eval("(oddp 3.9)").get(), FCTrue);
  EXPECT_EQ(Eval("(oddp -3.5)").get(), FCTrue);
  EXPECT_EQ(Eval("(evenp -0.5)").get(), FCTrue);
}

TEST_F(PredicateTest, ParityOfAFloatBeyondTheIntegerRangeIsExact) {
  EXPECT_EQ(Eval("(evenp 30000000001.0)").get(), FCFalse);
  EXPECT_EQ(Eval("(oddp 30000000001.0)").get(), FCTrue);
  // Every float this large is an even integer.
  EXPECT_EQ(Eval("(evenp 1e20)").get(), FCTrue);
  EXPECT_EQ(Eval("(oddp -1e300)").get(), FCFalse);
}

TEST_F(PredicateTest, ParityOfAValueThatIsNoNumberIsAConversionError) {
  EXPECT_EQ(Error("(evenp abc)"), "Not a integer type.  Value (abc) is a dtAtom type");
  EXPECT_EQ(Error("(oddp (create$ 1))"), "Not a integer type.  Value (1 ) is a dtList type");
}

// ---------------------------------------------------------------- get-type

TEST_F(PredicateTest, GetTypeNamesTheKindAsASymbol) {
  EXPECT_EQ(Kind("(get-type 1)"), "dtAtom");
  EXPECT_EQ(Text("(get-type 1)"), "dtInteger");
  EXPECT_EQ(Text("(get-type 1.5)"), "dtFloat");
  EXPECT_EQ(Text("(get-type abc)"), "dtAtom");
  EXPECT_EQ(Text("(get-type \"abc\")"), "dtString");
  EXPECT_EQ(Text("(get-type (create$ a b))"), "dtList");
  EXPECT_EQ(Text("(get-type (create$))"), "dtList");
  EXPECT_EQ(Text("(get-type (get-type 1))"), "dtAtom");
  EXPECT_EQ(Text("(get-type (assert (thing)))"), "dtFactId");
}

// ---------------------------------------------------------------- type predicates

TEST_F(PredicateTest, TypePredicatesAnswerForEachKindOfRuleLanguageValue) {
  // Columns: lexemep numberp floatp fuzzyp integerp stringp symbolp
  // multifieldp external-addressp objectp.
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"abc", "T.....T..."},  {"\"abc\"", "T....T...."},   {"\"\"", "T....T...."},
      {"nil", "T.....T..."},  {"TRUE", "T.....T..."},      {"12", ".T..T....."},
      {"-1.5", ".TT......."}, {"(create$)", ".......T.."}, {"(create$ 1 a)", ".......T.."},
  };
  const char* names[] = {"lexemep",           "numberp", "floatp",  "fuzzyp",
                         "integerp",          "stringp", "symbolp", "multifieldp",
                         "external-addressp", "objectp"};
  for (const auto& [value, expected] : rows) {
    std::string got;
    for (const char* name : names) {
      Ref<IIEValue> v = Eval(std::string("(") + name + " " + value + ")");
      got += v.get() == FCTrue ? 'T' : v.get() == FCFalse ? '.' : '?';
    }
    EXPECT_EQ(got, expected) << value;
  }
}

TEST_F(PredicateTest, NoTypePredicateAcceptsAFactId) {
  int n = 0;
  for (const char* name : {"lexemep", "numberp", "floatp", "fuzzyp", "integerp", "stringp",
                           "symbolp", "multifieldp", "external-addressp", "objectp"}) {
    // A new fact each time, so that the argument is a fact id, not FALSE.
    const std::string call = std::string("(") + name + " (assert (p " + std::to_string(++n) + ")))";
    EXPECT_EQ(Eval(call).get(), FCFalse) << call;
  }
  EXPECT_EQ(engine.FactCount(), 11);
}

TEST_F(PredicateTest, TypePredicatesRecognizeHostValues) {
  TComponent host;
  int cell = 0;
  auto ask = [&](const char* name, Ref<IIEValue> value) {
    Ref<TFunctionCall> call(new TFunctionCall(&engine, name));
    call->AddArgument(value.get());
    return call->Execute(engine.GetContext()).get() == FCTrue;
  };
  Ref<IIEValue> address(new TIEValue(static_cast<void*>(&cell)));
  Ref<IIEValue> object(new TIEValue(&host, false));
  EXPECT_TRUE(ask("external-addressp", address));
  EXPECT_FALSE(ask("objectp", address));
  EXPECT_FALSE(ask("numberp", address));
  EXPECT_TRUE(ask("objectp", object));
  EXPECT_FALSE(ask("external-addressp", object));
  EXPECT_FALSE(ask("lexemep", object));
}

TEST_F(PredicateTest, TypePredicatesWorkInARuleTest) {
  std::string out;
  engine.OnPrintOut = [&out](TObject*, const std::string&, const std::string& text) {
    out += text;
  };
  engine.Parse(
      "(defrule numbers (item ?x) (test (numberp ?x)) => (printout t ?x \" \"))"
      "(defrule words (item ?x) (test (symbolp ?x)) => (printout t w ?x \" \"))",
      true);
  engine.Parse("(assert (item 3)) (assert (item bob)) (assert (item \"s\"))", true);
  out.clear();
  engine.Parse("(run)", true);
  // The top level prints what run returns: the two rules fired.
  EXPECT_EQ(out, std::string("wbob 3 2") + NewLineString);
}

// ---------------------------------------------------------------- TVerifyTypePFunction

TEST(VerifyTypePFunctionTest, HelpTextNamesTheKindsWithoutTheirPrefix) {
  Ref<TVerifyTypePFunction> f(new TVerifyTypePFunction("lexemep", {dtAtom, dtString}));
  EXPECT_EQ(f->GetComment(),
            "Returns TRUE if the argument is of the following type(s): Atom, String.  If the "
            "argument is any other type, FALSE is returned");
  EXPECT_EQ(f->GetArgumentString(), " <expression>");
  EXPECT_EQ(f->GetMinArgumentCount(), 1);
  EXPECT_EQ(f->GetMaxArgumentCount(), 1);
  Ref<TVerifyTypePFunction> none(new TVerifyTypePFunction("nothingp", {}));
  EXPECT_EQ(none->GetComment(),
            "Returns TRUE if the argument is of the following type(s): NONE.  If the "
            "argument is any other type, FALSE is returned");
}

TEST(VerifyTypePFunctionTest, HelpTextFollowsNewKinds) {
  Ref<TVerifyTypePFunction> f(new TVerifyTypePFunction("p", {dtList}));
  f->SetTypes({dtInteger, dtFloat, dtExternalAddress});
  EXPECT_EQ(f->GetComment(),
            "Returns TRUE if the argument is of the following type(s): Integer, Float, "
            "ExternalAddress.  If the argument is any other type, FALSE is returned");
}

TEST(VerifyTypePFunctionTest, AssignCopiesKindsNameAndHelp) {
  Ref<TVerifyTypePFunction> source(new TVerifyTypePFunction("numberp", {dtInteger, dtFloat}));
  Ref<TVerifyTypePFunction> copy(new TVerifyTypePFunction("symbolp", {dtAtom}));
  copy->Assign(*source);
  EXPECT_EQ(copy->GetFunctionName(), "numberp");
  EXPECT_TRUE(copy->Types().Contains(dtInteger));
  EXPECT_TRUE(copy->Types().Contains(dtFloat));
  EXPECT_FALSE(copy->Types().Contains(dtAtom));
  EXPECT_EQ(copy->GetComment(), source->GetComment());
  EXPECT_EQ(copy->GetMinArgumentCount(), 1);
  EXPECT_EQ(copy->GetMaxArgumentCount(), 1);
}

TEST_F(PredicateTest, ARenamedTypePredicateAnswersUnderItsNewName) {
  Ref<TVerifyTypePFunction> f(new TVerifyTypePFunction("listp", {dtList}));
  f->AddReasoner(&engine);
  EXPECT_EQ(Eval("(listp (create$ 1))").get(), FCTrue);
  f->SetFunctionName("seqp");
  EXPECT_EQ(Eval("(seqp (create$ 1))").get(), FCTrue);
  EXPECT_EQ(Eval("(seqp 1)").get(), FCFalse);
  EXPECT_EQ(Error("(listp 1)"), "Function is unimplemented or unassigned: listp");
  EXPECT_EQ(f->GetComment(),
            "Returns TRUE if the argument is of the following type(s): List.  If the "
            "argument is any other type, FALSE is returned");
  f->ClearReasoners();
}

}  // namespace
}  // namespace rulecore
