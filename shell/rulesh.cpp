// rulecore: an embeddable expert-system shell.
// rulesh: loads knowledge-base files into one engine, in order - every
// construct defined, every top-level call run - and writes what reaches the
// console to standard output. An error's message goes to standard error with
// exit status 1; (exit) or the end of the last file ends with status 0.
// Console input ((readline), (read)) comes from standard input, a line at a
// time; at its end both read as EOF.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "engine/inference_engine.h"
#include "language/clips_stream.h"
#include "platform/exception.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: rulesh FILE...\n");
    return 2;
  }
  rulecore::TInferenceEngine engine;
  engine.OnPrintOut = [](rulecore::TObject*, const std::string&, const std::string& text) {
    WriteConsole(text);
  };
  engine.OnReadLine = [](rulecore::TObject*, const std::string&, std::string& text) {
    std::fflush(stdout);
    if (!std::getline(std::cin, text)) text.clear();
    if (!text.empty() && text.back() == '\r') text.pop_back();
  };
  engine.OnReadToken = [](rulecore::TObject*, const std::string&,
                          rulecore::Ref<rulecore::IStreamToken>& token) {
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
      rulecore::TMemoryStream text(line);
      rulecore::TIEClipsStream tokens(&text);
      token = tokens.NextToken();
      if (!token->IsEOF()) return;
    }
    token = nullptr;  // the engine reads a missing token as EOF
  };
  for (int i = 1; i < argc; ++i) {
    try {
      engine.LoadFromFile(argv[i]);
    } catch (const rulecore::EAbort&) {
      std::fflush(stdout);
      return 0;
    } catch (const std::exception& e) {
      std::fflush(stdout);
      std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
      return 1;
    }
  }
  std::fflush(stdout);
  return 0;
}
