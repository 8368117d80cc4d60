// rulecore: an embeddable expert-system shell.
// TIEStreamToken: printing a token, turning it into a value, copying and
// comparing tokens.
#include "language/stream_token.h"

#include <string>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {
namespace {

bool IsNil(const std::string& text) {
  return text.size() == 3 && (text[0] == 'n' || text[0] == 'N') &&
         (text[1] == 'i' || text[1] == 'I') && (text[2] == 'l' || text[2] == 'L');
}

}  // namespace

std::string TIEStreamToken::ToString() const {
  switch (data_type_) {
    case dtString: {
      std::string out;
      out.reserve(text_.size() + 2);
      out += '"';
      for (char c : text_) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
      }
      out += '"';
      return out;
    }
    case dtInteger:
      return std::to_string(TruncToInt32(number_));
    case dtVariable:
      return "?" + text_;
    case dtFloat:
      return FloatToStr4(number_);
    case dtMultiVariable:
      return "$?" + text_;
    default:
      if (!text_.empty()) return text_;
      return std::string(1, static_cast<char>(data_type_));
  }
}

Ref<IIEValue> TIEStreamToken::Value() const {
  switch (data_type_) {
    case dtAtom:
      if (text_ == FCTrue->PeekText()) return Ref<IIEValue>(FCTrue);
      if (text_ == FCFalse->PeekText()) return Ref<IIEValue>(FCFalse);
      if (IsNil(text_)) return Ref<IIEValue>(FCNil);
      return NewAtom(text_);
    case dtString:
      return NewString(text_);
    case dtInteger:
      return NewInteger(TruncToInt32(number_));
    case dtVariable:
      return NewVariable(text_);
    case dtFactId:
      return NewFactId(TruncToInt32(number_));
    case dtFloat:
      return NewFloat(number_);
    case dtDescriptor:
      return Ref<IIEValue>(new TIEValue(TruncToInt32(number_), dtDescriptor));
    // A token carries no host object or address: these kinds come out empty.
    case dtObject:
      return Ref<IIEValue>(new TIEValue(static_cast<TObject*>(nullptr), false));
    case dtExternalAddress:
      return Ref<IIEValue>(new TIEValue(static_cast<void*>(nullptr)));
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return Ref<IIEValue>(new TIEValue(text_, static_cast<TIEType>(data_type_)));
    case kTokenEOF:
      if (text_ == "EOF") return Ref<IIEValue>(FCEOF);
      [[fallthrough]];
    default:
      return NewString(std::to_string(data_type_));
  }
}

Ref<IIEValue> TIEStreamToken::Value(IIEContext* context) const {
  if (context && (data_type_ == dtVariable || data_type_ == dtMultiVariable)) {
    IIEValue* bound = context->FindBindingValue(text_);
    if (!bound) RaiseIE(SUnknownVariable, {text_});
    return Ref<IIEValue>(bound);
  }
  return Value();
}

void TIEStreamToken::SetValue(IIEValue* value) {
  if (!value) {
    data_type_ = kTokenEOF;
    text_ = "EOF";
    number_ = 0.0;
    return;
  }
  data_type_ = value->GetDType();
  switch (value->GetDType()) {
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
    case dtFloat:
      number_ = value->GetAsNumeric();
      text_ = value->GetToString();
      break;
    default:
      number_ = 0.0;
      if (IEStringTypes.Contains(value->GetDType()))
        text_ = value->PeekText();
      else
        text_ = value->GetToString();
      break;
  }
}

bool TIEStreamToken::Equals(IStreamToken* other) {
  if (!other) return false;
  return data_type_ == other->GetDataType() && line_number_ == other->GetLineNumber() &&
         number_ == other->GetNumber();
}

bool TIEStreamToken::Equals(IInterface* other) {
  auto* token = Query<IStreamToken>(other);
  return token && Equals(token);
}

void TIEStreamToken::Assign(IInterface* source) {
  auto* token = Query<IStreamToken>(source);
  if (!token) throw EConvertError("Cannot assign a non-token interface to a TIEStreamToken");
  if (token == this) return;
  data_type_ = token->GetDataType();
  line_number_ = token->GetLineNumber();
  number_ = token->GetNumber();
  text_ = token->GetText();
  tag_ = token->GetTag();
  whitespace_ = token->GetWhitespace();
}

Ref<IStreamToken> TIEStreamToken::Clone() const {
  Ref<TIEStreamToken> copy(new TIEStreamToken(data_type_, text_, line_number_, number_));
  copy->tag_ = tag_;
  copy->whitespace_ = whitespace_;
  return copy;
}

}  // namespace rulecore
