// rulecore: an embeddable expert-system shell.
// Tests of the kind vocabulary: kind names, the named kind sets and the type keywords.
#include "core/ie_consts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/helper_functions.h"

namespace rulecore {
namespace {

// Builds a set from a list of kinds without going through the set constants.
TIETypes Kinds(std::initializer_list<TIEType> kinds) {
  TIETypes out;
  for (TIEType k : kinds)
    out.Include(k);
  return out;
}

// The kinds of 0..18 that belong to `set`.
std::vector<TIEType> MembersOf(TIETypes set) {
  std::vector<TIEType> out;
  for (int i = 0; i < kIETypeCount; ++i)
    if (set.Contains(static_cast<TIEType>(i))) out.push_back(static_cast<TIEType>(i));
  return out;
}

std::vector<TIEType> MembersOf(std::initializer_list<TIEType> kinds) {
  return MembersOf(Kinds(kinds));
}

TEST(TIETypeTest, NineteenKindsInDeclaredOrderNamedAfterTheirEnumerators) {
  const std::vector<std::string> expected = {"dtNone",          "dtAtom",
                                             "dtString",        "dtInteger",
                                             "dtVariable",      "dtFactId",
                                             "dtFloat",         "dtFunCall",
                                             "dtFact",          "dtList",
                                             "dtDescriptor",    "dtObject",
                                             "dtClass",         "dtExternalAddress",
                                             "dtSingletons",    "dtFuzzy",
                                             "dtMultiVariable", "dtSlot",
                                             "dtMultiSlot"};
  ASSERT_EQ(kIETypeCount, 19);
  ASSERT_EQ(static_cast<int>(dtMultiSlot), 18);
  for (int i = 0; i < kIETypeCount; ++i)
    EXPECT_EQ(GetIETypeName(static_cast<TIEType>(i)), expected[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(static_cast<int>(dtInteger), 3);
  EXPECT_EQ(static_cast<int>(dtObject), 11);
  EXPECT_EQ(static_cast<int>(dtMultiVariable), 16);
}

TEST(TIETypeTest, KindOutsideTheRangeHasNoNameAndIsInNoSet) {
  for (int raw : {19, 31, 32, 200}) {
    auto kind = static_cast<TIEType>(raw);
    EXPECT_EQ(GetIETypeName(kind), "") << raw;
    for (TIETypes set :
         {IEStringTypes, IENumericTypes, IEIntegerTypes, IEFactTypes, IEVariableTypes,
          IEAlwaysValidTypes, IEMultiSlotTypes, IESlotTypes, IESlotTypesWithFuzzy, IEReparseTypes})
      EXPECT_FALSE(set.Contains(kind)) << raw;
  }
}

TEST(TIETypeSetsTest, TextAndNumberSetsHoldExactlyTheirKinds) {
  EXPECT_EQ(MembersOf(IEStringTypes),
            MembersOf({dtAtom, dtString, dtVariable, dtMultiVariable, dtSlot, dtMultiSlot}));
  EXPECT_EQ(MembersOf(IENumericTypes), MembersOf({dtInteger, dtFloat}));
  EXPECT_EQ(MembersOf(IEIntegerTypes), MembersOf({dtInteger, dtFactId, dtDescriptor}));
  EXPECT_EQ(MembersOf(IEFactTypes), MembersOf({dtInteger, dtFactId, dtFloat}));
}

TEST(TIETypeSetsTest, VariableValidityAndMultislotSetsHoldExactlyTheirKinds) {
  EXPECT_EQ(MembersOf(IEVariableTypes), MembersOf({dtVariable, dtMultiVariable}));
  EXPECT_EQ(MembersOf(IEAlwaysValidTypes),
            MembersOf({dtNone, dtVariable, dtFunCall, dtMultiVariable}));
  EXPECT_EQ(MembersOf(IEMultiSlotTypes), MembersOf({dtList, dtMultiSlot}));
  EXPECT_EQ(MembersOf(IEReparseTypes), MembersOf({dtFunCall, dtFact, dtFuzzy}));
}

TEST(TIETypeSetsTest, SlotSetsHoldSingleFieldKindsAndFuzzyVariantAddsFuzzyKinds) {
  const std::vector<TIEType> slot =
      MembersOf({dtAtom, dtString, dtInteger, dtVariable, dtFactId, dtFloat, dtFunCall, dtFact,
                 dtDescriptor, dtObject, dtClass, dtExternalAddress});
  EXPECT_EQ(MembersOf(IESlotTypes), slot);
  EXPECT_EQ(
      MembersOf(IESlotTypesWithFuzzy),
      MembersOf({dtAtom, dtString, dtInteger, dtVariable, dtFactId, dtFloat, dtFunCall, dtFact,
                 dtDescriptor, dtObject, dtClass, dtExternalAddress, dtSingletons, dtFuzzy}));
  // Neither holds the multifield kinds nor "no value".
  for (TIEType k : {dtNone, dtList, dtMultiVariable, dtMultiSlot, dtSlot}) {
    EXPECT_FALSE(IESlotTypes.Contains(k)) << GetIETypeName(k);
    EXPECT_FALSE(IESlotTypesWithFuzzy.Contains(k)) << GetIETypeName(k);
  }
}

TEST(TypeKeywordTest, EachKeywordStandsForItsKinds) {
  struct Case {
    const char* word;
    std::vector<TIEType> kinds;
  };
  const Case cases[] = {
      {"SYMBOL", MembersOf({dtAtom})},
      {"ATOM", MembersOf({dtAtom})},
      {"STRING", MembersOf({dtString})},
      {"LEXEME", MembersOf({dtAtom, dtString})},
      {"INTEGER", MembersOf({dtInteger})},
      {"FLOAT", MembersOf({dtFloat})},
      {"NUMBER", MembersOf({dtInteger, dtFloat})},
      {"CLASS", MembersOf({dtInteger, dtClass})},
      {"DESCRIPTOR", MembersOf({dtInteger, dtDescriptor})},
      {"OBJECT", MembersOf({dtInteger, dtObject})},
      {"EXTERNALADDRESS", MembersOf({dtInteger, dtExternalAddress})},
      {"FACTID", MembersOf({dtInteger, dtFactId})},
      {"FUZZY", MembersOf({dtFuzzy})},
      {"FACT", MembersOf({dtFact})},
      {"?VARIABLE",
       MembersOf({dtAtom, dtString, dtInteger, dtVariable, dtFactId, dtFloat, dtFunCall, dtFact,
                  dtDescriptor, dtObject, dtClass, dtExternalAddress})},
  };
  for (const Case& c : cases) {
    TIETypes found;
    ASSERT_TRUE(FindTypeKeyword(c.word, &found)) << c.word;
    EXPECT_EQ(MembersOf(found), c.kinds) << c.word;
  }
}

TEST(TypeKeywordTest, KeywordsMatchOnlyInExactUpperCase) {
  TIETypes found = Kinds({dtFact});
  for (const char* word : {"symbol", "Integer", "number ", "", "VARIABLE", "?variable", "LIST"}) {
    EXPECT_FALSE(FindTypeKeyword(word, &found)) << word;
    EXPECT_FALSE(JoinTypeKeyword(word, &found)) << word;
  }
  // A word that is no keyword leaves the set alone.
  EXPECT_EQ(MembersOf(found), MembersOf({dtFact}));
}

TEST(TypeKeywordTest, JoiningAddsTheKeywordKindsToTheSet) {
  TIETypes kinds = Kinds({dtFact});
  ASSERT_TRUE(JoinTypeKeyword("STRING", &kinds));
  EXPECT_EQ(MembersOf(kinds), MembersOf({dtFact, dtString}));
  ASSERT_TRUE(JoinTypeKeyword("FACTID", &kinds));
  EXPECT_EQ(MembersOf(kinds), MembersOf({dtFact, dtString, dtInteger, dtFactId}));
}

TEST(TypeKeywordTest, NumberJoinedWithIntegerStaysIntegerAndFloat) {
  TIETypes kinds;
  ASSERT_TRUE(JoinTypeKeyword("NUMBER", &kinds));
  ASSERT_TRUE(JoinTypeKeyword("INTEGER", &kinds));
  EXPECT_EQ(MembersOf(kinds), MembersOf({dtInteger, dtFloat}));
}

TEST(TypeKeywordTest, VariableKeywordReplacesTheSetInsteadOfAdding) {
  TIETypes kinds = Kinds({dtFuzzy, dtList});
  ASSERT_TRUE(JoinTypeKeyword("?VARIABLE", &kinds));
  EXPECT_EQ(MembersOf(kinds), MembersOf(IESlotTypes));
  EXPECT_FALSE(kinds.Contains(dtFuzzy));
  EXPECT_FALSE(kinds.Contains(dtList));
}

}  // namespace
}  // namespace rulecore
