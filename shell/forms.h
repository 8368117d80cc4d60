// rulecore: an embeddable expert-system shell.
// FormScanner: finds where top-level forms of rule-language text begin and
// whether the text read so far ends with every form closed. It knows just
// enough of the language for that: parentheses, strings with backslash
// escapes, and comments from ';' to the end of the line.
#pragma once

#include <string>
#include <vector>

namespace rulesh {

class FormScanner {
 public:
  // Scans more text; `text` continues what was fed before.
  void Feed(const std::string& text);
  // True when something other than blanks and comments was read and every
  // parenthesis and string opened is closed again (a surplus closing
  // parenthesis counts as closed: the parser reports it).
  bool Complete() const { return seen_form_ && depth_ <= 0 && !in_string_; }
  // The 1-based line on which each top-level form began, in order.
  const std::vector<int>& FormLines() const { return form_lines_; }
  void Reset() { *this = FormScanner(); }

 private:
  int line_ = 1;
  int depth_ = 0;
  bool in_string_ = false;
  bool escaped_ = false;
  bool in_comment_ = false;
  bool in_atom_ = false;  // inside a top-level atom (a bare value)
  bool seen_form_ = false;
  std::vector<int> form_lines_;
};

// The line on which the top-level form holding `line` begins in `text`:
// the last form that begins on or before it (`line` itself when none does).
int FormStartLine(const std::string& text, int line);

}  // namespace rulesh
