// rulecore: an embeddable expert-system shell.
#include "platform/object.h"

#include <strings.h>
#include <map>
#include <mutex>

#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {

namespace {

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

struct Registry {
  std::mutex mu;
  std::map<std::string, const TClassInfo*, CaseLess> classes;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // lives as long as the program
  return *registry;
}

}  // namespace

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->parent)
    if (c == &other) return true;
  return false;
}

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info{"TObject", nullptr, nullptr};
  return info;
}

void RegisterClass(const TClassInfo& cls) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mu);
  r.classes[cls.name] = &cls;
}

void UnregisterClass(const TClassInfo& cls) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mu);
  auto it = r.classes.find(cls.name);
  if (it != r.classes.end() && it->second == &cls) r.classes.erase(it);
}

const TClassInfo* FindClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mu);
  auto it = r.classes.find(std::string(name));
  return it == r.classes.end() ? nullptr : it->second;
}

const TClassInfo& GetClass(std::string_view name) {
  const TClassInfo* cls = FindClass(name);
  if (!cls) throw EConvertError(Format("Class %s not found", {name}));
  return *cls;
}

TObject* CreateInstance(const TClassInfo& cls, TComponent* owner) {
  if (!cls.create) throw EConvertError(Format("Cannot create an instance of %s", {cls.name}));
  return cls.create(owner);
}

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo info{"TPersistent", &TObject::StaticClass(), nullptr};
  return info;
}

void TPersistent::Assign(const TPersistent& source) {
  source.AssignTo(*this);
}

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::AssignTo(TPersistent& dest) const {
  dest.AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
  throw EConvertError(
      Format("Cannot assign a %s to a %s", {source ? source->ClassName() : "nil", ClassName()}));
}

}  // namespace rulecore
