// The text commands against a fake screen: what each asks of the screen, in order, the values
// they store, and every message with its exact text.
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

using Log = std::vector<std::string>;
using Texts = std::vector<std::string>;

const char kDefaultFontLog[] = "font 20 700 0 Arial Cyr";

class TextCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 4;
    services.screen = &screen;
    interpreter.services = &services;
  }
  void run(CommandHandler handler, std::initializer_list<std::string> items) {
    PictureCommandLine(items).run(interpreter, handler);
  }
  const char* variable(const char* name) { return interpreter.variables.getVariable(name); }

  FakeHost host;
  Interpreter interpreter{host};
  FakePictureScreen screen;
  FakePictureServices services;
};

// --- print and text: size, place, initial text, registration ---

struct MakeCase {
  CommandHandler handler;
  const char* x;
  const char* y;
  const char* text;
  Log log;
  Texts messages;
};

class MakeTextObjectTest : public TextCommandsTest, public ::testing::WithParamInterface<MakeCase> {};

TEST_P(MakeTextObjectTest, MeasuresPlacesFillsAndRegisters) {
  const MakeCase& c = GetParam();
  run(c.handler, {"x", c.x, c.y, c.text, "obj"});
  Log expected{kDefaultFontLog};
  expected.insert(expected.end(), c.log.begin(), c.log.end());
  EXPECT_EQ(screen.log, expected);
  EXPECT_EQ(host.messages, c.messages);
  EXPECT_EQ(interpreter.objects.findObject(screen, "obj"), FakePictureScreen::handle(1));
}

INSTANTIATE_TEST_SUITE_P(
    Table, MakeTextObjectTest,
    ::testing::Values(
        MakeCase{cmdPrint, "10", "10", "\"Hello world\"",
                 {"measure Hello world", "label #1 at 10 10 size 110x20", "set text #1 Hello world"}, {}},
        // Coordinates allow for the measured size: far edge and centre.
        MakeCase{cmdPrint, "-0", "*0", "abc", {"measure abc", "label #1 at 994 374 size 30x20", "set text #1 abc"}, {}},
        MakeCase{cmdPrint, "x", "5", "abc",
                 {"measure abc", "label #1 at 0 5 size 30x20", "set text #1 abc"},
                 {"4: Coordinate is not a number"}},
        MakeCase{cmdText, "10", "20", "abc", {"measure abc", "field #1 at 10 20 size 31x20", "set text #1 abc"}, {}},
        MakeCase{cmdText, "10", "20", "*200*abc",
                 {"measure *200*abc", "field #1 at 10 20 size 200x20", "set text #1 abc"}, {}},
        MakeCase{cmdText, "10", "20", "*2x0*abc",
                 {"measure *2x0*abc", "field #1 at 10 20 size 81x20", "set text #1 abc"},
                 {"4: text: additional text size is not a number"}},
        MakeCase{cmdText, "10", "20", "*abc", {"measure *abc", "field #1 at 10 20 size 41x20", "set text #1 *abc"}, {}},
        // The far-edge coordinate allows for the width between the stars.
        MakeCase{cmdText, "-0", "0", "*100*x", {"measure *100*x", "field #1 at 924 0 size 100x20", "set text #1 x"}, {}},
        MakeCase{cmdText, "0", "0", "*-5*x", {"measure *-5*x", "field #1 at 0 0 size 0x20", "set text #1 x"}, {}}));

struct MissingItemCase {
  CommandHandler handler;
  std::vector<std::string> items;
  const char* message;
};

class TextItemMissingTest : public TextCommandsTest, public ::testing::WithParamInterface<MissingItemCase> {};

TEST_P(TextItemMissingTest, StopsAfterTheResolverMessage) {
  PictureCommandLine line({"x", GetParam().items[0], GetParam().items[1], GetParam().items[2], GetParam().items[3]});
  line.run(interpreter, GetParam().handler);
  EXPECT_EQ(host.messages, Texts{GetParam().message});
  EXPECT_EQ(screen.objects.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextItemMissingTest,
    ::testing::Values(MissingItemCase{cmdPrint, {"1", "2", "$t", "n"}, "4: print, text  -- Variable ($t) Does not Exists"},
                      MissingItemCase{cmdPrint, {"$x", "2", "t", "n"}, "4: print, X  -- Variable ($x) Does not Exists"},
                      MissingItemCase{cmdText, {"1", "$y", "t", "n"}, "4: print, Y  -- Variable ($y) Does not Exists"},
                      MissingItemCase{cmdText, {"1", "2", "t", "$n"},
                                      "4: print, ObjName  -- Variable ($n) Does not Exists"}));

TEST_F(TextCommandsTest, ALaterPrintKeepsTheCurrentFont) {
  run(cmdPrint, {"print", "0", "0", "a", "one"});
  run(cmdPrint, {"print", "0", "0", "b", "two"});
  EXPECT_EQ(std::count(screen.log.begin(), screen.log.end(), kDefaultFontLog), 1);
}

// --- font ---

struct FontCase {
  std::vector<std::string> items;  // size colour face style charset
  Log log;
  Texts messages;
};

class FontTest : public TextCommandsTest, public ::testing::WithParamInterface<FontCase> {};

TEST_P(FontTest, SetsFontThenColour) {
  const std::vector<std::string>& i = GetParam().items;
  run(cmdFont, {"font", i[0], i[1], i[2], i[3], i[4]});
  EXPECT_EQ(screen.log, GetParam().log);
  EXPECT_EQ(host.messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FontTest,
    ::testing::Values(
        FontCase{{"24", "FF0000", "Arial", "bi", ""}, {"font 24 900 italic 0 Arial", "colour FF0000"}, {}},
        FontCase{{"24", "red", "Arial", "", ""}, {"font 24 500 0 Arial"}, {"4: Font color is invalid"}},
        FontCase{{"x", "000000", "Arial", "", ""}, {}, {"4: Font size is not a number"}},
        FontCase{{"-16", "00FF00", "\"Times New Roman\"", "usB", "204"},
                 {"font -16 500 underline strikeout 204 Times New Roman", "colour 00FF00"}, {}},
        FontCase{{"12", "000000", "Arial", "", "cyr"}, {}, {"4: Codepage is not a number"}},
        FontCase{{"$s", "000000", "Arial", "", ""}, {}, {"4: font size  -- Variable ($s) Does not Exists"}},
        FontCase{{"12", "$c", "Arial", "", ""}, {}, {"4: font color  -- Variable ($c) Does not Exists"}},
        FontCase{{"12", "000000", "$f", "", ""}, {}, {"4: font face  -- Variable ($f) Does not Exists"}},
        FontCase{{"12", "000000", "Arial", "", "$p"}, {}, {"4: font codepage  -- Variable ($p) Does not Exists"}}));

TEST_F(TextCommandsTest, AFontThatCannotBeMadeIsReportedAndTheNextPrintMakesTheDefault) {
  screen.fontsFail = true;
  run(cmdFont, {"font", "12", "0000FF", "Nothing"});
  EXPECT_EQ(host.messages, Texts{"Font data is invalid"});
  screen.fontsFail = false;
  screen.log.clear();
  run(cmdPrint, {"print", "0", "0", "a", "n"});
  EXPECT_EQ(screen.log.front(), kDefaultFontLog);
}

struct StyleCase {
  const char* style;
  int weight;
  bool italic;
  bool underline;
  bool strikeOut;
};

class FontStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(FontStyleTest, LettersAnywhereCaseSensitive) {
  FontRequest font = defaultFont();
  applyFontStyle(GetParam().style, &font);
  EXPECT_EQ(font.weight, GetParam().weight);
  EXPECT_EQ(font.italic, GetParam().italic);
  EXPECT_EQ(font.underline, GetParam().underline);
  EXPECT_EQ(font.strikeOut, GetParam().strikeOut);
}

INSTANTIATE_TEST_SUITE_P(Table, FontStyleTest,
                         ::testing::Values(StyleCase{"", 500, false, false, false},
                                           StyleCase{"b", 900, false, false, false},
                                           StyleCase{"BIUS", 500, false, false, false},
                                           StyleCase{"xsxuxixbx", 900, true, true, true},
                                           StyleCase{"i", 500, true, false, false}));

struct WidthFormCase {
  const char* item;
  bool present;
  bool widthIsNumber;
  int width;
  const char* text;
};

class WidthFormTest : public ::testing::TestWithParam<WidthFormCase> {};

TEST_P(WidthFormTest, SplitsWidthAndText) {
  WidthForm form = parseWidthForm(GetParam().item);
  EXPECT_EQ(form.present, GetParam().present);
  EXPECT_EQ(form.widthIsNumber, GetParam().widthIsNumber);
  EXPECT_EQ(form.width, GetParam().width);
  EXPECT_STREQ(form.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, WidthFormTest,
                         ::testing::Values(WidthFormCase{"abc", false, false, 0, "abc"},
                                           WidthFormCase{"*200*abc", true, true, 200, "abc"},
                                           WidthFormCase{"*2x0*abc", true, false, 0, "abc"},
                                           WidthFormCase{"*abc", false, false, 0, "*abc"},
                                           WidthFormCase{"**abc", true, true, 0, "abc"},
                                           WidthFormCase{"*+7*a*b", true, true, 7, "a*b"},
                                           WidthFormCase{"*50*", true, true, 50, ""},
                                           WidthFormCase{"a*5*b", false, false, 0, "a*5*b"}));

// --- gettext ---

TEST_F(TextCommandsTest, GettextCopiesTheFieldsTextIntoTheVariable) {
  run(cmdText, {"text", "0", "0", "typed", "field"});
  run(cmdGettext, {"gettext", "field", "$answer"});
  EXPECT_STREQ(variable("answer"), "typed");
  EXPECT_EQ(host.messages, Texts{});
}

TEST_F(TextCommandsTest, GettextOfAMissingNameOrAPictureIsNotFound) {
  screen.files["pic.bmp"] = {10, 10};
  run(cmdShow, {"show", "0", "0", "pic.bmp", "door"});
  run(cmdGettext, {"gettext", "nothing", "v"});
  run(cmdGettext, {"gettext", "door", "v"});
  run(cmdGettext, {"gettext", "$gone", "v"});
  EXPECT_EQ(host.messages, (Texts{"4: GetText: text control (nothing) is not found",
                                  "4: GetText: text control (door) is not found",
                                  "4: GetText  -- Variable ($gone) Does not Exists"}));
  EXPECT_EQ(variable("v"), nullptr);
}

// --- input ---

struct InputCase {
  const char* time;
  const char* clicked;  // the name a click during the wait stores, or null for no click
  Texts waits;
  const char* stored;
  Texts messages;
};

class InputTest : public TextCommandsTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(InputTest, WaitsAndStoresTheClickedName) {
  const InputCase& c = GetParam();
  std::strcpy(interpreter.objects.clickedObjectName, "stale");
  services.duringWait = [&] {
    if (c.clicked) std::strcpy(interpreter.objects.clickedObjectName, c.clicked);
  };
  run(cmdInput, {"input", "$answer", c.time});
  EXPECT_EQ(services.inputWaits, c.waits);
  if (c.stored) {
    EXPECT_STREQ(variable("answer"), c.stored);
  } else {
    EXPECT_EQ(variable("answer"), nullptr);
  }
  EXPECT_EQ(host.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputTest,
    ::testing::Values(InputCase{"", "door", {"until woken"}, "door", {}},
                      InputCase{"0", "hello", {"until woken"}, "hello", {}},
                      InputCase{"3000", nullptr, {"at most 3000"}, "", {}},
                      InputCase{"1500", "door", {"at most 1500"}, "door", {}},
                      InputCase{"-20", nullptr, {"at most 0"}, "", {}},
                      InputCase{"abc", "door", {}, nullptr, {"4: input  -- time is not a number"}},
                      InputCase{"$t", "door", {}, nullptr, {"4: input, time  -- Variable ($t) Does not Exists"}}));

TEST_F(TextCommandsTest, InputEmptiesTheVariableBeforeItWaits) {
  interpreter.variables.assign("answer", "old");
  services.duringWait = [&] { EXPECT_STREQ(variable("answer"), ""); };
  run(cmdInput, {"input", "answer", "100"});
  EXPECT_STREQ(variable("answer"), "");
}

}  // namespace
}  // namespace vellaro
