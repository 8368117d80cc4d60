// rulecore: an embeddable expert-system shell.
// The host object model: TObject with run-time class information, a class
// registry for virtual construction by name, and TPersistent, the base of
// objects that can be assigned from one another. A class takes part by
// declaring RC_DECLARE_CLASS in its body and RC_DEFINE_CLASS in one source
// file; registered classes can then be created from their names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/export.h"

namespace rulecore {

class TObject;
class TComponent;
class TFiler;

// Run-time description of a class: its name, its parent and, for classes that
// can be created without arguments, a factory. Instances are static and live
// for the whole program.
struct RULECORE_API TClassInfo {
  using Factory = TObject* (*)(TComponent* owner);

  const char* name;
  const TClassInfo* parent;
  Factory create;  // nil for abstract classes

  // True iff this class is `other` or derives from it.
  bool InheritsFrom(const TClassInfo& other) const;
};

class RULECORE_API TObject {
 public:
  virtual ~TObject() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }
  std::string ClassName() const { return ClassType().name; }
  bool InheritsFrom(const TClassInfo& cls) const { return ClassType().InheritsFrom(cls); }

 protected:
  TObject() = default;
};

// The class registry: name to class information. Lookups ignore letter case.
RULECORE_API void RegisterClass(const TClassInfo& cls);
RULECORE_API void UnregisterClass(const TClassInfo& cls);
// Nil when no class of that name is registered.
RULECORE_API const TClassInfo* FindClass(std::string_view name);
// Raises EConvertError when no class of that name is registered.
RULECORE_API const TClassInfo& GetClass(std::string_view name);
// Creates an instance of a class that has a factory; raises EConvertError for
// an abstract class. The caller owns the result unless `owner` takes it.
RULECORE_API TObject* CreateInstance(const TClassInfo& cls, TComponent* owner = nullptr);

// An object whose state can be copied from another object with Assign.
class RULECORE_API TPersistent : public TObject {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Copies `source` into this object. The default asks the source to assign
  // itself to this object, and raises EConvertError when neither knows how.
  virtual void Assign(const TPersistent& source);

  // Names the object's extra properties, those beyond its published ones,
  // with their read and write procedures (TFiler::DefineProperty), for
  // component streaming. The default defines none.
  virtual void DefineProperties(TFiler& filer);

 protected:
  // Copies this object into `dest`; the default raises EConvertError.
  virtual void AssignTo(TPersistent& dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace rulecore

// Declares the run-time class information of a class, inside its body.
#define RC_DECLARE_CLASS(Class)                              \
 public:                                                     \
  static const ::rulecore::TClassInfo& StaticClass();        \
  const ::rulecore::TClassInfo& ClassType() const override { \
    return StaticClass();                                    \
  }

// Defines the class information; `Factory` is nullptr or a function creating
// an instance for an owner.
#define RC_DEFINE_CLASS(Class, Parent, Factory)                                        \
  const ::rulecore::TClassInfo& Class::StaticClass() {                                 \
    static const ::rulecore::TClassInfo info{#Class, &Parent::StaticClass(), Factory}; \
    return info;                                                                       \
  }
