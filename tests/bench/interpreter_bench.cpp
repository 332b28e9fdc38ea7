// The interpreter's speed on a lesson that only counts: a let, inc and if loop, in script lines per
// second (every line the main loop runs counts, the label and the jump that the if runs included).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_host.h"
#include "script/interpreter.h"

namespace vellaro {
namespace {

std::string writeCountingLesson(int rounds) {
  char folder[] = "/tmp/vellaro-bench-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  std::string path = std::string(folder) + "/index.scn";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fprintf(file, "let i 0\r\n:loop\r\ninc i\r\nif $i < %d :loop\r\nterminate\r\n", rounds);
  std::fclose(file);
  return path;
}

void BM_CountingLoop(benchmark::State& state) {
  const std::string path = writeCountingLesson(100000);
  FakeHost host;
  Interpreter interpreter(host);
  uint64_t lines = 0;
  for (auto _ : state) {
    interpreter.reset();
    interpreter.runScenario(path);
    lines += interpreter.executedLines;
  }
  if (!host.messages.empty()) state.SkipWithError(host.messages.front().c_str());
  state.counters["lines_per_second"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
  std::remove(path.c_str());
  rmdir(path.substr(0, path.rfind('/')).c_str());
}

BENCHMARK(BM_CountingLoop)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vellaro
