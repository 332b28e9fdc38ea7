// A Screen without windows: every screen object is a record (name, kind, place, size, visibility,
// text, picture file), and every change a learner would see is written to the transcript.
// Pictures are read with the BMP decoder for their real sizes; text is measured as half the font
// height per character and one font height high, the same on every machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "headless/headless_transcript.h"
#include "script/object_kinds.h"
#include "script/screen.h"
#include "ui/text_editing.h"

namespace vellaro {

class MessageSink;

// The screen a headless run pretends to have.
constexpr int kHeadlessScreenWidth = 1024;
constexpr int kHeadlessScreenHeight = 768;

// What a learner who types text (UTF-8, as steps files are) gives a field of the encoding, one
// character at a time.
std::vector<std::string> typedCharacters(const std::string& text, TextEncoding field);

class HeadlessScreen final : public Screen {
 public:
  HeadlessScreen(MessageSink& messages, Transcript& transcript) : messages_(messages), transcript_(transcript) {}

  int screenWidth() override { return kHeadlessScreenWidth; }
  int screenHeight() override { return kHeadlessScreenHeight; }
  PictureHandle loadPicture(const std::string& path) override;
  PictureHandle makeSolidPicture(int width, int height, Rgb colour) override;
  void deleteBackground() override {}
  void setBackground(PictureHandle picture) override;
  ObjectHandle createPictureObject(PictureHandle picture) override;
  void destroyObject(ObjectHandle object) override;
  const char* objectName(ObjectHandle object) override;
  void setObjectName(ObjectHandle object, const char* name) override;
  int objectKind(ObjectHandle object) override;
  void setObjectFlags(ObjectHandle object, uint16_t flags) override;
  void installInterpreterHook(ObjectHandle object) override;
  void shapeByColour(ObjectHandle object, Rgb colour) override;
  void objectSize(ObjectHandle object, int* width, int* height) override;
  ScreenRect windowRect(ObjectHandle object) override;
  void placeObject(ObjectHandle object, int x, int y) override;
  void moveObject(ObjectHandle object, int x, int y) override;
  void showObject(ObjectHandle object, bool visible) override;
  void setArrowCursor() override {}

  bool hasCurrentFont() override { return hasFont_; }
  bool setCurrentFont(const FontRequest& font) override;
  void setTextColour(Rgb colour) override;
  TextExtent measureText(const char* text) override;
  ObjectHandle addTextObject(int x, int y, int width, int height, bool label) override;
  void setObjectText(ObjectHandle object, const char* text) override;
  const char* textOfObject(ObjectHandle object) override;

  ObjectHandle createDiagramObject(int width, int height) override;
  void setObjectBounds(ObjectHandle object, int x, int y, int width, int height) override;
  void fillSurfaceRect(ObjectHandle object, const PixelRect& rect, Rgb colour) override;
  void invalidateObject(ObjectHandle) override {}

  // A left click on the topmost shown object of that name, decided by clickEffect as the player's
  // windows decide it: a reported click copies the name into clickedName (size bytes), an edit
  // field takes the keyboard focus.
  ClickEffect click(const std::string& name, char* clickedName, size_t size);
  // Types the characters into the edit field with the focus: the one a click focused last, else
  // the newest field on the screen. The field's name, or "" when there is no field.
  std::string type(const std::string& text);

 private:
  struct Picture {
    std::string source;  // the file, or "colour RRGGBB"
    int width;
    int height;
  };
  struct Record {
    int kind = 0;
    std::string name;
    std::string source;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool visible = false;
    bool alive = true;
    bool label = false;
    bool hooked = false;
    bool announced = false;  // a text object's first line, written once it has its name
    uint16_t flags = 0;
    uint64_t raised = 0;  // larger is nearer the top
    std::string seeThrough;
    TextBuffer text;
    std::vector<std::string> fills;  // a diagram's bars, written when it is first shown
  };

  Record* recordOf(ObjectHandle object);
  ObjectHandle handleOf(size_t index) const;
  ObjectHandle addRecord(Record record);
  std::string describe(const Record& record) const;
  int topmostShown(const std::string& name) const;

  MessageSink& messages_;
  Transcript& transcript_;
  std::vector<Picture> pictures_;
  std::vector<Record> records_;
  uint64_t raiseCount_ = 0;
  bool hasFont_ = false;
  int fontHeight_ = 0;
  int focus_ = -1;  // the record of the field a click focused
};

}  // namespace vellaro
