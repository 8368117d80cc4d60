// rulecore: an embeddable expert-system shell.
// Tests of the CLIPS-syntax tokenizer: token kinds, words and numbers,
// strings, comments, line counting, put-back, the echo, error recovery and
// arbitrary input.
#include "language/clips_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/ie_consts.h"
#include "core/messages.h"
#include "language/parse_exception.h"
#include "platform/format.h"
#include "platform/streams.h"

namespace rulecore {
namespace {

// A tokenizer whose token maker the tests call directly.
class ExposedStream : public TIEClipsStream {
 public:
  using TIEClipsStream::FinishToken;
  using TIEClipsStream::TIEClipsStream;
};

// A tokenizer over an in-memory text.
class Source {
 public:
  explicit Source(std::string text, TSymbolGenerator generate = nullptr)
      : memory_(std::move(text)), stream_(&memory_, std::move(generate)) {}

  ExposedStream& operator*() { return stream_; }
  ExposedStream* operator->() { return &stream_; }

 private:
  TMemoryStream memory_;
  ExposedStream stream_;
};

// Every token before the end of the stream (at most `limit`).
std::vector<Ref<IStreamToken>> ReadAll(TIETokenizerStream& stream, int limit = 100000) {
  std::vector<Ref<IStreamToken>> tokens;
  for (int i = 0; i < limit; ++i) {
    Ref<IStreamToken> token = stream.NextToken();
    if (token->IsEOF()) return tokens;
    tokens.push_back(token);
  }
  ADD_FAILURE() << "no end of stream after " << limit << " tokens";
  return tokens;
}

std::vector<Ref<IStreamToken>> ReadAll(const std::string& text) {
  Source source(text);
  return ReadAll(*source);
}

std::vector<int32_t> Kinds(const std::vector<Ref<IStreamToken>>& tokens) {
  std::vector<int32_t> kinds;
  for (const Ref<IStreamToken>& t : tokens)
    kinds.push_back(t->GetDataType());
  return kinds;
}

std::vector<std::string> Texts(const std::vector<Ref<IStreamToken>>& tokens) {
  std::vector<std::string> texts;
  for (const Ref<IStreamToken>& t : tokens)
    texts.push_back(t->GetText());
  return texts;
}

std::vector<int32_t> Lines(const std::vector<Ref<IStreamToken>>& tokens) {
  std::vector<int32_t> lines;
  for (const Ref<IStreamToken>& t : tokens)
    lines.push_back(t->GetLineNumber());
  return lines;
}

// Runs `action` and expects a parse error with `message` on `line`.
template <class F>
void ExpectParseError(F action, const std::string& message, int32_t line) {
  try {
    action();
    ADD_FAILURE() << "no parse error raised";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(std::string(e.what()), message);
    EXPECT_EQ(e.LineNumber(), line);
  }
}

// ---------------------------------------------------------------- token kinds

TEST(ClipsStreamKindsTest, ReadsAnExpressionHoldingEveryKindOfToken) {
  std::vector<std::string> prefixes;
  Source source("(a \"b\\\"c\" 12 1.5 -3 ?x $?y ? $?)", [&](const std::string& prefix) {
    prefixes.push_back(prefix);
    return prefix + "g" + std::to_string(prefixes.size());
  });
  std::vector<Ref<IStreamToken>> tokens = ReadAll(*source);
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{kTokenOpenParen, dtAtom, dtString, dtInteger,
                                                 dtFloat, dtInteger, dtVariable, dtMultiVariable,
                                                 dtVariable, dtMultiVariable, kTokenCloseParen}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"(", "a", "b\"c", "12", "1.5", "-3", "x", "y",
                                                     "_blank_g1", "_blank_$g2", ")"}));
  EXPECT_EQ(prefixes, (std::vector<std::string>{SBlankPrefix, SBlankMulti}));
  EXPECT_DOUBLE_EQ(tokens[3]->GetNumber(), 12.0);
  EXPECT_DOUBLE_EQ(tokens[4]->GetNumber(), 1.5);
  EXPECT_DOUBLE_EQ(tokens[5]->GetNumber(), -3.0);
}

TEST(ClipsStreamKindsTest, AnonymousVariablesAreNumberedByTheStreamWithoutAGenerator) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("? $? ?");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{dtVariable, dtMultiVariable, dtVariable}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{std::string(SBlankPrefix) + "1",
                                                     std::string(SBlankMulti) + "2",
                                                     std::string(SBlankPrefix) + "3"}));
}

TEST(ClipsStreamKindsTest, PunctuationCharactersAreTokensOfTheirOwn) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("&()=[]|~");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{'&', '(', ')', '=', '[', ']', '|', '~'}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"&", "(", ")", "=", "[", "]", "|", "~"}));
}

TEST(ClipsStreamKindsTest, EqualsIsATokenOnlyAtTheStartOfAWord) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("=> >= <= <- a=b");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{'=', dtAtom, dtAtom, dtAtom, dtAtom, dtAtom}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"=", ">", ">=", "<=", "<-", "a=b"}));
}

TEST(ClipsStreamKindsTest, LessThanEndsAWordAndStartsTheNext) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("a<b");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{dtAtom, dtAtom}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "<b"}));
}

TEST(ClipsStreamKindsTest, DelimitersEndAWordWithoutBlanks) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("a(b)c\"s\"d&e|f~g[h]i;comment\nj");
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "(", "b", ")", "c", "s", "d", "&", "e",
                                                     "|", "f", "~", "g", "[", "h", "]", "i", "j"}));
  EXPECT_EQ(tokens[5]->GetDataType(), dtString);
}

TEST(ClipsStreamKindsTest, VariablesTakeTheNameAfterTheirPrefix) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("?name $?rest ?a?b $ $x");
  EXPECT_EQ(Kinds(tokens),
            (std::vector<int32_t>{dtVariable, dtMultiVariable, dtVariable, dtAtom, dtAtom}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"name", "rest", "a?b", "$", "$x"}));
}

// ---------------------------------------------------------------- numbers

TEST(ClipsStreamNumberTest, LoneSignsAndDotAreSymbols) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("+ - .");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{dtAtom, dtAtom, dtAtom}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"+", "-", "."}));
}

TEST(ClipsStreamNumberTest, WordsThatConvertWhollyAsIntegersAreIntegers) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("+5 0 7 -3 2147483647 -2147483648");
  EXPECT_EQ(Kinds(tokens), std::vector<int32_t>(6, dtInteger));
  EXPECT_EQ(Texts(tokens),
            (std::vector<std::string>{"+5", "0", "7", "-3", "2147483647", "-2147483648"}));
  EXPECT_DOUBLE_EQ(tokens[0]->GetNumber(), 5.0);
  EXPECT_DOUBLE_EQ(tokens[5]->GetNumber(), -2147483648.0);
  EXPECT_EQ(tokens[0]->ToString(), "5");
}

TEST(ClipsStreamNumberTest, OtherWordsThatConvertWhollyAsNumbersAreFloats) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("1e3 1.5 .5 1. -2.5E-1 2147483648");
  EXPECT_EQ(Kinds(tokens), std::vector<int32_t>(6, dtFloat));
  std::vector<double> numbers;
  for (const Ref<IStreamToken>& t : tokens)
    numbers.push_back(t->GetNumber());
  EXPECT_EQ(numbers, (std::vector<double>{1000.0, 1.5, 0.5, 1.0, -0.25, 2147483648.0}));
  EXPECT_EQ(tokens[0]->ToString(), "1000.0000");
}

TEST(ClipsStreamNumberTest, WordsThatDoNotConvertWhollyAreSymbols) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("12abc 1e 1.2.3 +x -- 1e999 x12 1\\ ");
  EXPECT_EQ(Kinds(tokens), std::vector<int32_t>(8, dtAtom));
  EXPECT_EQ(Texts(tokens),
            (std::vector<std::string>{"12abc", "1e", "1.2.3", "+x", "--", "1e999", "x12", "1 "}));
}

// ---------------------------------------------------------------- escapes and strings

TEST(ClipsStreamStringTest, BackslashInAWordTakesTheNextCharacterAsItIs) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("a\\(b c\\\\d e\\ f");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{dtAtom, dtAtom, dtAtom}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a(b", "c\\d", "e f"}));
  // At the end of the stream a backslash finishes the word without it.
  Source source("ab\\");
  Ref<IStreamToken> word = source->NextToken();
  EXPECT_EQ(word->GetDataType(), dtAtom);
  EXPECT_EQ(word->GetText(), "ab");
  EXPECT_TRUE(source->NextToken()->IsEOF());
}

TEST(ClipsStreamStringTest, StringResolvesEscapesAndDropsItsQuotes) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("\"a\\\"b\\\\c\\d\" \"\" \"(x ;y)\"");
  EXPECT_EQ(Kinds(tokens), (std::vector<int32_t>{dtString, dtString, dtString}));
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a\"b\\cd", "", "(x ;y)"}));
  EXPECT_EQ(tokens[0]->ToString(), "\"a\\\"b\\\\cd\"");
}

TEST(ClipsStreamStringTest, LineBreaksInAStringAreKeptAndCountedOnceEach) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("\"a\r\nb\rc\nd\" e");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0]->GetText(), "a\r\nb\rc\nd");
  // A token is attributed to the line on which it ends.
  EXPECT_EQ(tokens[0]->GetLineNumber(), 4);
  EXPECT_EQ(tokens[1]->GetLineNumber(), 4);
}

TEST(ClipsStreamStringTest, UnterminatedStringRaisesAParseErrorOnItsLastLine) {
  Source source("(a\n\"abc\ndef");
  ExpectParseError([&] { source->NextToken(); }, SUnterminatedString, 3);
  // The broken expression is dropped whole; the stream is at its end.
  EXPECT_TRUE(source->NextToken()->IsEOF());
  EXPECT_EQ(source->Depth(), 0);

  // A closing quote escaped by a backslash leaves the string open too.
  Source escaped("\"abc\\");
  ExpectParseError([&] { escaped->NextToken(); }, SUnterminatedString, 1);
  EXPECT_TRUE(escaped->NextToken()->IsEOF());
}

TEST(ClipsStreamStringTest, ReadStringStartsWithThePrefixAndStopsAfterTheQuote) {
  Source source("body\\\" more\" rest");
  EXPECT_EQ(source->ReadString("pre "), "pre body\" more");
  Ref<IStreamToken> next = source->NextToken();
  EXPECT_EQ(next->GetText(), "rest");
  EXPECT_EQ(next->GetWhitespace(), " ");
}

// ---------------------------------------------------------------- comments and whitespace

TEST(ClipsStreamWhitespaceTest, CommentMakesNoTokenAndIsKeptOnTheNextToken) {
  Source source("; a note (x)\n(a)");
  std::vector<Ref<IStreamToken>> tokens = ReadAll(*source);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"(", "a", ")"}));
  EXPECT_EQ(tokens[0]->GetWhitespace(), "; a note (x)\r\n");
  EXPECT_EQ(tokens[0]->GetLineNumber(), 2);
  EXPECT_EQ(tokens[1]->GetWhitespace(), "");
}

TEST(ClipsStreamWhitespaceTest, BlanksBeforeATokenAreItsWhitespace) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("  \t a\tb \r\n c");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0]->GetWhitespace(), "  \t ");
  EXPECT_EQ(tokens[1]->GetWhitespace(), "\t");
  EXPECT_EQ(tokens[2]->GetWhitespace(), " \r\n ");
}

TEST(ClipsStreamWhitespaceTest, CommentAtTheEndWithoutALineBreakGoesToTheEndToken) {
  Source source("a ; last");
  EXPECT_EQ(source->NextToken()->GetText(), "a");
  Ref<IStreamToken> end = source->NextToken();
  EXPECT_TRUE(end->IsEOF());
  EXPECT_EQ(end->GetText(), "EOF");
  EXPECT_EQ(end->GetWhitespace(), " ; last");
  EXPECT_EQ(end->GetLineNumber(), 1);
}

TEST(ClipsStreamWhitespaceTest, ManyCommentLinesInARowAreSkipped) {
  std::string text;
  for (int i = 0; i < 20000; ++i)
    text += ";;\n";
  text += "x";
  std::vector<Ref<IStreamToken>> tokens = ReadAll(text);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0]->GetText(), "x");
  EXPECT_EQ(tokens[0]->GetLineNumber(), 20001);
}

// ---------------------------------------------------------------- lines

TEST(ClipsStreamLineTest, CrLfLoneCrAndLoneLfEachCountOneLine) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("a\r\nb\rc\nd \r\n e \r f \n g");
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g"}));
  EXPECT_EQ(Lines(tokens), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(ClipsStreamLineTest, EmptyLinesCountAndTheEndTokenHasTheLastLine) {
  Source source("(a\n\n\r\n\r\rb)\n");
  std::vector<Ref<IStreamToken>> tokens = ReadAll(*source);
  EXPECT_EQ(Lines(tokens), (std::vector<int32_t>{1, 1, 6, 6}));
  EXPECT_EQ(source->NextToken()->GetLineNumber(), 7);
  EXPECT_EQ(source->LineNumber(), 7);
}

TEST(ClipsStreamLineTest, EscapedLineFeedInAWordCountsALine) {
  std::vector<Ref<IStreamToken>> tokens = ReadAll("a\\\nb c");
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a\nb", "c"}));
  EXPECT_EQ(Lines(tokens), (std::vector<int32_t>{2, 2}));
}

TEST(ClipsStreamLineTest, SetLineNumberMovesTheCounter) {
  Source source("a\nb");
  source->SetLineNumber(10);
  EXPECT_EQ(source->LineNumber(), 10);
  std::vector<Ref<IStreamToken>> tokens = ReadAll(*source);
  EXPECT_EQ(Lines(tokens), (std::vector<int32_t>{10, 11}));
}

// ---------------------------------------------------------------- end of stream

TEST(ClipsStreamEndTest, EmptyOrBlankInputGivesOnlyTheEndToken) {
  for (const char* text : {"", "   ", "\r\n\n\t", "; only a comment\n"}) {
    Source source(text);
    Ref<IStreamToken> end = source->NextToken();
    EXPECT_EQ(end->GetDataType(), kTokenEOF) << '"' << text << '"';
    EXPECT_EQ(end->GetText(), "EOF") << '"' << text << '"';
  }
}

TEST(ClipsStreamEndTest, EndTokenRepeatsOnEveryFurtherRead) {
  Source source("(a)");
  EXPECT_EQ(ReadAll(*source).size(), 3u);
  for (int i = 0; i < 5; ++i) {
    Ref<IStreamToken> end = source->NextToken();
    EXPECT_TRUE(end->IsEOF());
    EXPECT_EQ(end->GetText(), "EOF");
  }
  EXPECT_EQ(source->Depth(), 0);
}

TEST(ClipsStreamEndTest, UnclosedExpressionEndsAtTheEndToken) {
  Source source("(a (b");
  EXPECT_EQ(Texts(ReadAll(*source)), (std::vector<std::string>{"(", "a", "(", "b"}));
  EXPECT_EQ(source->Depth(), 2);
  EXPECT_TRUE(source->NextToken()->IsEOF());
}

// ---------------------------------------------------------------- put-back and echo

TEST(ClipsStreamEchoTest, PutBackThenReadAgainHandsOutTheSameTokenAndTheEchoIsAsBefore) {
  Source source("(a b c)");
  source->NextToken();
  source->NextToken();
  const std::string before = source->ToString();
  EXPECT_EQ(before, "( a ");
  Ref<IStreamToken> b = source->NextToken();
  const std::string after = source->ToString();
  EXPECT_EQ(after, "( a b ");
  source->PutBackToken(b.get());
  EXPECT_EQ(source->ToString(), before);
  EXPECT_EQ(source->GetCurrentToken().get(), b.get());
  Ref<IStreamToken> again = source->NextToken();
  EXPECT_EQ(again.get(), b.get());
  EXPECT_EQ(source->ToString(), after);
  EXPECT_EQ(source->NextToken()->GetText(), "c");
}

TEST(ClipsStreamEchoTest, PuttingBackTheFirstTokenLeavesAnEmptyEcho) {
  Source source("(a)");
  Ref<IStreamToken> open = source->NextToken();
  EXPECT_EQ(source->ToString(), "( ");
  source->PutBackToken(open.get());
  EXPECT_EQ(source->ToString(), "");
  EXPECT_EQ(source->NextToken().get(), open.get());
  EXPECT_EQ(source->ToString(), "( ");
}

TEST(ClipsStreamEchoTest, PuttingBackTakesTheLineBreakBeforeTheTokenOffTheEcho) {
  Source source("(a\n b)");
  source->NextToken();
  source->NextToken();
  Ref<IStreamToken> b = source->NextToken();
  EXPECT_EQ(source->ToString(), "( a \r\nb ");
  source->PutBackToken(b.get());
  EXPECT_EQ(source->ToString(), "( a ");
}

TEST(ClipsStreamEchoTest, EchoHoldsTheTextFormsOfTheTokensAndTheirLineBreaks) {
  Source source("(x \"q\\\"\"\n  1.5 +5\r\n\r\n?v $?w)");
  for (int i = 0; i < 8; ++i)
    source->NextToken();
  EXPECT_EQ(source->ToString(), "( x \"q\\\"\" \r\n1.5000 5 \r\n?v $?w ) ");
  // The end of the stream is an expression of its own.
  EXPECT_TRUE(source->NextToken()->IsEOF());
  EXPECT_EQ(source->ToString(), "EOF ");
}

TEST(ClipsStreamEchoTest, EchoRestartsWithEachTopLevelExpression) {
  Source source("(a) b (c d)");
  for (int i = 0; i < 3; ++i)
    source->NextToken();
  EXPECT_EQ(source->ToString(), "( a ) ");
  source->NextToken();
  EXPECT_EQ(source->ToString(), "b ");
  source->NextToken();
  source->NextToken();
  EXPECT_EQ(source->ToString(), "( c ");
}

TEST(ClipsStreamEchoTest, DepthFollowsTheParenthesesHandedOutAndPutBack) {
  Source source("(a (b) c)");
  std::vector<int32_t> depths;
  std::vector<Ref<IStreamToken>> tokens;
  for (int i = 0; i < 7; ++i) {
    tokens.push_back(source->NextToken());
    depths.push_back(source->Depth());
  }
  EXPECT_EQ(depths, (std::vector<int32_t>{1, 1, 2, 2, 1, 1, 0}));
  source->PutBackToken(tokens[6].get());
  EXPECT_EQ(source->Depth(), 1);
  source->PutBackToken(tokens[5].get());
  source->PutBackToken(tokens[4].get());
  EXPECT_EQ(source->Depth(), 2);
  EXPECT_EQ(source->NextToken().get(), tokens[4].get());
  EXPECT_EQ(source->Depth(), 1);
}

TEST(ClipsStreamEchoTest, GetCurrentTokenReadsOneOnlyWhenThereIsNone) {
  Source source("a b");
  Ref<IStreamToken> first = source->GetCurrentToken();
  EXPECT_EQ(first->GetText(), "a");
  EXPECT_EQ(source->GetCurrentToken().get(), first.get());
  Ref<IStreamToken> second = source->NextToken();
  EXPECT_EQ(second->GetText(), "b");
  EXPECT_EQ(source->GetCurrentToken().get(), second.get());
}

// ---------------------------------------------------------------- head

TEST(ClipsStreamHeadTest, HeadNamesTheWordAfterTheParenthesisWithoutConsumingAnything) {
  Source source("(deftemplate t (slot s))");
  EXPECT_EQ(source->Head(), "deftemplate");
  EXPECT_EQ(source->Head(), "deftemplate");
  EXPECT_EQ(source->ToString(), "");
  EXPECT_EQ(source->Depth(), 0);
  for (int i = 0; i < 8; ++i)
    source->NextToken();
  EXPECT_EQ(source->ToString(), "( deftemplate t ( slot s ) ) ");
  EXPECT_EQ(source->Depth(), 0);
}

TEST(ClipsStreamHeadTest, HeadGivesEqualsAndVariableNamesAndNothingForOtherWords) {
  struct Case {
    const char* text;
    const char* head;
  };
  for (Case c : {Case{"(= 1)", "="}, Case{"(?x 1)", "x"}, Case{"(1 2)", ""}, Case{"(\"s\")", ""},
                 Case{"(())", ""}, Case{"a", ""}, Case{"", ""}, Case{"(", ""}, Case{"($?m)", ""}}) {
    Source source(c.text);
    EXPECT_EQ(source->Head(), c.head) << c.text;
    Ref<IStreamToken> first = source->NextToken();
    EXPECT_EQ(first->ToString(), Source(c.text)->NextToken()->ToString()) << c.text;
  }
}

// ---------------------------------------------------------------- recovery

TEST(ClipsStreamRecoveryTest, MoveToNextConstructSkipsPastTheClosingParenthesis) {
  Source source("(a (b c) d)\n(next)");
  source->NextToken();
  source->NextToken();
  source->NextToken();
  EXPECT_EQ(source->Depth(), 2);
  source->MoveToNextConstruct();
  EXPECT_EQ(source->Depth(), 0);
  EXPECT_EQ(source->GetCurrentToken()->GetDataType(), kTokenCloseParen);
  EXPECT_EQ(source->Head(), "next");
  EXPECT_EQ(Texts(ReadAll(*source)), (std::vector<std::string>{"(", "next", ")"}));
}

TEST(ClipsStreamRecoveryTest, MoveToNextConstructStopsAtTheEndOfTheStream) {
  Source source("(a (b");
  source->NextToken();
  source->MoveToNextConstruct();
  EXPECT_TRUE(source->GetCurrentToken()->IsEOF());
  EXPECT_EQ(source->Depth(), 0);
  EXPECT_TRUE(source->NextToken()->IsEOF());
}

TEST(ClipsStreamRecoveryTest, MoveToNextConstructAtTheTopLevelReadsNothing) {
  Source source("(a) (b)");
  for (int i = 0; i < 3; ++i)
    source->NextToken();
  source->MoveToNextConstruct();
  EXPECT_EQ(source->GetCurrentToken()->GetDataType(), kTokenCloseParen);
  EXPECT_EQ(source->Head(), "b");
}

TEST(ClipsStreamRecoveryTest, StrayClosingParenthesisIsAnExpressionOfItsOwn) {
  Source source(") (a b)");
  Ref<IStreamToken> stray = source->NextToken();
  EXPECT_EQ(stray->GetDataType(), kTokenCloseParen);
  EXPECT_EQ(source->Depth(), -1);
  EXPECT_EQ(source->ToString(), ") ");
  source->MoveToNextConstruct();
  EXPECT_EQ(source->Depth(), 0);
  // The next expression is read whole and starts a new echo.
  EXPECT_EQ(source->NextToken()->GetDataType(), kTokenOpenParen);
  EXPECT_EQ(source->ToString(), "( ");
  EXPECT_EQ(Texts(ReadAll(*source)), (std::vector<std::string>{"a", "b", ")"}));
  EXPECT_EQ(source->Depth(), 0);
}

TEST(ClipsStreamRecoveryTest, ClearDropsTheLookAheadAndTheEcho) {
  Source source("(a b) (c)");
  source->NextToken();
  source->Clear();
  EXPECT_EQ(source->ToString(), "");
  // The rest of the first expression was already read ahead; it is gone.
  EXPECT_EQ(Texts(ReadAll(*source)), (std::vector<std::string>{"(", "c", ")"}));
}

TEST(ClipsStreamRecoveryTest, DiscardUntilEOLDropsTheRestOfTheLineIntoTheWhitespace) {
  Source source("a b (c\nd");
  EXPECT_EQ(source->NextToken()->GetText(), "a");
  source->DiscardUntilEOL();
  Ref<IStreamToken> d = source->NextToken();
  EXPECT_EQ(d->GetText(), "d");
  EXPECT_EQ(d->GetLineNumber(), 2);
  EXPECT_EQ(d->GetWhitespace(), " b (c\r\n");
}

// ---------------------------------------------------------------- token maker

TEST(ClipsStreamFinishTokenTest, UnknownHintRaisesAParseErrorNamingIt) {
  Source source("");
  source->SetLineNumber(5);
  for (int hint : {7, 1, 60, 200}) {
    ExpectParseError([&] { source->FinishToken(hint, "x"); }, Format(SInvalidTokenHint, {hint}), 5);
  }
}

TEST(ClipsStreamFinishTokenTest, KnownHintsMakeTheirKinds) {
  Source source("");
  source->SetLineNumber(3);
  Ref<IStreamToken> crlf = source->FinishToken(13, "ignored");
  EXPECT_EQ(crlf->GetDataType(), dtAtom);
  EXPECT_EQ(crlf->GetText(), "CRLF");
  EXPECT_EQ(crlf->GetLineNumber(), 3);
  Ref<IStreamToken> pending = source->FinishToken(-1, "12");
  EXPECT_EQ(pending->GetDataType(), dtInteger);
  EXPECT_DOUBLE_EQ(pending->GetNumber(), 12.0);
  Ref<IStreamToken> end = source->FinishToken(-1, "");
  EXPECT_TRUE(end->IsEOF());
  EXPECT_EQ(end->GetText(), "EOF");
  Ref<IStreamToken> string = source->FinishToken(34, "s p");
  EXPECT_EQ(string->GetDataType(), dtString);
  EXPECT_EQ(string->GetText(), "s p");
  Ref<IStreamToken> bar = source->FinishToken('|', "|");
  EXPECT_EQ(bar->GetDataType(), kTokenBar);
  EXPECT_EQ(bar->GetTag(), 0);
}

// ---------------------------------------------------------------- arbitrary input

TEST(ClipsStreamRobustnessTest, NulAndHighBytesTokenizeAsBlanksAndWordCharacters) {
  std::string text("a");
  text += '\0';
  text += "b \x80\xff(\x7f)";
  std::vector<Ref<IStreamToken>> tokens = ReadAll(text);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "b", "\x80\xff", "(", "\x7f", ")"}));
  EXPECT_EQ(tokens[1]->GetWhitespace(), std::string(1, '\0'));
}

TEST(ClipsStreamRobustnessTest, VeryLongWordIsOneToken) {
  std::string word(200000, 'w');
  std::vector<Ref<IStreamToken>> tokens = ReadAll("(" + word + ")");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[1]->GetText(), word);
}

TEST(ClipsStreamRobustnessTest, DeepUnbalancedNestingEndsAtTheEndToken) {
  Source source(std::string(50000, '('));
  EXPECT_EQ(ReadAll(*source).size(), 50000u);
  EXPECT_EQ(source->Depth(), 50000);
  source->MoveToNextConstruct();
  EXPECT_EQ(source->Depth(), 0);
  EXPECT_TRUE(source->NextToken()->IsEOF());
}

TEST(ClipsStreamRobustnessTest, PseudoRandomBytesReachTheEndWithinABoundedNumberOfReads) {
  for (uint32_t seed : {1u, 7u, 2024u, 99991u}) {
    std::mt19937 random(seed);
    std::string text(4096, '\0');
    for (char& c : text)
      c = static_cast<char>(random() & 0xff);
    Source source(text);
    int tokens = 0;
    int errors = 0;
    bool ended = false;
    // Every read consumes at least one byte or ends the stream.
    for (int i = 0; i <= static_cast<int>(text.size()) + 1 && !ended; ++i) {
      try {
        Ref<IStreamToken> token = source->NextToken();
        ended = token->IsEOF();
        if (!ended) ++tokens;
        token->ToString();
        token->Value();
      } catch (const EIEParseException& e) {
        EXPECT_EQ(std::string(e.what()), SUnterminatedString);
        ++errors;
      }
    }
    EXPECT_TRUE(ended) << "seed " << seed;
    EXPECT_GT(tokens + errors, 0) << "seed " << seed;
    // An unterminated string runs to the end of the input: at most one.
    EXPECT_LE(errors, 1) << "seed " << seed;
    EXPECT_TRUE(source->NextToken()->IsEOF()) << "seed " << seed;
  }
}

TEST(ClipsStreamRobustnessTest, PseudoRandomBytesWithoutQuotesRaiseNothing) {
  std::mt19937 random(12345);
  std::string text(8192, '\0');
  for (char& c : text) {
    c = static_cast<char>(random() & 0xff);
    if (c == '"') c = 'q';
  }
  Source source(text);
  std::vector<Ref<IStreamToken>> tokens = ReadAll(*source, static_cast<int>(text.size()));
  EXPECT_GT(tokens.size(), 100u);
  for (const Ref<IStreamToken>& t : tokens)
    EXPECT_NE(t->GetDataType(), dtString);
}

TEST(ClipsStreamRobustnessTest, ThousandsOfFactsReadInOrderWithTheirLines) {
  std::string text;
  const int kFacts = 5000;
  for (int i = 0; i < kFacts; ++i)
    text += "(point (x " + std::to_string(i) + ") (y " + std::to_string(i) + ".5))\r\n";
  Source source(text);
  for (int i = 0; i < kFacts; ++i) {
    ASSERT_EQ(source->Head(), "point");
    std::vector<Ref<IStreamToken>> fact;
    for (int k = 0; k < 11; ++k)
      fact.push_back(source->NextToken());
    ASSERT_EQ(source->Depth(), 0) << "fact " << i;
    EXPECT_EQ(fact[4]->GetDataType(), dtInteger);
    EXPECT_DOUBLE_EQ(fact[4]->GetNumber(), i);
    EXPECT_EQ(fact[8]->GetDataType(), dtFloat);
    EXPECT_DOUBLE_EQ(fact[8]->GetNumber(), i + 0.5);
    EXPECT_EQ(fact[10]->GetLineNumber(), i + 1);
  }
  EXPECT_TRUE(source->NextToken()->IsEOF());
}

}  // namespace
}  // namespace rulecore
