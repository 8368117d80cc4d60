// rulecore: an embeddable expert-system shell.
// Helpers the parser, printer and rule tests share: a parser over a text
// for the test engine, and the texts of the errors an action raises.
#pragma once

#include <string>

#include "language/clips_parser.h"
#include "platform/format.h"
#include "platform/streams.h"
#include "support/test_engine.h"

namespace rulecore {

// A parser over an in-memory text for `engine`; anonymous variables are
// named by the engine, as the engine's own parser does.
class Reader {
 public:
  Reader(TestEngine& engine, std::string text)
      : memory_(std::move(text)),
        stream_(&memory_, [&engine](const std::string& p) { return engine.GenerateSymbol(p); }),
        parser_(&engine, &stream_) {}

  TIEClipsParser* operator->() { return &parser_; }
  TIEClipsParser& operator*() { return parser_; }

 private:
  TMemoryStream memory_;
  TIEClipsStream stream_;
  TIEClipsParser parser_;
};

// The text of a parse error found in `routine` at `line`, echoing `echo`.
inline std::string ParseErrorText(const std::string& message, const std::string& routine, int line,
                                  const std::string& echo) {
  return Format(SParseError, {message, routine, std::to_string(line), echo});
}

// The text of the parse error `action` raises; a note when it raises none.
template <class F>
std::string ParseFailure(F action) {
  try {
    action();
  } catch (const EIEParseException& e) {
    return e.what();
  }
  return "<no parse error>";
}

// The text of the engine error (not a parse error) `action` raises; a note
// when it raises none or raises a parse error.
template <class F>
std::string EngineFailure(F action) {
  try {
    action();
  } catch (const EIEParseException& e) {
    return std::string("<parse error> ") + e.what();
  } catch (const EIEException& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace rulecore
