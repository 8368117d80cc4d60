// rulecore: an embeddable expert-system shell.
#include "platform/string_list.h"

#include <algorithm>
#include <cctype>

#include "platform/exception.h"
#include "platform/format.h"

namespace rulecore {

namespace {
TObject* NewStringList(TComponent*) {
  return new TStringList;
}
}  // namespace

RC_DEFINE_CLASS(TStringList, TPersistent, NewStringList)

void TStringList::CheckIndex(int i) const {
  if (i < 0 || i >= Count()) throw Exception(Format("List index out of bounds (%d)", {i}));
}

const std::string& TStringList::Get(int i) const {
  CheckIndex(i);
  return items_[static_cast<size_t>(i)].text;
}

void TStringList::Put(int i, const std::string& s) {
  CheckIndex(i);
  items_[static_cast<size_t>(i)].text = s;
}

TObject* TStringList::GetObject(int i) const {
  CheckIndex(i);
  return items_[static_cast<size_t>(i)].object;
}

void TStringList::PutObject(int i, TObject* obj) {
  CheckIndex(i);
  items_[static_cast<size_t>(i)].object = obj;
}

int TStringList::Compare(std::string_view a, std::string_view b) const {
  if (case_sensitive_) return a.compare(b);
  // Byte by byte rather than strncasecmp, which would stop at an embedded NUL.
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i]));
    int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int TStringList::Add(const std::string& s, TObject* obj) {
  if (!sorted_) {
    items_.push_back({s, obj});
    return Count() - 1;
  }
  auto it = std::upper_bound(
      items_.begin(), items_.end(), s,
      [this](const std::string& v, const Item& item) { return Compare(v, item.text) < 0; });
  it = items_.insert(it, {s, obj});
  return static_cast<int>(it - items_.begin());
}

void TStringList::Insert(int i, const std::string& s, TObject* obj) {
  if (i < 0 || i > Count()) throw Exception(Format("List index out of bounds (%d)", {i}));
  items_.insert(items_.begin() + i, {s, obj});
}

void TStringList::Delete(int i) {
  CheckIndex(i);
  items_.erase(items_.begin() + i);
}

void TStringList::Exchange(int i, int j) {
  CheckIndex(i);
  CheckIndex(j);
  std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
}

int TStringList::IndexOf(std::string_view s) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (Compare(items_[i].text, s) == 0) return static_cast<int>(i);
  return -1;
}

int TStringList::IndexOfObject(const TObject* obj) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].object == obj) return static_cast<int>(i);
  return -1;
}

void TStringList::SetSorted(bool on) {
  if (on && !sorted_) Sort();
  sorted_ = on;
}

void TStringList::SetCaseSensitive(bool on) {
  if (on == case_sensitive_) return;
  case_sensitive_ = on;
  if (sorted_) Sort();
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
}

std::string TStringList::Text() const {
  std::string out;
  for (const Item& item : items_) {
    out += item.text;
    out += "\r\n";
  }
  return out;
}

void TStringList::SetText(std::string_view text) {
  items_.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find_first_of("\r\n", i);
    if (j == std::string_view::npos) j = text.size();
    items_.push_back({std::string(text.substr(i, j - i)), nullptr});
    if (j < text.size() && text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ++j;
    i = j + 1;
  }
  if (sorted_) Sort();
}

void TStringList::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TStringList*>(&source)) {
    if (other == this) return;
    items_ = other->items_;
    case_sensitive_ = other->case_sensitive_;
    sorted_ = other->sorted_;
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace rulecore
