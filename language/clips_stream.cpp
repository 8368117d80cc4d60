// rulecore: an embeddable expert-system shell.
// TIEClipsStream: reading CLIPS-syntax tokens from characters, the look-ahead
// of one top-level expression, put-back, the echo and line counting.
#include "language/clips_stream.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>

#include "core/helper_functions.h"
#include "core/ie_consts.h"
#include "core/messages.h"
#include "language/parse_exception.h"
#include "platform/format.h"

namespace rulecore {
namespace {

constexpr int kEndOfStream = -1;

// Characters that end a word and are read again as the start of what follows.
bool IsWordDelimiter(int c) {
  switch (c) {
    case '"':
    case '&':
    case '(':
    case ')':
    case ';':
    case '<':
    case '[':
    case ']':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

// Characters that are tokens of their own at the start of a word.
bool IsPunctuation(int c) {
  switch (c) {
    case '=':
    case '&':
    case '(':
    case ')':
    case '[':
    case ']':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

}  // namespace

TIEClipsStream::TIEClipsStream(TStream* source, TSymbolGenerator generate)
    : text_(source, false), generate_(std::move(generate)) {}

TIEClipsStream::~TIEClipsStream() = default;

// ---------------------------------------------------------------- handing out

Ref<IStreamToken> TIEClipsStream::NextToken() {
  if (lookahead_.empty()) PrepareSExp();
  Ref<IStreamToken> token = std::move(lookahead_.back());
  lookahead_.pop_back();
  if (current_ && current_->GetLineNumber() < token->GetLineNumber()) echo_ += NewLineString;
  echo_ += token->ToString();
  echo_ += ' ';
  current_ = token;
  if (token->Is(kTokenOpenParen))
    ++depth_;
  else if (token->Is(kTokenCloseParen))
    --depth_;
  return token;
}

void TIEClipsStream::PutBackToken(IStreamToken* token) {
  if (!token) return;
  Ref<IStreamToken> held(token);
  // The token's text form and the blank after it leave the echo; so does the
  // line break before it. An echo left empty stays empty, as it was before
  // the token was handed out.
  size_t cut = token->ToString().size() + 1;
  echo_.resize(echo_.size() > cut ? echo_.size() - cut : 0);
  while (!echo_.empty() && static_cast<unsigned char>(echo_.back()) <= 32)
    echo_.pop_back();
  if (!echo_.empty()) echo_ += ' ';
  if (token->Is(kTokenOpenParen))
    --depth_;
  else if (token->Is(kTokenCloseParen))
    ++depth_;
  current_ = held;
  lookahead_.push_back(std::move(held));
}

std::string TIEClipsStream::Head() {
  Ref<IStreamToken> first = NextToken();
  std::string head;
  if (first->Is(kTokenOpenParen)) {
    Ref<IStreamToken> second = NextToken();
    switch (second->GetDataType()) {
      case dtAtom:
        head = second->GetText().empty() ? second->ToString() : second->GetText();
        break;
      case kTokenEquals:
        head = "=";
        break;
      case dtVariable:
        head = second->GetText();
        break;
      default:
        break;
    }
    PutBackToken(second.get());
  }
  PutBackToken(first.get());
  return head;
}

Ref<IStreamToken> TIEClipsStream::GetCurrentToken() {
  if (!current_) return NextToken();
  return current_;
}

void TIEClipsStream::MoveToNextConstruct() {
  while (depth_ > 0) {
    if (NextToken()->IsEOF()) break;
  }
  // Past the closing parenthesis (or a stray one, or the end) the next
  // construct starts at the top level.
  depth_ = 0;
}

void TIEClipsStream::Clear() {
  lookahead_.clear();
  echo_.clear();
}

void TIEClipsStream::DiscardUntilEOL() {
  GetLine();
}

// ---------------------------------------------------------------- reading

void TIEClipsStream::PrepareSExp() {
  echo_.clear();
  // Built in reading order, then reversed: the look-ahead hands out its back.
  // An expression broken off by an error is dropped whole.
  const size_t base = lookahead_.size();
  try {
    int32_t depth = 0;
    for (;;) {
      Ref<IStreamToken> token = BuildNextToken();
      const int32_t kind = token->GetDataType();
      lookahead_.push_back(std::move(token));
      if (kind == kTokenEOF) break;
      if (kind == kTokenOpenParen)
        ++depth;
      else if (kind == kTokenCloseParen)
        --depth;
      if (depth <= 0) break;
    }
  } catch (...) {
    lookahead_.resize(base);
    throw;
  }
  std::reverse(lookahead_.begin() + static_cast<std::ptrdiff_t>(base), lookahead_.end());
}

Ref<IStreamToken> TIEClipsStream::BuildNextToken() {
  for (;;) {
    while (SkipInLineSpaces() && !text_.IsEof()) {
    }
    if (text_.IsEof()) return FinishToken(kEndOfStream, "");
    int c = GetChar();
    if (IsPunctuation(c)) return FinishToken(c, std::string(1, static_cast<char>(c)));
    if (c == '"') {
      std::string text = ReadString();
      return FinishToken('"', text);
    }
    if (c == ';') {
      // A comment runs to the end of the line; it is kept with the blanks.
      whitespace_ += ';';
      GetLine();
      continue;
    }
    word_.clear();
    word_ += static_cast<char>(c);
    for (;;) {
      int d = text_.GetChar();
      if (d == '\\') {
        int e = GetChar();
        if (e == kEndOfStream) return FinishToken(kEndOfStream, word_);
        word_ += static_cast<char>(e);
      } else if (d < 33 || IsWordDelimiter(d)) {
        // The character that ends the word is read again: blanks and line
        // ends by the skip before the next token (which counts the line),
        // delimiters as the start of the next token.
        if (d != kEndOfStream) text_.PutBack(d);
        return FinishToken(0, word_);
      } else {
        word_ += static_cast<char>(d);
      }
    }
  }
}

Ref<IStreamToken> TIEClipsStream::FinishToken(int hint, const std::string& text) {
  if (hint == kEndOfStream && !text.empty()) hint = 0;  // a pending word
  Ref<TIEStreamToken> token(new TIEStreamToken());
  token->SetLineNumber(line_);
  switch (hint) {
    case kEndOfStream:
      token->SetDataType(kTokenEOF);
      token->SetText("EOF");
      break;
    case 13:
      token->SetDataType(dtAtom);
      token->SetText("CRLF");
      break;
    case '"':
      token->SetDataType(dtString);
      token->SetText(text);
      break;
    case kTokenAmpersand:
    case kTokenOpenParen:
    case kTokenCloseParen:
    case kTokenEquals:
    case kTokenOpenBracket:
    case kTokenCloseBracket:
    case kTokenBar:
    case kTokenTilde:
      token->SetDataType(hint);
      token->SetText(text);
      break;
    case 0: {
      const size_t n = text.size();
      const char first = n > 0 ? text[0] : '\0';
      if (first == '?') {
        token->SetDataType(dtVariable);
        token->SetText(n == 1 ? Generate(SBlankPrefix) : text.substr(1));
      } else if (first == '$' && n > 1 && text[1] == '?') {
        token->SetDataType(dtMultiVariable);
        token->SetText(n == 2 ? Generate(SBlankMulti) : text.substr(2));
      } else {
        token->SetDataType(dtAtom);
        token->SetText(text);
        const bool digit = first >= '0' && first <= '9';
        const bool numeric_start = digit || first == '+' || first == '-' || first == '.';
        // A lone "+", "-" or "." stays a symbol, and so does a word ending in
        // an escaped blank, which the number conversion would ignore.
        if (numeric_start && (digit || n > 1) && static_cast<unsigned char>(text[n - 1]) > 32) {
          int32_t integer = 0;
          double real = 0.0;
          if (TryStrToInt(text, &integer)) {
            token->SetDataType(dtInteger);
            token->SetNumber(integer);
          } else if (TryStrToFloat(text, &real) && std::isfinite(real)) {
            token->SetDataType(dtFloat);
            token->SetNumber(real);
          }
        }
      }
      break;
    }
    default:
      throw EIEParseException(Format(SInvalidTokenHint, {hint}), line_);
  }
  token->SetWhitespace(whitespace_);
  whitespace_.clear();
  return token;
}

bool TIEClipsStream::SkipInLineSpaces() {
  for (;;) {
    int c = text_.GetChar();
    if (c == kEndOfStream) return false;
    if (c > 32) {
      text_.PutBack(c);
      return false;
    }
    whitespace_ += static_cast<char>(c);
    if (c == '\r') {
      int d = text_.GetChar();
      if (d == '\n') {
        whitespace_ += '\n';
      } else if (d != kEndOfStream) {
        text_.PutBack(d);
      }
      ++line_;
      return true;
    }
    if (c == '\n') {
      ++line_;
      return true;
    }
  }
}

int TIEClipsStream::GetChar() {
  int c = text_.GetChar();
  if (c == '\n') ++line_;
  return c;
}

void TIEClipsStream::GetLine() {
  for (;;) {
    int c = text_.GetChar();
    if (c == kEndOfStream) return;
    if (c == '\n' || c == '\r') {
      if (c == '\r') {
        int d = text_.GetChar();
        if (d != '\n' && d != kEndOfStream) text_.PutBack(d);
      }
      whitespace_ += NewLineString;
      ++line_;
      return;
    }
    whitespace_ += static_cast<char>(c);
  }
}

std::string TIEClipsStream::ReadString(const std::string& prefix) {
  std::string result = prefix;
  for (;;) {
    int c = text_.GetChar();
    switch (c) {
      case kEndOfStream:
        throw EIEParseException(SUnterminatedString, line_);
      case '"':
        return result;
      case '\\':
        c = GetChar();
        if (c == kEndOfStream) throw EIEParseException(SUnterminatedString, line_);
        result += static_cast<char>(c);
        break;
      case '\r': {
        // CR LF is one line end, as between tokens.
        result += '\r';
        int d = text_.GetChar();
        if (d == '\n')
          result += '\n';
        else if (d != kEndOfStream)
          text_.PutBack(d);
        ++line_;
        break;
      }
      case '\n':
        result += '\n';
        ++line_;
        break;
      default:
        result += static_cast<char>(c);
        break;
    }
  }
}

std::string TIEClipsStream::Generate(const std::string& prefix) {
  if (generate_) return generate_(prefix);
  return prefix + std::to_string(++anonymous_);
}

}  // namespace rulecore
