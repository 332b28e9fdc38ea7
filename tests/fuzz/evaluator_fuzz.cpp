// The bytes as the expression of math and the text of eval: $name references are expanded from a
// few variables, then the evaluator reads the result, once fresh and once after an earlier error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fake_host.h"
#include "script/interpreter.h"
#include "script/tokenizer.h"
#include "script/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A command argument holds at most 255 characters and ends at the first NUL.
  char argument[vellaro::kArgumentSize];
  vellaro::copyText(argument, sizeof argument,
                    std::string(reinterpret_cast<const char*>(data), size < 255 ? size : 255).c_str());

  vellaro::FakeHost host;
  vellaro::Interpreter interpreter(host);
  interpreter.reset();
  interpreter.variables.assign("a", "12");
  interpreter.variables.assign("b", "-3.5");
  interpreter.variables.assign("long", std::string(254, '9').c_str());
  std::string expanded = interpreter.expandReferences(argument, "math");

  // The whole input as one expression too: the evaluator must hold texts of any length.
  std::string whole(reinterpret_cast<const char*>(data), size);
  vellaro::Evaluator fresh;
  fresh.evaluateToText(whole);
  fresh.evaluateToText(expanded);
  interpreter.evaluator.evaluateToText("1/0");
  interpreter.evaluator.evaluateToText(expanded);
  return 0;
}
