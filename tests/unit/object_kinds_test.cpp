// What a left click on each kind of screen object does. One table of objects and the effect the
// player's windows give a click on them, run through the shared rule and, for the kinds a lesson
// can make, through the headless screen, so that lessontest answers exactly the clicks the player
// answers.
#include <gtest/gtest.h>

#include <string>

#include "headless/headless_screen.h"
#include "headless/headless_transcript.h"
#include "script/object_kinds.h"
#include "script/screen.h"
#include "fake_host.h"

namespace vellaro {
namespace {

enum class Made { NotInHeadless, Picture, Diagram, Label, Field };

struct ClickCase {
  const char* what;
  ClickTarget target;
  Made made;  // how the headless screen makes the same object, if a lesson can
  ClickEffect expected;
};

constexpr uint16_t kDragged = OF_DRAG | OF_NO_CLICK;  // what drag 1 sets

// {kind, flags, named, hooked, label, visible}
const ClickCase kClickCases[] = {
    {"named picture shown by preshow", {KIND_PICTURE, 0, true, true, false, true}, Made::Picture,
     ClickEffect::Reported},
    {"picture made draggable by drag", {KIND_PICTURE, kDragged, true, true, false, true}, Made::Picture,
     ClickEffect::Ignored},
    {"picture with OF_DRAG alone still reports", {KIND_PICTURE, OF_DRAG, true, true, false, true}, Made::Picture,
     ClickEffect::Reported},
    {"picture with OF_DRAG_X and no-click", {KIND_PICTURE, OF_DRAG_X | OF_NO_CLICK, true, true, false, true},
     Made::Picture, ClickEffect::Ignored},
    {"picture without a name", {KIND_PICTURE, 0, false, true, false, true}, Made::Picture, ClickEffect::Ignored},
    {"picture without the interpreter's hook", {KIND_PICTURE, 0, true, false, false, true}, Made::Picture,
     ClickEffect::Ignored},
    {"hidden picture", {KIND_PICTURE, 0, true, true, false, false}, Made::Picture, ClickEffect::Hidden},
    // rdiagram installs no hook on its window: a click on the strip answers nothing.
    {"rhythm diagram as rdiagram makes it", {KIND_DIAGRAM, 0, true, false, false, true}, Made::Diagram,
     ClickEffect::Ignored},
    {"diagram with the hook", {KIND_DIAGRAM, 0, true, true, false, true}, Made::NotInHeadless,
     ClickEffect::Reported},
    {"label", {KIND_TEXT, 0, true, false, true, true}, Made::Label, ClickEffect::Reported},
    {"label made draggable by drag", {KIND_TEXT, kDragged, true, false, true, true}, Made::Label,
     ClickEffect::Ignored},
    {"label without a name reports the empty name", {KIND_TEXT, 0, false, false, true, true}, Made::NotInHeadless,
     ClickEffect::Reported},
    {"hidden label", {KIND_TEXT, 0, true, false, true, false}, Made::Label, ClickEffect::Hidden},
    {"edit field", {KIND_TEXT, 0, true, false, false, true}, Made::Field, ClickEffect::Focus},
    {"edit field made draggable still takes the focus", {KIND_TEXT, kDragged, true, false, false, true}, Made::Field,
     ClickEffect::Focus},
    {"label pad", {KIND_LABEL_PAD, 0, true, true, false, true}, Made::NotInHeadless, ClickEffect::Reported},
    {"label pad with no-click", {KIND_LABEL_PAD, OF_NO_CLICK, true, true, false, true}, Made::NotInHeadless,
     ClickEffect::Ignored},
    {"reserved text-label kind", {KIND_TEXT_LABEL, 0, true, true, false, true}, Made::NotInHeadless,
     ClickEffect::Reported},
    {"main window", {KIND_MAIN, 0, true, true, false, true}, Made::NotInHeadless, ClickEffect::Ignored},
    {"button widget", {KIND_BUTTON, 0, true, true, false, true}, Made::NotInHeadless, ClickEffect::Ignored},
    {"animation", {KIND_ANIMATION, 0, true, true, false, true}, Made::NotInHeadless, ClickEffect::Ignored},
};

// Makes the case's object on the headless screen, named "target" unless it has no name.
ObjectHandle makeOnHeadless(HeadlessScreen& screen, const ClickCase& c) {
  ObjectHandle object = nullptr;
  switch (c.made) {
    case Made::Picture:
      object = screen.createPictureObject(screen.makeSolidPicture(10, 10, Rgb{1, 2, 3}));
      break;
    case Made::Diagram:
      object = screen.createDiagramObject(40, 10);
      break;
    case Made::Label:
    case Made::Field:
      object = screen.addTextObject(5, 5, 30, 16, c.made == Made::Label);
      break;
    case Made::NotInHeadless:
      return nullptr;
  }
  screen.setObjectName(object, c.target.named ? "target" : "");
  if (c.target.hooked) screen.installInterpreterHook(object);
  if (c.target.flags) screen.setObjectFlags(object, c.target.flags);
  screen.placeObject(object, 5, 5);
  screen.showObject(object, c.target.visible);
  return object;
}

TEST(ObjectKindsTest, ClickEffectsFollowThePlayersWindows) {
  for (const ClickCase& c : kClickCases) {
    EXPECT_EQ(clickEffect(c.target), c.expected) << c.what;
    if (c.made == Made::NotInHeadless) continue;
    ASSERT_EQ(c.target.kind, c.made == Made::Picture   ? KIND_PICTURE
                             : c.made == Made::Diagram ? KIND_DIAGRAM
                                                       : KIND_TEXT)
        << c.what;
    FakeHost messages;
    VirtualClock clock;
    Transcript transcript(clock);
    HeadlessScreen screen(messages, transcript);
    ObjectHandle object = makeOnHeadless(screen, c);
    EXPECT_EQ(screen.objectKind(object), c.target.kind) << c.what;
    char clicked[32] = "before";
    std::string name = c.target.named ? "target" : "";
    EXPECT_EQ(screen.click(name, clicked, sizeof clicked), c.expected) << c.what << " (headless)";
    std::string expectedName = c.expected == ClickEffect::Reported ? name : "before";
    EXPECT_EQ(std::string(clicked), expectedName) << c.what << " (headless)";
  }
}

// A click goes to the topmost shown object of the name; one that reports nothing does not pass the
// click on to another object of the same name below it.
TEST(ObjectKindsTest, HeadlessClickMeetsOnlyTheTopmostShownObject) {
  FakeHost messages;
  VirtualClock clock;
  Transcript transcript(clock);
  HeadlessScreen screen(messages, transcript);
  ObjectHandle below = screen.createPictureObject(screen.makeSolidPicture(10, 10, Rgb{1, 2, 3}));
  screen.setObjectName(below, "note");
  screen.installInterpreterHook(below);
  screen.placeObject(below, 0, 0);
  screen.showObject(below, true);
  ObjectHandle above = screen.createPictureObject(screen.makeSolidPicture(10, 10, Rgb{1, 2, 3}));
  screen.setObjectName(above, "note");
  screen.installInterpreterHook(above);
  screen.setObjectFlags(above, kDragged);
  screen.placeObject(above, 0, 0);
  screen.showObject(above, true);
  char clicked[16] = "";
  EXPECT_EQ(screen.click("note", clicked, sizeof clicked), ClickEffect::Ignored);
  screen.showObject(above, false);
  EXPECT_EQ(screen.click("note", clicked, sizeof clicked), ClickEffect::Reported);
  EXPECT_STREQ(clicked, "note");
  EXPECT_EQ(screen.click("absent", clicked, sizeof clicked), ClickEffect::NoObject);
}

}  // namespace
}  // namespace vellaro
