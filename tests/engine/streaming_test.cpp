// rulecore: an embeddable expert-system shell.
// Component streaming of the engine: a knowledge base with every kind of
// construct streamed into a fresh engine saves the same text and holds the
// same facts; the settings travel; an empty table writes no list; reading
// replaces the templates but keeps the engine's own two; a damaged stream
// raises and leaves a usable engine.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/ie_consts.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "facts/context.h"
#include "platform/filer.h"
#include "platform/streams.h"

namespace rulecore {
namespace {

// Globals (one an expression calling a deffunction), defined types with an
// ancestor, templates with a parent and a grandparent, deffunctions, rules
// (one without patterns, one with a negation and salience), fact sets, and
// facts with awkward strings.
const char* kKnowledgeBase = R"(
(deffunction twice (?x) (* 2 ?x))
(defglobal ?*limit* = 10 ?*double* = (twice ?*limit*) ?*name* = "two \"quoted\" words")
(deftype small (extends (type INTEGER)) (range 0 10))
(deftype tiny (extends (type small)) (range 0 5))
(deftemplate animal "any animal" (slot legs (type INTEGER) (default 4)) (multislot tags))
(deftemplate bird extends animal (slot wings (type tiny)))
(deftemplate penguin extends bird (slot colony))
(defrule Report (animal (legs ?n)) => (printout t "legs " (twice ?n) crlf))
(defrule flightless (declare (salience 5)) (bird (wings ?w)) (not (penguin)) => (assert (flies ?w)))
(defrule start => (printout t "start " ?*double* crlf))
(deffacts zoo "the animals" (animal (legs 2) (tags big "grey one")) (bird (legs 2) (wings 2)))
(deffacts points (point 1 2.5))
)";

std::string WithoutCreatedLine(const std::string& text) {
  return std::regex_replace(text, std::regex("; Created: [^\r\n]*\r\n"), "");
}

std::vector<std::string> Facts(TInferenceEngine& e) {
  std::vector<std::string> facts;
  for (int i = 0; i < e.FactCount(); ++i)
    facts.push_back(e.FactAt(i)->GetToIDString());
  return facts;
}

std::string Streamed(TInferenceEngine& e) {
  TMemoryStream stream;
  e.WriteComponent(stream);
  return stream.Data();
}

std::string StreamText(TInferenceEngine& e) {
  TMemoryStream stream(Streamed(e));
  return ComponentStreamToText(stream);
}

class EngineStreamingTest : public ::testing::Test {
 protected:
  EngineStreamingTest() {
    source.Parse(kKnowledgeBase, false);
    source.Reset();
    source.AssertText("(point 3 \"caf\xC3\xA9 \\\"au\\\" lait\")");
    source.AssertText("(animal (legs 6) (tags \"line\nbreak\" x))");
  }

  TInferenceEngine source;
};

TEST_F(EngineStreamingTest, FreshEngineGetsTheSameKnowledgeBaseAndFacts) {
  TMemoryStream stream(Streamed(source));
  TInferenceEngine copy;
  copy.ReadComponent(stream);
  EXPECT_EQ(WithoutCreatedLine(copy.GetExpertSystem()),
            WithoutCreatedLine(source.GetExpertSystem()));
  EXPECT_EQ(Facts(copy), Facts(source));
  ASSERT_NE(copy.GlobalValue("*double*"), nullptr);
  EXPECT_EQ(copy.GetContext()->FindGlobalBinding("*double*")->Value()->GetToString(), "20");
  EXPECT_EQ(copy.GetContext()->FindGlobalBinding("*name*")->Value()->GetAsString(),
            "two \"quoted\" words");
}

TEST_F(EngineStreamingTest, CopyRunsAsTheSourceDoes) {
  std::string source_out, copy_out;
  source.OnPrintOut = [&](TObject*, const std::string&, const std::string& t) { source_out += t; };
  TMemoryStream stream(Streamed(source));
  TInferenceEngine copy;
  copy.OnPrintOut = [&](TObject*, const std::string&, const std::string& t) { copy_out += t; };
  copy.ReadComponent(stream);
  copy.Reset();
  source.Reset();
  EXPECT_EQ(copy.Run(), source.Run());
  EXPECT_EQ(copy_out, source_out);
  EXPECT_NE(copy_out.find("legs 4"), std::string::npos) << copy_out;
  EXPECT_EQ(Facts(copy), Facts(source));
}

TEST_F(EngineStreamingTest, SettingsTravel) {
  source.SetDuplicateConstructs(dcIgnore);
  source.SetFactDuplication(true);
  source.AssertText("(point 1 2.5)");  // a duplicate, kept
  source.SetMinActivationStrength(0.25f);
  source.SetParserErrorHandling(ehRaiseAllAtEnd);
  source.SetParserMaxErrors(3);
  source.SetResetGlobals(false);
  source.SetStrategy(ssBreadthFirst);
  source.SetSymbolIndex(42);
  source.SetTypeChecks({});
  source.SetWatch({cwFact, cwRule});
  source.SetPackages(AllFunctionPackages - TFunctionPackages{pBusiness});

  TMemoryStream stream(Streamed(source));
  TInferenceEngine copy;
  copy.ReadComponent(stream);
  EXPECT_EQ(copy.DuplicateConstructs(), dcIgnore);
  EXPECT_TRUE(copy.FactDuplication());
  EXPECT_EQ(copy.MinActivationStrength(), 0.25f);
  EXPECT_EQ(copy.ParserErrorHandling(), ehRaiseAllAtEnd);
  EXPECT_EQ(copy.ParserMaxErrors(), 3);
  EXPECT_FALSE(copy.ResetGlobals());
  EXPECT_EQ(copy.Strategy(), ssBreadthFirst);
  EXPECT_EQ(copy.SymbolIndex(), source.SymbolIndex());
  EXPECT_TRUE(copy.TypeChecks().Empty());
  EXPECT_EQ(copy.Watch(), (TConstructWatches{cwFact, cwRule}));
  EXPECT_EQ(copy.Packages(), source.Packages());
  EXPECT_FALSE(copy.ContainsUserFunction("pv"));  // a business function
  EXPECT_EQ(Facts(copy), Facts(source));          // the duplicate too
}

TEST_F(EngineStreamingTest, FactListSettingsTravel) {
  source.Facts().SetPreserveIDs(true);
  source.Facts().SetCacheHashCodes(false);
  TMemoryStream stream(Streamed(source));
  TInferenceEngine copy;
  ASSERT_FALSE(copy.Facts().PreserveIDs());
  ASSERT_TRUE(copy.Facts().CacheHashCodes());
  copy.ReadComponent(stream);
  EXPECT_TRUE(copy.Facts().PreserveIDs());
  EXPECT_FALSE(copy.Facts().CacheHashCodes());
}

TEST_F(EngineStreamingTest, WritingLeavesTheSourceUnchanged) {
  const std::string before = WithoutCreatedLine(source.GetExpertSystem());
  const int32_t index = source.SymbolIndex();
  const std::vector<std::string> facts = Facts(source);
  Streamed(source);
  EXPECT_EQ(source.SymbolIndex(), index);
  EXPECT_EQ(WithoutCreatedLine(source.GetExpertSystem()), before);
  EXPECT_EQ(Facts(source), facts);
}

TEST_F(EngineStreamingTest, StreamNamesEachTableList) {
  const std::string text = StreamText(source);
  for (const char* list :
       {"  DefinedTypes = object\n    DefTypes = (", "  FactTemplates = object\n    Templates = (",
        "  UserFunctions = object\n    Deffunctions = (",
        "  GlobalVariables = object\n    Variables = (", "  Rules = object\n    Rules = (",
        "  FactsList = (", "  FactSets = ("})
    EXPECT_NE(text.find(list), std::string::npos) << list << "\n" << text;
  EXPECT_NE(text.find("\"(defglobal ?*limit* = 10)\""), std::string::npos) << text;
  EXPECT_NE(text.find("Strategy = ssDepthFirst"), std::string::npos) << text;
  EXPECT_NE(text.find("TypeChecks = [tcStatic]"), std::string::npos) << text;
}

TEST(EngineStreaming, EmptyTablesWriteNoList) {
  TInferenceEngine engine;
  engine.Clear();  // no facts either
  const std::string text = StreamText(engine);
  // The engine's own two templates are always there.
  EXPECT_NE(text.find("Templates = ("), std::string::npos) << text;
  for (const char* list :
       {"DefTypes", "Deffunctions", "Variables = (", "Rules = (", "FactsList", "FactSets"})
    EXPECT_EQ(text.find(list), std::string::npos) << list << "\n" << text;
  EXPECT_NE(text.find("  DefinedTypes = object\n  end\n"), std::string::npos) << text;

  TMemoryStream stream(Streamed(engine));
  TInferenceEngine copy;
  copy.ReadComponent(stream);
  EXPECT_EQ(copy.FactCount(), 0);
  EXPECT_EQ(copy.FactTemplateCount(), 2);
  EXPECT_EQ(WithoutCreatedLine(copy.GetExpertSystem()),
            WithoutCreatedLine(engine.GetExpertSystem()));
}

TEST_F(EngineStreamingTest, ReadingReplacesTemplatesAndKeepsTheEnginesOwn) {
  TInferenceEngine target;
  target.Parse("(deftemplate old (slot a)) (defrule r (old (a ?x)) => (printout t ?x))", false);
  target.AssertText("(old (a 1))");
  IFactTemplate* initial = target.FindFactTemplate(SInitialFactPattern);
  TMemoryStream stream(Streamed(source));
  ReadComponent(stream, target);  // no clear before: the tables clear themselves
  EXPECT_EQ(target.FindFactTemplate("old"), nullptr);
  EXPECT_EQ(target.FindRule("r"), nullptr);
  EXPECT_EQ(target.FindFactTemplate(SInitialFactPattern), initial);
  EXPECT_NE(target.FindFactTemplate(SNullFact), nullptr);
  EXPECT_EQ(WithoutCreatedLine(target.GetExpertSystem()),
            WithoutCreatedLine(source.GetExpertSystem()));
  target.Reset();
  EXPECT_EQ(target.FactAt(0)->GetToString(), "(Initial-Fact)");
}

TEST_F(EngineStreamingTest, DamagedStreamRaisesAndLeavesAUsableEngine) {
  const std::string data = Streamed(source);
  for (size_t cut : {size_t{0}, size_t{10}, data.size() / 2, data.size() - 1}) {
    TInferenceEngine copy;
    TMemoryStream stream(data.substr(0, cut));
    EXPECT_THROW(copy.ReadComponent(stream), EReadError) << cut;
    EXPECT_FALSE(copy.ComponentState().Contains(csLoading));
    copy.Clear();
    copy.Parse("(deftemplate t (slot a))", false);
    copy.Reset();
    EXPECT_GE(copy.AssertText("(t (a 1))"), 0);
  }
}

TEST_F(EngineStreamingTest, AForeignStreamIsRefused) {
  TOuterComponent outer;
  TMemoryStream stream;
  WriteComponent(stream, outer);
  stream.SetPosition(0);
  TInferenceEngine copy;
  try {
    copy.ReadComponent(stream);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(),
                 "Invalid component stream at byte 4: the stream holds a TOuterComponent, which "
                 "cannot be read into a TInferenceEngine");
  }
}

}  // namespace
}  // namespace rulecore
