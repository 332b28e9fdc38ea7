// The text commands against a fake screen: what each asks of the screen, the values they store,
// and every message with its exact text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fake_host.h"
#include "fake_picture_screen.h"
#include "picture_command_line.h"
#include "script/commands/text.h"
#include "script/interpreter.h"

namespace vellaro {
namespace {

using Texts = std::vector<std::string>;

class TextCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 4;
    services.screen = &screen;
    interpreter.services = &services;
  }
  void run(CommandHandler handler, std::vector<std::string> items) {
    items.resize(6);
    PictureCommandLine({items[0], items[1], items[2], items[3], items[4], items[5]}).run(interpreter, handler);
  }
  const char* variable(const char* name) { return interpreter.variables.getVariable(name); }

  FakeHost host;
  Interpreter interpreter{host};
  FakePictureScreen screen;
  FakePictureServices services;
};

// print or text with X Y text and the name obj: the screen log and the messages.
struct MakeCase {
  CommandHandler handler;
  std::vector<std::string> items;
  Texts log;
  Texts messages;
};

class MakeTextObjectTest : public TextCommandsTest, public ::testing::WithParamInterface<MakeCase> {};

TEST_P(MakeTextObjectTest, MeasuresPlacesFillsAndRegisters) {
  run(GetParam().handler, GetParam().items);
  EXPECT_EQ(screen.log, GetParam().log);
  EXPECT_EQ(host.messages, GetParam().messages);
}

const char kDefaultFont[] = "font 20 700 0 Arial Cyr";

INSTANTIATE_TEST_SUITE_P(
    Table, MakeTextObjectTest,
    ::testing::Values(
        MakeCase{cmdPrint, {"print", "10", "10", "\"Hello world\"", "obj"},
                 {kDefaultFont, "measure Hello world", "label #1 at 10 10 size 110x20", "set text #1 Hello world"}, {}},
        MakeCase{cmdPrint, {"print", "-0", "x", "abc", "obj"},
                 {kDefaultFont, "measure abc", "label #1 at 994 0 size 30x20", "set text #1 abc"},
                 {"4: Coordinate is not a number"}},
        MakeCase{cmdText, {"text", "10", "20", "abc", "obj"},
                 {kDefaultFont, "measure abc", "field #1 at 10 20 size 31x20", "set text #1 abc"}, {}},
        MakeCase{cmdText, {"text", "-0", "20", "*200*abc", "obj"},
                 {kDefaultFont, "measure *200*abc", "field #1 at 824 20 size 200x20", "set text #1 abc"}, {}},
        MakeCase{cmdText, {"text", "10", "20", "*2x0*abc", "obj"},
                 {kDefaultFont, "measure *2x0*abc", "field #1 at 10 20 size 81x20", "set text #1 abc"},
                 {"4: text: additional text size is not a number"}},
        MakeCase{cmdText, {"text", "0", "0", "*-5*x", "obj"},
                 {kDefaultFont, "measure *-5*x", "field #1 at 0 0 size 0x20", "set text #1 x"}, {}},
        MakeCase{cmdPrint, {"print", "1", "2", "t", "$n"}, {}, {"4: print, ObjName  -- Variable ($n) Does not Exists"}}));

TEST_F(TextCommandsTest, TheObjectIsRegisteredAndGettextReadsItsText) {
  run(cmdText, {"text", "0", "0", "typed", "field"});
  screen.files["pic.bmp"] = {10, 10};
  run(cmdShow, {"show", "0", "0", "pic.bmp", "door"});
  run(cmdGettext, {"gettext", "field", "$answer"});
  EXPECT_STREQ(variable("answer"), "typed");
  run(cmdGettext, {"gettext", "nothing", "v"});
  run(cmdGettext, {"gettext", "door", "v"});  // a picture has no text
  EXPECT_EQ(host.messages, (Texts{"4: GetText: text control (nothing) is not found",
                                  "4: GetText: text control (door) is not found"}));
  EXPECT_EQ(variable("v"), nullptr);
}

// font size colour face [style [charset]]
struct FontCase {
  std::vector<std::string> items;
  Texts log;
  Texts messages;
};

class FontTest : public TextCommandsTest, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontTest, SetsFontThenColour) {
  run(cmdFont, GetParam().items);
  EXPECT_EQ(screen.log, GetParam().log);
  EXPECT_EQ(host.messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FontTest,
    ::testing::Values(
        FontCase{{"font", "24", "FF0000", "Arial", "bi"}, {"font 24 900 italic 0 Arial", "colour FF0000"}, {}},
        FontCase{{"font", "24", "red", "Arial"}, {"font 24 500 0 Arial"}, {"4: Font color is invalid"}},
        FontCase{{"font", "x", "000000", "Arial"}, {}, {"4: Font size is not a number"}},
        FontCase{{"font", "-16", "00FF00", "\"Times New Roman\"", "", "204"},
                 {"font -16 500 204 Times New Roman", "colour 00FF00"}, {}},
        FontCase{{"font", "12", "000000", "Arial", "", "cyr"}, {}, {"4: Codepage is not a number"}},
        FontCase{{"font", "12", "$c", "Arial"}, {}, {"4: font color  -- Variable ($c) Does not Exists"}}));

TEST_F(TextCommandsTest, AFontThatCannotBeMadeIsReportedAndTheNextPrintMakesTheDefault) {
  screen.fontsFail = true;
  run(cmdFont, {"font", "12", "0000FF", "Nothing"});
  EXPECT_EQ(host.messages, Texts{"Font data is invalid"});
  screen.fontsFail = false;
  screen.log.clear();
  run(cmdPrint, {"print", "0", "0", "a", "n"});
  run(cmdPrint, {"print", "0", "0", "b", "m"});
  EXPECT_EQ(std::count(screen.log.begin(), screen.log.end(), kDefaultFont), 1);
}

TEST(FontStyleTest, LettersAnywhereCaseSensitive) {
  const char* styles[] = {"", "b", "BIUS", "xsxuxixbx"};
  const char* expected[] = {"500 ---", "900 ---", "500 ---", "900 ius"};
  for (int i = 0; i < 4; ++i) {
    FontRequest font = defaultFont();
    applyFontStyle(styles[i], &font);
    std::string seen = std::to_string(font.weight) + " " + (font.italic ? "i" : "-") + (font.underline ? "u" : "-") +
                       (font.strikeOut ? "s" : "-");
    EXPECT_EQ(seen, expected[i]) << styles[i];
  }
}

TEST(WidthFormTest, SplitsWidthAndText) {
  struct Case {
    const char* item;
    bool present, isNumber;
    int width;
    const char* text;
  };
  const Case cases[] = {{"abc", false, false, 0, "abc"},  {"*200*abc", true, true, 200, "abc"},
                        {"*2x0*abc", true, false, 0, "abc"}, {"*abc", false, false, 0, "*abc"},
                        {"**abc", true, true, 0, "abc"},   {"*+7*a*b", true, true, 7, "a*b"}};
  for (const Case& c : cases) {
    WidthForm form = parseWidthForm(c.item);
    EXPECT_EQ(form.present, c.present) << c.item;
    EXPECT_EQ(form.widthIsNumber, c.isNumber) << c.item;
    EXPECT_EQ(form.width, c.width) << c.item;
    EXPECT_STREQ(form.text, c.text) << c.item;
  }
}

// input $answer time, with a click on the named object during the wait (or none).
struct InputCase {
  const char* time;
  const char* clicked;
  Texts waits;
  const char* stored;  // null: the variable was not made
  Texts messages;
};

class InputTest : public TextCommandsTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(InputTest, WaitsAndStoresTheClickedName) {
  const InputCase& c = GetParam();
  std::strcpy(interpreter.objects.clickedObjectName, "stale");
  services.duringWait = [&] {
    EXPECT_STREQ(variable("answer"), "");  // emptied before the wait
    if (c.clicked) std::strcpy(interpreter.objects.clickedObjectName, c.clicked);
  };
  run(cmdInput, {"input", "$answer", c.time});
  EXPECT_EQ(services.inputWaits, c.waits);
  EXPECT_STREQ(variable("answer") ? variable("answer") : "(none)", c.stored ? c.stored : "(none)");
  EXPECT_EQ(host.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputTest,
    ::testing::Values(InputCase{"", "door", {"until woken"}, "door", {}},
                      InputCase{"3000", nullptr, {"at most 3000"}, "", {}},
                      InputCase{"1500", "hello", {"at most 1500"}, "hello", {}},
                      InputCase{"-20", nullptr, {"at most 0"}, "", {}},
                      InputCase{"abc", "door", {}, nullptr, {"4: input  -- time is not a number"}}));

}  // namespace
}  // namespace vellaro
