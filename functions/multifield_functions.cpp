// rulecore: an embeddable expert-system shell.
// The multifield functions of the standard package. Positions are 0-based.
// Results are new lists whose items are clones, so a result never shares an
// item with its arguments; an index outside a list is the list's own error.
#include "functions/multifield_functions.h"

#include <string>

#include "core/value_vector.h"
#include "functions/builtin.h"

namespace rulecore {

namespace {

using namespace builtin;

// Argument i evaluated and taken as a list (a conversion error otherwise).
IValueVector* ListArg(IFunCall* call, int i, TIEContext* context, Ref<IIEValue>& keep) {
  keep = Arg(call, i, context);
  return keep->GetAsList();
}

Ref<IIEValue> Item(IValueVector* list, int i, TIEContext* context) {
  return list->Get(i)->Resolve(context)->Clone();
}

// A new list of clones of the items at [from, to) of `list`.
Ref<TValueVector> Items(IValueVector* list, int from, int to, TIEContext* context) {
  Ref<TValueVector> result(new TValueVector);
  for (int i = from; i < to; ++i)
    result->Add(Item(list, i, context).get());
  return result;
}

// The begin and end positions of subseq$, delete$ and replace$.
void Range(IFunCall* call, TIEContext* context, int& begin, int& end) {
  begin = Arg(call, 1, context)->GetAsInteger();
  end = Arg(call, 2, context)->GetAsInteger();
  if (begin > end) RaiseIE(SInvalidMFParameters, {begin, end});
}

// A new list of the items of `list` outside [begin, end].
Ref<TValueVector> Outside(IValueVector* list, int begin, int end, TIEContext* context) {
  Ref<TValueVector> result(new TValueVector);
  for (int i = 0; i < list->GetValueCount(); ++i)
    if (i < begin || i > end) result->Add(Item(list, i, context).get());
  return result;
}

// Inserts arguments [from, count) one after another at `at`, so that they
// end up in reverse order.
void InsertArgs(IFunCall* call, int from, TIEContext* context, TValueVector* into, int at) {
  for (int i = from; i < call->GetArgumentCount(); ++i)
    into->Insert(at, Arg(call, i, context)->Clone().get());
}

Ref<IIEValue> DoCreate(IFunCall* call, TIEContext* context, const char*) {
  Ref<TValueVector> result(new TValueVector);
  for (int i = 0; i < call->GetArgumentCount(); ++i)
    result->Add(Arg(call, i, context)->Clone().get());
  return NewList(result.get());
}

Ref<IIEValue> DoDelete(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  int begin, end;
  Range(call, context, begin, end);
  return NewList(Outside(list, begin, end, context).get());
}

Ref<IIEValue> DoExplode(IFunCall* call, TIEContext* context, const char*) {
  std::string text = Arg(call, 0, context)->GetAsString();
  Ref<TValueVector> result(new TValueVector);
  size_t at = 0;
  while (true) {
    at = text.find_first_not_of(' ', at);
    if (at == std::string::npos) break;
    size_t stop = text.find(' ', at);
    result->Add(NewAtom(text.substr(at, stop == std::string::npos ? stop : stop - at)).get());
    if (stop == std::string::npos) break;
    at = stop;
  }
  return NewList(result.get());
}

Ref<IIEValue> DoFirst(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  return list->GetValueCount() ? Ref<IIEValue>(list->Get(0)) : Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoImplode(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  std::string text;
  for (int i = 0; i < list->GetValueCount(); ++i)
    text += (i ? " " : "") + list->Get(i)->GetAsString();
  return NewString(text);
}

Ref<IIEValue> DoInsert(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  int at = Arg(call, 1, context)->GetAsInteger();
  Ref<TValueVector> result = Items(list, 0, list->GetValueCount(), context);
  InsertArgs(call, 2, context, result.get(), at);
  return NewList(result.get());
}

Ref<IIEValue> DoLength(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  return NewInteger(ListArg(call, 0, context, keep)->GetValueCount());
}

Ref<IIEValue> DoMember(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> wanted = Arg(call, 0, context);
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 1, context, keep);
  for (int i = 0; i < list->GetValueCount(); ++i)
    if (wanted->Equals(list->Get(i))) return NewInteger(i);
  return Bool(false);
}

Ref<IIEValue> DoNth(IFunCall* call, TIEContext* context, const char*) {
  int at = Arg(call, 0, context)->GetAsInteger();
  Ref<IIEValue> keep;
  return Ref<IIEValue>(ListArg(call, 1, context, keep)->Get(at));
}

Ref<IIEValue> DoReplace(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  int begin, end;
  Range(call, context, begin, end);
  Ref<TValueVector> result = Outside(list, begin, end, context);
  InsertArgs(call, 3, context, result.get(), begin);
  return NewList(result.get());
}

// The rest of an empty list is the empty list.
Ref<IIEValue> DoRest(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  return NewList(Items(list, 1, list->GetValueCount(), context).get());
}

Ref<IIEValue> DoSubseq(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> keep;
  IValueVector* list = ListArg(call, 0, context, keep);
  int begin, end;
  Range(call, context, begin, end);
  return NewList(Items(list, begin, end + 1, context).get());
}

// The empty list is a subset of every list.
Ref<IIEValue> DoSubsetp(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> part = Arg(call, 0, context);
  Ref<TValueVector> single;
  IValueVector* items = nullptr;
  if (part->GetDType() == dtList) {
    items = part->GetAsList();
  } else {
    single = Ref<TValueVector>(new TValueVector);
    single->Add(part.get());
    items = single.get();
  }
  Ref<IIEValue> keep;
  IValueVector* whole = ListArg(call, 1, context, keep);
  const int n = items->GetValueCount();
  for (int p = 0; p + n <= whole->GetValueCount(); ++p) {
    int k = 0;
    while (k < n &&
           items->Get(k)->Resolve(context)->Equals(whole->Get(p + k)->Resolve(context).get()))
      ++k;
    if (k == n) return Bool(true);
  }
  return Bool(false);
}

}  // namespace

void AddMultifieldFunctions(TUserPackage* package) {
  Add(package, "create$", "Returns a multifield of its arguments", " <expression>*", 0, kAny,
      DoCreate);
  Add(package, "delete$", "Returns the multifield without the items from begin to end",
      " <multifield-expression> <start-integer-expression> <end-integer-expression>", 3, 3,
      DoDelete);
  Add(package, "explode$", "Returns the words of a string as a multifield of symbols",
      " <string-expression> ", 1, 1, DoExplode);
  Add(package, "first$", "Returns the first item of a multifield, or nil",
      " <multifield-expression> ", 1, 1, DoFirst);
  Add(package, "implode$", "Returns the items of a multifield as one string",
      " <multifield-expression> ", 1, 1, DoImplode);
  Add(package, "insert$", "Returns the multifield with the values inserted at the position",
      " <multifield-expression> <integer-expression> <expression>*", 2, kAny, DoInsert);
  Add(package, "length$", "Returns the number of items of a multifield",
      " <multifield-expression> ", 1, 1, DoLength);
  Add(package, "member$", "Returns the position of the value in the multifield, or FALSE",
      " <expression> <multifield-expression>", 2, 2, DoMember);
  Add(package, "nth$", "Returns the item at the position (the first is 0)",
      " <integer-expression> <multifield-expression>", 2, 2, DoNth);
  Add(package, "replace$", "Returns the multifield with the items from begin to end replaced",
      " <multifield-expression> <start-integer-expression> <end-integer-expression> "
      "<expression>*",
      3, kAny, DoReplace);
  Add(package, "rest$", "Returns the multifield without its first item", " <multifield-expression>",
      1, 1, DoRest);
  Add(package, "subseq$", "Returns the items from begin to end",
      " <multifield-expression> <start-integer-expression> <end-integer-expression>", 3, 3,
      DoSubseq);
  Add(package, "subsetp", "Returns TRUE if the values occur in the multifield as one run",
      " <expression> <multifield-expression>", 2, 2, DoSubsetp);
}

}  // namespace rulecore
