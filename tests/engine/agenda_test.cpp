// rulecore: an embeddable expert-system shell.
// The agenda on its own: ordering by salience and strategy, membership, strategy changes and
// re-sorting after saliences change.
#include "engine/agenda.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/format.h"
#include "rete/rule.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

class AgendaTest : public ::testing::Test {
 protected:
  // An activation of a new rule named `name` with the salience `salience`.
  Ref<TActivation> Make(const std::string& name, int32_t salience) {
    auto& rule = rules_.emplace_back(std::make_unique<TRule>());
    rule->SetRuleName(name);
    rule->SetSalience(salience);
    Ref<IReteToken> token(new FakeToken({}));
    return Ref<TActivation>(new TActivation(rule.get(), token.get(), nullptr, 1.0f));
  }

  // Adds activations named after their salience and arrival ("a5" is the first of salience 5).
  void AddAll(std::vector<Ref<TActivation>>& held,
              const std::vector<std::pair<std::string, int>>& items) {
    for (const auto& [name, salience] : items) {
      held.push_back(Make(name, salience));
      agenda_.Add(held.back().get());
    }
  }

  // The rule names in firing order, separated by spaces.
  std::string Order() const {
    std::string out;
    for (const Ref<TActivation>& a : agenda_.Items()) {
      if (!out.empty()) out += ' ';
      out += a->Rule()->RuleName();
    }
    return out;
  }

  // Declared first so that the rules outlive the activations the agenda holds.
  std::vector<std::unique_ptr<TRule>> rules_;
  TIEAgenda agenda_;
};

// ---------------------------------------------------------------- membership

TEST_F(AgendaTest, ANewAgendaIsEmptyAndDepthFirst) {
  EXPECT_TRUE(agenda_.Empty());
  EXPECT_EQ(agenda_.Count(), 0);
  EXPECT_EQ(agenda_.First(), nullptr);
  EXPECT_EQ(agenda_.Strategy(), ssDepthFirst);
  ExpectIEError([&] { agenda_.Get(0); }, Format(SListIndexError, {0}));
}

TEST_F(AgendaTest, AMissingActivationIsRefused) {
  ExpectIEError([&] { agenda_.Add(nullptr); }, SInvalidAgendaItem);
  EXPECT_TRUE(agenda_.Empty());
}

TEST_F(AgendaTest, AddingAnActivationTwiceKeepsOneEntry) {
  Ref<TActivation> a = Make("a", 0);
  Ref<TActivation> b = Make("b", 0);
  EXPECT_EQ(agenda_.Add(a.get()), 0);
  EXPECT_EQ(agenda_.Add(b.get()), 0);
  EXPECT_EQ(agenda_.Add(a.get()), 1);
  EXPECT_EQ(agenda_.Count(), 2);
  EXPECT_EQ(Order(), "b a");
}

TEST_F(AgendaTest, TheAgendaHoldsEachActivationUntilItLeaves) {
  Ref<TActivation> a = Make("a", 0);
  TActivation* raw = a.get();
  agenda_.Add(raw);
  a.reset();
  ASSERT_EQ(agenda_.First(), raw);
  EXPECT_EQ(raw->RefCount(), 1);
  EXPECT_EQ(raw->Rule()->RuleName(), "a");
  Ref<TActivation> again(raw);
  EXPECT_TRUE(agenda_.Remove(raw));
  EXPECT_EQ(again->RefCount(), 1);
}

TEST_F(AgendaTest, RemovingReportsWhetherTheActivationWasListed) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}});
  EXPECT_TRUE(agenda_.Remove(held[1].get()));
  EXPECT_FALSE(agenda_.Remove(held[1].get()));
  EXPECT_FALSE(agenda_.Contains(held[1].get()));
  EXPECT_EQ(agenda_.IndexOf(held[1].get()), -1);
  EXPECT_EQ(agenda_.IndexOf(held[0].get()), 1);
  EXPECT_EQ(Order(), "c a");
}

TEST_F(AgendaTest, RemovingFromEitherEndOrEmptyingASalienceKeepsTheRestInOrder) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 1}, {"b", 0}, {"c", 1}, {"d", -1}});
  EXPECT_EQ(Order(), "c a b d");
  EXPECT_TRUE(agenda_.Remove(held[2].get()));  // the first of its salience
  EXPECT_TRUE(agenda_.Remove(held[1].get()));  // the only one of its salience
  EXPECT_EQ(Order(), "a d");
  EXPECT_EQ(agenda_.First(), held[0].get());
  AddAll(held, {{"e", 0}});
  EXPECT_EQ(Order(), "a e d");
  EXPECT_TRUE(agenda_.Remove(held[3].get()));  // the last of all
  EXPECT_EQ(Order(), "a e");
  EXPECT_EQ(agenda_.Get(1), held[4].get());
  EXPECT_EQ(agenda_.IndexOf(held[4].get()), 1);
  EXPECT_EQ(agenda_.Count(), 2);
  EXPECT_TRUE(agenda_.Remove(held[0].get()));
  EXPECT_TRUE(agenda_.Remove(held[4].get()));
  EXPECT_TRUE(agenda_.Empty());
  EXPECT_EQ(agenda_.First(), nullptr);
}

TEST_F(AgendaTest, ClearingDropsEveryEntryAndItsReference) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 1}, {"b", 2}});
  agenda_.Clear();
  EXPECT_TRUE(agenda_.Empty());
  EXPECT_EQ(held[0]->RefCount(), 1);
  EXPECT_EQ(held[1]->RefCount(), 1);
  ExpectIEError([&] { agenda_.Get(1); }, Format(SListIndexError, {1}));
}

// ---------------------------------------------------------------- order

TEST_F(AgendaTest, DepthFirstPutsTheNewestOfEqualSalienceFirst) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}});
  EXPECT_EQ(Order(), "c b a");
  EXPECT_EQ(agenda_.First(), held[2].get());
  EXPECT_EQ(agenda_.Get(2), held[0].get());
}

TEST_F(AgendaTest, BreadthFirstPutsTheNewestOfEqualSalienceLast) {
  agenda_.SetStrategy(ssBreadthFirst);
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}});
  EXPECT_EQ(Order(), "a b c");
}

TEST_F(AgendaTest, HigherSalienceGoesFirstUnderEitherStrategy) {
  for (TSearchStrategy strategy : {ssDepthFirst, ssBreadthFirst}) {
    SCOPED_TRACE(strategy == ssDepthFirst ? "depth-first" : "breadth-first");
    agenda_.Clear();
    agenda_.SetStrategy(strategy);
    std::vector<Ref<TActivation>> held;
    AddAll(held, {{"five", 5}, {"ten", 10}, {"minus", -1}});
    EXPECT_EQ(Order(), "ten five minus");
    EXPECT_EQ(held[1]->SortSalience(), 10);
  }
}

TEST_F(AgendaTest, DepthFirstPutsANewActivationBeforeAllOfItsSalience) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"hi", 10}, {"a", 5}, {"b", 5}, {"c", 5}, {"lo", 0}});
  ASSERT_EQ(Order(), "hi c b a lo");
  held.push_back(Make("d", 5));
  EXPECT_EQ(agenda_.Add(held.back().get()), 1);
  EXPECT_EQ(Order(), "hi d c b a lo");
}

TEST_F(AgendaTest, BreadthFirstPutsANewActivationAfterAllOfItsSalience) {
  agenda_.SetStrategy(ssBreadthFirst);
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"hi", 10}, {"a", 5}, {"b", 5}, {"c", 5}, {"lo", 0}});
  ASSERT_EQ(Order(), "hi a b c lo");
  held.push_back(Make("d", 5));
  EXPECT_EQ(agenda_.Add(held.back().get()), 4);
  EXPECT_EQ(Order(), "hi a b c d lo");
}

TEST_F(AgendaTest, AnActivationBetweenTwoSaliencesLandsBetweenThem) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"hi", 10}, {"lo", 0}, {"mid", 5}, {"top", 20}, {"bottom", -20}});
  EXPECT_EQ(Order(), "top hi mid lo bottom");
  EXPECT_EQ(agenda_.IndexOf(held[2].get()), 2);
}

// ---------------------------------------------------------------- strategy and re-sorting

TEST_F(AgendaTest, SwitchingToBreadthFirstKeepsTheWaitingOrder) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}});
  agenda_.SetStrategy(ssBreadthFirst);
  EXPECT_EQ(agenda_.Strategy(), ssBreadthFirst);
  EXPECT_EQ(Order(), "c b a");
  held.push_back(Make("d", 0));
  agenda_.Add(held.back().get());
  EXPECT_EQ(Order(), "c b a d");
}

TEST_F(AgendaTest, SwitchingToDepthFirstReAddsTheWaitingActivationsInOrder) {
  agenda_.SetStrategy(ssBreadthFirst);
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}, {"hi", 3}});
  ASSERT_EQ(Order(), "hi a b c");
  agenda_.SetStrategy(ssDepthFirst);
  EXPECT_EQ(Order(), "hi c b a");
  held.push_back(Make("d", 0));
  agenda_.Add(held.back().get());
  EXPECT_EQ(Order(), "hi d c b a");
}

TEST_F(AgendaTest, ResortFollowsChangedSaliences) {
  std::vector<Ref<TActivation>> held;
  AddAll(held, {{"a", 1}, {"b", 2}, {"c", 3}});
  ASSERT_EQ(Order(), "c b a");
  held[0]->Rule()->SetSalience(9);
  EXPECT_EQ(Order(), "c b a");  // the agenda sorts by the salience it read on entry
  agenda_.Resort();
  EXPECT_EQ(Order(), "a c b");
  EXPECT_EQ(held[0]->SortSalience(), 9);
}

TEST_F(AgendaTest, ResortKeepsTheOrderAmongEqualSalienceUnderEitherStrategy) {
  for (TSearchStrategy strategy : {ssDepthFirst, ssBreadthFirst}) {
    SCOPED_TRACE(strategy == ssDepthFirst ? "depth-first" : "breadth-first");
    agenda_.Clear();
    agenda_.SetStrategy(strategy);
    std::vector<Ref<TActivation>> held;
    AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}, {"hi", 4}});
    const std::string before = Order();
    agenda_.Resort();
    EXPECT_EQ(Order(), before);
    agenda_.Resort();
    EXPECT_EQ(Order(), before);
    // A later activation still goes in front of (depth-first) or behind (breadth-first) its
    // salience.
    held.push_back(Make("d", 0));
    agenda_.Add(held.back().get());
    EXPECT_EQ(Order(), strategy == ssDepthFirst ? "hi d c b a" : "hi a b c d");
  }
}

TEST_F(AgendaTest, ReAddingKeepsTheWaitingOrderAmongEqualSalienceUnderEitherStrategy) {
  struct Case {
    TSearchStrategy strategy;
    const char* waiting;  // the order on entry
    const char* after;    // after the re-adding, with "new" arriving midway
  };
  for (const Case& c : {Case{ssDepthFirst, "hi c b a", "c hi new b a"},
                        Case{ssBreadthFirst, "hi a b c", "a hi b c new"}}) {
    SCOPED_TRACE(c.waiting);
    agenda_.Clear();
    agenda_.SetStrategy(c.strategy);
    std::vector<Ref<TActivation>> held;
    AddAll(held, {{"a", 0}, {"b", 0}, {"c", 0}, {"hi", 4}});
    ASSERT_EQ(Order(), c.waiting);
    std::vector<Ref<TActivation>> waiting = agenda_.Items();
    waiting[1]->Rule()->SetSalience(9);  // the second in line moves to the front
    agenda_.Clear();
    agenda_.BeginReAdd(static_cast<int>(waiting.size()));
    for (size_t i = 0; i < waiting.size(); ++i) {
      if (i == 2) {
        // An activation arriving in the middle of the re-adding is placed as
        // any new one.
        held.push_back(Make("new", 0));
        agenda_.Add(held.back().get());
      }
      agenda_.ExpectReAdd(waiting[i].get(), static_cast<int>(i));
      agenda_.Add(waiting[i].get());
    }
    agenda_.EndReAdd();
    EXPECT_EQ(Order(), c.after);
  }
}

}  // namespace
}  // namespace rulecore
