// rulecore: an embeddable expert-system shell.
#include "platform/format.h"

#include <cstdio>
#include <cstdlib>

namespace rulecore {

namespace {

// Formats one number with printf, growing the buffer when the result does not fit.
template <class T>
std::string PrintNumber(const std::string& f, T value) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, f.c_str(), value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buf) return std::string(buf, static_cast<size_t>(n));
  // A wide field or a long precision: format again into a buffer of the right size.
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), f.c_str(), value);
  big.resize(static_cast<size_t>(n));
  return big;
}

std::string FormatNumber(const std::string& directive, char conv, const FormatArg& arg) {
  std::string f = "%" + directive;
  switch (conv) {
    case 'f':
    case 'e':
    case 'g':
    case 'E':
    case 'G':
      f += conv;
      return PrintNumber(f, arg.as_float());
    case 'x':
    case 'X':
    case 'u':
      f += "ll";
      f += conv;
      return PrintNumber(f, static_cast<unsigned long long>(arg.as_int()));
    default:
      f += "lld";
      return PrintNumber(f, static_cast<long long>(arg.as_int()));
  }
}

bool IsConversion(char c) {
  return std::string_view("scdiuxXfeEgG").find(c) != std::string_view::npos;
}

std::string ArgAsText(const FormatArg& arg) {
  switch (arg.kind()) {
    case FormatArg::Kind::kText:
      return std::string(arg.text());
    case FormatArg::Kind::kChar:
      return std::string(1, static_cast<char>(arg.as_int()));
    case FormatArg::Kind::kInt:
      return std::to_string(arg.as_int());
    case FormatArg::Kind::kFloat:
      return FloatToStr4(arg.as_float());
  }
  return {};
}

}  // namespace

std::string FloatToStr4(double v) {
  char buf[400];
  int n = std::snprintf(buf, sizeof buf, "%.4f", v);
  return std::string(buf, n > 0 ? n : 0);
}

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  const FormatArg* next = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    char c = format[i++];
    if (c != '%' || i >= format.size()) {
      out += c;
      continue;
    }
    if (format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // Collect flags, width and precision up to the conversion character.
    size_t start = i;
    while (i < format.size() &&
           std::string_view("-+ #0123456789.").find(format[i]) != std::string_view::npos)
      ++i;
    if (i >= format.size()) {
      out.append(format.substr(start - 1));
      break;
    }
    std::string directive(format.substr(start, i - start));
    char conv = format[i++];
    if (!IsConversion(conv)) {
      // Not a directive we know: print it as it stands and keep the argument for the next one.
      out += '%';
      out += directive;
      out += conv;
      continue;
    }
    if (next == args.end()) continue;  // a missing argument prints as nothing
    const FormatArg& arg = *next++;
    switch (conv) {
      case 's': {
        std::string text = ArgAsText(arg);
        if (directive.empty()) {
          out += text;
        } else {
          bool left = directive[0] == '-';
          size_t width = static_cast<size_t>(std::atoi(directive.c_str() + (left ? 1 : 0)));
          if (text.size() < width && !left) out.append(width - text.size(), ' ');
          out += text;
          if (text.size() < width && left) out.append(width - text.size(), ' ');
        }
        break;
      }
      case 'c':
        if (arg.kind() == FormatArg::Kind::kText)
          out += arg.text().empty() ? std::string() : std::string(1, arg.text()[0]);
        else
          out += static_cast<char>(arg.as_int());
        break;
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'f':
      case 'e':
      case 'g':
      case 'E':
      case 'G':
        if (arg.kind() == FormatArg::Kind::kText)
          out += arg.text();
        else
          out += FormatNumber(directive, conv, arg);
        break;
    }
  }
  return out;
}

}  // namespace rulecore
