// rulecore: an embeddable expert-system shell.
// Tests of a single token: its printed form, its value, copying and equality.
#include "language/stream_token.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"
#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {
namespace {

Ref<IStreamToken> Token(int32_t kind, const std::string& text, int32_t line = 1,
                        double number = 0.0) {
  return Ref<IStreamToken>(new TIEStreamToken(kind, text, line, number));
}

// ---------------------------------------------------------------- printed form

TEST(StreamTokenTextTest, StringIsQuotedWithEmbeddedQuotesAndBackslashesEscaped) {
  EXPECT_EQ(Token(dtString, "a\"b\\c")->ToString(), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(Token(dtString, "")->ToString(), "\"\"");
}

TEST(StreamTokenTextTest, IntegerPrintsItsNumberNotItsText) {
  EXPECT_EQ(Token(dtInteger, "+5", 1, 5)->ToString(), "5");
  EXPECT_EQ(Token(dtInteger, "-007", 1, -7)->ToString(), "-7");
}

TEST(StreamTokenTextTest, FloatPrintsFourDecimals) {
  EXPECT_EQ(Token(dtFloat, "1.5", 1, 1.5)->ToString(), "1.5000");
  EXPECT_EQ(Token(dtFloat, "1e3", 1, 1000.0)->ToString(), "1000.0000");
}

TEST(StreamTokenTextTest, VariablesPrintWithTheirPrefixes) {
  EXPECT_EQ(Token(dtVariable, "x")->ToString(), "?x");
  EXPECT_EQ(Token(dtMultiVariable, "rest")->ToString(), "$?rest");
}

TEST(StreamTokenTextTest, OtherKindsPrintTheirTextOrTheirCharacterWhenTextIsEmpty) {
  EXPECT_EQ(Token(dtAtom, "abc")->ToString(), "abc");
  EXPECT_EQ(Token(kTokenAmpersand, "&")->ToString(), "&");
  EXPECT_EQ(Token(kTokenOpenParen, "")->ToString(), "(");
  EXPECT_EQ(Token(kTokenTilde, "")->ToString(), "~");
  EXPECT_EQ(Token(kTokenEOF, "EOF")->ToString(), "EOF");
}

// ---------------------------------------------------------------- values

TEST(StreamTokenValueTest, TrueAndFalseSymbolsGiveTheSharedConstants) {
  EXPECT_EQ(Token(dtAtom, "TRUE")->Value().get(), FCTrue);
  EXPECT_EQ(Token(dtAtom, "FALSE")->Value().get(), FCFalse);
  Ref<IIEValue> lower = Token(dtAtom, "true")->Value();
  EXPECT_NE(lower.get(), FCTrue);
  EXPECT_EQ(lower->GetDType(), dtAtom);
  EXPECT_EQ(lower->GetAsAtom(), "true");
}

TEST(StreamTokenValueTest, NilInAnyLetterCaseGivesTheSharedNil) {
  EXPECT_EQ(Token(dtAtom, "nil")->Value().get(), FCNil);
  EXPECT_EQ(Token(dtAtom, "NIL")->Value().get(), FCNil);
  EXPECT_EQ(Token(dtAtom, "nIl")->Value().get(), FCNil);
  Ref<IIEValue> longer = Token(dtAtom, "nils")->Value();
  EXPECT_NE(longer.get(), FCNil);
  EXPECT_EQ(longer->GetAsAtom(), "nils");
  EXPECT_NE(Token(dtString, "nil")->Value().get(), FCNil);
}

TEST(StreamTokenValueTest, OtherSymbolsGiveANewSymbolEachTime) {
  Ref<IStreamToken> token = Token(dtAtom, "abc");
  Ref<IIEValue> a = token->Value();
  Ref<IIEValue> b = token->Value();
  EXPECT_NE(a.get(), b.get());
  EXPECT_FALSE(IsValueConstant(a.get()));
  EXPECT_EQ(a->GetDType(), dtAtom);
  EXPECT_EQ(a->GetAsAtom(), "abc");
}

TEST(StreamTokenValueTest, EndOfStreamGivesTheSharedEOFValue) {
  EXPECT_EQ(Token(kTokenEOF, "EOF")->Value().get(), FCEOF);
  // Kind 0 with any other text is no end of stream: it reads as its code.
  Ref<IIEValue> other = Token(kTokenEOF, "x")->Value();
  EXPECT_EQ(other->GetDType(), dtString);
  EXPECT_EQ(other->GetAsString(), "0");
}

TEST(StreamTokenValueTest, NumbersGiveValuesOfTheirKindFromTheNumber) {
  Ref<IIEValue> integer = Token(dtInteger, "12", 1, 12)->Value();
  EXPECT_EQ(integer->GetDType(), dtInteger);
  EXPECT_EQ(integer->GetAsInteger(), 12);
  EXPECT_EQ(Token(dtInteger, "x", 1, -3.9)->Value()->GetAsInteger(), -3);
  Ref<IIEValue> real = Token(dtFloat, "1.5", 1, 1.5)->Value();
  EXPECT_EQ(real->GetDType(), dtFloat);
  EXPECT_DOUBLE_EQ(real->GetAsFloat(), 1.5);
  Ref<IIEValue> id = Token(dtFactId, "", 1, 4)->Value();
  EXPECT_EQ(id->GetDType(), dtFactId);
  EXPECT_EQ(id->GetAsFactId(), 4);
  Ref<IIEValue> descriptor = Token(dtDescriptor, "", 1, 9)->Value();
  EXPECT_EQ(descriptor->GetDType(), dtDescriptor);
  EXPECT_EQ(descriptor->GetAsDescriptor(), 9);
}

TEST(StreamTokenValueTest, TextKindsGiveValuesOfTheirKindWithTheText) {
  struct Case {
    int32_t kind;
    TIEType expected;
  };
  for (Case c : {Case{dtString, dtString}, Case{dtVariable, dtVariable},
                 Case{dtMultiVariable, dtMultiVariable}, Case{dtSlot, dtSlot},
                 Case{dtMultiSlot, dtMultiSlot}}) {
    Ref<IIEValue> v = Token(c.kind, "name")->Value();
    EXPECT_EQ(v->GetDType(), c.expected) << "kind " << c.kind;
    EXPECT_EQ(v->PeekText(), "name") << "kind " << c.kind;
  }
}

TEST(StreamTokenValueTest, HostKindsGiveEmptyValuesOfTheirKind) {
  Ref<IIEValue> object = Token(dtObject, "", 1, 5)->Value();
  EXPECT_EQ(object->GetDType(), dtObject);
  EXPECT_EQ(object->GetAsObject(), nullptr);
  Ref<IIEValue> address = Token(dtExternalAddress, "", 1, 5)->Value();
  EXPECT_EQ(address->GetDType(), dtExternalAddress);
  EXPECT_EQ(address->GetAsExternalAddress(), nullptr);
}

TEST(StreamTokenValueTest, PunctuationGivesAStringOfItsCharacterCode) {
  Ref<IIEValue> open = Token(kTokenOpenParen, "(")->Value();
  EXPECT_EQ(open->GetDType(), dtString);
  EXPECT_EQ(open->GetAsString(), "40");
  EXPECT_EQ(Token(kTokenTilde, "~")->Value()->GetAsString(), "126");
  EXPECT_EQ(Token(dtFunCall, "f")->Value()->GetAsString(), "7");
}

TEST(StreamTokenValueTest, VariableInAContextGivesTheBoundValueItself) {
  TIEContext context(nullptr, nullptr);
  Ref<IIEValue> seven = NewInteger(7);
  Ref<IIEValue> list = NewEmptyList();
  context.AddLocalBinding("x", seven.get());
  context.AddLocalBinding("rest", list.get());
  EXPECT_EQ(Token(dtVariable, "x")->Value(&context).get(), seven.get());
  EXPECT_EQ(Token(dtMultiVariable, "rest")->Value(&context).get(), list.get());
}

TEST(StreamTokenValueTest, UnboundVariableInAContextRaisesUnknownVariable) {
  TIEContext context(nullptr, nullptr);
  for (int32_t kind : {static_cast<int32_t>(dtVariable), static_cast<int32_t>(dtMultiVariable)}) {
    try {
      Token(kind, "missing")->Value(&context);
      ADD_FAILURE() << "no error for kind " << kind;
    } catch (const EIEException& e) {
      EXPECT_EQ(std::string(e.what()), Format(SUnknownVariable, {"missing"}));
    }
  }
}

TEST(StreamTokenValueTest, WithoutAContextOrForOtherKindsTheContextIsNotConsulted) {
  TIEContext context(nullptr, nullptr);
  Ref<IIEValue> bound = NewInteger(1);
  context.AddLocalBinding("x", bound.get());
  Ref<IIEValue> plain = Token(dtVariable, "x")->Value(nullptr);
  EXPECT_EQ(plain->GetDType(), dtVariable);
  EXPECT_EQ(plain->GetAsVariable(), "x");
  Ref<IIEValue> symbol = Token(dtAtom, "x")->Value(&context);
  EXPECT_EQ(symbol->GetDType(), dtAtom);
  EXPECT_EQ(Token(dtAtom, "TRUE")->Value(&context).get(), FCTrue);
}

// ---------------------------------------------------------------- equality and copies

TEST(StreamTokenEqualityTest, ComparesKindLineAndNumberButNotText) {
  Ref<IStreamToken> a = Token(dtInteger, "5", 3, 5);
  EXPECT_TRUE(a->Equals(Token(dtInteger, "+5", 3, 5).get()));
  EXPECT_FALSE(a->Equals(Token(dtFloat, "5", 3, 5).get()));
  EXPECT_FALSE(a->Equals(Token(dtInteger, "5", 4, 5).get()));
  EXPECT_FALSE(a->Equals(Token(dtInteger, "5", 3, 6).get()));
  EXPECT_TRUE(Token(dtAtom, "a")->Equals(Token(dtAtom, "b").get()));
  EXPECT_FALSE(a->Equals(static_cast<IStreamToken*>(nullptr)));
}

TEST(StreamTokenEqualityTest, AnObjectWithoutTheTokenInterfaceIsNeverEqual) {
  Ref<TIEStreamToken> token(new TIEStreamToken(dtAtom, "a", 1));
  Ref<IIEValue> value = NewAtom("a");
  EXPECT_FALSE(token->Equals(static_cast<IInterface*>(value.get())));
  Ref<IStreamToken> same = Token(dtAtom, "z", 1);
  EXPECT_TRUE(token->Equals(static_cast<IInterface*>(same.get())));
}

TEST(StreamTokenCopyTest, CloneIsANewTokenWithEveryField) {
  Ref<IStreamToken> token = Token(dtFloat, "2.5", 7, 2.5);
  token->SetTag(42);
  token->SetWhitespace(" ; note\r\n");
  Ref<IStreamToken> copy = token->Clone();
  EXPECT_NE(copy.get(), token.get());
  EXPECT_EQ(copy->GetDataType(), dtFloat);
  EXPECT_EQ(copy->GetText(), "2.5");
  EXPECT_EQ(copy->GetLineNumber(), 7);
  EXPECT_DOUBLE_EQ(copy->GetNumber(), 2.5);
  EXPECT_EQ(copy->GetTag(), 42);
  EXPECT_EQ(copy->GetWhitespace(), " ; note\r\n");
  copy->SetText("changed");
  EXPECT_EQ(token->GetText(), "2.5");
}

TEST(StreamTokenCopyTest, AssignCopiesAnotherTokenAndRefusesOtherInterfaces) {
  Ref<IStreamToken> source = Token(dtVariable, "x", 4);
  source->SetTag(3);
  source->SetWhitespace("  ");
  Ref<IStreamToken> target = Token(dtAtom, "old", 1);
  target->Assign(source.get());
  EXPECT_EQ(target->GetDataType(), dtVariable);
  EXPECT_EQ(target->GetText(), "x");
  EXPECT_EQ(target->GetLineNumber(), 4);
  EXPECT_EQ(target->GetTag(), 3);
  EXPECT_EQ(target->GetWhitespace(), "  ");

  Ref<IIEValue> value = NewAtom("a");
  try {
    target->Assign(value.get());
    ADD_FAILURE() << "a value was assigned to a token";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot assign a non-token interface to a TIEStreamToken");
  }
  EXPECT_EQ(target->GetText(), "x");
}

TEST(StreamTokenCopyTest, SetValueTakesKindTextAndNumberFromAValue) {
  Ref<IStreamToken> token(new TIEStreamToken());
  EXPECT_EQ(token->GetTag(), 0);
  EXPECT_TRUE(token->IsEOF());

  token->SetValue(NewInteger(12).get());
  EXPECT_EQ(token->GetDataType(), dtInteger);
  EXPECT_DOUBLE_EQ(token->GetNumber(), 12.0);
  EXPECT_EQ(token->GetText(), "12");
  EXPECT_EQ(token->Value()->GetAsInteger(), 12);

  token->SetValue(NewString("a \"b\"").get());
  EXPECT_EQ(token->GetDataType(), dtString);
  EXPECT_EQ(token->GetText(), "a \"b\"");
  EXPECT_DOUBLE_EQ(token->GetNumber(), 0.0);

  token->SetValue(NewVariable("v").get());
  EXPECT_EQ(token->ToString(), "?v");

  token->SetValue(FCTrue);
  EXPECT_EQ(token->Value().get(), FCTrue);
}

}  // namespace
}  // namespace rulecore
