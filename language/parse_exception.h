// rulecore: an embeddable expert-system shell.
// EIEParseException: a syntax error in rule-language text, with the line on
// which it was found. Its text reads "Parsing Error, <message> in <routine>
// at line <n>: <echo of the text read>" when raised through the parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ie_exception.h"

namespace rulecore {

class RULECORE_API EIEParseException : public EIEException {
 public:
  EIEParseException(const std::string& message, int32_t line)
      : EIEException(message), line_(line) {}

  int32_t LineNumber() const { return line_; }
  // Further messages (collected errors), one per entry.
  std::vector<std::string>& Messages() { return messages_; }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  int32_t line_;
  std::vector<std::string> messages_;
};

}  // namespace rulecore
