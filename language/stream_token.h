// rulecore: an embeddable expert-system shell.
// TIEStreamToken: one lexical token of the rule language - its kind (a value
// kind, or the character code of a punctuation token), the line it ended on,
// its number and text, and the blanks and comments read before it. Tokens
// are reference counted; the tokenizer, its look-ahead and the parser share
// them.
#pragma once

#include <cstdint>
#include <string>

#include "core/interfaces.h"

namespace rulecore {

// Token kinds beyond the value kinds: the character codes of punctuation.
inline constexpr int32_t kTokenEOF = dtNone;  // with text "EOF"
inline constexpr int32_t kTokenAmpersand = '&';
inline constexpr int32_t kTokenOpenParen = '(';
inline constexpr int32_t kTokenCloseParen = ')';
inline constexpr int32_t kTokenEquals = '=';
inline constexpr int32_t kTokenOpenBracket = '[';
inline constexpr int32_t kTokenCloseBracket = ']';
inline constexpr int32_t kTokenBar = '|';
inline constexpr int32_t kTokenTilde = '~';

class RULECORE_API IStreamToken : public virtual ICloneable {
 public:
  using ICloneable::Equals;

  virtual int32_t GetDataType() const = 0;
  virtual int32_t GetLineNumber() const = 0;
  virtual double GetNumber() const = 0;
  virtual const std::string& GetText() const = 0;
  // The token as the rule language writes it (see TIEStreamToken).
  virtual std::string ToString() const = 0;
  // The token as a value.
  virtual Ref<IIEValue> Value() const = 0;
  // As Value, but a variable gives the value bound to it in `context`;
  // SUnknownVariable when it is not bound.
  virtual Ref<IIEValue> Value(IIEContext* context) const = 0;
  virtual void SetDataType(int32_t kind) = 0;
  virtual void SetLineNumber(int32_t line) = 0;
  virtual void SetNumber(double number) = 0;
  virtual void SetText(const std::string& text) = 0;
  // Sets kind, text and number from a value.
  virtual void SetValue(IIEValue* value) = 0;
  virtual const std::string& GetWhitespace() const = 0;
  virtual void SetWhitespace(const std::string& whitespace) = 0;
  // Equal kind, line and number; the text is not compared.
  virtual bool Equals(IStreamToken* other) = 0;
  virtual Ref<IStreamToken> Clone() const = 0;

  bool Is(int32_t kind) const { return GetDataType() == kind; }
  bool IsSymbol(const char* text) const { return GetDataType() == dtAtom && GetText() == text; }
  bool IsEOF() const { return GetDataType() == kTokenEOF; }
};

class RULECORE_API TIEStreamToken : public IStreamToken {
 public:
  TIEStreamToken() = default;
  TIEStreamToken(int32_t kind, const std::string& text, int32_t line = 0, double number = 0.0)
      : data_type_(kind), line_number_(line), number_(number), text_(text) {}

  int32_t GetDataType() const override { return data_type_; }
  int32_t GetLineNumber() const override { return line_number_; }
  double GetNumber() const override { return number_; }
  const std::string& GetText() const override { return text_; }
  // Strings quoted with backslashes before embedded quotes and backslashes;
  // integers in decimal; floats "%.4f"; variables "?name"; multifield
  // variables "$?name"; anything else its text, or the single character
  // whose code is the kind when the text is empty.
  std::string ToString() const override;
  // TRUE and FALSE give the shared constants, "nil" (any case) the shared
  // nil value, the end of the stream the shared EOF value, punctuation a
  // string holding the decimal kind; everything else a new value.
  Ref<IIEValue> Value() const override;
  Ref<IIEValue> Value(IIEContext* context) const override;
  void SetDataType(int32_t kind) override { data_type_ = kind; }
  void SetLineNumber(int32_t line) override { line_number_ = line; }
  void SetNumber(double number) override { number_ = number; }
  void SetText(const std::string& text) override { text_ = text; }
  void SetValue(IIEValue* value) override;
  const std::string& GetWhitespace() const override { return whitespace_; }
  void SetWhitespace(const std::string& whitespace) override { whitespace_ = whitespace; }
  bool Equals(IStreamToken* other) override;
  bool Equals(IInterface* other) override;
  void Assign(IInterface* source) override;
  Ref<IStreamToken> Clone() const override;
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }

 private:
  int32_t data_type_ = kTokenEOF;
  int32_t line_number_ = 0;
  double number_ = 0.0;
  std::string text_;
  int32_t tag_ = 0;
  std::string whitespace_;
};

}  // namespace rulecore
