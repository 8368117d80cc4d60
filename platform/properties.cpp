// rulecore: an embeddable expert-system shell.
#include "platform/properties.h"

#include <strings.h>

#include <map>
#include <mutex>

namespace rulecore {

namespace {

struct PropertyRegistry {
  std::mutex mu;
  std::map<const TClassInfo*, std::vector<TPropInfo>> classes;
};

PropertyRegistry& ThePropertyRegistry() {
  static PropertyRegistry* registry = new PropertyRegistry;  // lives as long as the program
  return *registry;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

const char* PropertyKindName(TPropertyKind kind) {
  switch (kind) {
    case TPropertyKind::kBoolean:
      return "boolean";
    case TPropertyKind::kInteger:
      return "integer";
    case TPropertyKind::kFloat:
      return "float";
    case TPropertyKind::kString:
      return "string";
    case TPropertyKind::kEnumeration:
      return "enumeration";
    case TPropertyKind::kSet:
      return "set";
    case TPropertyKind::kStrings:
      return "string list";
    case TPropertyKind::kPersistent:
      return "object";
  }
  return "unknown";
}

void RegisterProperty(const TClassInfo& cls, TPropInfo prop) {
  PropertyRegistry& r = ThePropertyRegistry();
  std::lock_guard lock(r.mu);
  std::vector<TPropInfo>& list = r.classes[&cls];
  for (TPropInfo& p : list)
    if (SameName(p.name, prop.name)) {
      p = std::move(prop);
      return;
    }
  list.push_back(std::move(prop));
}

std::vector<TPropInfo> GetPropList(const TClassInfo& cls) {
  std::vector<const TClassInfo*> chain;  // the class, then its ancestors
  for (const TClassInfo* c = &cls; c; c = c->parent)
    chain.push_back(c);
  PropertyRegistry& r = ThePropertyRegistry();
  std::lock_guard lock(r.mu);
  std::vector<TPropInfo> out;
  for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
    auto it = r.classes.find(*c);
    if (it == r.classes.end()) continue;
    for (const TPropInfo& prop : it->second) {
      bool replaced = false;
      for (TPropInfo& earlier : out)
        if (SameName(earlier.name, prop.name)) {
          earlier = prop;
          replaced = true;
          break;
        }
      if (!replaced) out.push_back(prop);
    }
  }
  return out;
}

bool FindProperty(const TClassInfo& cls, std::string_view name, TPropInfo* prop) {
  PropertyRegistry& r = ThePropertyRegistry();
  std::lock_guard lock(r.mu);
  for (const TClassInfo* c = &cls; c; c = c->parent) {
    auto it = r.classes.find(c);
    if (it == r.classes.end()) continue;
    for (const TPropInfo& p : it->second)
      if (SameName(p.name, name)) {
        if (prop) *prop = p;
        return true;
      }
  }
  return false;
}

}  // namespace rulecore
