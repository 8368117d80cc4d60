// rulecore: an embeddable expert-system shell.
// LineEditor: the terminal prompt of the interactive shell, on libedit: line
// editing, a history kept in a file between sessions, and completion of the
// words a NameSource offers. One editor at a time (libedit's state is
// global). Interrupts reach it through Interrupted(): the SIGINT handler the
// shell installs only sets that flag.
#pragma once

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace rulesh {

// Set by the SIGINT handler; read and cleared by the shell at safe points.
extern volatile std::sig_atomic_t g_interrupts;

// Installs the SIGINT handler (without SA_RESTART, so that a blocked read
// returns). A third interrupt that nobody took up ends the process: a
// computation that never reaches a safe point can still be stopped.
void InstallInterruptHandler();
// Whether an interrupt arrived since the last call; clears it.
bool TakeInterrupt();

class LineEditor {
 public:
  enum class Status { kLine, kEnd, kInterrupted };
  using NameSource = std::function<std::vector<std::string>()>;

  // Loads the history from `history_path` (an empty path keeps none).
  LineEditor(std::string history_path, NameSource names);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // Reads one line after `prompt`. kEnd at end of input, kInterrupted when
  // Ctrl-C was pressed (what was typed on the line is dropped).
  Status Read(const std::string& prompt, std::string& line);
  // Adds an entry to the history and writes the history file at once, so
  // a session that ends abruptly keeps it.
  void Remember(const std::string& entry);

 private:
  std::string history_path_;
};

}  // namespace rulesh
