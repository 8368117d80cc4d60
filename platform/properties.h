// rulecore: an embeddable expert-system shell.
// Published properties: for each class, a list of named properties with a
// kind, a getter and a setter, found through the class and its ancestors.
// They serve component streaming (platform/filer.h) and hosts that read and
// write an object's settings by name. Registration normally happens once,
// while the library loads; the registry is guarded by a lock and lives as
// long as the program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/object.h"
#include "platform/type_info.h"

namespace rulecore {

enum class TPropertyKind : uint8_t {
  kBoolean,
  kInteger,      // held as int64_t, limited to [min_value, max_value]
  kFloat,        // double
  kString,       // any byte string
  kEnumeration,  // an ordinal (int64_t), streamed as the member's name
  kSet,          // a bit set (int64_t, bit n = ordinal n), streamed as names
  kStrings,      // a list of strings
  kPersistent,   // a persistent object the property holds (read through the getter)
};

// The name of a kind, for messages ("boolean", "integer", ...).
RULECORE_API const char* PropertyKindName(TPropertyKind kind);

// A property's value. The alternative in use follows the property's kind:
// bool for kBoolean, int64_t for kInteger, kEnumeration and kSet, double,
// std::string, a vector of strings, and TPersistent* (not owned) for
// kPersistent.
using TPropertyValue =
    std::variant<bool, int64_t, double, std::string, std::vector<std::string>, TPersistent*>;

struct RULECORE_API TPropInfo {
  std::string name;
  TPropertyKind kind = TPropertyKind::kInteger;
  const TEnumInfo* enum_info = nullptr;  // kEnumeration and kSet
  int64_t min_value = INT32_MIN;         // kInteger
  int64_t max_value = INT32_MAX;
  std::function<TPropertyValue(TObject&)> get;
  // Nil for a read-only property; a kPersistent property needs none, since
  // its object is read in place.
  std::function<void(TObject&, const TPropertyValue&)> set;
};

// Adds `prop` to the properties of `cls`; one of the same name (ignoring
// letter case) registered for `cls` itself is replaced in its place.
RULECORE_API void RegisterProperty(const TClassInfo& cls, TPropInfo prop);
// The published properties of `cls`: its ancestors' first, then its own, in
// the order of registration. A property that a class registers under a name
// an ancestor already uses replaces the ancestor's in the list.
RULECORE_API std::vector<TPropInfo> GetPropList(const TClassInfo& cls);
// The property `name` (ignoring letter case) of `cls` or its nearest
// ancestor that has one; false when none does.
RULECORE_API bool FindProperty(const TClassInfo& cls, std::string_view name, TPropInfo* prop);

// Typed registration for class C, e.g.
//   TPublished<TThing>()
//       .Boolean("Visible", [](TThing& t) { return t.Visible(); },
//                [](TThing& t, bool v) { t.SetVisible(v); })
//       .Integer("Count", ...);
// A nil setter makes the property read-only.
template <class C>
class TPublished {
 public:
  TPublished& Boolean(const char* name, std::function<bool(C&)> get,
                      std::function<void(C&, bool)> set) {
    return Add<bool>(name, TPropertyKind::kBoolean, nullptr, get, set);
  }
  TPublished& Integer(const char* name, std::function<int64_t(C&)> get,
                      std::function<void(C&, int64_t)> set, int64_t min_value = INT32_MIN,
                      int64_t max_value = INT32_MAX) {
    TPropInfo prop = Make<int64_t>(name, TPropertyKind::kInteger, nullptr, get, set);
    prop.min_value = min_value;
    prop.max_value = max_value;
    RegisterProperty(C::StaticClass(), std::move(prop));
    return *this;
  }
  TPublished& Float(const char* name, std::function<double(C&)> get,
                    std::function<void(C&, double)> set) {
    return Add<double>(name, TPropertyKind::kFloat, nullptr, get, set);
  }
  TPublished& String(const char* name, std::function<std::string(C&)> get,
                     std::function<void(C&, const std::string&)> set) {
    return Add<std::string>(name, TPropertyKind::kString, nullptr, get, set);
  }
  // `get` and `set` deal in ordinals of `info`'s enumeration.
  TPublished& Enumeration(const char* name, const TEnumInfo& info, std::function<int64_t(C&)> get,
                          std::function<void(C&, int64_t)> set) {
    return Add<int64_t>(name, TPropertyKind::kEnumeration, &info, get, set);
  }
  // `get` and `set` deal in bit sets over `info`'s enumeration.
  TPublished& Set(const char* name, const TEnumInfo& info, std::function<int64_t(C&)> get,
                  std::function<void(C&, int64_t)> set) {
    return Add<int64_t>(name, TPropertyKind::kSet, &info, get, set);
  }
  TPublished& Strings(const char* name, std::function<std::vector<std::string>(C&)> get,
                      std::function<void(C&, const std::vector<std::string>&)> set) {
    return Add<std::vector<std::string>>(name, TPropertyKind::kStrings, nullptr, get, set);
  }
  // `get` returns the object the property holds (nil: nothing to stream);
  // the object must live as long as the instance holding it. Reading fills
  // that object in place.
  TPublished& Object(const char* name, std::function<TPersistent*(C&)> get) {
    return Add<TPersistent*>(name, TPropertyKind::kPersistent, nullptr, get,
                             std::function<void(C&, TPersistent*)>());
  }

 private:
  template <class V, class Get, class Set>
  static TPropInfo Make(const char* name, TPropertyKind kind, const TEnumInfo* info, const Get& get,
                        const Set& set) {
    TPropInfo prop;
    prop.name = name;
    prop.kind = kind;
    prop.enum_info = info;
    prop.get = [get](TObject& o) -> TPropertyValue { return V(get(static_cast<C&>(o))); };
    if (set)
      prop.set = [set](TObject& o, const TPropertyValue& v) {
        set(static_cast<C&>(o), std::get<V>(v));
      };
    return prop;
  }
  template <class V, class Get, class Set>
  TPublished& Add(const char* name, TPropertyKind kind, const TEnumInfo* info, const Get& get,
                  const Set& set) {
    RegisterProperty(C::StaticClass(), Make<V>(name, kind, info, get, set));
    return *this;
  }
};

}  // namespace rulecore
