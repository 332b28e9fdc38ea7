// pause: the durations it asks the waits for, and its messages.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "fake_picture_screen.h"
#include "picture_command_line.h"
#include "script/interpreter.h"

namespace vellaro {
namespace {

struct PauseCase {
  const char* value;
  const char* mode;
  const char* tempo;
  std::vector<uint32_t> waits;
  std::vector<std::string> messages;
};

class PauseTest : public ::testing::TestWithParam<PauseCase> {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 4;
    interpreter.services = &services;
  }
  FakeHost host;
  Interpreter interpreter{host};
  FakePictureServices services;
};

TEST_P(PauseTest, WaitsForTheDuration) {
  const PauseCase& c = GetParam();
  if (c.tempo) interpreter.variables.setVariable("tempo", c.tempo);
  PictureCommandLine({"pause", c.value, c.mode}).run(interpreter, cmdPause);
  EXPECT_EQ(services.waits, c.waits) << c.value << " " << c.mode;
  EXPECT_EQ(host.messages, c.messages) << c.value << " " << c.mode;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PauseTest,
    ::testing::Values(PauseCase{"5000", "ms", nullptr, {5000}, {}}, PauseCase{"0", "ms", nullptr, {0}, {}},
                      PauseCase{"-30", "ms", nullptr, {0}, {}}, PauseCase{"5", "old", nullptr, {200}, {}},
                      PauseCase{"-5", "old", nullptr, {0}, {}},
                      PauseCase{"2147483647", "old", nullptr, {4294967295u}, {}},
                      PauseCase{"1", "", nullptr, {2000}, {}}, PauseCase{"4", "", nullptr, {500}, {}},
                      PauseCase{"16", "x", nullptr, {125}, {}}, PauseCase{"128", "MS", nullptr, {15}, {}},
                      PauseCase{"", "ms", nullptr, {0}, {}},
                      PauseCase{"1", "", "100000", {100000 & 0xFFFF}, {}},
                      PauseCase{"0", "", nullptr, {}, {"4: pause -- parameter is out of range"}},
                      PauseCase{"129", "", nullptr, {}, {"4: pause -- parameter is out of range"}},
                      PauseCase{"4", "", "abc", {}, {"4: pause  -- (tempo) variable is not a number"}},
                      PauseCase{"0", "", "abc", {}, {"4: pause  -- (tempo) variable is not a number"}},
                      PauseCase{"five", "ms", nullptr, {}, {"4: pause: parameter 1 is not a number"}},
                      PauseCase{"$n", "ms", nullptr, {}, {"4: pause, value  -- Variable ($n) Does not Exists"}},
                      PauseCase{"5", "$m", nullptr, {}, {"4: pause, mode  -- Variable ($m) Does not Exists"}}));

TEST_F(PauseTest, AMissingTempoVariableIsNotANumber) {
  interpreter.variables.clear();
  PictureCommandLine({"pause", "4"}).run(interpreter, cmdPause);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"4: pause  -- (tempo) variable is not a number"}));
  EXPECT_TRUE(services.waits.empty());
}

TEST_F(PauseTest, ResolvesBothItems) {
  interpreter.variables.assign("len", "250");
  interpreter.variables.assign("unit", "ms");
  PictureCommandLine({"pause", "$len", "\"$unit\""}).run(interpreter, cmdPause);
  EXPECT_EQ(services.waits, std::vector<uint32_t>{250});
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vellaro
