// The picture commands against a fake screen: what each does to the screen, in order, and every
// message with its exact text.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "fake_picture_screen.h"
#include "picture_command_line.h"
#include "script/interpreter.h"

namespace vellaro {
namespace {

using Log = std::vector<std::string>;

class PictureCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interpreter.reset();
    interpreter.currentLine = 7;
    services.screen = &screen;
    interpreter.services = &services;
    screen.files["pic.bmp"] = {200, 100};
    screen.files["small.bmp"] = {100, 80};
  }
  void run(CommandHandler handler, std::initializer_list<std::string> items) {
    PictureCommandLine(items).run(interpreter, handler);
  }
  // show X Y pic.bmp name, then forget the log so that tests see only what follows.
  void showPicture(const std::string& name, const std::string& x = "0", const std::string& y = "0") {
    run(cmdShow, {"show", x, y, "pic.bmp", name});
    screen.log.clear();
  }
  const char* variable(const char* name) { return interpreter.variables.getVariable(name); }

  FakeHost host;
  Interpreter interpreter{host};
  FakePictureScreen screen;
  FakePictureServices services;
};

struct ClearCase {
  const char* argument;
  Log log;
  std::vector<std::string> messages;
};

class ClearTest : public PictureCommandsTest, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(ClearTest, SetsTheBackground) {
  run(cmdClear, {"clear", GetParam().argument});
  EXPECT_EQ(screen.log, GetParam().log);
  EXPECT_EQ(host.messages, GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClearTest,
    ::testing::Values(
        ClearCase{"", {"delete background", "solid 100x100 FFFFFF", "background 100x100"}, {}},
        ClearCase{"*FF0000", {"delete background", "solid 100x100 FF0000", "background 100x100"}, {}},
        ClearCase{"*ff0000", {"delete background", "solid 100x100 000000", "background 100x100"}, {}},
        ClearCase{"\"*00FF00\"", {"delete background", "solid 100x100 00FF00", "background 100x100"}, {}},
        ClearCase{"*FF00", {"delete background"}, {"7: Background color is invalid"}},
        ClearCase{"*FF000000", {"delete background"}, {"7: Background color is invalid"}},
        ClearCase{"small.bmp", {"delete background", "load small.bmp", "background 100x80"}, {}},
        ClearCase{"gone.bmp", {"delete background", "load gone.bmp", "background none"}, {}},
        ClearCase{"$nothing",
                  {"delete background", "solid 100x100 FFFFFF", "background 100x100"},
                  {"7: clear  -- Variable ($nothing) Does not Exists"}}));

TEST_F(PictureCommandsTest, ClearHidesEveryObjectFirstAndUsesBaseDir) {
  showPicture("a");
  showPicture("b");
  interpreter.variables.setVariable("base_dir", "lesson");
  screen.files["lesson\\small.bmp"] = {100, 80};
  run(cmdClear, {"clear", "small.bmp"});
  EXPECT_EQ(screen.log, (Log{"hide #1", "hide #2", "delete background", "load lesson\\small.bmp", "background 100x80"}));
  EXPECT_EQ(interpreter.objects.findObject(screen, "b"), FakePictureScreen::handle(2));
}

TEST_F(PictureCommandsTest, ShowLoadsRegistersShapesPlacesAndShows) {
  run(cmdShow, {"show", "100", "50", "pic.bmp", "door", "FF00FF"});
  EXPECT_EQ(screen.log, (Log{"load pic.bmp", "create #1", "hook #1", "shape #1 FF00FF", "place #1 100 50", "show #1",
                             "arrow"}));
  EXPECT_EQ(interpreter.objects.at(0), FakePictureScreen::handle(1));
  EXPECT_EQ(screen.object(1).name, "door");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PictureCommandsTest, PreshowLeavesTheObjectHidden) {
  interpreter.variables.setVariable("base_dir", "pics");
  screen.files["pics\\pic.bmp"] = {200, 100};
  run(cmdPreshow, {"preshow", "-10", "*0", "pic.bmp", "door"});
  EXPECT_EQ(screen.log, (Log{"load pics\\pic.bmp", "create #1", "hook #1", "place #1 814 334"}));
}

TEST_F(PictureCommandsTest, ShowResolvesVariablesInEveryPlacedItem) {
  interpreter.variables.assign("x", "-0");
  interpreter.variables.assign("file", "pic.bmp");
  interpreter.variables.assign("who", "door");
  run(cmdShow, {"show", "$x", "\"5\"", "$file", "$who"});
  EXPECT_EQ(screen.log[3], "place #1 824 5");
  EXPECT_EQ(screen.object(1).name, "door");
}

TEST_F(PictureCommandsTest, AMissingPictureMakesNoObject) {
  run(cmdShow, {"show", "0", "0", "nothere.bmp", "door"});
  EXPECT_EQ(screen.log, (Log{"load nothere.bmp"}));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: cannot find picture nothere.bmp"}));
  EXPECT_EQ(interpreter.objects.at(0), nullptr);
}

TEST_F(PictureCommandsTest, AWindowThatCannotBeMadeIsNeitherRegisteredNorPlaced) {
  screen.windowsFail = true;
  run(cmdShow, {"show", "0", "0", "pic.bmp", "door"});
  EXPECT_EQ(screen.log, (Log{"load pic.bmp", "create failed"}));
  EXPECT_EQ(interpreter.objects.at(0), nullptr);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PictureCommandsTest, AFiveCharacterColourLeavesTheObjectRegisteredButHiddenAndUnplaced) {
  run(cmdShow, {"show", "10", "10", "pic.bmp", "door", "FF00F"});
  EXPECT_EQ(screen.log, (Log{"load pic.bmp", "create #1", "hook #1"}));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: Transparent color is invalid"}));
  EXPECT_EQ(interpreter.objects.findObject(screen, "door"), FakePictureScreen::handle(1));
  EXPECT_FALSE(screen.object(1).visible);
}

TEST_F(PictureCommandsTest, AMissingVariableInAPlacedItemStopsAndDestroysTheNewWindow) {
  run(cmdShow, {"show", "0", "$y", "pic.bmp", "door"});
  EXPECT_EQ(screen.log, (Log{"load pic.bmp", "create #1", "destroy #1"}));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: preshow, Y  -- Variable ($y) Does not Exists"}));
  EXPECT_EQ(interpreter.objects.at(0), nullptr);
}

TEST_F(PictureCommandsTest, AMissingFileVariableStopsBeforeLoading) {
  run(cmdPreshow, {"preshow", "0", "0", "$f", "door"});
  EXPECT_TRUE(screen.log.empty());
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: preshow, filename  -- Variable ($f) Does not Exists"}));
}

TEST_F(PictureCommandsTest, ACoordinateOfLettersCountsAsZero) {
  run(cmdShow, {"show", "left", "20", "pic.bmp", "door"});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: Coordinate is not a number"}));
  EXPECT_EQ(screen.object(1).x, 0);
  EXPECT_EQ(screen.object(1).y, 20);
}

TEST_F(PictureCommandsTest, ShowTwiceMakesTwoObjectsOfTheSameName) {
  showPicture("door");
  showPicture("door");
  EXPECT_EQ(interpreter.objects.at(1), FakePictureScreen::handle(2));
}

TEST_F(PictureCommandsTest, HideAndShowByNameActOnEveryObjectOfThatName) {
  showPicture("door");
  showPicture("wall");
  showPicture("door");
  run(cmdHide, {"hide", "door"});
  EXPECT_EQ(screen.log, (Log{"hide #1", "hide #3"}));
  screen.log.clear();
  run(cmdShow, {"show", "door"});
  EXPECT_EQ(screen.log, (Log{"show #1", "show #3"}));
  screen.log.clear();
  run(cmdHide, {"hide", "nobody"});
  run(cmdShow, {"show", "$nobody"});
  EXPECT_TRUE(screen.log.empty());
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: show  -- Variable ($nobody) Does not Exists"}));
}

TEST_F(PictureCommandsTest, RemoveByNameRemovesEveryOneAndSaysSoWhenSeveral) {
  showPicture("door");
  showPicture("wall");
  showPicture("door");
  run(cmdRemove, {"remove", "door"});
  EXPECT_EQ(screen.log, (Log{"destroy #1", "destroy #3"}));
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{"7: remove: Several object with the same name found and removed"}));
  EXPECT_EQ(interpreter.objects.at(0), nullptr);
  EXPECT_EQ(interpreter.objects.at(1), FakePictureScreen::handle(2));
}

TEST_F(PictureCommandsTest, RemoveOfOneObjectSaysNothing) {
  showPicture("door");
  run(cmdRemove, {"remove", "door"});
  EXPECT_TRUE(host.messages.empty());
  run(cmdRemove, {"remove", "door"});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: remove  -- Cannot found object"}));
}

TEST_F(PictureCommandsTest, RemoveWithoutANameRemovesEverythingSilently) {
  run(cmdRemove, {"remove"});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: remove  -- Cannot found object"}));
  host.messages.clear();
  showPicture("a");
  showPicture("b");
  showPicture("");
  run(cmdRemove, {"remove"});
  EXPECT_EQ(screen.log, (Log{"destroy #1", "destroy #2", "destroy #3"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PictureCommandsTest, RemoveWithAMissingVariableRemovesEveryObject) {
  showPicture("a");
  showPicture("b");
  run(cmdRemove, {"remove", "$gone"});
  EXPECT_EQ(screen.log, (Log{"destroy #1", "destroy #2"}));
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: remove  -- Variable ($gone) Does not Exists"}));
}

TEST_F(PictureCommandsTest, DiscardRemovesEveryObjectOfTheNameWithoutABox) {
  showPicture("door");
  showPicture("wall");
  showPicture("door");
  run(cmdDiscard, {"discard", "door"});
  EXPECT_EQ(screen.log, (Log{"destroy #1", "destroy #3"}));
  run(cmdDiscard, {"discard", "door"});  // none left: still no box
  run(cmdDiscard, {"discard", "nobody"});
  EXPECT_EQ(screen.log.size(), 2u);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(interpreter.objects.at(1), FakePictureScreen::handle(2));
}

TEST_F(PictureCommandsTest, DiscardWithoutANameOrWithAMissingVariableRemovesNothing) {
  showPicture("a");
  run(cmdDiscard, {"discard"});
  run(cmdDiscard, {"discard", "\"\""});
  run(cmdDiscard, {"discard", "$gone"});
  EXPECT_TRUE(screen.log.empty());
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: discard  -- Variable ($gone) Does not Exists"}));
  interpreter.variables.assign("which", "a");
  run(cmdDiscard, {"discard", "${which}"});
  EXPECT_EQ(screen.log, (Log{"destroy #1"}));
}

TEST_F(PictureCommandsTest, AFreedSlotIsTakenByTheNextObject) {
  for (int i = 0; i < 10; ++i) showPicture("p" + std::to_string(i));
  run(cmdRemove, {"remove", "p3"});
  showPicture("new");
  EXPECT_EQ(interpreter.objects.at(3), FakePictureScreen::handle(11));
}

TEST_F(PictureCommandsTest, MoveUsesTheObjectSizeForFarEdgeAndCentre) {
  showPicture("door");
  showPicture("door");
  run(cmdMove, {"move", "door", "-10", "*0"});
  run(cmdMove, {"move", "door", "*-12", "-0"});
  interpreter.variables.assign("oldstyle", "1");
  run(cmdMove, {"move", "door", "-10", "*0"});
  EXPECT_EQ(screen.log, (Log{"move #1 814 334", "move #1 400 668", "move #1 1014 384"}));
}

TEST_F(PictureCommandsTest, MoveOfAnUnknownObjectSaysSo) {
  run(cmdMove, {"move", "ghost", "1", "2"});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: move -- object (ghost) is not found"}));
  showPicture("door");
  host.messages.clear();
  run(cmdMove, {"move", "door", "$x", "2"});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"7: move, X  -- Variable ($x) Does not Exists"}));
  EXPECT_TRUE(screen.log.empty());
}

TEST_F(PictureCommandsTest, DragReplacesTheFlagsOfTheFirstObject) {
  showPicture("door");
  showPicture("door");
  run(cmdDrag, {"drag", "door", "1"});
  run(cmdDrag, {"drag", "door", "10"});
  run(cmdDrag, {"drag", "door", "0"});
  run(cmdDrag, {"drag", "door", ""});
  run(cmdDrag, {"drag", "ghost", "1"});
  EXPECT_EQ(screen.log, (Log{"flags #1 0x21", "flags #1 0x21", "flags #1 0x00", "flags #1 0x00"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PictureCommandsTest, GetcoordAndGetsizeReadTheFirstObject) {
  showPicture("door", "30", "40");
  showPicture("door", "500", "500");
  run(cmdGetcoord, {"getcoord", "door", "$x", "y"});
  run(cmdGetsize, {"getsize", "door", "w", "$h"});
  EXPECT_STREQ(variable("x"), "30");
  EXPECT_STREQ(variable("y"), "40");
  EXPECT_STREQ(variable("w"), "200");
  EXPECT_STREQ(variable("h"), "100");
}

TEST_F(PictureCommandsTest, NegativeCoordinatesAreWrittenWithAMinusSign) {
  showPicture("door", "-1100", "*-500");
  run(cmdGetcoord, {"getcoord", "door", "x", "y"});
  EXPECT_STREQ(variable("x"), "-276");
  EXPECT_STREQ(variable("y"), "-166");
  interpreter.variables.assign("oldstyle", "1");
  run(cmdMove, {"move", "door", "-1100", "*-500"});
  run(cmdGetcoord, {"getcoord", "door", "x", "y"});
  EXPECT_STREQ(variable("x"), "-76");
  EXPECT_STREQ(variable("y"), "-116");
}

TEST_F(PictureCommandsTest, AStarNameGivesTheScreen) {
  run(cmdGetcoord, {"getcoord", "*", "x", "y"});
  run(cmdGetsize, {"getsize", "*anything", "w", "h"});
  EXPECT_STREQ(variable("x"), "512");
  EXPECT_STREQ(variable("y"), "384");
  EXPECT_STREQ(variable("w"), "1024");
  EXPECT_STREQ(variable("h"), "768");
}

TEST_F(PictureCommandsTest, AnUnknownNameLeavesTheVariablesUntouchedAndUncreated) {
  interpreter.variables.assign("x", "keep");
  run(cmdGetcoord, {"getcoord", "ghost", "x", "y"});
  run(cmdGetsize, {"getsize", "ghost", "x", "y"});
  EXPECT_STREQ(variable("x"), "keep");
  EXPECT_FALSE(interpreter.variables.variableExists("y"));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PictureCommandsTest, WithoutAScreenTheCommandsDoNothing) {
  services.screen = nullptr;
  run(cmdShow, {"show", "0", "0", "pic.bmp", "door"});
  run(cmdClear, {"clear", "*FF00"});
  run(cmdRemove, {"remove"});
  EXPECT_TRUE(screen.log.empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(PictureCommandsTest, ResetEmptiesTheRegistry) {
  showPicture("door");
  interpreter.reset();
  EXPECT_EQ(interpreter.objects.findObject(screen, "door"), nullptr);
}

}  // namespace
}  // namespace vellaro
