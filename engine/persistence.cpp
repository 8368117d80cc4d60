// rulecore: an embeddable expert-system shell.
// Saving and loading a knowledge base. A saved knowledge base is rule-language
// text - the constructs the parser reads, in an order that reads back
// (defined types before the templates that use them, parents before
// children, deffunctions before the rules that call them) - under a comment
// header, so loading is parsing. Whole texts are built in memory before
// anything is written, so a save that fails while building writes nothing,
// and a file is replaced only once its new text is safely on the disk.
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "language/clips_parser.h"
#include "language/clips_stream.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/streams.h"
#include "platform/string_list.h"

namespace rulecore {

namespace {

constexpr const char* kRule = "; *************************";

// "<text>" + line break, the form every line of a saved text takes.
std::string Line(const std::string& text) {
  return text + NewLineString;
}

// An empty line, the rule, the title line, an empty line, then the body.
std::string Section(const char* title, const std::string& body) {
  return std::string(NewLineString) + Line(kRule) + Line(title) + NewLineString + body;
}

std::string Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// Orders items so that every item with a parent in the set comes after that
// parent: first the items without a parent, in the given order, then the
// others in topological order (ties in the given order). Parents are found
// by name, so a child whose parent object was replaced by a definition of
// the same name still follows the registered one. Raises `cycle_message`
// when the parent links form a loop.
std::vector<int> ParentsFirst(const std::vector<std::string>& names,
                              const std::vector<std::string>& parents, const char* cycle_message) {
  const int n = static_cast<int>(names.size());
  std::vector<int> order;
  std::map<std::string, int> with_parent;  // name -> index, for items with a parent
  for (int i = 0; i < n; ++i) {
    if (parents[static_cast<size_t>(i)].empty())
      order.push_back(i);
    else
      with_parent.emplace(names[static_cast<size_t>(i)], i);
  }
  // An edge from parent to child when the parent has a parent too; children
  // of parentless items are free from the start.
  std::vector<int> waiting(static_cast<size_t>(n), 0);
  std::vector<std::vector<int>> children(static_cast<size_t>(n));
  for (const auto& [name, i] : with_parent) {
    auto parent = with_parent.find(parents[static_cast<size_t>(i)]);
    if (parent == with_parent.end() || parent->second == i) {
      if (parent != with_parent.end()) RaiseIE(cycle_message);
      continue;
    }
    children[static_cast<size_t>(parent->second)].push_back(i);
    ++waiting[static_cast<size_t>(i)];
  }
  std::set<int> ready;
  for (const auto& [name, i] : with_parent)
    if (waiting[static_cast<size_t>(i)] == 0) ready.insert(i);
  size_t placed = 0;
  while (!ready.empty()) {
    int i = *ready.begin();
    ready.erase(ready.begin());
    order.push_back(i);
    ++placed;
    for (int child : children[static_cast<size_t>(i)])
      if (--waiting[static_cast<size_t>(child)] == 0) ready.insert(child);
  }
  if (placed != with_parent.size()) RaiseIE(cycle_message);
  return order;
}

// Reads `stream` with a parser set up as the engine's own; `read` does the
// reading. Errors other than parse errors (a refused duplicate, a failing
// top-level call, a missing file of a nested load) are reported as parse
// errors, with the line the reading had reached.
template <class Read>
auto ReadStream(TInferenceEngine& engine, TStream& stream, Read read) {
  TIEClipsStream tokens(&stream,
                        [&engine](const std::string& p) { return engine.GenerateSymbol(p); });
  TIEClipsParser parser(&engine, &tokens);
  parser.SetStaticTypeChecks(engine.GetTypeChecks().Contains(tcStatic));
  parser.SetErrorHandling(engine.ParserErrorHandling());
  parser.SetMaxErrors(engine.ParserMaxErrors());
  try {
    return read(parser);
  } catch (const EIEParseException&) {
    throw;
  } catch (const std::exception& e) {
    Ref<IStreamToken> current = tokens.GetCurrentToken();
    int32_t line = current ? current->GetLineNumber() : tokens.LineNumber();
    throw EIEParseException(
        Format(SParseError, {e.what(), "Parse", std::to_string(line), tokens.ToString()}), line);
  }
}

// Builds a file's text with `write` and puts it in place of the file.
void SaveTo(const std::string& path, const std::function<void(TStream&)>& write) {
  TMemoryStream text;
  write(text);
  ReplaceFileContents(path, text.Data());
}

// Keeps the engine's symbol index as it was: printing a rule may name fresh
// variables, and a save must leave the engine unchanged.
class SymbolIndexKeeper {
 public:
  SymbolIndexKeeper(int32_t& index) : index_(index), saved_(index) {}
  ~SymbolIndexKeeper() { index_ = saved_; }

 private:
  int32_t& index_;
  int32_t saved_;
};

// Whether evaluating `value` calls a function that `is_deffunction` names.
bool CallsDeffunction(IIEValue* value,
                      const std::function<bool(const std::string&)>& is_deffunction,
                      int depth = 0) {
  if (!value || depth > 1000) return false;
  if (value->GetDType() == dtFunCall) {
    IFunCall* call = value->GetAsFunCall();
    if (!call) return false;
    if (is_deffunction(call->GetName())) return true;
    for (int i = 0; i < call->GetArgumentCount(); ++i)
      if (CallsDeffunction(call->GetArgument(i), is_deffunction, depth + 1)) return true;
  } else if (value->GetDType() == dtList) {
    IValueVector* list = value->GetAsList();
    for (int i = 0; list && i < list->GetValueCount(); ++i)
      if (CallsDeffunction(list->Get(i), is_deffunction, depth + 1)) return true;
  }
  return false;
}

}  // namespace

// ================================================================ the whole knowledge base

std::vector<std::string> TInferenceEngine::DefinedTypeTexts() {
  std::vector<std::string> names, parents;
  for (auto& [name, type] : types_) {
    names.push_back(name);
    IIEDefinedType* ancestor = type->GetAncestor();
    parents.push_back(ancestor ? ancestor->GetName() : std::string());
  }
  std::vector<std::string> texts;
  for (int i : ParentsFirst(names, parents, STypeInheritanceCorrupt))
    texts.push_back(PrettyPrint(types_.At(i).second.get()));
  return texts;
}

std::vector<std::string> TInferenceEngine::FactTemplateTexts() {
  std::vector<std::string> names, parents;
  for (auto& [name, tmpl] : templates_) {
    names.push_back(name);
    IFactTemplate* parent = tmpl->GetParent();
    parents.push_back(parent ? parent->GetTemplateName() : std::string());
  }
  std::vector<std::string> texts;
  for (int i : ParentsFirst(names, parents, SFactTemplateInheritanceCorrupt))
    texts.push_back(templates_.At(i).second->GetToString());
  return texts;
}

std::string TInferenceEngine::GetExpertSystem() {
  SymbolIndexKeeper keep(symbol_index_);
  std::string out;
  out += Line(kRule);
  out +=
      Line("; Inference Engine v" + Format("%.4f", {static_cast<double>(Version())}) + " Output");
  out += Line("; Created: " + Now());
  out += Line("; Number of Global Variables: " + std::to_string(globals_.Count()));
  out += Line("; Number of Defined Types:    " + std::to_string(types_.Count()));
  out += Line("; Number of Fact Templates:   " + std::to_string(templates_.Count()));
  out += Line("; Number of Rules:            " + std::to_string(rules_.Count()));
  out += Line("; Number of Fact Sets:        " + std::to_string(fact_sets_.size()));
  out += Line("; Number of Facts:            " + std::to_string(facts_.Count()));
  // The command speaks of the check: TRUE refuses equal facts.
  out += Line(fact_duplication_ ? "(set-fact-duplication FALSE)" : "(set-fact-duplication TRUE)");

  // A global is given its value as soon as it is read back, so one whose
  // initial expression calls a deffunction can only be read after the
  // deffunctions: then, and only then, its section follows theirs.
  std::string globals;
  bool globals_after_functions = false;
  if (globals_.Count() > 0) {
    globals = Section("; Global Variables ", Line(PrettyPrintGlobalVariables()));
    auto is_deffunction = [this](const std::string& name) {
      Ref<IUserFunction>* f = functions_.Find(name);
      return f && dynamic_cast<IInterpretedFunction*>(f->get()) != nullptr;
    };
    for (int i = 0; i < globals_.Count() && !globals_after_functions; ++i)
      globals_after_functions = CallsDeffunction(globals_.ValueAt(i), is_deffunction);
  }
  if (!globals_after_functions) out += globals;

  if (!types_.Empty()) {
    std::string body;
    for (const std::string& text : DefinedTypeTexts())
      body += Line(text);
    out += Section("; Defined Types ", body);
  }

  if (!templates_.Empty()) {
    std::string body;
    for (const std::string& text : FactTemplateTexts())
      body += Line(text);
    out += Section("; Fact Templates ", body);
  }

  if (!functions_.Empty()) {
    std::string body;
    for (auto& [name, function] : functions_)
      if (auto* deffunction = dynamic_cast<IInterpretedFunction*>(function.get()))
        body += Line(PrettyPrint(deffunction));
    out += Section("; Deffunctions ", body);
  }
  if (globals_after_functions) out += globals;

  if (!rules_.Empty()) {
    // Sorted by their text, ignoring case, as a string list sorts.
    TStringList texts;
    for (auto& [name, rule] : rules_)
      texts.Add(rule->GetToString());
    texts.Sort();
    out += Section("; Rules ", texts.Text());
  }

  if (!fact_sets_.empty()) {
    std::string body;
    for (TFactSet* set : fact_sets_)
      body += Line(set->GetToString());
    out += Section("; Fact Sets ", body);
  }

  if (!facts_.Empty()) {
    std::string body = Line("(assert");
    for (int i = 0; i < facts_.Count(); ++i)
      body += Line(IndentString + facts_.Get(i)->GetToString());
    body += Line(")");
    out += Section("; Facts ", body);
  }
  return out;
}

void TInferenceEngine::SetExpertSystem(const std::string& text) {
  Clear();
  TMemoryStream stream(text);
  LoadFromStream(stream);
  Reset();
}

void TInferenceEngine::SaveToStream(TStream& stream) {
  stream.WriteString(GetExpertSystem());
}

void TInferenceEngine::SaveToFile(const std::string& path) {
  ReplaceFileContents(path, GetExpertSystem());
}

void TInferenceEngine::Assign(const TPersistent& source) {
  auto* from = dynamic_cast<const TInferenceEngine*>(&source);
  if (!from) {
    TComponent::Assign(source);
    return;
  }
  if (from == this) return;
  auto& src = const_cast<TInferenceEngine&>(*from);
  // The knowledge base travels as its saved text, which saving guarantees to
  // read back into an equal one.
  const std::string text = src.GetExpertSystem();
  Clear();
  const TTypeChecks checks = src.type_checks_;
  type_checks_ = {};
  salience_evaluation_ = src.salience_evaluation_;
  SetStrategy(src.Strategy());
  SetFactDuplication(src.fact_duplication_);
  duplicate_constructs_ = src.duplicate_constructs_;
  parser_max_errors_ = src.parser_max_errors_;
  parser_error_handling_ = src.parser_error_handling_;
  reset_globals_ = src.reset_globals_;
  SetMinActivationStrength(src.MinActivationStrength());
  for (IUserFunction* f : src.GetUserFunctions())
    if (!dynamic_cast<IInterpretedFunction*>(f) && !functions_.Find(f->GetFunctionName()))
      AddUserFunction(f);
  TPrintOutEvent print = std::move(OnPrintOut);
  OnPrintOut = nullptr;
  try {
    TMemoryStream stream(text);
    LoadFromStream(stream);
  } catch (...) {
    OnPrintOut = std::move(print);
    type_checks_ = checks;
    throw;
  }
  OnPrintOut = std::move(print);
  watch_ = src.watch_;
  type_checks_ = checks;
}

void TInferenceEngine::LoadFromStream(TStream& stream) {
  ReadStream(*this, stream, [](TIEClipsParser& parser) {
    parser.Parse(true);
    return true;
  });
}

void TInferenceEngine::LoadFromFile(const std::string& path) {
  TFileStream file(path, FileMode::kRead);
  LoadFromStream(file);
}

// ================================================================ facts

void TInferenceEngine::SaveFacts(TStream& stream) {
  std::string text;
  for (int i = 0; i < facts_.Count(); ++i)
    text += Line(facts_.Get(i)->GetToString());
  stream.WriteString(text);
}

void TInferenceEngine::SaveFacts(TStream& stream, const std::string& template_name) {
  std::string text;
  for (int i = 0; i < facts_.Count(); ++i) {
    IFactTemplate* tmpl = facts_.Get(i)->GetTemplate();
    if (tmpl && tmpl->GetTemplateName() == template_name)
      text += Line(facts_.Get(i)->GetToString());
  }
  stream.WriteString(text);
}

void TInferenceEngine::SaveFacts(const std::string& path) {
  SaveTo(path, [this](TStream& s) { SaveFacts(s); });
}

void TInferenceEngine::SaveFacts(const std::string& path, const std::string& template_name) {
  SaveTo(path, [this, &template_name](TStream& s) { SaveFacts(s, template_name); });
}

bool TInferenceEngine::LoadFacts(TStream& stream) {
  return ReadStream(*this, stream, [](TIEClipsParser& parser) { return parser.LoadFacts(); });
}

bool TInferenceEngine::LoadFacts(const std::string& path) {
  TFileStream file(path, FileMode::kRead);
  return LoadFacts(file);
}

// ================================================================ templates

void TInferenceEngine::SaveFactTemplates(TStream& stream) {
  std::string text;
  for (auto& [name, tmpl] : templates_)
    text += Line(tmpl->GetToString());
  stream.WriteString(text);
}

void TInferenceEngine::SaveFactTemplates(const std::string& path) {
  SaveTo(path, [this](TStream& s) { SaveFactTemplates(s); });
}

void TInferenceEngine::LoadFactTemplates(TStream& stream) {
  RemoveAllFactTemplates();
  LoadFromStream(stream);
}

void TInferenceEngine::RemoveAllFactTemplates() {
  // Every fact and rule goes first, then every template with its entries in
  // fact sets. The engine's own two templates stay, as they do through
  // Clear: (Initial-Fact) and the patterns that match it are built on them.
  pending_assertions_.clear();
  pending_retractions_.clear();
  RetractFacts();
  std::vector<std::string> names;
  for (auto& [name, rule] : rules_)
    names.push_back(name);
  for (const std::string& name : names)
    RemoveRule(name);
  names.clear();
  for (auto& [name, tmpl] : templates_)
    if (name != SInitialFactPattern && name != SNullFact) names.push_back(name);
  for (const std::string& name : names)
    RemoveFactTemplate(name);
}

void TInferenceEngine::LoadFactTemplates(const std::string& path) {
  TFileStream file(path, FileMode::kRead);
  LoadFactTemplates(file);
}

// ================================================================ rules

void TInferenceEngine::SaveRules(TStream& stream) {
  SymbolIndexKeeper keep(symbol_index_);
  std::string text;
  for (auto& [name, rule] : rules_)
    text += Line(rule->GetToString());
  stream.WriteString(text);
}

void TInferenceEngine::SaveRules(const std::string& path) {
  SaveTo(path, [this](TStream& s) { SaveRules(s); });
}

void TInferenceEngine::LoadRules(TStream& stream) {
  std::vector<std::string> names;
  for (auto& [name, rule] : rules_)
    names.push_back(name);
  for (const std::string& name : names)
    RemoveRule(name);
  LoadFromStream(stream);
}

void TInferenceEngine::LoadRules(const std::string& path) {
  TFileStream file(path, FileMode::kRead);
  LoadRules(file);
}

// ================================================================ defined types

void TInferenceEngine::SaveDefinedTypes(TStream& stream) {
  std::string text;
  for (auto& [name, type] : types_)
    text += Line(PrettyPrint(type.get()));
  stream.WriteString(text);
}

void TInferenceEngine::SaveDefinedTypes(const std::string& path) {
  SaveTo(path, [this](TStream& s) { SaveDefinedTypes(s); });
}

void TInferenceEngine::LoadDefinedTypes(TStream& stream) {
  RemoveAllDefinedTypes();
  LoadFromStream(stream);
}

void TInferenceEngine::RemoveAllDefinedTypes() {
  std::vector<std::string> names;
  for (auto& [name, type] : types_)
    names.push_back(name);
  for (const std::string& name : names)
    RemoveDefinedType(name);
}

void TInferenceEngine::LoadDefinedTypes(const std::string& path) {
  TFileStream file(path, FileMode::kRead);
  LoadDefinedTypes(file);
}

}  // namespace rulecore
