// rulecore: an embeddable expert-system shell.
// Every function evaluates all its arguments first, then works on their
// string forms (GetAsString) or integer values (GetAsInteger); a value with
// no such form raises the value model's conversion error.
#include "functions/string_package.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ie_consts.h"
#include "functions/builtin.h"

namespace rulecore {

namespace {

using namespace builtin;

// Every argument of the call evaluated, in order.
std::vector<Ref<IIEValue>> Args(IFunCall* call, TIEContext* context) {
  std::vector<Ref<IIEValue>> values;
  values.reserve(static_cast<size_t>(call->GetArgumentCount()));
  for (int i = 0; i < call->GetArgumentCount(); ++i)
    values.push_back(Arg(call, i, context));
  return values;
}

std::string Concatenate(IFunCall* call, TIEContext* context) {
  std::string text;
  for (const Ref<IIEValue>& value : Args(call, context))
    text += value->GetAsString();
  return text;
}

Ref<IIEValue> DoStrCat(IFunCall* call, TIEContext* context, const char*) {
  return NewString(Concatenate(call, context));
}

Ref<IIEValue> DoSymCat(IFunCall* call, TIEContext* context, const char*) {
  return NewAtom(Concatenate(call, context));
}

// Bytes compare as unsigned values, so a text with bytes above 127 sorts
// after plain ASCII whatever the sign of char on the platform.
Ref<IIEValue> DoStrCompare(IFunCall* call, TIEContext* context, const char*) {
  std::vector<Ref<IIEValue>> args = Args(call, context);
  const std::string a = args[0]->GetAsString();
  const std::string b = args[1]->GetAsString();
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const int x = static_cast<unsigned char>(a[i]);
    const int y = static_cast<unsigned char>(b[i]);
    if (x != y) return NewInteger(x - y);
  }
  // One is a prefix of the other: the difference of the lengths, kept
  // within 32 bits so that its sign is always right.
  const int64_t diff = static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size());
  return NewInteger(static_cast<int32_t>(std::clamp<int64_t>(diff, INT32_MIN, INT32_MAX)));
}

// (str-index needle haystack): the 1-based position, or FALSE.
Ref<IIEValue> DoStrIndex(IFunCall* call, TIEContext* context, const char*) {
  std::vector<Ref<IIEValue>> args = Args(call, context);
  const std::string needle = args[0]->GetAsString();
  const std::string haystack = args[1]->GetAsString();
  if (needle.empty()) return Bool(false);
  const size_t at = haystack.find(needle);
  if (at == std::string::npos || at >= static_cast<size_t>(INT32_MAX)) return Bool(false);
  return NewInteger(static_cast<int32_t>(at + 1));
}

Ref<IIEValue> DoStrLength(IFunCall* call, TIEContext* context, const char*) {
  const size_t length = Arg(call, 0, context)->GetAsString().size();
  return NewInteger(static_cast<int32_t>(std::min<size_t>(length, INT32_MAX)));
}

// (sub-string start end s): bytes start..end of s, 1-based and inclusive.
// The start must lie within s and end may not be more than one before it;
// an end past the last byte stops there. The arithmetic is done in 64 bits
// so that extreme positions cannot overflow.
Ref<IIEValue> DoSubString(IFunCall* call, TIEContext* context, const char*) {
  std::vector<Ref<IIEValue>> args = Args(call, context);
  const int32_t start = args[0]->GetAsInteger();
  const int32_t end = args[1]->GetAsInteger();
  const std::string text = args[2]->GetAsString();
  const int64_t count = static_cast<int64_t>(end) - start + 1;
  if (start < 1 || static_cast<uint64_t>(start) > text.size() || count < 0)
    RaiseIE(SInvalidSubstrParameters, {start, end});
  return NewString(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

// The argument with its ASCII letters in one case. A text kind keeps its
// kind (a symbol stays a symbol, a string a string); a number has no
// letters and comes back as it is; any other value with a string form
// gives a string.
Ref<IIEValue> ChangeCase(IFunCall* call, TIEContext* context, bool upper) {
  Ref<IIEValue> value = Arg(call, 0, context);
  const TIEType kind = value->GetDType();
  if (IENumericTypes.Contains(kind)) return value->Clone();
  std::string text = value->GetAsString();
  for (char& c : text) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (IEStringTypes.Contains(kind)) return Ref<IIEValue>(new TIEValue(text, kind));
  return NewString(text);
}

Ref<IIEValue> DoLowCase(IFunCall* call, TIEContext* context, const char*) {
  return ChangeCase(call, context, false);
}

Ref<IIEValue> DoUpCase(IFunCall* call, TIEContext* context, const char*) {
  return ChangeCase(call, context, true);
}

}  // namespace

void TStringPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  Add(this, "lowcase",
      "Returns the argument with its letters A-Z in lower case, as a string or symbol like the "
      "argument",
      " <string-or-symbol-expression>", 1, 1, DoLowCase);
  Add(this, "str-cat", "Returns a string that joins the string forms of all the arguments",
      " <lexeme-expression>*", 0, kAny, DoStrCat);
  Add(this, "str-compare",
      "Compares two texts byte by byte, case sensitive: 0 when equal, negative when the first "
      "sorts before the second, positive when after",
      " <lexeme-expression> <lexeme-expression>", 2, 2, DoStrCompare);
  Add(this, "str-index",
      "Returns the position (from 1) of the first text within the second, or FALSE when it does "
      "not occur",
      " <lexeme-expression> <lexeme-expression>", 2, 2, DoStrIndex);
  Add(this, "str-length", "Returns the number of bytes of the argument's text",
      " <lexeme-expression>", 1, 1, DoStrLength);
  Add(this, "sub-string",
      "Returns the part of the text from the start to the end position, counted from 1 and "
      "inclusive",
      " <start-integer-expression> <end-integer-expression> <lexeme-expression>", 3, 3,
      DoSubString);
  Add(this, "sym-cat", "Returns a symbol that joins the string forms of all the arguments",
      " <expression>*", 0, kAny, DoSymCat);
  Add(this, "upcase",
      "Returns the argument with its letters a-z in upper case, as a string or symbol like the "
      "argument",
      " <lexeme-expression>", 1, 1, DoUpCase);
}

}  // namespace rulecore
