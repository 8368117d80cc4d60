// rulecore: an embeddable expert-system shell.
#include "facts/fact_set.h"

#include "core/ie_exception.h"
#include "core/messages.h"
#include "facts/context.h"
#include "facts/fact_engine.h"
#include "facts/fact_printer.h"

namespace rulecore {

namespace {
TObject* NewFactSet(TComponent* owner) {
  return new TFactSet(owner);
}
}  // namespace

RC_DEFINE_CLASS(TFactSet, TComponent, NewFactSet)

TFactSet::TFactSet(TComponent* owner) : TComponent(owner) {
  if (IFactEngine* engine = AsFactEngine(owner)) {
    SetEngine(engine);
  } else if (owner && owner->ComponentState().Contains(csDesigning)) {
    for (int i = 0; i < owner->ComponentCount(); ++i) {
      if (IFactEngine* e = AsFactEngine(owner->Component(i))) {
        SetEngine(e);
        break;
      }
    }
  }
}

TFactSet::~TFactSet() {
  if (engine_) {
    engine_->RemoveFactSet(this);
    RemoveFreeNotification(engine_component_);
    engine_ = nullptr;
    engine_component_ = nullptr;
  }
}

void TFactSet::CheckIndex(int i) const {
  if (i < 0 || i >= Count()) RaiseIE(SListIndexError, {i});
}

void TFactSet::SetEngineNoParse(IFactEngine* engine) {
  if (engine == engine_) return;
  if (engine_) {
    engine_->RemoveFactSet(this);
    RemoveFreeNotification(engine_component_);
  }
  engine_ = engine;
  engine_component_ = engine ? engine->GetComponent() : nullptr;
  if (engine_component_) FreeNotification(engine_component_);
}

void TFactSet::SetEngine(IFactEngine* engine) {
  if (engine == engine_) return;
  SetEngineNoParse(engine);
  if (engine_) {
    engine_->AddFactSet(this);
    ParseEntries();
  } else {
    for (Entry& e : entries_)
      e.fact.reset();
  }
}

void TFactSet::ParseEntries() {
  for (Entry& e : entries_)
    e.fact = engine_->ParseFact(e.text);
}

void TFactSet::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  // The engine is going: forget it without calling into it (by now it may be
  // half destroyed), and keep the texts.
  if (op == opRemove && engine_ && c == engine_component_) {
    engine_ = nullptr;
    engine_component_ = nullptr;
    for (Entry& e : entries_)
      e.fact.reset();
  }
}

const std::string& TFactSet::FactText(int i) const {
  CheckIndex(i);
  return entries_[static_cast<size_t>(i)].text;
}

TStringList TFactSet::Facts() const {
  TStringList list;
  for (const Entry& e : entries_)
    list.Add(e.text);
  return list;
}

void TFactSet::SetFacts(const TStringList& texts) {
  entries_.clear();
  for (int i = 0; i < texts.Count(); ++i)
    entries_.push_back({texts.Get(i), nullptr});
  if (engine_)
    for (Entry& e : entries_)
      e.fact = engine_->ParseFact(e.text + NewLineString);
}

int TFactSet::AddFact(IFact* fact) {
  entries_.push_back({fact ? FactToRuleText(*fact) : std::string(), Ref<IFact>(fact)});
  return Count() - 1;
}

IFact* TFactSet::GetFact(int i) {
  CheckIndex(i);
  Entry& e = entries_[static_cast<size_t>(i)];
  if (!e.fact && engine_ && !e.text.empty()) e.fact = engine_->ParseFact(e.text);
  return e.fact.get();
}

void TFactSet::ClearEntry(int i) {
  CheckIndex(i);
  entries_[static_cast<size_t>(i)] = Entry{};
}

void TFactSet::SetFact(int i, IFact* fact) {
  CheckIndex(i);
  entries_[static_cast<size_t>(i)].fact = Ref<IFact>(fact);
}

int TFactSet::IndexOf(IFact* fact) const {
  // Nil is no fact: it must not find an entry that has not been read yet.
  if (!fact) return -1;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].fact.get() == fact) return static_cast<int>(i);
  return -1;
}

int TFactSet::Remove(IFact* fact) {
  int i = IndexOf(fact);
  if (i >= 0) entries_.erase(entries_.begin() + i);
  return i;
}

void TFactSet::Reset() {
  if (!engine_) return;
  for (int i = 0; i < Count(); ++i) {
    IFact* fact = GetFact(i);
    if (!fact) continue;
    Ref<IFact> copy = fact->Clone();
    engine_->GetContext()->Resolve(copy.get());
    engine_->Assert(copy.get(), false);
  }
}

std::string TFactSet::GetToString() {
  if (engine_) return engine_->PrettyPrint(this);
  return FactSetToRuleText(*this);
}

void TFactSet::Loaded() {
  TComponent::Loaded();
  if (!ComponentState().Contains(csDesigning)) Reset();
}

void TFactSet::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TFactSet*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  auto* src = const_cast<TFactSet*>(other);
  comment_ = other->comment_;
  name_ = other->name_;
  std::vector<Entry> old;
  old.swap(entries_);
  IFactEngine* owner_engine = AsFactEngine(Owner());
  for (int i = 0; i < src->Count(); ++i) {
    IFact* fact = src->GetFact(i);
    if (!fact) {
      entries_.push_back({src->FactText(i), nullptr});
    } else if (owner_engine) {
      Ref<IFact> parsed = owner_engine->ParseFact(fact->GetToString());
      AddFact(parsed.get());
    } else {
      AddFact(fact->Clone().get());
    }
  }
}

TFactSet* TFactSet::Clone(TComponent* owner) const {
  auto* copy = new TFactSet(owner);
  try {
    copy->Assign(*this);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

}  // namespace rulecore
