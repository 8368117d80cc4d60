// rulecore: an embeddable expert-system shell.
#include "shell/line_editor.h"

#include <editline/readline.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rulesh {

volatile std::sig_atomic_t g_interrupts = 0;

namespace {

void OnInterrupt(int) {
  g_interrupts = g_interrupts + 1;
  if (g_interrupts >= 3) {
    static const char kMessage[] = "\nrulesh: interrupted three times; leaving\n";
    ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)ignored;
    _exit(130);
  }
}

LineEditor::NameSource* g_names = nullptr;
std::vector<std::string> g_matches;  // the candidates of the word completed now

char* NextMatch(const char* text, int state) {
  static size_t next;
  if (state == 0) {
    g_matches.clear();
    next = 0;
    if (g_names) {
      size_t length = std::strlen(text);
      for (const std::string& name : (*g_names)())
        if (name.compare(0, length, text) == 0) g_matches.push_back(name);
      std::sort(g_matches.begin(), g_matches.end());
      g_matches.erase(std::unique(g_matches.begin(), g_matches.end()), g_matches.end());
    }
  }
  if (next >= g_matches.size()) return nullptr;
  return strdup(g_matches[next++].c_str());  // libedit frees it
}

char** Complete(const char* text, int, int) {
  rl_attempted_completion_over = 1;  // never fall back to file names
  return rl_completion_matches(text, NextMatch);
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

bool TakeInterrupt() {
  if (g_interrupts == 0) return false;
  g_interrupts = 0;
  return true;
}

LineEditor::LineEditor(std::string history_path, NameSource names)
    : history_path_(std::move(history_path)) {
  g_names = new NameSource(std::move(names));
  // The shell's own handler takes Ctrl-C; libedit must not install its own.
  rl_catch_signals = 0;
  rl_readline_name = "rulesh";
  rl_attempted_completion_function = Complete;
  // A word ends at blanks, parentheses and quotes: "(ass" completes "ass".
  rl_basic_word_break_characters = " \t\n\"()";
  using_history();
  stifle_history(1000);
  if (!history_path_.empty()) read_history(history_path_.c_str());
}

LineEditor::~LineEditor() {
  rl_attempted_completion_function = nullptr;
  delete g_names;
  g_names = nullptr;
}

LineEditor::Status LineEditor::Read(const std::string& prompt, std::string& line) {
  std::fflush(stdout);
  g_interrupts = 0;
  char* text = readline(prompt.c_str());
  bool interrupted = TakeInterrupt();
  if (interrupted) {
    std::free(text);
    std::fputc('\n', stdout);
    return Status::kInterrupted;
  }
  if (!text) return Status::kEnd;
  line = text;
  std::free(text);
  return Status::kLine;
}

void LineEditor::Remember(const std::string& entry) {
  add_history(entry.c_str());
  if (!history_path_.empty()) write_history(history_path_.c_str());
}

}  // namespace rulesh
