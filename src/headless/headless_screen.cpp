#include "headless/headless_screen.h"

#include "base/messages.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/file_open.h"
#include "base/message_sink.h"
#include "image/bmp_decoder.h"
#include "image/picture_messages.h"
#include "base/text_encoding.h"
#include "script/text.h"

namespace vellaro {

// Steps files are UTF-8; a text that is not is taken as Windows-1252 bytes. An ANSI field receives
// each character in Windows-1252, a character it has no byte for as '?', as Windows gives it to an
// ANSI window.
std::vector<std::string> typedCharacters(const std::string& text, TextEncoding field) {
  bool utf8 = isValidUtf8(text.data(), text.size());
  std::vector<std::string> characters;
  if (!utf8) {
    for (char c : text) characters.push_back(field == TextEncoding::Utf8 ? utf8FromWindows1252(std::string(1, c)) : std::string(1, c));
    return characters;
  }
  for (std::string& character : utf8Characters(text)) {
    characters.push_back(field == TextEncoding::Utf8 ? character : std::string(1, windows1252FromUtf8Character(character)));
  }
  return characters;
}

namespace {

// Windows' own default when a font asks for height 0.
constexpr int kDefaultTextHeight = 16;

// How the transcript names an object: its name, or "(no name)".
std::string shownName(const std::string& name) { return name.empty() ? "(no name)" : name; }

std::string colourText(Rgb colour) { return format("%02X%02X%02X", colour.red, colour.green, colour.blue); }

bool readWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::FILE* file = openPlayerFile(path, "rb");
  if (!file) return false;
  uint8_t block[16384];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes->insert(bytes->end(), block, block + got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

}  // namespace

// A file that cannot be read is reported as the player reports it: as no BMP.
PictureHandle HeadlessScreen::loadPicture(const std::string& path) {
  std::vector<uint8_t> bytes;
  BmpDecodeResult decoded;
  if (readWholeFile(path, &bytes)) decoded = decodeBmp(bytes.data(), bytes.size());
  for (const std::string& message : pictureProblemMessages(path, decoded.status, decoded.problem)) {
    messages_.showMessage(message);
  }
  if (decoded.status != BmpStatus::Ok) return nullptr;
  pictures_.push_back(Picture{path, decoded.picture.width, decoded.picture.height});
  return reinterpret_cast<PictureHandle>(pictures_.size());
}

PictureHandle HeadlessScreen::makeSolidPicture(int width, int height, Rgb colour) {
  pictures_.push_back(Picture{"colour " + colourText(colour), width, height});
  return reinterpret_cast<PictureHandle>(pictures_.size());
}

void HeadlessScreen::setBackground(PictureHandle handle) {
  size_t number = reinterpret_cast<size_t>(handle);
  if (number == 0 || number > pictures_.size()) {
    transcript_.add("background none");
    return;
  }
  const Picture& picture = pictures_[number - 1];
  transcript_.add(format("background %s (%dx%d, tiled)", picture.source.c_str(), picture.width, picture.height));
}

ObjectHandle HeadlessScreen::createPictureObject(PictureHandle handle) {
  size_t number = reinterpret_cast<size_t>(handle);
  if (number == 0 || number > pictures_.size()) return nullptr;
  const Picture& picture = pictures_[number - 1];
  Record record;
  record.kind = KIND_PICTURE;
  record.source = picture.source;
  record.width = picture.width;
  record.height = picture.height;
  return addRecord(std::move(record));
}

ObjectHandle HeadlessScreen::addRecord(Record record) {
  record.raised = ++raiseCount_;
  records_.push_back(std::move(record));
  return handleOf(records_.size() - 1);
}

ObjectHandle HeadlessScreen::handleOf(size_t index) const { return reinterpret_cast<ObjectHandle>(index + 1); }

HeadlessScreen::Record* HeadlessScreen::recordOf(ObjectHandle object) {
  size_t number = reinterpret_cast<size_t>(object);
  if (number == 0 || number > records_.size()) return nullptr;
  Record& record = records_[number - 1];
  return record.alive ? &record : nullptr;
}

std::string HeadlessScreen::describe(const Record& record) const {
  std::string name = shownName(record.name) + " ";
  std::string what;
  if (record.kind == KIND_TEXT) {
    what = (record.label ? "label " : "field ") + name + quoted(record.text.text());
  } else if (record.kind == KIND_DIAGRAM) {
    what = "diagram " + shownName(record.name);
  } else {
    what = "picture " + name + "(" + record.source + ")";
  }
  what += format(" at %d,%d size %dx%d", record.x, record.y, record.width, record.height);
  if (!record.seeThrough.empty()) what += " see-through " + record.seeThrough;
  return what;
}

void HeadlessScreen::destroyObject(ObjectHandle object) {
  Record* record = recordOf(object);
  if (!record) return;
  transcript_.add("remove " + shownName(record->name));
  record->alive = false;
  if (focus_ >= 0 && handleOf(static_cast<size_t>(focus_)) == object) focus_ = -1;
}

const char* HeadlessScreen::objectName(ObjectHandle object) {
  Record* record = recordOf(object);
  return record ? record->name.c_str() : nullptr;
}

// Text objects are shown when they are made, but get their name last: their line waits for it.
void HeadlessScreen::setObjectName(ObjectHandle object, const char* name) {
  Record* record = recordOf(object);
  if (!record) return;
  record->name = name;
  if (record->kind == KIND_TEXT && !record->announced) {
    record->announced = true;
    transcript_.add(describe(*record));
  }
}

int HeadlessScreen::objectKind(ObjectHandle object) {
  Record* record = recordOf(object);
  return record ? record->kind : 0;
}

void HeadlessScreen::setObjectFlags(ObjectHandle object, uint16_t flags) {
  Record* record = recordOf(object);
  if (!record) return;
  record->flags = flags;
  const char* state = (flags & OF_DRAG) ? "can be dragged" : "cannot be dragged";
  transcript_.add(shownName(record->name) + " " + state);
}

void HeadlessScreen::installInterpreterHook(ObjectHandle object) {
  if (Record* record = recordOf(object)) record->hooked = true;
}

void HeadlessScreen::shapeByColour(ObjectHandle object, Rgb colour) {
  if (Record* record = recordOf(object)) record->seeThrough = colourText(colour);
}

void HeadlessScreen::objectSize(ObjectHandle object, int* width, int* height) {
  Record* record = recordOf(object);
  *width = record ? record->width : 0;
  *height = record ? record->height : 0;
}

ScreenRect HeadlessScreen::windowRect(ObjectHandle object) {
  Record* record = recordOf(object);
  if (!record) return ScreenRect{0, 0, 0, 0};
  return ScreenRect{record->x, record->y, record->x + record->width, record->y + record->height};
}

void HeadlessScreen::placeObject(ObjectHandle object, int x, int y) {
  Record* record = recordOf(object);
  if (!record) return;
  record->x = x;
  record->y = y;
  record->raised = ++raiseCount_;
}

void HeadlessScreen::moveObject(ObjectHandle object, int x, int y) {
  Record* record = recordOf(object);
  if (!record) return;
  record->x = x;
  record->y = y;
  const char* hidden = record->visible ? "" : " (hidden)";
  transcript_.add(format("move %s to %d,%d%s", shownName(record->name).c_str(), x, y, hidden));
}

// Only changes are written: clear hides every object, also those that were never shown.
void HeadlessScreen::showObject(ObjectHandle object, bool visible) {
  Record* record = recordOf(object);
  if (!record || record->visible == visible) return;
  record->visible = visible;
  if (!visible) {
    transcript_.add("hide " + shownName(record->name));
    return;
  }
  transcript_.add("show " + describe(*record));
  for (const std::string& fill : record->fills) transcript_.add("  " + fill);
  record->fills.clear();
}

bool HeadlessScreen::setCurrentFont(const FontRequest& font) {
  hasFont_ = true;
  fontHeight_ = font.height;
  std::string style = font.weight >= 700 ? " bold" : "";
  if (font.italic) style += " italic";
  if (font.underline) style += " underlined";
  if (font.strikeOut) style += " struck out";
  transcript_.add(format("font %s height %d%s", quoted(font.face).c_str(), font.height, style.c_str()));
  return true;
}

void HeadlessScreen::setTextColour(Rgb colour) { transcript_.add("text colour " + colourText(colour)); }

TextExtent HeadlessScreen::measureText(const char* text) {
  int height = fontHeight_ == 0 ? kDefaultTextHeight : std::abs(fontHeight_);
  int charWidth = height / 2 > 0 ? height / 2 : 1;
  size_t length = std::strlen(text);
  int characters = 0;
  for (size_t i = 0; i < length; i = nextCharacter(text, length, i, messages_.textEncoding())) ++characters;
  return TextExtent{characters * charWidth, height};
}

ObjectHandle HeadlessScreen::addTextObject(int x, int y, int width, int height, bool label) {
  Record record;
  record.kind = KIND_TEXT;
  record.label = label;
  record.text.setEncoding(messages_.textEncoding());
  record.x = x;
  record.y = y;
  record.width = width;
  record.height = height;
  record.visible = true;
  return addRecord(std::move(record));
}

void HeadlessScreen::setObjectText(ObjectHandle object, const char* text) {
  Record* record = recordOf(object);
  if (!record || record->kind != KIND_TEXT) return;
  record->text.setText(text);
  if (record->announced) transcript_.add("text of " + shownName(record->name) + " " + quoted(text));
}

const char* HeadlessScreen::textOfObject(ObjectHandle object) {
  Record* record = recordOf(object);
  return record && record->kind == KIND_TEXT ? record->text.text() : nullptr;
}

ObjectHandle HeadlessScreen::createDiagramObject(int width, int height) {
  Record record;
  record.kind = KIND_DIAGRAM;
  record.source = "rhythm diagram";
  record.width = width;
  record.height = height;
  return addRecord(std::move(record));
}

void HeadlessScreen::setObjectBounds(ObjectHandle object, int x, int y, int width, int height) {
  Record* record = recordOf(object);
  if (!record) return;
  record->x = x;
  record->y = y;
  record->width = width;
  record->height = height;
}

void HeadlessScreen::fillSurfaceRect(ObjectHandle object, const PixelRect& rect, Rgb colour) {
  Record* record = recordOf(object);
  if (!record) return;
  record->fills.push_back(format("bar %d,%d to %d,%d colour %s", rect.left, rect.top, rect.right, rect.bottom,
                                 colourText(colour).c_str()));
}

int HeadlessScreen::topmostShown(const std::string& name) const {
  int found = -1;
  for (size_t i = 0; i < records_.size(); ++i) {
    const Record& record = records_[i];
    if (!record.alive || !record.visible || record.name != name) continue;
    if (found < 0 || record.raised > records_[static_cast<size_t>(found)].raised) found = static_cast<int>(i);
  }
  return found;
}

ClickEffect HeadlessScreen::click(const std::string& name, char* clickedName, size_t size) {
  int index = topmostShown(name);
  if (index < 0) {
    for (const Record& record : records_) {
      if (record.alive && record.name == name) return ClickEffect::Hidden;
    }
    return ClickEffect::NoObject;
  }
  Record& record = records_[static_cast<size_t>(index)];
  ClickEffect effect = clickEffect(
      ClickTarget{record.kind, record.flags, !record.name.empty(), record.hooked, record.label, record.visible});
  if (effect == ClickEffect::Focus) focus_ = index;
  if (effect == ClickEffect::Reported) copyText(clickedName, size, record.name.c_str());
  return effect;
}

std::string HeadlessScreen::type(const std::string& text) {
  int index = focus_;
  if (index < 0) {
    for (size_t i = 0; i < records_.size(); ++i) {
      const Record& record = records_[i];
      if (record.alive && record.visible && record.kind == KIND_TEXT && !record.label) index = static_cast<int>(i);
    }
  }
  if (index < 0) return "";
  Record& record = records_[static_cast<size_t>(index)];
  for (const std::string& character : typedCharacters(text, record.text.encoding())) record.text.typed(character);
  return record.name;
}

}  // namespace vellaro
