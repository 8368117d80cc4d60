// rulecore: an embeddable expert-system shell.
// Tests of the object model: reference counting, the class registry, TPersistent and TComponent.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"
#include "platform/interface.h"
#include "platform/object.h"
#include "platform/string_list.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- reference counting

class ICounted : public virtual IInterface {
 public:
  virtual int Id() const = 0;
};

class INamed : public virtual IInterface {
 public:
  virtual std::string Label() const = 0;
};

class TCounted : public ICounted, public INamed {
 public:
  TCounted(int id, bool* freed) : id_(id), freed_(freed) {}
  ~TCounted() override { *freed_ = true; }
  int Id() const override { return id_; }
  std::string Label() const override { return "counted " + std::to_string(id_); }

 private:
  int id_;
  bool* freed_;
};

TEST(TInterfaceTest, NewObjectStartsAtZeroAndFirstHolderTakesOneReference) {
  bool freed = false;
  auto* raw = new TCounted(1, &freed);
  EXPECT_EQ(raw->RefCount(), 0);
  {
    Ref<TCounted> a(raw);
    EXPECT_EQ(raw->RefCount(), 1);
    Ref<TCounted> b = a;
    EXPECT_EQ(raw->RefCount(), 2);
    EXPECT_EQ(a, b);
  }
  EXPECT_TRUE(freed);
}

TEST(TInterfaceTest, ObjectLivesUntilLastHolderLetsGo) {
  bool freed = false;
  Ref<TCounted> a = MakeRef<TCounted>(7, &freed);
  Ref<TCounted> b = a;
  a.reset();
  EXPECT_FALSE(freed);
  EXPECT_FALSE(a);
  EXPECT_EQ(b->Id(), 7);
  EXPECT_EQ(b->RefCount(), 1);
  // Moving hands the reference over; assigning a holder to itself keeps it.
  Ref<TCounted> c = std::move(b);
  EXPECT_TRUE(b == nullptr);
  Ref<TCounted>& alias = c;
  c = alias;
  EXPECT_FALSE(freed);
  EXPECT_EQ(c->RefCount(), 1);
  c = nullptr;
  EXPECT_TRUE(freed);
}

TEST(TInterfaceTest, DetachGivesUpTheReferenceWithoutReleasing) {
  bool freed = false;
  Ref<TCounted> a = MakeRef<TCounted>(4, &freed);
  TCounted* raw = a.detach();
  EXPECT_FALSE(a);
  EXPECT_FALSE(freed);
  EXPECT_EQ(raw->RefCount(), 1);
  raw->Release();
  EXPECT_TRUE(freed);
}

TEST(TInterfaceTest, InterfacesOfOneObjectShareASingleCount) {
  bool freed = false;
  Ref<ICounted> counted = MakeRef<TCounted>(5, &freed);
  Ref<INamed> named(Query<INamed>(counted.get()));
  ASSERT_TRUE(named);
  EXPECT_EQ(named->Label(), "counted 5");
  EXPECT_EQ(counted->RefCount(), 2);
  counted.reset();
  EXPECT_FALSE(freed);
  named.reset();
  EXPECT_TRUE(freed);
}

TEST(TInterfaceTest, QueryForAnUnsupportedInterfaceIsNil) {
  class TPlain : public ICounted {
   public:
    int Id() const override { return 0; }
  };
  Ref<ICounted> plain = MakeRef<TPlain>();
  EXPECT_EQ(Query<INamed>(plain.get()), nullptr);
  EXPECT_EQ(Query<INamed>(static_cast<ICounted*>(nullptr)), nullptr);
}

// ---------------------------------------------------------------- classes and registry

// A component that records what happens to it, for the ownership tests.
class TProbe : public TComponent {
  RC_DECLARE_CLASS(TProbe)

 public:
  using Log = std::vector<std::string>;
  explicit TProbe(TComponent* owner, std::string tag = "", Log* log = nullptr)
      : TComponent(owner), tag_(std::move(tag)), log_(log) {}
  ~TProbe() override {
    if (log_) log_->push_back("free " + tag_);
  }
  const std::string& Tag() const { return tag_; }

 protected:
  void Notification(TComponent* c, TOperation op) override {
    if (log_) {
      std::string who = c == nullptr ? "?" : c->Name();
      log_->push_back(tag_ + (op == opInsert ? " insert " : " remove ") + who);
    }
    TComponent::Notification(c, op);
  }

 private:
  std::string tag_;
  Log* log_;
};

TObject* NewProbe(TComponent* owner) {
  return new TProbe(owner, "made");
}
RC_DEFINE_CLASS(TProbe, TComponent, NewProbe)

// A component class without a factory.
class TAbstractProbe : public TComponent {
  RC_DECLARE_CLASS(TAbstractProbe)
};
RC_DEFINE_CLASS(TAbstractProbe, TComponent, nullptr)

TEST(TClassInfoTest, ClassNamesAndAncestryFollowTheDeclarations) {
  TProbe probe(nullptr);
  EXPECT_EQ(probe.ClassName(), "TProbe");
  EXPECT_EQ(&probe.ClassType(), &TProbe::StaticClass());
  EXPECT_TRUE(probe.InheritsFrom(TProbe::StaticClass()));
  EXPECT_TRUE(probe.InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(probe.InheritsFrom(TPersistent::StaticClass()));
  EXPECT_TRUE(probe.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(probe.InheritsFrom(TStringList::StaticClass()));
  EXPECT_FALSE(TComponent::StaticClass().InheritsFrom(TProbe::StaticClass()));
}

TEST(TClassRegistryTest, FindClassIgnoresLetterCaseAndUnregisterRemovesOnlyThatClass) {
  RegisterClass(TProbe::StaticClass());
  EXPECT_EQ(FindClass("TProbe"), &TProbe::StaticClass());
  EXPECT_EQ(FindClass("tprobe"), &TProbe::StaticClass());
  EXPECT_EQ(FindClass("TPROBE"), &TProbe::StaticClass());
  EXPECT_EQ(FindClass("TProbeX"), nullptr);
  // Unregistering removes only the very class registered under the name.
  static const TClassInfo impostor{"TPROBE", &TComponent::StaticClass(), nullptr};
  UnregisterClass(impostor);
  EXPECT_EQ(FindClass("TProbe"), &TProbe::StaticClass());
  UnregisterClass(TProbe::StaticClass());
  EXPECT_EQ(FindClass("TProbe"), nullptr);
}

TEST(TClassRegistryTest, GetClassRaisesConvertErrorNamingAnUnknownClass) {
  try {
    GetClass("TNoSuchThing");
    FAIL() << "GetClass accepted an unknown class";
  } catch (const EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("TNoSuchThing"), std::string::npos) << e.what();
  }
}

TEST(TClassRegistryTest, CreateInstanceByNameMakesAnOwnedComponent) {
  RegisterClass(TProbe::StaticClass());
  TComponent owner;
  TObject* made = CreateInstance(GetClass("tprobe"), &owner);
  UnregisterClass(TProbe::StaticClass());
  auto* probe = dynamic_cast<TProbe*>(made);
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->Tag(), "made");
  EXPECT_EQ(probe->Owner(), &owner);
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Component(0), probe);
}

TEST(TClassRegistryTest, CreateInstanceOfAnAbstractClassRaisesConvertError) {
  EXPECT_THROW(CreateInstance(TAbstractProbe::StaticClass()), EConvertError);
  EXPECT_THROW(CreateInstance(TPersistent::StaticClass()), EConvertError);
}

// ---------------------------------------------------------------- TPersistent

// A persistent value that knows how to copy itself into a TStringList.
class TWords : public TPersistent {
  RC_DECLARE_CLASS(TWords)

 public:
  std::vector<std::string> words;

 protected:
  void AssignTo(TPersistent& dest) const override {
    if (auto* list = dynamic_cast<TStringList*>(&dest)) {
      list->Clear();
      for (const std::string& w : words)
        list->Add(w);
      return;
    }
    TPersistent::AssignTo(dest);
  }
};
RC_DEFINE_CLASS(TWords, TPersistent, nullptr)

std::string AssignMessage(TPersistent& dest, const TPersistent& source) {
  try {
    dest.Assign(source);
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "no error";
}

TEST(TPersistentTest, AssignBetweenUnrelatedClassesNamesSourceThenDestination) {
  TComponent component;
  TStringList list;
  EXPECT_EQ(AssignMessage(list, component), "Cannot assign a TComponent to a TStringList");
  EXPECT_EQ(AssignMessage(component, list), "Cannot assign a TStringList to a TComponent");
}

TEST(TPersistentTest, AssignAsksTheSourceToAssignItselfToTheDestination) {
  TWords words;
  words.words = {"alpha", "beta"};
  TStringList list;
  list.Add("old");
  list.Assign(words);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), "alpha");
  EXPECT_EQ(list.Get(1), "beta");

  // The other way round neither side knows how.
  TWords target;
  EXPECT_EQ(AssignMessage(target, list), "Cannot assign a TStringList to a TWords");
}

// ---------------------------------------------------------------- TComponent

TEST(TComponentTest, OwnerFreesOwnedComponentsNewestFirst) {
  TProbe::Log log;
  {
    TProbe owner(nullptr, "owner", &log);
    new TProbe(&owner, "a", &log);
    new TProbe(&owner, "b", &log);
    new TProbe(&owner, "c", &log);
    EXPECT_EQ(owner.ComponentCount(), 3);
    log.clear();
  }
  EXPECT_EQ(log, (TProbe::Log{"free owner", "free c", "free b", "free a"}));
}

TEST(TComponentTest, FreeingAnOwnedComponentRemovesItFromItsOwner) {
  TProbe::Log log;
  TProbe owner(nullptr, "owner", &log);
  auto* a = new TProbe(&owner, "a");
  auto* b = new TProbe(&owner, "b");
  b->SetName("B");
  log.clear();
  delete b;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Component(0), a);
  EXPECT_EQ(log, (TProbe::Log{"owner remove B"}));
}

TEST(TComponentTest, OwnerIsToldOfInsertedAndRemovedComponents) {
  TProbe::Log log;
  TProbe owner(nullptr, "owner", &log);
  TComponent child;
  child.SetName("child");
  owner.InsertComponent(&child);
  EXPECT_EQ(child.Owner(), &owner);
  owner.RemoveComponent(&child);
  EXPECT_EQ(child.Owner(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(log, (TProbe::Log{"owner insert child", "owner remove child"}));

  // Removing a component owned by someone else changes nothing.
  TComponent other;
  auto* foreign = new TComponent(&other);
  owner.RemoveComponent(foreign);
  EXPECT_EQ(foreign->Owner(), &other);
  EXPECT_EQ(other.ComponentCount(), 1);
}

TEST(TComponentTest, RemovedComponentIsNotFreedByItsFormerOwner) {
  TProbe::Log log;
  auto loose = std::make_unique<TProbe>(nullptr, "loose", &log);
  {
    TComponent owner;
    owner.InsertComponent(loose.get());
    owner.RemoveComponent(loose.get());
  }
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(loose->Owner(), nullptr);
}

TEST(TComponentTest, InsertComponentMovesItFromItsPreviousOwner) {
  TProbe::Log log;
  TComponent first;
  auto* child = new TProbe(&first, "child", &log);
  {
    TComponent second;
    second.InsertComponent(child);
    EXPECT_EQ(first.ComponentCount(), 0);
    ASSERT_EQ(second.ComponentCount(), 1);
    EXPECT_EQ(child->Owner(), &second);
  }
  // The new owner freed it; the old one no longer holds it.
  EXPECT_EQ(log, (TProbe::Log{"free child"}));
  EXPECT_EQ(first.ComponentCount(), 0);
}

TEST(TComponentTest, FindsOwnedComponentsByNameAndByClass) {
  TComponent owner;
  auto* plain = new TComponent(&owner);
  auto* probe1 = new TProbe(&owner, "1");
  auto* probe2 = new TProbe(&owner, "2");
  plain->SetName("first");
  probe2->SetName("second");
  EXPECT_EQ(owner.FindComponent("second"), probe2);
  EXPECT_EQ(owner.FindComponent("first"), plain);
  EXPECT_EQ(owner.FindComponent("third"), nullptr);
  // By class: the first in order of that class or a descendant.
  EXPECT_EQ(FindComponentType(&owner, TProbe::StaticClass()), probe1);
  EXPECT_EQ(FindComponentType(&owner, TComponent::StaticClass()), plain);
  EXPECT_EQ(FindComponentType(&owner, TAbstractProbe::StaticClass()), nullptr);
  EXPECT_EQ(FindComponentType(nullptr, TComponent::StaticClass()), nullptr);
}

TEST(TComponentTest, FreeNotificationTellsTheWatcherWhenTheWatchedIsFreed) {
  TProbe::Log log;
  TProbe watcher(nullptr, "watcher", &log);
  auto* watched = new TComponent;
  watched->SetName("watched");
  watcher.FreeNotification(watched);
  delete watched;
  EXPECT_EQ(log, (TProbe::Log{"watcher remove watched"}));

  // Once the request is withdrawn the watcher hears nothing.
  watched = new TComponent;
  watcher.FreeNotification(watched);
  watcher.RemoveFreeNotification(watched);
  delete watched;
  EXPECT_EQ(log.size(), 1u);
}

TEST(TComponentTest, FreeNotificationLinkIsDroppedWhenTheWatcherGoesFirst) {
  // Were the link left on the watched side, freeing it would call into the freed watcher.
  TProbe::Log log;
  TComponent watched;
  auto* watcher = new TProbe(nullptr, "watcher", &log);
  watcher->FreeNotification(&watched);
  delete watcher;
  auto* other = new TProbe(nullptr, "other", &log);
  other->FreeNotification(&watched);
  other->RemoveFreeNotification(&watched);
  delete other;
  EXPECT_EQ(log, (TProbe::Log{"free watcher", "free other"}));
}

TEST(TComponentTest, FreeNotificationWorksBothWays) {
  TProbe::Log log;
  auto* a = new TProbe(nullptr, "a", &log);
  auto* b = new TProbe(nullptr, "b", &log);
  a->SetName("A");
  b->SetName("B");
  a->FreeNotification(b);
  a->FreeNotification(b);  // a second request adds no second link
  delete a;
  delete b;
  // The derived part of `a` is gone before its watchers hear of it.
  EXPECT_EQ(log, (TProbe::Log{"free a", "b remove A", "free b"}));
}

TEST(TComponentTest, SiblingsWatchingEachOtherAreFreedSafelyByTheirOwner) {
  TProbe::Log log;
  {
    TComponent owner;
    auto* older = new TProbe(&owner, "older", &log);
    auto* newer = new TProbe(&owner, "newer", &log);
    older->SetName("older");
    newer->SetName("newer");
    older->FreeNotification(newer);
  }
  EXPECT_EQ(log, (TProbe::Log{"free newer", "older remove newer", "free older"}));
}

TEST(TComponentTest, DestroyingMarksTheComponentAndWhatItOwns) {
  TComponent owner;
  auto* child = new TComponent(&owner);
  auto* grandchild = new TComponent(child);
  EXPECT_TRUE(owner.ComponentState().Empty());
  owner.Destroying();
  EXPECT_TRUE(owner.ComponentState().Contains(csDestroying));
  EXPECT_TRUE(child->ComponentState().Contains(csDestroying));
  EXPECT_TRUE(grandchild->ComponentState().Contains(csDestroying));
}

TEST(TComponentTest, DesigningSpreadsToOwnedComponentsLoadingStaysUntilLoaded) {
  TComponent owner;
  auto* child = new TComponent(&owner);
  owner.SetDesigning(true);
  owner.SetLoading(true);
  EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
  EXPECT_FALSE(child->ComponentState().Contains(csLoading));
  EXPECT_TRUE(owner.ComponentState().Contains(csLoading));
  owner.SetDesigning(false);
  EXPECT_FALSE(child->ComponentState().Contains(csDesigning));
  owner.SetDesigning(true);
  owner.Loaded();
  EXPECT_FALSE(owner.ComponentState().Contains(csLoading));
  EXPECT_TRUE(owner.ComponentState().Contains(csDesigning));
}

}  // namespace
}  // namespace rulecore
