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

class PauseTest : public ::testing::Test {
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

TEST_F(PauseTest, WaitsForTheDuration) {
  const PauseCase cases[] = {
      {"5000", "ms", nullptr, {5000}, {}}, {"0", "ms", nullptr, {0}, {}},
      {"-30", "ms", nullptr, {0}, {}}, {"5", "old", nullptr, {200}, {}},
      {"-5", "old", nullptr, {0}, {}},
      {"2147483647", "old", nullptr, {4294967295u}, {}},
      {"1", "", nullptr, {2000}, {}}, {"4", "", nullptr, {500}, {}},
      {"16", "x", nullptr, {125}, {}}, {"128", "MS", nullptr, {15}, {}},
      {"", "ms", nullptr, {0}, {}},
      {"1", "", "100000", {100000 & 0xFFFF}, {}},
      {"0", "", nullptr, {}, {"4: pause -- parameter is out of range"}},
      {"129", "", nullptr, {}, {"4: pause -- parameter is out of range"}},
      {"4", "", "abc", {}, {"4: pause  -- (tempo) variable is not a number"}},
      {"0", "", "abc", {}, {"4: pause  -- (tempo) variable is not a number"}},
      {"five", "ms", nullptr, {}, {"4: pause: parameter 1 is not a number"}},
      {"$n", "ms", nullptr, {}, {"4: pause, value  -- Variable ($n) Does not Exists"}},
      {"5", "$m", nullptr, {}, {"4: pause, mode  -- Variable ($m) Does not Exists"}},
  };
  for (const PauseCase& c : cases) {
    services.waits.clear();
    host.messages.clear();
    interpreter.variables.setVariable("tempo", c.tempo ? c.tempo : "2000");
    PictureCommandLine({"pause", c.value, c.mode}).run(interpreter, cmdPause);
    EXPECT_EQ(services.waits, c.waits) << c.value << " " << c.mode;
    EXPECT_EQ(host.messages, c.messages) << c.value << " " << c.mode;
  }
}

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
