// rulecore: an embeddable expert-system shell.
#include "shell/line_editor.h"

#include <editline/readline.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rulesh {

volatile std::sig_atomic_t g_interrupts = 0;

namespace {

// The self-pipe that wakes the editor's read: a signal that arrives just
// before the read blocks would otherwise be missed until the next key.
int g_wake[2] = {-1, -1};

void OnInterrupt(int) {
  g_interrupts = g_interrupts + 1;
  if (g_wake[1] >= 0) {
    char byte = 1;
    ssize_t ignored = write(g_wake[1], &byte, 1);
    (void)ignored;
  }
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

// The editor's read of one key: EOF at the end of input or on an interrupt
// (the caller tells the two apart by the interrupt flag).
int ReadKey(FILE*) {
  for (;;) {
    if (g_interrupts) return EOF;
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
    if (poll(fds, g_wake[0] >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      return EOF;
    }
    if (fds[1].revents) {
      char drain[64];
      while (read(g_wake[0], drain, sizeof drain) > 0) {
      }
      continue;
    }
    unsigned char key;
    ssize_t n = read(STDIN_FILENO, &key, 1);
    // Ctrl-D on an empty line ends the input whether the terminal delivered
    // it as an end of file or as the key itself.
    if (n == 1 && key == 4 && rl_end == 0) return EOF;
    if (n == 1) return key;
    if (n < 0 && errno == EINTR) continue;
    return EOF;
  }
}

char** Complete(const char* text, int, int) {
  rl_attempted_completion_over = 1;  // never fall back to file names
  return rl_completion_matches(text, NextMatch);
}

}  // namespace

void InstallInterruptHandler() {
  if (g_wake[0] < 0 && pipe(g_wake) == 0) {
    for (int fd : g_wake) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
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
  rl_getc_function = ReadKey;
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
