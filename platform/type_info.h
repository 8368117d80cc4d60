// rulecore: an embeddable expert-system shell.
// Run-time names of an enumeration, so that sets of its members can be
// written as text and read back (the host's type information for enums).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/export.h"

namespace rulecore {

struct RULECORE_API TEnumInfo {
  const char* type_name;
  std::vector<std::string_view> names;  // member names in ordinal order

  TEnumInfo(const char* type, std::initializer_list<std::string_view> members)
      : type_name(type), names(members) {}

  int Count() const { return static_cast<int>(names.size()); }
  // The ordinal of the member called `name` (exact case), -1 when none.
  int IndexOf(std::string_view name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return static_cast<int>(i);
    return -1;
  }
};

}  // namespace rulecore
