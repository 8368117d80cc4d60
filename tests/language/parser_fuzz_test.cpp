// rulecore: an embeddable expert-system shell.
// Bad input: random bytes, mutated knowledge bases and deep nesting either
// parse or raise the engine's own errors - never crash, hang or leak.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/ie_exception.h"
#include "core/messages.h"
#include "language/clips_parser.h"
#include "support/test_engine.h"

namespace rulecore {
namespace {

const char* const kCorpus = R"((deftemplate person "a person"
  (slot name (type STRING)) (slot age (type INTEGER) (default 1) (range 0 130))
  (multislot kids) (slot color (allowed-symbols red green) (default red)))
(deftype age (extends (type INTEGER)) (range 0 130) (units "years"))
(deffacts people (person (name "Ann") (age 31) (kids a b)) (person (name "Bob")))
(defglobal ?*x* = 3 ?*y* = (+ 1 2))
(deffunction add2 (?a ?b $?rest) "adds" (+ ?a ?b))
(defrule r1 "first" (declare (salience 10) (oneshot TRUE))
  ?p <- (person (name ?n) (age ?a&:(eq ?a 31)|32) (kids $? x $?))
  (not (exists (person (name ?n) (color ~red))))
  (test (eq ?a 31))
  (pair ?x&~red|blue =(+ 1 2))
  =>
  (assert (older ?n) (pair 1 2))
  (modify ?p (age (+ ?a 1))))
(+ 1 2) (add2 3 4 5) ?*x* abc 1.5e3)";

// Parses `text` into a fresh engine; true when it parsed, false when it
// raised one of the engine's errors. Anything else fails the test.
bool ParsesOrRaises(const std::string& text) {
  TestEngine engine;
  engine.AddTestFunctions();
  try {
    engine.Parse(text, true);
    return true;
  } catch (const EIEException&) {
    return false;
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception " << e.what() << " for input:\n" << text;
    return false;
  }
}

TEST(ParserBadInputTest, TheCorpusItselfParses) {
  EXPECT_TRUE(ParsesOrRaises(kCorpus));
}

TEST(ParserBadInputTest, MutatedKnowledgeBasesParseOrRaise) {
  std::mt19937 rng(20261208);
  const std::string corpus = kCorpus;
  const std::string specials = "()?$~&|=:;\"\\ \n<>*";
  int parsed = 0;
  for (int i = 0; i < 1500; ++i) {
    std::string text = corpus;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      size_t pos = rng() % text.size();
      switch (rng() % 6) {
        case 0:  // cut the text off
          text.resize(pos);
          break;
        case 1:  // delete a character
          text.erase(pos, 1);
          break;
        case 2:  // insert a special character
          text.insert(pos, 1, specials[rng() % specials.size()]);
          break;
        case 3:  // insert a random byte
          text.insert(pos, 1, static_cast<char>(rng() % 256));
          break;
        case 4: {  // repeat a piece
          size_t len = std::min<size_t>(1 + rng() % 40, text.size() - pos);
          text.insert(pos, text.substr(pos, len));
          break;
        }
        default:  // swap two characters
          std::swap(text[pos], text[rng() % text.size()]);
          break;
      }
    }
    if (ParsesOrRaises(text)) ++parsed;
  }
  // Small mutations leave some inputs valid; most are refused with errors.
  EXPECT_GT(parsed, 0);
  EXPECT_LT(parsed, 1500);
}

TEST(ParserBadInputTest, RandomBytesParseOrRaise) {
  std::mt19937 rng(7);
  for (int i = 0; i < 500; ++i) {
    std::string text(static_cast<size_t>(rng() % 300), '\0');
    for (char& c : text)
      c = static_cast<char>(rng() % 256);
    ParsesOrRaises(text);
  }
}

TEST(ParserBadInputTest, VeryLongTokensAreRead) {
  std::string word(200000, 'w');
  EXPECT_TRUE(ParsesOrRaises("(deftemplate " + word + " (slot " + word + "))"));
  EXPECT_FALSE(ParsesOrRaises("(" + word + " \"" + word));  // unterminated string
}

TEST(ParserBadInputTest, DeeplyNestedCallsEndInAClearError) {
  std::string text;
  for (int i = 0; i < 20000; ++i)
    text += "(f ";
  TestEngine engine;
  try {
    engine.Parse(text, true);
    FAIL() << "deep nesting was accepted";
  } catch (const EIEParseException& e) {
    EXPECT_NE(std::string(e.what()).find(Format(SNestingTooDeep, {TIEClipsParser::kMaxNesting})),
              std::string::npos)
        << e.what();
  }
}

TEST(ParserBadInputTest, DeeplyNestedNegationsEndInAClearError) {
  std::string text = "(defrule r ";
  for (int i = 0; i < 20000; ++i)
    text += "(not ";
  TestEngine engine;
  EXPECT_THROW(engine.Parse(text, true), EIEParseException);
}

TEST(ParserBadInputTest, NestingWithinTheLimitIsRead) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "(+ 1 ";
  text += "1";
  for (int i = 0; i < 100; ++i)
    text += ")";
  TestEngine engine;
  engine.AddTestFunctions();
  engine.Parse(text, true);
  EXPECT_EQ(engine.Output(), "101\r\n");
}

}  // namespace
}  // namespace rulecore
