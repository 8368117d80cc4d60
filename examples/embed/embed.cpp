// rulecore: an embeddable expert-system shell.
// Embedding the engine: load rules from text, assert facts from code, run,
// and receive what the rules print through the engine's print event.
#include <iostream>

#include "engine/inference_engine.h"

int main() {
  rulecore::TInferenceEngine engine;
  engine.OnPrintOut = [](rulecore::TObject*, const std::string&, const std::string& text) {
    std::cout << text;
  };
  engine.Parse(R"((deftemplate order (slot item) (slot qty))
                  (defrule big-order (order (item ?i) (qty ?q&:(> ?q 10)))
                     => (printout t "big order: " ?q " x " ?i crlf)))",
               false);
  engine.Reset();
  engine.AssertText("(order (item lamp) (qty 25))");
  engine.AssertText("(order (item desk) (qty 2))");
  int fired = engine.Run();
  std::cout << fired << " rule fired\n";
  return fired == 1 ? 0 : 1;
}
