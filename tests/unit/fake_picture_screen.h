// A Screen without windows for the picture command tests: objects are numbers, every call that
// changes the screen is written to a log in order, and picture files are a table of sizes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "script/screen.h"
#include "script/services.h"

namespace vellaro {

class FakePictureScreen : public Screen {
 public:
  struct Picture {
    int width;
    int height;
  };
  struct Object {
    Picture picture;
    std::string name;
    uint16_t flags = 0;
    int x = 0;
    int y = 0;
    bool visible = false;
    bool alive = true;
    std::string text;
    int kind = 6;  // a picture
  };

  int screenWidth() override { return width; }
  int screenHeight() override { return height; }
  PictureHandle loadPicture(const std::string& path) override;
  PictureHandle makeSolidPicture(int width, int height, Rgb colour) override;
  void deleteBackground() override { log.push_back("delete background"); }
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
  void setArrowCursor() override { log.push_back("arrow"); }

  // Text objects. A text is measured as 10 pixels per character and as high as the current font.
  bool hasCurrentFont() override { return hasFont; }
  bool setCurrentFont(const FontRequest& font) override;
  void setTextColour(Rgb colour) override;
  TextExtent measureText(const char* text) override;
  ObjectHandle addTextObject(int x, int y, int width, int height, bool label) override;
  void setObjectText(ObjectHandle object, const char* text) override;
  const char* textOfObject(ObjectHandle object) override;

  // Object number n (1-based, in creation order).
  Object& object(int n) { return objects.at(static_cast<size_t>(n - 1)); }
  static ObjectHandle handle(int n) { return reinterpret_cast<ObjectHandle>(static_cast<intptr_t>(n)); }

  bool windowsFail = false;              // createPictureObject makes no window
  bool fontsFail = false;                // setCurrentFont cannot make a font
  bool hasFont = false;
  int fontHeight = 0;
  int width = 1024;
  int height = 768;
  std::map<std::string, Picture> files;  // the picture files that loadPicture finds
  std::vector<Picture> pictures;         // handed out by loadPicture and makeSolidPicture
  std::vector<Object> objects;
  std::vector<std::string> log;

 private:
  int number(ObjectHandle object) const { return static_cast<int>(reinterpret_cast<intptr_t>(object)); }
  Object& at(ObjectHandle object) { return objects.at(static_cast<size_t>(number(object) - 1)); }
  Picture& picture(PictureHandle handle) {
    return pictures.at(static_cast<size_t>(reinterpret_cast<intptr_t>(handle) - 1));
  }
};

// CommandServices that record the waits and lend the fake screen. duringWait stands for what the
// learner does while input waits (a click that names an object).
struct FakePictureServices : CommandServices {
  void pumpFor(uint32_t durationMs) override { waits.push_back(durationMs); }
  void waitForWake() override {
    inputWaits.push_back("until woken");
    if (duringWait) duringWait();
  }
  void waitForWakeOrTimeout(uint32_t durationMs) override {
    inputWaits.push_back("at most " + std::to_string(durationMs));
    if (duringWait) duringWait();
  }
  std::vector<uint32_t> waits;
  std::vector<std::string> inputWaits;
  std::function<void()> duringWait;
};

}  // namespace vellaro
