// rulecore: an embeddable expert-system shell.
#include "shell/forms.h"

namespace rulesh {

void FormScanner::Feed(const std::string& text) {
  for (char c : text) {
    if (in_comment_) {
      if (c == '\n') in_comment_ = false;
    } else if (in_string_) {
      if (escaped_)
        escaped_ = false;
      else if (c == '\\')
        escaped_ = true;
      else if (c == '"')
        in_string_ = false;
    } else if (c == ';') {
      in_comment_ = true;
      in_atom_ = false;
    } else if (c == '(' || c == '"') {
      if (depth_ <= 0 && !in_atom_) {
        form_lines_.push_back(line_);
        seen_form_ = true;
      }
      if (c == '(')
        depth_ = depth_ < 0 ? 1 : depth_ + 1;
      else
        in_string_ = true;
      in_atom_ = false;
    } else if (c == ')') {
      --depth_;
      in_atom_ = false;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      in_atom_ = false;
    } else if (depth_ <= 0 && !in_atom_) {
      in_atom_ = true;
      form_lines_.push_back(line_);
      seen_form_ = true;
    }
    if (c == '\n') ++line_;
  }
}

int FormStartLine(const std::string& text, int line) {
  FormScanner scanner;
  scanner.Feed(text);
  int start = line;
  for (int form_line : scanner.FormLines()) {
    if (form_line > line) break;
    start = form_line;
  }
  return start;
}

}  // namespace rulesh
