// rulecore: an embeddable expert-system shell.
// The miscellaneous package: date and time (functions/datetime.h), listing,
// pretty-printing and deleting constructs, engine settings, host dialogs,
// parse and guard. Listings go to the engine's default output. The dialogs
// are the engine's OnInputBox, OnInputQuery, OnMessageDlg and OnShowMessage
// events; without a handler they raise SNoHostDialog instead of waiting.
#pragma once

#include "functions/user_package.h"

namespace rulecore {

class RULECORE_API TMiscPackage : public TUserPackage {
 public:
  explicit TMiscPackage(TComponent* owner = nullptr) : TUserPackage(owner) {}

 protected:
  // Appends the 50 functions: decode-year ... decode-millisecond,
  // encode-date, encode-time, system-datetime, system-date, system-time,
  // str-datetime, str-date, str-time, datetime-str, date-str, time-str,
  // datetime-str-format, guard, parse, time, agenda, the two
  // get-...-constraint-checking, input-box, input-query, message-dlg,
  // show-message, the five list-def..., the five ppdef..., set-reset-globals,
  // setgen, the two set-...-constraint-checking, facts, rules and the five
  // undef..., in that order.
  void CreateFunctions() override;
};

}  // namespace rulecore
