// The Screen of the Win32 player: picture objects are child windows of the main window.
#pragma once

#include <windows.h>

#include "script/screen.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_text_object.h"

namespace vellaro {

class Host;

class Win32Screen final : public Screen {
 public:
  Win32Screen(Host& host, HWND mainWindow) : host_(host), mainWindow_(mainWindow) {}

  int screenWidth() override;
  int screenHeight() override;
  PictureHandle loadPicture(const std::string& path) override;
  PictureHandle makeSolidPicture(int width, int height, Rgb colour) override;
  void deleteBackground() override;
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
  void setArrowCursor() override;

  bool hasCurrentFont() override { return currentFont_ != nullptr; }
  bool setCurrentFont(const FontRequest& font) override;
  void setTextColour(Rgb colour) override;
  TextExtent measureText(const char* text) override;
  ObjectHandle addTextObject(int x, int y, int width, int height, bool label) override;
  void setObjectText(ObjectHandle object, const char* text) override;
  const char* textOfObject(ObjectHandle object) override;

  // The interpreter's message hook, installed on every new picture object; none until the run
  // installs one.
  ObjectHook interpreterHook = nullptr;
  // Where a click on a label puts the label's name (the interpreter's clicked-object name, of
  // clickedNameSize bytes); none until the player sets it.
  char* clickedObjectName = nullptr;
  size_t clickedNameSize = 0;

 private:
  Host& host_;
  HWND mainWindow_;
  SharedFont currentFont_;  // text objects made with it hold it too
  COLORREF textColour_ = 0;
};

}  // namespace vellaro
