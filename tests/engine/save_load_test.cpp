// rulecore: an embeddable expert-system shell.
// Saving and loading knowledge bases: the saved text (header, counts and
// sections in order), the round trip through a file into a fresh engine, the
// single-kind files (facts, templates, rules, defined types), the safety of
// saving (a failed save leaves the old file, a save changes nothing), errors
// of loading with their line, and the load, load-facts, save and save-facts
// commands.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ie_consts.h"
#include "core/ie_exception.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "facts/context.h"
#include "language/parse_exception.h"
#include "platform/exception.h"
#include "platform/streams.h"

namespace rulecore {
namespace {

const std::string NL = NewLineString;

// A knowledge base with every kind of construct: globals (one an
// expression), defined types with an ancestor, templates with a parent and a
// grandparent, a deffunction, rules (one without patterns, one with a
// negation and salience), two fact sets and, once reset, their facts.
const char* kKnowledgeBase = R"(
(defglobal ?*limit* = 10 ?*twice* = (* 2 ?*limit*) ?*name* = "two words")
(deftype small (extends (type INTEGER)) (range 0 10))
(deftype tiny (extends (type small)) (range 0 5))
(deftemplate animal "any animal" (slot legs (type INTEGER) (default 4)) (multislot tags))
(deftemplate bird extends animal (slot wings (type tiny)))
(deftemplate penguin extends bird (slot colony))
(deffunction twice (?x) (* 2 ?x))
(defrule Report (animal (legs ?n)) => (printout t "legs " (twice ?n) crlf))
(defrule flightless (declare (salience 5)) (bird (wings ?w)) (not (penguin)) => (assert (flies ?w)))
(defrule start => (printout t "start " ?*twice* crlf))
(deffacts zoo "the animals" (animal (legs 2) (tags big "grey one")) (bird (legs 2) (wings 2)))
(deffacts points (point 1 2.5))
)";

// The saved text without its "; Created: " line, which holds the time.
std::string WithoutCreatedLine(const std::string& text) {
  return std::regex_replace(text, std::regex("; Created: [^\r\n]*\r\n"), "");
}

class SaveLoadTest : public ::testing::Test {
 protected:
  SaveLoadTest() {
    // A folder of its own per test: tests run in parallel processes.
    std::string pattern =
        (std::filesystem::temp_directory_path() / "rulecore-save-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    dir = pattern;
    Listen(engine, out);
  }
  ~SaveLoadTest() override { std::filesystem::remove_all(dir); }

  static void Listen(TInferenceEngine& e, std::string& into) {
    e.OnPrintOut = [&into](TObject*, const std::string&, const std::string& text) { into += text; };
  }

  std::string Path(const std::string& name) { return (dir / name).string(); }
  std::string Contents(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  // The names of the files in the folder, sorted.
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string Facts(TInferenceEngine& e) {
    std::string all;
    for (int i = 0; i < e.FactCount(); ++i)
      all += (i ? " " : "") + e.FactAt(i)->GetToIDString();
    return all;
  }

  // Runs top-level text and returns what it printed.
  std::string Run(const std::string& text) {
    out.clear();
    engine.Parse(text, true);
    return out;
  }

  std::filesystem::path dir;
  TInferenceEngine engine;
  std::string out;
};

// ================================================================ the saved text

TEST_F(SaveLoadTest, ANewEngineSavesItsImpliedTemplatesAnEmptyDeffunctionsSectionAndInitialFact) {
  const std::string rule = "; *************************" + NL;
  EXPECT_EQ(
      WithoutCreatedLine(engine.GetExpertSystem()),
      rule + "; Inference Engine v2.0000 Output" + NL + "; Number of Global Variables: 0" + NL +
          "; Number of Defined Types:    0" + NL + "; Number of Fact Templates:   2" + NL +
          "; Number of Rules:            0" + NL + "; Number of Fact Sets:        0" + NL +
          "; Number of Facts:            1" + NL + "(set-fact-duplication TRUE)" + NL +  //
          NL + rule + "; Fact Templates " + NL + NL + "(deftemplate Initial-Fact \"(Implied)\")" +
          NL + "(deftemplate __NOT-OR-TEST-CE* \"(Implied)\")" + NL +  //
          NL + rule + "; Deffunctions " + NL + NL +                    //
          NL + rule + "; Facts " + NL + NL + "(assert" + NL + "    (Initial-Fact)" + NL + ")" + NL);
}

TEST_F(SaveLoadTest, TheThirdLineTellsWhenTheTextWasCreated) {
  std::string text = engine.GetExpertSystem();
  EXPECT_TRUE(std::regex_search(
      text,
      std::regex(
          "^[^\r\n]*\r\n[^\r\n]*\r\n; Created: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n")))
      << text;
}

TEST_F(SaveLoadTest, TheDuplicationLineSpeaksOfTheCheckAsTheCommandDoes) {
  EXPECT_NE(engine.GetExpertSystem().find(NL + "(set-fact-duplication TRUE)" + NL),
            std::string::npos);
  engine.SetFactDuplication(true);
  EXPECT_NE(engine.GetExpertSystem().find(NL + "(set-fact-duplication FALSE)" + NL),
            std::string::npos);
}

TEST_F(SaveLoadTest, SectionsFollowTheHeaderInTheirOrderWithTheCounts) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  std::string text = engine.GetExpertSystem();
  EXPECT_NE(
      text.find("; Number of Global Variables: 3" + NL + "; Number of Defined Types:    2" + NL +
                "; Number of Fact Templates:   7" + NL + "; Number of Rules:            3" + NL +
                "; Number of Fact Sets:        2" + NL + "; Number of Facts:            4"),
      std::string::npos)
      << text;
  size_t last = 0;
  for (const char* title : {"; Global Variables ", "; Defined Types ", "; Fact Templates ",
                            "; Deffunctions ", "; Rules ", "; Fact Sets ", "; Facts "}) {
    size_t at = text.find(NL + title + NL + NL);
    ASSERT_NE(at, std::string::npos) << title;
    EXPECT_GT(at, last) << title;
    last = at;
  }
  EXPECT_NE(
      text.find("; Global Variables " + NL + NL +
                "(defglobal ?*limit* = 10 ?*twice* = (* 2 ?*limit*) ?*name* = \"two words\")" + NL +
                NL),
      std::string::npos);
  // Rules are sorted by their text, ignoring case.
  size_t report = text.find("(defrule Report");
  size_t flightless = text.find("(defrule flightless");
  size_t start = text.find("(defrule start");
  EXPECT_LT(flightless, report);
  EXPECT_LT(report, start);
}

TEST_F(SaveLoadTest, ParentsAreWrittenBeforeChildrenWhateverTheTableOrder) {
  engine.Parse(
      "(deftemplate a (slot x)) (deftemplate b extends a (slot y)) (deftemplate c extends b)"
      "(deftype t1 (extends (type INTEGER))) (deftype t2 (extends (type t1)))"
      "(deftype t3 (extends (type t2)))",
      false);
  // Defined again after their children, b and t2 move to the end of their tables.
  ASSERT_TRUE(engine.RemoveFactTemplate("b"));
  engine.Parse("(deftemplate b extends a (slot y))", false);
  ASSERT_EQ(engine.FactTemplateAt(engine.FactTemplateCount() - 1)->GetTemplateName(), "b");
  std::string text = engine.GetExpertSystem();
  EXPECT_LT(text.find("(deftemplate a"), text.find("(deftemplate b"));
  EXPECT_LT(text.find("(deftemplate b"), text.find("(deftemplate c"));
  EXPECT_LT(text.find("(deftype t1"), text.find("(deftype t2"));
  EXPECT_LT(text.find("(deftype t2"), text.find("(deftype t3"));
}

TEST_F(SaveLoadTest, ACycleOfTemplateParentsRaisesAndLeavesTheFileAlone) {
  engine.Parse("(deftemplate a (slot x)) (deftemplate b extends a)", false);
  Write("kb.clp", "old");
  IFactTemplate* a = engine.FindFactTemplate("a");
  a->SetParent(engine.FindFactTemplate("b"));
  try {
    engine.SaveToFile(Path("kb.clp"));
    ADD_FAILURE() << "no error";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), SFactTemplateInheritanceCorrupt);
  }
  a->SetParent(nullptr);  // the cycle would keep both alive
  EXPECT_EQ(Contents("kb.clp"), "old");
}

// ================================================================ the round trip

TEST_F(SaveLoadTest, NilValuesSurviveSavingFacts) {
  const char* kDefs =
      "(deftemplate p (slot s (default x)) (multislot m (default a b)) (multislot k))";
  Run(kDefs);
  Run("(assert (p (s nil) (m) (k nil c)) (q nil 1))");
  engine.SaveFacts(Path("facts.txt"));
  // Read back into the same engine, every fact is the duplicate of one
  // listed, and so refused: none came back changed.
  const int before = engine.FactCount();
  engine.LoadFacts(Path("facts.txt"));
  EXPECT_EQ(engine.FactCount(), before);
  EXPECT_EQ(Contents("facts.txt"),
            "(Initial-Fact)" + NL + "(p (k nil c ) (m) (s nil))" + NL + "(q nil 1 )" + NL);
}

TEST_F(SaveLoadTest, AnEngineAssignedFromAnotherHoldsTheSameKnowledgeBaseAndOutlivesIt) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  Run("(assert (penguin (legs 2) (colony south)))");
  engine.SetStrategy(ssBreadthFirst);
  engine.SetFactDuplication(true);
  engine.SetWatch({cwRule});
  const std::string saved = WithoutCreatedLine(engine.GetExpertSystem());

  TInferenceEngine copy;
  std::string copy_out;
  Listen(copy, copy_out);
  copy.Parse("(defrule leftover =>)", true);  // cleared by the copy
  {
    TInferenceEngine source;
    source.Assign(engine);  // a copy of a copy: the first source may go
    copy.Assign(source);
  }
  EXPECT_EQ(copy_out, "");  // copying prints nothing
  EXPECT_EQ(WithoutCreatedLine(copy.GetExpertSystem()), saved);
  EXPECT_EQ(copy.FindRule("leftover"), nullptr);
  EXPECT_EQ(copy.Strategy(), ssBreadthFirst);
  EXPECT_TRUE(copy.FactDuplication());
  EXPECT_EQ(copy.Watch(), TConstructWatches{cwRule});

  engine.Reset();
  copy.Reset();
  out.clear();
  engine.Run();
  copy.Run();
  EXPECT_EQ(copy_out, out);
  EXPECT_EQ(Facts(copy), Facts(engine));
}

TEST_F(SaveLoadTest, AKnowledgeBaseSavedAndLoadedIntoAFreshEngineSavesTheSameText) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  Run("(assert (penguin (legs 2) (colony south)))");
  engine.SaveToFile(Path("kb.clp"));
  const std::string first = Contents("kb.clp");

  TInferenceEngine copy;
  std::string copy_out;
  Listen(copy, copy_out);
  copy.LoadFromFile(Path("kb.clp"));
  copy.SaveToFile(Path("again.clp"));
  EXPECT_EQ(WithoutCreatedLine(Contents("again.clp")), WithoutCreatedLine(first));
  EXPECT_EQ(Facts(copy), Facts(engine));

  // Both behave alike once reset.
  engine.Reset();
  copy.Reset();
  out.clear();
  copy_out.clear();
  engine.Run();
  copy.Run();
  EXPECT_EQ(copy_out, out);
  EXPECT_EQ(Facts(copy), Facts(engine));
  EXPECT_NE(out.find("start 20"), std::string::npos) << out;
}

TEST_F(SaveLoadTest, GlobalsWhoseValueCallsADeffunctionAreWrittenAfterTheDeffunctions) {
  Run("(deffunction base () 7) (defglobal ?*a* = 1 ?*b* = (+ 1 (base)))");
  std::string text = engine.GetExpertSystem();
  EXPECT_LT(text.find("; Deffunctions "), text.find("; Global Variables ")) << text;
  TInferenceEngine copy;
  copy.SetExpertSystem(text);
  EXPECT_EQ(copy.GetContext()->FindGlobalBinding("*b*")->Value()->GetToString(), "8");
  EXPECT_EQ(WithoutCreatedLine(copy.GetExpertSystem()), WithoutCreatedLine(text));
}

TEST_F(SaveLoadTest, SetExpertSystemHoldsExactlyTheTextsKnowledgeBaseReset) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  Run("(assert (penguin (colony south)))");
  const std::string text = engine.GetExpertSystem();

  TInferenceEngine other;
  std::string other_out;
  Listen(other, other_out);
  other.Parse("(deftemplate leftover) (defrule old => (printout t old crlf))", true);
  other.SetExpertSystem(text);
  EXPECT_EQ(other.FindFactTemplate("leftover"), nullptr);
  EXPECT_EQ(other.FindRule("old"), nullptr);
  EXPECT_EQ(other.RuleCount(), 3);
  EXPECT_EQ(other.FactSets().size(), 2u);
  EXPECT_EQ(other.Globals().Count(), 3);
  // The saved penguin fact was asserted while reading and is gone with the reset.
  EXPECT_EQ(Facts(other),
            "f-0 (Initial-Fact) f-1 (animal (legs 2) (tags big \"grey one\" )) "
            "f-2 (bird (legs 2) (wings 2)) f-3 (point 1 2.5000 )");
  engine.Reset();
  EXPECT_EQ(WithoutCreatedLine(other.GetExpertSystem()),
            WithoutCreatedLine(engine.GetExpertSystem()));
}

TEST_F(SaveLoadTest, LoadingTheSameFileTwiceReplacesEachConstructByItself) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  engine.SaveToFile(Path("kb.clp"));
  const std::string before = WithoutCreatedLine(engine.GetExpertSystem());
  engine.LoadFromFile(Path("kb.clp"));
  engine.LoadFromFile(Path("kb.clp"));
  // Equal facts are refused: nothing is listed twice. A template defined
  // again re-asserts its facts, so the list may come in another order.
  const std::string after = WithoutCreatedLine(engine.GetExpertSystem());
  const size_t facts = before.find("; Facts");
  ASSERT_NE(facts, std::string::npos);
  EXPECT_EQ(after.substr(0, facts), before.substr(0, facts));
  auto sorted_lines = [](const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
  };
  EXPECT_EQ(sorted_lines(after.substr(facts)), sorted_lines(before.substr(facts)));
  // A rule without patterns still fires: the engine's own templates stayed.
  engine.Reset();
  out.clear();
  engine.Run();
  EXPECT_NE(out.find("start 20"), std::string::npos) << out;
}

TEST_F(SaveLoadTest, LoadingTwiceWithDuplicationAllowedAssertsTheSavedFactsAgain) {
  Run("(assert (a 1) (b 2))");
  engine.SaveToFile(Path("kb.clp"));
  engine.SetFactDuplication(true);
  engine.LoadFromFile(Path("kb.clp"));  // the file's first command turns the check on again
  EXPECT_EQ(engine.FactCount(), 3);
  Write("dup.clp", "(set-fact-duplication FALSE)" + NL + "(assert (a 1) (b 2))" + NL);
  engine.LoadFromFile(Path("dup.clp"));
  EXPECT_EQ(engine.FactCount(), 5);
}

TEST_F(SaveLoadTest, LoadingAnotherKnowledgeBaseKeepsRulesOnTheInitialFact) {
  TInferenceEngine fresh;
  fresh.SaveToFile(Path("empty.clp"));
  Run("(defrule hello => (printout t hello crlf))");
  engine.LoadFromFile(Path("empty.clp"));
  ASSERT_NE(engine.FindRule("hello"), nullptr);
  engine.Reset();
  out.clear();
  engine.Run();
  EXPECT_EQ(out, "hello" + NL);
}

// ================================================================ saving is safe

TEST_F(SaveLoadTest, ASaveChangesNothingInTheEngine) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  const std::string facts = Facts(engine);
  const int32_t next_id = engine.GetNextFactId();
  const int32_t symbol = engine.SymbolIndex();
  const int agenda = engine.Agenda().Count();
  const std::string text = WithoutCreatedLine(engine.GetExpertSystem());
  engine.SaveToFile(Path("kb.clp"));
  engine.SaveFacts(Path("facts.txt"));
  engine.SaveRules(Path("rules.clp"));
  engine.SaveFactTemplates(Path("templates.clp"));
  engine.SaveDefinedTypes(Path("types.clp"));
  EXPECT_EQ(Facts(engine), facts);
  EXPECT_EQ(engine.GetNextFactId(), next_id);
  EXPECT_EQ(engine.SymbolIndex(), symbol);
  EXPECT_EQ(engine.Agenda().Count(), agenda);
  EXPECT_EQ(WithoutCreatedLine(engine.GetExpertSystem()), text);
}

// Lets writes past `bytes` fail (EFBIG) for the life of the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int);
};

TEST_F(SaveLoadTest, AFailedSaveLeavesTheOldFileIntactAndNamesIt) {
  Write("kb.clp", "the old knowledge base");
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  try {
    FileSizeLimit limit(100);
    engine.SaveToFile(Path("kb.clp"));
    ADD_FAILURE() << "the save succeeded";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find(Path("kb.clp")), std::string::npos) << e.what();
  }
  EXPECT_EQ(Contents("kb.clp"), "the old knowledge base");
  EXPECT_EQ(Files(), std::vector<std::string>{"kb.clp"});  // no temporary file is left
}

TEST_F(SaveLoadTest, ASaveIntoAMissingFolderRaisesNamingTheFile) {
  const std::string path = Path("missing/kb.clp");
  try {
    engine.SaveToFile(path);
    ADD_FAILURE() << "the save succeeded";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

TEST_F(SaveLoadTest, ASaveReplacesAFileAndKeepsItsPermissions) {
  Write("kb.clp", "old text that is longer than the facts");
  std::filesystem::permissions(Path("kb.clp"), std::filesystem::perms(0640));
  engine.SaveFacts(Path("kb.clp"));
  EXPECT_EQ(Contents("kb.clp"), "(Initial-Fact)" + NL);
  EXPECT_EQ(std::filesystem::status(Path("kb.clp")).permissions(), std::filesystem::perms(0640));
}

// ================================================================ errors of loading

TEST_F(SaveLoadTest, AMalformedFileReportsItsLineAndKeepsWhatCameBefore) {
  Write("bad.clp", "(deftemplate a (slot x))" + NL + "(defrule r (a (x ?x)) => (printout t ?x))" +
                       NL + NL + "(deftemplate b (slot y)" + NL + "(deftemplate c (slot z))" + NL);
  try {
    engine.LoadFromFile(Path("bad.clp"));
    ADD_FAILURE() << "no error";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.LineNumber(), 5);
    EXPECT_NE(std::string(e.what()).find("at line 5"), std::string::npos) << e.what();
  }
  EXPECT_NE(engine.FindFactTemplate("a"), nullptr);
  EXPECT_NE(engine.FindRule("r"), nullptr);
  EXPECT_EQ(engine.FindFactTemplate("c"), nullptr);
}

TEST_F(SaveLoadTest, AnErrorThatIsNoSyntaxErrorAlsoReportsItsLine) {
  engine.SetDuplicateConstructs(dcError);
  Write("dup.clp", "(deftemplate a (slot x))" + NL + "(deftemplate b)" + NL + NL +
                       "(deftemplate a (slot y))" + NL);
  try {
    engine.LoadFromFile(Path("dup.clp"));
    ADD_FAILURE() << "no error";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.LineNumber(), 4);
    EXPECT_EQ(
        std::string(e.what()).rfind(
            "Parsing Error, " + Format(SDuplicateTemplateNames, {"a"}) + " in Parse at line 4", 0),
        0u)
        << e.what();
  }
  EXPECT_NE(engine.FindFactTemplate("b"), nullptr);
}

TEST_F(SaveLoadTest, LoadingAMissingFileRaisesNamingIt) {
  const std::string path = Path("none.clp");
  for (auto load : {+[](TInferenceEngine&e, const std::string&p) { e.LoadFromFile(p); },
                    +[](TInferenceEngine&e, const std::string&p) { e.LoadFacts(p); },
                    +[](TInferenceEngine&e, const std::string&p) { e.LoadRules(p); }}) {
    try {
      load(engine, path);
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

// ================================================================ files of one kind

TEST_F(SaveLoadTest, SavedFactsAreOnePerLineAndCanBeLimitedToATemplate) {
  Run("(deftemplate p (slot n)) (assert (p (n 1)) (q 2) (p (n 3)))");
  engine.SaveFacts(Path("all.txt"));
  EXPECT_EQ(Contents("all.txt"),
            "(Initial-Fact)" + NL + "(p (n 1))" + NL + "(q 2 )" + NL + "(p (n 3))" + NL);
  engine.SaveFacts(Path("p.txt"), "p");
  EXPECT_EQ(Contents("p.txt"), "(p (n 1))" + NL + "(p (n 3))" + NL);
  Write("unused.txt", "old");
  engine.SaveFacts(Path("unused.txt"), "nobody");
  EXPECT_EQ(Contents("unused.txt"), "");
  TMemoryStream stream;
  engine.SaveFacts(stream, "P");  // names are compared exactly
  EXPECT_EQ(stream.Data(), "");
}

TEST_F(SaveLoadTest, LoadedFactsAreAssertedAndTheirErrorsCarryTheLine) {
  Run("(deftemplate p (slot n))");
  Write("facts.txt", "(p (n 1))" + NL + "(q a b)" + NL + "(p (n 1))" + NL);
  EXPECT_TRUE(engine.LoadFacts(Path("facts.txt")));
  EXPECT_EQ(Facts(engine), "f-0 (Initial-Fact) f-1 (p (n 1)) f-2 (q a b )");
  Write("bad.txt", "(p (n 2))" + NL + "(p (n 3)" + NL + NL);
  try {
    engine.LoadFacts(Path("bad.txt"));
    ADD_FAILURE() << "no error";
  } catch (const EIEParseException& e) {
    EXPECT_GE(e.LineNumber(), 2);
  }
  EXPECT_EQ(Facts(engine), "f-0 (Initial-Fact) f-1 (p (n 1)) f-2 (q a b ) f-3 (p (n 2))");
}

TEST_F(SaveLoadTest, LoadingTemplatesRemovesEveryFactAndRuleFirst) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  TInferenceEngine other;
  other.Parse("(deftemplate gadget (slot size)) (deftemplate widget extends gadget)", false);
  other.SaveFactTemplates(Path("templates.clp"));
  engine.LoadFactTemplates(Path("templates.clp"));
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_EQ(engine.RuleCount(), 0);
  EXPECT_EQ(engine.Agenda().Count(), 0);
  EXPECT_EQ(engine.FindFactTemplate("animal"), nullptr);
  EXPECT_EQ(engine.FindFactTemplate("penguin"), nullptr);
  ASSERT_NE(engine.FindFactTemplate("widget"), nullptr);
  EXPECT_EQ(engine.FindFactTemplate("widget")->GetParent(), engine.FindFactTemplate("gadget"));
  // The engine still resets and runs rules on (Initial-Fact).
  Run("(defrule hi => (printout t hi crlf))");
  engine.Reset();
  EXPECT_EQ(Facts(engine).substr(0, 18), "f-0 (Initial-Fact)");
  out.clear();
  engine.Run();
  EXPECT_EQ(out, "hi" + NL);
}

TEST_F(SaveLoadTest, SavedTemplatesFollowTheTableOrder) {
  engine.Parse("(deftemplate z (slot a)) (deftemplate y (slot b))", false);
  engine.SaveFactTemplates(Path("t.clp"));
  std::string text = Contents("t.clp");
  EXPECT_EQ(text, "(deftemplate Initial-Fact \"(Implied)\")" + NL +
                      "(deftemplate __NOT-OR-TEST-CE* \"(Implied)\")" + NL +
                      engine.FindFactTemplate("z")->GetToString() + NL +
                      engine.FindFactTemplate("y")->GetToString() + NL);
}

TEST_F(SaveLoadTest, RulesSaveInTableOrderAndLoadingThemReplacesEveryRule) {
  Run("(defrule zeta (a ?x) => (printout t zeta ?x crlf)) (defrule alpha (b) => (assert (c)))");
  engine.SaveRules(Path("rules.clp"));
  const std::string text = Contents("rules.clp");
  EXPECT_EQ(text, engine.FindRule("zeta")->GetToString() + NL +
                      engine.FindRule("alpha")->GetToString() + NL);
  Run("(defrule extra => (printout t extra crlf))");
  engine.LoadRules(Path("rules.clp"));
  EXPECT_EQ(engine.RuleCount(), 2);
  EXPECT_EQ(engine.FindRule("extra"), nullptr);
  Run("(assert (a 5))");
  out.clear();
  engine.Run();
  EXPECT_EQ(out, "zeta5" + NL);
}

TEST_F(SaveLoadTest, DefinedTypesSaveAndLoadReplacingTheTypesAndTheirTemplates) {
  Run("(deftype small (extends (type INTEGER)) (range 0 10)) (deftype old (extends (type "
      "STRING))) (deftemplate uses-old (slot s (type old)))");
  engine.SaveDefinedTypes(Path("types.clp"));
  EXPECT_EQ(Contents("types.clp"), engine.PrettyPrint(engine.FindDefinedType("small")) + NL +
                                       engine.PrettyPrint(engine.FindDefinedType("old")) + NL);
  Write("new.clp", "(deftype fresh (extends (type FLOAT)))" + NL);
  engine.LoadDefinedTypes(Path("new.clp"));
  EXPECT_EQ(engine.FindDefinedType("small"), nullptr);
  EXPECT_EQ(engine.FindDefinedType("old"), nullptr);
  EXPECT_EQ(engine.FindFactTemplate("uses-old"), nullptr);  // it used a type that went
  EXPECT_NE(engine.FindDefinedType("fresh"), nullptr);
  engine.LoadDefinedTypes(Path("types.clp"));
  EXPECT_EQ(engine.FindDefinedType("fresh"), nullptr);
  ASSERT_NE(engine.FindDefinedType("small"), nullptr);
  EXPECT_EQ(engine.PrettyPrint(engine.FindDefinedType("small")),
            "(deftype small" + NL + "    (extends (type INTEGER))" + NL +
                "    (range 0.0000 10.0000)" + NL + ")");
}

// ================================================================ the commands

TEST_F(SaveLoadTest, TheCommandsCarryTheirArgumentStringsAndRanges) {
  struct Expected {
    const char* name;
    const char* args;
    int32_t min, max;
  };
  for (const Expected& x :
       {Expected{"load", " <filename>", 1, 1}, Expected{"load-facts", " <filename>", 1, 1},
        Expected{"save", " <filename>", 1, 1},
        Expected{"save-facts", " <file-name> [<fact-template-name>+]", 1, 2147483647}}) {
    IUserFunction* f = engine.GetUserFunction(x.name);
    EXPECT_EQ(f->GetArgumentString(), x.args) << x.name;
    EXPECT_EQ(f->GetMinArgumentCount(), x.min) << x.name;
    EXPECT_EQ(f->GetMaxArgumentCount(), x.max) << x.name;
  }
}

TEST_F(SaveLoadTest, SaveAndLoadCommandsRoundTripTheKnowledgeBase) {
  engine.Parse(kKnowledgeBase, true);
  engine.Reset();
  EXPECT_EQ(Run("(printout t (save \"" + Path("kb.clp") + "\") crlf)"), "TRUE" + NL);
  EXPECT_EQ(WithoutCreatedLine(Contents("kb.clp")), WithoutCreatedLine(engine.GetExpertSystem()));
  Run("(clear)");
  EXPECT_EQ(engine.RuleCount(), 0);
  std::string printed = Run("(printout t (load \"" + Path("kb.clp") + "\") crlf)");
  EXPECT_EQ(printed.substr(printed.size() - 6), "TRUE" + NL);
  EXPECT_EQ(engine.RuleCount(), 3);
  EXPECT_EQ(WithoutCreatedLine(engine.GetExpertSystem()), WithoutCreatedLine(Contents("kb.clp")));
}

TEST_F(SaveLoadTest, SaveFactsCommandWritesAllFactsOrThoseOfTheNamedTemplates) {
  Run("(assert (a 1) (b 2) (c 3) (a 4))");
  Write("some.txt", "an older and longer text that must go entirely");
  EXPECT_EQ(Run("(printout t (save-facts \"" + Path("some.txt") + "\" c a) crlf)"), "TRUE" + NL);
  EXPECT_EQ(Contents("some.txt"), "(c 3 )" + NL + "(a 1 )" + NL + "(a 4 )" + NL);
  Run("(save-facts \"" + Path("all.txt") + "\")");
  EXPECT_EQ(Contents("all.txt"),
            "(Initial-Fact)" + NL + "(a 1 )" + NL + "(b 2 )" + NL + "(c 3 )" + NL + "(a 4 )" + NL);

  Run("(retract *)");
  EXPECT_EQ(Run("(printout t (load-facts \"" + Path("some.txt") + "\") crlf)"), "TRUE" + NL);
  // Fact ids go on from where they were: only a reset starts them again.
  EXPECT_EQ(Facts(engine), "f-5 (c 3 ) f-6 (a 1 ) f-7 (a 4 )");
}

TEST_F(SaveLoadTest, CommandsPassTheEnginesErrorsOn) {
  EXPECT_THROW(Run("(load \"" + Path("none.clp") + "\")"), EStreamError);
  EXPECT_THROW(Run("(load-facts \"" + Path("none.txt") + "\")"), EStreamError);
  EXPECT_THROW(Run("(save \"" + Path("no/such/folder.clp") + "\")"), EStreamError);
  EXPECT_THROW(Run("(save-facts \"" + Path("no/such/folder.txt") + "\" a)"), EStreamError);
}

}  // namespace
}  // namespace rulecore
