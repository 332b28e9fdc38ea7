#include "fake_picture_screen.h"

#include "script/text.h"

namespace vellaro {

PictureHandle FakePictureScreen::loadPicture(const std::string& path) {
  log.push_back("load " + path);
  auto found = files.find(path);
  if (found == files.end()) return nullptr;
  pictures.push_back(found->second);
  return reinterpret_cast<PictureHandle>(static_cast<intptr_t>(pictures.size()));
}

PictureHandle FakePictureScreen::makeSolidPicture(int pictureWidth, int pictureHeight, Rgb colour) {
  log.push_back(format("solid %dx%d %02X%02X%02X", pictureWidth, pictureHeight, colour.red, colour.green, colour.blue));
  pictures.push_back(Picture{pictureWidth, pictureHeight});
  return reinterpret_cast<PictureHandle>(static_cast<intptr_t>(pictures.size()));
}

void FakePictureScreen::setBackground(PictureHandle handle) {
  log.push_back(handle ? format("background %dx%d", picture(handle).width, picture(handle).height)
                       : "background none");
}

ObjectHandle FakePictureScreen::createPictureObject(PictureHandle pictureHandle) {
  if (windowsFail) {
    log.push_back("create failed");
    return nullptr;
  }
  Object created;
  created.picture = picture(pictureHandle);
  objects.push_back(created);
  log.push_back(format("create #%zu", objects.size()));
  return handle(static_cast<int>(objects.size()));
}

void FakePictureScreen::destroyObject(ObjectHandle object) {
  at(object).alive = false;
  log.push_back(format("destroy #%d", number(object)));
}

const char* FakePictureScreen::objectName(ObjectHandle object) {
  return at(object).alive ? at(object).name.c_str() : nullptr;
}

void FakePictureScreen::setObjectName(ObjectHandle object, const char* name) { at(object).name = name; }

int FakePictureScreen::objectKind(ObjectHandle object) { return at(object).alive ? at(object).kind : 0; }

void FakePictureScreen::setObjectFlags(ObjectHandle object, uint16_t flags) {
  at(object).flags = flags;
  log.push_back(format("flags #%d 0x%02X", number(object), flags));
}

void FakePictureScreen::installInterpreterHook(ObjectHandle object) {
  log.push_back(format("hook #%d", number(object)));
}

void FakePictureScreen::shapeByColour(ObjectHandle object, Rgb colour) {
  log.push_back(format("shape #%d %02X%02X%02X", number(object), colour.red, colour.green, colour.blue));
}

void FakePictureScreen::objectSize(ObjectHandle object, int* objectWidth, int* objectHeight) {
  *objectWidth = at(object).picture.width;
  *objectHeight = at(object).picture.height;
}

ScreenRect FakePictureScreen::windowRect(ObjectHandle object) {
  const Object& found = at(object);
  return ScreenRect{found.x, found.y, found.x + found.picture.width, found.y + found.picture.height};
}

void FakePictureScreen::placeObject(ObjectHandle object, int x, int y) {
  at(object).x = x;
  at(object).y = y;
  log.push_back(format("place #%d %d %d", number(object), x, y));
}

void FakePictureScreen::moveObject(ObjectHandle object, int x, int y) {
  at(object).x = x;
  at(object).y = y;
  log.push_back(format("move #%d %d %d", number(object), x, y));
}

void FakePictureScreen::showObject(ObjectHandle object, bool visible) {
  at(object).visible = visible;
  log.push_back(format("%s #%d", visible ? "show" : "hide", number(object)));
}

bool FakePictureScreen::setCurrentFont(const FontRequest& font) {
  log.push_back(format("font %d %d%s%s%s %d %s", font.height, font.weight, font.italic ? " italic" : "",
                       font.underline ? " underline" : "", font.strikeOut ? " strikeout" : "", font.charset,
                       font.face.c_str()));
  hasFont = !fontsFail;
  fontHeight = hasFont ? font.height : 0;
  return hasFont;
}

void FakePictureScreen::setTextColour(Rgb colour) {
  log.push_back(format("colour %02X%02X%02X", colour.red, colour.green, colour.blue));
}

TextExtent FakePictureScreen::measureText(const char* text) {
  log.push_back(format("measure %s", text));
  return TextExtent{10 * static_cast<int>(std::string(text).size()), fontHeight};
}

ObjectHandle FakePictureScreen::addTextObject(int x, int y, int objectWidth, int objectHeight, bool label) {
  Object created;
  created.picture = Picture{objectWidth, objectHeight};
  created.x = x;
  created.y = y;
  created.visible = true;
  created.kind = 9;  // a text window
  objects.push_back(created);
  log.push_back(format("%s #%zu at %d %d size %dx%d", label ? "label" : "field", objects.size(), x, y, objectWidth,
                       objectHeight));
  return handle(static_cast<int>(objects.size()));
}

void FakePictureScreen::setObjectText(ObjectHandle object, const char* text) {
  at(object).text = text;
  log.push_back(format("set text #%d %s", number(object), text));
}

const char* FakePictureScreen::textOfObject(ObjectHandle object) {
  return at(object).kind == 9 ? at(object).text.c_str() : nullptr;
}

}  // namespace vellaro
