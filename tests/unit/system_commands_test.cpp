// exec and screen: what they ask of the platform and what they report.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "picture_command_line.h"
#include "script/interpreter.h"
#include "script/services.h"
#include "script/text.h"

namespace vellaro {
namespace {

// Records the requests; the shell opens only "lesson.pdf" and the display has only 800 x 32 at 75 Hz.
struct SystemServices : CommandServices {
  bool openWithShell(const char* target) override {
    calls.push_back(std::string("open ") + target);
    return std::string(target) == "lesson.pdf";
  }
  bool switchDisplayMode(int width, int bits, int frequency) override {
    calls.push_back(format("mode %d %d %d", width, bits, frequency));
    return width == 800 && bits == 32 && frequency == 75;
  }
  std::vector<std::string> calls;
};

struct SystemCase {
  std::vector<std::string> items;
  std::vector<std::string> calls;
  std::vector<std::string> messages;
};

class SystemCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 6;
    interpreter.services = &services;
    interpreter.variables.assign("doc", "lesson.pdf");
    interpreter.variables.assign("w", "800");
  }
  void check(const SystemCase& c, CommandHandler handler) {
    services.calls.clear();
    host.messages.clear();
    std::vector<std::string> items = c.items;
    items.resize(4);  // missing items are empty
    PictureCommandLine line({items[0], items[1], items[2], items[3]});
    line.run(interpreter, handler);
    EXPECT_EQ(services.calls, c.calls) << c.items[1];
    EXPECT_EQ(host.messages, c.messages) << c.items[1];
  }
  FakeHost host;
  Interpreter interpreter{host};
  SystemServices services;
};

TEST_F(SystemCommandsTest, ExecOpensTheTargetThroughTheShell) {
  const SystemCase cases[] = {
      {{"exec", "lesson.pdf"}, {"open lesson.pdf"}, {}},
      {{"exec", "$doc"}, {"open lesson.pdf"}, {}},
      {{"exec", "\"my lesson.pdf\""}, {"open my lesson.pdf"},
       {"6: exec  -- cannot launch document/application (my lesson.pdf)"}},
      {{"exec", "nothere.xyz"}, {"open nothere.xyz"}, {"6: exec  -- cannot launch document/application (nothere.xyz)"}},
      {{"exec", "$none"}, {}, {"6: exec  -- Variable ($none) Does not Exists"}},
  };
  for (const SystemCase& c : cases) check(c, cmdExec);
}

TEST_F(SystemCommandsTest, ScreenSearchesForTheModeAndReportsWhatIsWrong) {
  const std::string none = "6: screen: no such screen resolution available: ";
  const SystemCase cases[] = {
      {{"screen", "800"}, {"mode 800 32 75"}, {}},
      {{"screen", "$w", "32", "75"}, {"mode 800 32 75"}, {}},
      {{"screen", "1024", "16", "60"}, {"mode 1024 16 60"}, {none + "width=1024, colorsBit=16, frequency=60"}},
      {{"screen", "123"}, {"mode 123 32 75"}, {none + "width=123, colorsBit=32, frequency=75"}},
      {{"screen", ""}, {"mode 0 32 75"}, {none + "width=0, colorsBit=32, frequency=75"}},
      {{"screen", "1024", "x"}, {}, {"6: screen: color is not a number"}},
      {{"screen", "wide", "x", "y"}, {}, {"6: screen: width is not a number"}},
      {{"screen", "1024", "16", "fast"}, {}, {"6: screen: frequency is not a number"}},
      {{"screen", "$none", "16"}, {}, {"6: screen: width  -- Variable ($none) Does not Exists"}},
      {{"screen", "800", "$a", "$b"},
       {},
       {"6: screen: color  -- Variable ($a) Does not Exists", "6: screen: frequency  -- Variable ($b) Does not Exists"}},
  };
  for (const SystemCase& c : cases) check(c, cmdScreen);
}

}  // namespace
}  // namespace vellaro
