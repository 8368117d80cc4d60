// rulecore: an embeddable expert-system shell.
// rulesh: the command-line shell. It loads knowledge-base files into one
// engine, in order - every construct defined, every top-level call run - and
// writes what reaches the console to standard output (carriage return + line
// feed written as line feed). Without files, or with -i, it reads commands
// from the terminal: a prompt, line editing, history, completion. Errors go
// to standard error as "SOURCE:LINE: message".
//
// Exit status: 0 on success or (exit), 1 when a file or command raised, 2 on
// a usage error. Console input ((readline), (read)) comes from standard
// input, a line at a time; at its end both read as EOF.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/inference_engine.h"
#include "language/clips_stream.h"
#include "language/parse_exception.h"
#include "platform/exception.h"
#include "shell/forms.h"
#include "shell/line_editor.h"

#ifndef RULESH_VERSION
#define RULESH_VERSION "unknown"
#endif

namespace rulesh {
namespace {

using rulecore::TInferenceEngine;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: rulesh [OPTION]... [FILE]...\n"
    "Loads each FILE in turn (defining its constructs and running its calls),\n"
    "then ends; with no FILE, or with -i, reads commands from the terminal.\n"
    "\n"
    "  -i               read commands interactively after the files\n"
    "  -f FILE          run FILE as a batch of commands, one per line\n"
    "  -e EXPR          evaluate EXPR and print its value\n"
    "  --watch LIST     watch the comma-separated items: facts, rules,\n"
    "                   activations, compilations, statistics, all\n"
    "  --strategy S     agenda strategy: depth (default) or breadth\n"
    "  --max-rules N    fire at most N rules in each (run)\n"
    "  --functions      list every built-in function with its arguments\n"
    "  --version        print the version\n"
    "  --help           print this help\n"
    "\n"
    "Files, -f and -e run in the order given. Exit status: 0 on success,\n"
    "1 when a file or command raised an error, 2 on a usage error.\n";

// ---------------------------------------------------------------- options

struct Step {
  enum Kind { kFile, kBatch, kExpression } kind;
  std::string text;  // a path or an expression
};

struct Options {
  std::vector<Step> steps;
  bool interactive = false;
  bool list_functions = false;
  bool show_version = false;
  bool show_help = false;
  rulecore::TConstructWatches watch;
  std::optional<rulecore::TSearchStrategy> strategy;
  int32_t max_rules = 0;  // 0: no limit
};

struct UsageError {
  std::string message;
};

rulecore::TConstructWatches ParseWatchList(const std::string& list) {
  rulecore::TConstructWatches watch;
  std::stringstream items(list);
  std::string item;
  bool any = false;
  while (std::getline(items, item, ',')) {
    if (item == "facts")
      watch.Include(rulecore::cwFact);
    else if (item == "rules")
      watch.Include(rulecore::cwRule);
    else if (item == "activations")
      watch.Include(rulecore::cwActivation);
    else if (item == "compilations")
      watch.Include(rulecore::cwCompilation);
    else if (item == "statistics")
      watch.Include(rulecore::cwStatistics);
    else if (item == "all")
      for (auto cw : {rulecore::cwFact, rulecore::cwRule, rulecore::cwActivation,
                      rulecore::cwCompilation, rulecore::cwStatistics})
        watch.Include(cw);
    else
      throw UsageError{"--watch: unknown item '" + item + "'"};
    any = true;
  }
  if (!any) throw UsageError{"--watch: no items given"};
  return watch;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  bool files_only = false;  // after "--"
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> std::string {
      if (i + 1 >= argc) throw UsageError{std::string(name) + " needs an argument"};
      return argv[++i];
    };
    if (files_only || arg.empty() || arg[0] != '-' || arg == "-") {
      options.steps.push_back({Step::kFile, arg});
    } else if (arg == "--") {
      files_only = true;
    } else if (arg == "-i") {
      options.interactive = true;
    } else if (arg == "-f") {
      options.steps.push_back({Step::kBatch, value("-f")});
    } else if (arg == "-e") {
      options.steps.push_back({Step::kExpression, value("-e")});
    } else if (arg == "--watch") {
      options.watch = ParseWatchList(value("--watch"));
    } else if (arg == "--strategy") {
      std::string s = value("--strategy");
      if (s == "depth")
        options.strategy = rulecore::ssDepthFirst;
      else if (s == "breadth")
        options.strategy = rulecore::ssBreadthFirst;
      else
        throw UsageError{"--strategy: expected depth or breadth, not '" + s + "'"};
    } else if (arg == "--max-rules") {
      std::string s = value("--max-rules");
      char* end = nullptr;
      long n = std::strtol(s.c_str(), &end, 10);
      if (s.empty() || *end != '\0' || n < 1 || n > 2147483647)
        throw UsageError{"--max-rules: expected a positive integer, not '" + s + "'"};
      options.max_rules = static_cast<int32_t>(n);
    } else if (arg == "--functions") {
      options.list_functions = true;
    } else if (arg == "--version") {
      options.show_version = true;
    } else if (arg == "--help" || arg == "-h") {
      options.show_help = true;
    } else {
      throw UsageError{"unknown option '" + arg + "'"};
    }
  }
  return options;
}

// ---------------------------------------------------------------- console

// The console text with every carriage return + line feed made a line feed.
void WriteConsole(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int g_input_lines = 0;  // lines of standard input read so far

// One line of standard input without its line break; false at its end. An
// interrupted read counts as the end of this read only.
bool ReadInputLine(std::string& text) {
  std::fflush(stdout);
  if (!std::getline(std::cin, text)) {
    text.clear();
    if (!std::cin.eof()) std::cin.clear();  // interrupted, not ended
    return false;
  }
  ++g_input_lines;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

std::string DialogPrompt(const std::string& caption, const std::string& prompt,
                         const std::string& default_text) {
  std::string text = caption;
  if (!prompt.empty()) text += (text.empty() ? "" : " - ") + prompt;
  if (!default_text.empty()) text += " [" + default_text + "]";
  return text + ": ";
}

// A message dialog on the console: the message, the kind, and the buttons by
// their names ("yes", "no", "ok", ...); asks until one of them is typed. The
// end of input presses Cancel when there is one.
rulecore::TModalResult AskButton(const std::string& message, rulecore::TMsgDlgType type,
                                 rulecore::TMsgDlgButtons buttons) {
  using namespace rulecore;
  static const struct {
    TMsgDlgBtn button;
    const char* name;
    TModalResult result;
  } kButtons[] = {{mbYes, "yes", mrYes},
                  {mbNo, "no", mrNo},
                  {mbOK, "ok", mrOk},
                  {mbCancel, "cancel", mrCancel},
                  {mbAbort, "abort", mrAbort},
                  {mbRetry, "retry", mrRetry},
                  {mbIgnore, "ignore", mrIgnore},
                  {mbAll, "all", mrAll},
                  {mbNoToAll, "notoall", mrNoToAll},
                  {mbYesToAll, "yestoall", mrYesToAll},
                  {mbHelp, "help", mrHelp}};
  static const char* const kKinds[] = {"Warning", "Error", "Information", "Confirmation", ""};
  std::string choices;
  for (const auto& b : kButtons)
    if (buttons.Contains(b.button)) choices += std::string(choices.empty() ? "" : "/") + b.name;
  std::string head = kKinds[type];
  WriteConsole((head.empty() ? "" : head + ": ") + message + "\n");
  if (choices.empty()) return mrNone;
  for (;;) {
    WriteConsole("(" + choices + "): ");
    std::string line;
    if (!ReadInputLine(line)) return buttons.Contains(mbCancel) ? mrCancel : mrNone;
    for (char& c : line)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& b : kButtons)
      if (buttons.Contains(b.button) && line == b.name) return b.result;
  }
}

// Console input and output of the engine go to the standard streams.
void ConnectConsole(TInferenceEngine& engine) {
  engine.OnPrintOut = [](rulecore::TObject*, const std::string&, const std::string& text) {
    WriteConsole(text);
  };
  engine.OnReadLine = [](rulecore::TObject*, const std::string&, std::string& text) {
    ReadInputLine(text);
  };
  engine.OnReadToken = [](rulecore::TObject*, const std::string&,
                          rulecore::Ref<rulecore::IStreamToken>& token) {
    std::string line;
    while (ReadInputLine(line)) {
      rulecore::TMemoryStream text(line);
      rulecore::TIEClipsStream tokens(&text);
      token = tokens.NextToken();
      if (!token->IsEOF()) return;
    }
    token = nullptr;  // the engine reads a missing token as EOF
  };
  // The dialog functions: a caption and prompt on one line, the answer on
  // the next. An empty answer takes the default; the end of input cancels.
  engine.OnInputBox = [](rulecore::TObject*, const std::string& caption, const std::string& prompt,
                         const std::string& default_text) {
    WriteConsole(DialogPrompt(caption, prompt, default_text));
    std::string line;
    return ReadInputLine(line) && !line.empty() ? line : default_text;
  };
  engine.OnInputQuery = [](rulecore::TObject*, const std::string& caption,
                           const std::string& prompt, std::string& value) {
    WriteConsole(DialogPrompt(caption, prompt, value));
    std::string line;
    if (!ReadInputLine(line)) return false;
    if (!line.empty()) value = line;
    return true;
  };
  engine.OnMessageDlg = [](rulecore::TObject*, const std::string& message,
                           rulecore::TMsgDlgType type, rulecore::TMsgDlgButtons buttons,
                           int32_t) { return AskButton(message, type, buttons); };
  engine.OnShowMessage = [](rulecore::TObject*, const std::string& message) {
    WriteConsole(message + "\n");
  };
}

// ---------------------------------------------------------------- errors

void ReportError(const std::string& source, int line, const std::string& message) {
  std::fflush(stdout);
  std::string text = message;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.pop_back();
  if (line > 0)
    std::fprintf(stderr, "%s:%d: %s\n", source.c_str(), line, text.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", source.c_str(), text.c_str());
}

// The line of the form that raised: the parser reports the line it had
// reached; the form holding that line began on or before it.
int FailedFormLine(const std::string& text, const std::exception& e) {
  auto* parse = dynamic_cast<const rulecore::EIEParseException*>(&e);
  if (!parse) return 0;
  return FormStartLine(text, parse->LineNumber());
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A stream over a file that hands out one line per read. The engine's batch
// reads through a buffer; with a line per read, the lines handed out so far
// are the line the batch has reached.
class LineCountingStream : public rulecore::TStream {
 public:
  explicit LineCountingStream(std::string text) : text_(std::move(text)) {}
  size_t Read(void* buffer, size_t count) override {
    if (pos_ >= text_.size() || count == 0) return 0;
    size_t end = text_.find('\n', pos_);
    end = end == std::string::npos ? text_.size() : end + 1;
    size_t n = std::min(count, end - pos_);
    std::copy_n(text_.data() + pos_, n, static_cast<char*>(buffer));
    pos_ += n;
    if (pos_ == end) ++lines_;
    return n;
  }
  void Write(const void*, size_t) override { throw rulecore::EStreamError("read-only stream"); }
  int64_t Seek(int64_t offset, rulecore::SeekOrigin origin) override {
    if (origin == rulecore::SeekOrigin::kCurrent && offset == 0) return static_cast<int64_t>(pos_);
    throw rulecore::EStreamError("the batch stream cannot seek");
  }
  int64_t Size() override { return static_cast<int64_t>(text_.size()); }
  int Lines() const { return lines_; }

 private:
  std::string text_;
  size_t pos_ = 0;
  int lines_ = 0;
};

// ---------------------------------------------------------------- the shell

class Shell {
 public:
  explicit Shell(const Options& options) : options_(options) {
    ConnectConsole(engine_);
    engine_.SetWatch(options.watch);
    if (options.strategy) engine_.SetStrategy(*options.strategy);
    // Both the rule limit and Ctrl-C stop a run between two firings: the
    // engine checks its halt flag after each one.
    engine_.OnStartInference = [this](rulecore::TObject*) { fired_ = 0; };
    engine_.OnRuleFired = [this](rulecore::TObject*, rulecore::TRule*) {
      ++fired_;
      if (options_.max_rules > 0 && fired_ >= options_.max_rules) engine_.Halt();
      if (interactive_ && TakeInterrupt()) {
        engine_.Halt();
        halted_by_interrupt_ = true;
      }
    };
  }

  TInferenceEngine& Engine() { return engine_; }

  // Runs the files, batches and expressions of the command line in order;
  // false (after reporting it) at the first that raised.
  bool RunSteps() {
    for (const Step& step : options_.steps) {
      bool ok = step.kind == Step::kFile    ? LoadFile(step.text)
                : step.kind == Step::kBatch ? RunBatch(step.text)
                                            : RunText("-e", step.text);
      if (!ok) return false;
    }
    return true;
  }

  // Reads commands from standard input that is not a terminal, a complete
  // form at a time; console input reads the lines that follow.
  bool RunStandardInput() {
    FormScanner scanner;
    std::string text;
    std::string line;
    int first_line = 1;
    for (;;) {
      if (!ReadInputLine(line)) {
        // Input that ends inside a form: the parser names what is missing.
        bool blank = text.find_first_not_of(" \t\r\n") == std::string::npos;
        return blank || RunText("<stdin>", text, first_line);
      }
      if (text.empty()) first_line = g_input_lines;
      text += line + "\n";
      scanner.Feed(line + "\n");
      if (!scanner.Complete()) continue;
      if (!RunText("<stdin>", text, first_line)) return false;
      text.clear();
      scanner.Reset();
    }
    return true;
  }

  // The interactive session; returns when the user leaves.
  void Interact();

 private:
  bool LoadFile(const std::string& path) {
    try {
      engine_.LoadFromFile(path);
      return true;
    } catch (const std::exception& e) {
      std::optional<std::string> text = ReadWholeFile(path);
      ReportError(path, text ? FailedFormLine(*text, e) : 0, e.what());
      return false;
    }
  }

  bool RunBatch(const std::string& path) {
    std::optional<std::string> text = ReadWholeFile(path);
    if (!text) {
      ReportError(path, 0, "cannot open the file");
      return false;
    }
    LineCountingStream lines(*text);
    rulecore::TTextStream stream(&lines, false);
    try {
      engine_.Batch(stream);
      return true;
    } catch (const std::exception& e) {
      ReportError(path, lines.Lines() > 0 ? lines.Lines() : 1, e.what());
      return false;
    }
  }

  // Runs `text` read from `source`, whose first line is `first_line` there.
  bool RunText(const std::string& source, const std::string& text, int first_line = 1) {
    try {
      rulecore::TMemoryStream stream(text);
      engine_.LoadFromStream(stream);
      return true;
    } catch (const std::exception& e) {
      int line = FailedFormLine(text, e);
      ReportError(source, line > 0 ? line + first_line - 1 : 0, e.what());
      return false;
    }
  }

  std::vector<std::string> CompletionNames() {
    std::vector<std::string> names = {"defrule",     "deftemplate", "deffacts",
                                      "deffunction", "defglobal",   "deftype"};
    for (rulecore::IUserFunction* f : engine_.GetUserFunctions())
      names.push_back(f->GetFunctionName());
    for (int i = 0; i < engine_.RuleCount(); ++i)
      names.push_back(engine_.RuleAt(i)->RuleName());
    for (int i = 0; i < engine_.FactTemplateCount(); ++i)
      names.push_back(engine_.FactTemplateAt(i)->GetTemplateName());
    return names;
  }

  const Options& options_;
  TInferenceEngine engine_;
  int32_t fired_ = 0;
  bool interactive_ = false;
  bool halted_by_interrupt_ = false;
};

std::string HistoryPath() {
  if (const char* path = std::getenv("RULESH_HISTORY")) return path;
  if (const char* home = std::getenv("HOME")) return std::string(home) + "/.rulesh_history";
  return "";
}

void Shell::Interact() {
  interactive_ = true;
  InstallInterruptHandler();
  LineEditor editor(HistoryPath(), [this] { return CompletionNames(); });
  std::printf("rulesh %s. Type (exit) or press Ctrl-D to leave.\n", RULESH_VERSION);
  FormScanner scanner;
  std::string text;
  // An interrupt at an empty prompt leaves when the one before it (at the
  // prompt or during a run) had nothing typed in between.
  bool interrupt_pending = false;
  for (;;) {
    std::string line;
    LineEditor::Status status = editor.Read(text.empty() ? "rulesh> " : "   ...> ", line);
    if (status == LineEditor::Status::kEnd) {
      std::fputc('\n', stdout);
      return;
    }
    if (status == LineEditor::Status::kInterrupted) {
      if (text.empty() && interrupt_pending) return;
      if (text.empty()) std::fprintf(stderr, "(press Ctrl-C again or Ctrl-D to leave)\n");
      text.clear();
      scanner.Reset();
      interrupt_pending = true;
      continue;
    }
    interrupt_pending = false;
    text += text.empty() ? line : "\n" + line;
    scanner.Feed(line + "\n");
    if (!scanner.Complete()) {
      if (text.find_first_not_of(" \t") == std::string::npos) text.clear();
      continue;
    }
    std::string entry = text;
    std::replace(entry.begin(), entry.end(), '\n', ' ');
    editor.Remember(entry);
    halted_by_interrupt_ = false;
    TakeInterrupt();  // an interrupt while typing was handled by the editor
    try {
      engine_.Parse(text, true);
    } catch (const std::exception& e) {
      std::fflush(stdout);
      std::string message = e.what();
      while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
        message.pop_back();
      std::fprintf(stderr, "%s\n", message.c_str());
    }
    std::fflush(stdout);
    if (halted_by_interrupt_ || TakeInterrupt()) {
      std::fprintf(stderr, "Interrupted: the engine halted after the rule it was firing.\n");
      interrupt_pending = true;
    }
    text.clear();
    scanner.Reset();
  }
}

void ListFunctions(TInferenceEngine& engine) {
  std::vector<rulecore::IUserFunction*> functions = engine.GetUserFunctions();
  std::sort(functions.begin(), functions.end(),
            [](auto* a, auto* b) { return a->GetFunctionName() < b->GetFunctionName(); });
  for (rulecore::IUserFunction* f : functions)
    std::printf("(%s%s)\n    %s\n", f->GetFunctionName().c_str(), f->GetArgumentString().c_str(),
                f->GetComment().c_str());
}

int Main(int argc, char** argv) {
  Options options;
  try {
    options = ParseOptions(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "rulesh: %s\nTry 'rulesh --help' for more information.\n",
                 e.message.c_str());
    return kExitUsage;
  }
  if (options.show_help) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (options.show_version) {
    std::printf("rulesh %s\n", RULESH_VERSION);
    return kExitOk;
  }
  Shell shell(options);
  if (options.list_functions) {
    ListFunctions(shell.Engine());
    return kExitOk;
  }
  try {
    if (!shell.RunSteps()) return kExitFailed;
    bool terminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    if (options.interactive || (options.steps.empty() && terminal)) {
      if (!terminal) {
        if (!shell.RunStandardInput()) return kExitFailed;
      } else {
        shell.Interact();
      }
    } else if (options.steps.empty()) {
      if (!shell.RunStandardInput()) return kExitFailed;
    }
  } catch (const rulecore::EAbort&) {
    // (exit)
  }
  std::fflush(stdout);
  return kExitOk;
}

}  // namespace
}  // namespace rulesh

int main(int argc, char** argv) {
  return rulesh::Main(argc, argv);
}
