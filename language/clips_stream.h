// rulecore: an embeddable expert-system shell.
// The tokenizer: TIETokenizerStream is the abstract token stream the parser
// reads; TIEClipsStream reads the CLIPS syntax from a byte stream. It hands
// out tokens one at a time with put-back, reads a whole parenthesised
// top-level expression ahead, counts lines (CR LF, lone CR and lone LF each
// count once), keeps the comments and blanks before each token on the token,
// and keeps an echo of the tokens handed out since the current top-level
// expression began, which error messages quote. The end of the stream is a
// token (kind 0, text "EOF") repeated on every further read.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "language/stream_token.h"
#include "platform/streams.h"

namespace rulecore {

// Makes a fresh symbol from a prefix (the engine's GenerateSymbol).
using TSymbolGenerator = std::function<std::string(const std::string& prefix)>;

class RULECORE_API TIETokenizerStream {
 public:
  virtual ~TIETokenizerStream() = default;

  // The next token; it becomes the current token and joins the echo.
  virtual Ref<IStreamToken> NextToken() = 0;
  // Makes `token` the next token handed out and takes it off the echo.
  virtual void PutBackToken(IStreamToken* token) = 0;
  // The word after the next "(" (its text; "=" for "="; a variable's name),
  // or "" when the next token is no "(" - without consuming anything.
  virtual std::string Head() = 0;
  // The current token, reading one when there is none yet.
  virtual Ref<IStreamToken> GetCurrentToken() = 0;
  // Error recovery: skips to just after the ")" that closes the current
  // top-level expression (or to the end of the stream).
  virtual void MoveToNextConstruct() = 0;
  // Empties the look-ahead and restarts the echo.
  virtual void Clear() = 0;
  // Drops the rest of the current line.
  virtual void DiscardUntilEOL() = 0;
  virtual int32_t LineNumber() const = 0;
  virtual void SetLineNumber(int32_t line) = 0;
  // The echo of the current top-level expression.
  virtual std::string ToString() const = 0;
  // The parenthesis depth of the tokens handed out.
  virtual int32_t Depth() const = 0;
};

class RULECORE_API TIEClipsStream : public TIETokenizerStream {
 public:
  // Reads `source` (not owned; must outlive the stream). `generate` names
  // anonymous variables; without one they are numbered by the stream.
  explicit TIEClipsStream(TStream* source, TSymbolGenerator generate = nullptr);
  ~TIEClipsStream() override;

  Ref<IStreamToken> NextToken() override;
  void PutBackToken(IStreamToken* token) override;
  std::string Head() override;
  Ref<IStreamToken> GetCurrentToken() override;
  void MoveToNextConstruct() override;
  void Clear() override;
  void DiscardUntilEOL() override;
  int32_t LineNumber() const override { return line_; }
  void SetLineNumber(int32_t line) override { line_ = line; }
  std::string ToString() const override { return echo_; }
  int32_t Depth() const override { return depth_; }

  // Reads a string body after its opening quote, up to the closing quote.
  // EIEParseException SUnterminatedString at the end of the stream.
  std::string ReadString(const std::string& prefix = "");

 protected:
  // Reads one whole top-level expression into the look-ahead: tokens up to
  // the one that brings the parenthesis depth back to 0 (or below), or up
  // to the end of the stream. A first token other than "(" is an expression
  // by itself.
  void PrepareSExp();
  // Reads one token from the characters; comments go to the whitespace.
  Ref<IStreamToken> BuildNextToken();
  // Makes a token of `text` classified by `hint`: -1 the end of the stream
  // (a pending word is finished as a word), 0 a word (variable, number or
  // symbol), 13 the symbol "CRLF", 34 a string, or the character code of a
  // punctuation token. Any other hint raises EIEParseException
  // SInvalidTokenHint.
  Ref<IStreamToken> FinishToken(int hint, const std::string& text);
  // Skips blanks; true when it consumed a line end (counted once).
  bool SkipInLineSpaces();
  // The next character (-1 at the end); a line feed counts a line.
  int GetChar();
  // Moves the rest of the current line and its line break to the whitespace.
  void GetLine();

 private:
  std::string Generate(const std::string& prefix);

  TTextStream text_;
  TSymbolGenerator generate_;
  int32_t line_ = 1;
  std::vector<Ref<IStreamToken>> lookahead_;  // a stack: the back is handed out next
  Ref<IStreamToken> current_;
  int32_t depth_ = 0;
  std::string echo_;
  std::string whitespace_;
  std::string word_;  // the word being read; kept to reuse its buffer
  int32_t anonymous_ = 0;
};

}  // namespace rulecore
