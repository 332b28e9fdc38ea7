// The window side of the picture commands: what they need from the screen, behind opaque handles.
// The Win32 player implements it with real windows (src/ui); the unit tests use a fake.
#pragma once

#include <cstdint>
#include <string>

#include "base/types.h"

namespace vellaro {

// A screen object (in the player: the window that carries its record). Null means none.
using ObjectHandle = void*;
// A picture not yet handed to a window or to the background (in the player: a DIB section).
using PictureHandle = void*;

// Behaviour flags of a screen object's record.
constexpr uint16_t OF_DRAG = 0x0001;              // dragged with the left button on both axes
constexpr uint16_t OF_DRAG_X = 0x0002;            // dragged horizontally only
constexpr uint16_t OF_DRAG_Y = 0x0004;            // dragged vertically only
constexpr uint16_t OF_TOGGLE = 0x0010;            // a button click toggles its state
constexpr uint16_t OF_NO_CLICK = 0x0020;          // a left click does not report the name
constexpr uint16_t OF_SEE_THROUGH = 0x0040;       // back buffer filled from the parent's
constexpr uint16_t OF_NO_PARENT_UPDATE = 0x0100;  // moving does not repaint the parent at once

// Screen coordinates of a window's outer edges.
struct ScreenRect {
  int left;
  int top;
  int right;
  int bottom;
};

// A font for text objects, as the font command (or the default font) asks for it.
struct FontRequest {
  int height;        // passed on as is: the platform's rules for negative heights apply
  int weight;        // 100 to 900
  bool italic;
  bool underline;
  bool strikeOut;
  uint8_t charset;   // the platform's character-set number
  std::string face;
};

// Width and height of a text in pixels.
struct TextExtent {
  int width;
  int height;
};

class Screen {
 public:
  virtual ~Screen() = default;

  virtual int screenWidth() = 0;
  virtual int screenHeight() = 0;

  // Pictures. Ownership passes to the caller, and from it to setBackground or createPictureObject.
  // loadPicture reads a plain BMP file and reports a missing file itself; null when it cannot.
  virtual PictureHandle loadPicture(const std::string& path) = 0;
  // A width x height picture of 24 bits per pixel in one colour.
  virtual PictureHandle makeSolidPicture(int width, int height, Rgb colour) = 0;

  // The main window's background: delete the current picture, or take a new one (possibly none),
  // tile it over the back buffer and repaint the whole main window.
  virtual void deleteBackground() = 0;
  virtual void setBackground(PictureHandle picture) = 0;

  // A hidden picture window on the main window that owns the picture.
  virtual ObjectHandle createPictureObject(PictureHandle picture) = 0;
  // Frees the object's record, pictures and drawing contexts and destroys its window.
  virtual void destroyObject(ObjectHandle object) = 0;
  // The object's name, or null when the handle no longer carries a record.
  virtual const char* objectName(ObjectHandle object) = 0;
  virtual void setObjectName(ObjectHandle object, const char* name) = 0;
  // The kind code of the object's record (6 for a picture, 9 for a text window, ...), 0 without one.
  virtual int objectKind(ObjectHandle /*object*/) { return 0; }
  virtual void setObjectFlags(ObjectHandle object, uint16_t flags) = 0;
  // Clicks on the object report its name to the interpreter, keys play notes.
  virtual void installInterpreterHook(ObjectHandle object) = 0;
  // Cuts every pixel of the colour out of the object's shape.
  virtual void shapeByColour(ObjectHandle object, Rgb colour) = 0;

  // Width and height of the object's client area.
  virtual void objectSize(ObjectHandle object, int* width, int* height) = 0;
  virtual ScreenRect windowRect(ObjectHandle object) = 0;
  // Puts the object at (x, y) of the main window's client area, on top of the others, unshown.
  virtual void placeObject(ObjectHandle object, int x, int y) = 0;
  // Moves the object without changing its size or Z order.
  virtual void moveObject(ObjectHandle object, int x, int y) = 0;
  virtual void showObject(ObjectHandle object, bool visible) = 0;
  // The standard arrow, so that a cursor left over from a wait does not stay on a new picture.
  virtual void setArrowCursor() = 0;

  // --- Text labels and edit fields ---
  // One current font and colour for the whole program. Every text object is made with them and
  // keeps them, also after a later font command replaces the current font.
  virtual bool hasCurrentFont() = 0;
  // Releases the current font and creates the requested one. False when it cannot be created:
  // then there is no current font.
  virtual bool setCurrentFont(const FontRequest& font) = 0;
  virtual void setTextColour(Rgb colour) = 0;
  // Size of the text in the current font, measured on the main window's surface.
  virtual TextExtent measureText(const char* text) = 0;
  // A text object at (x, y) of the main window, shown at once, with the current font and colour.
  // A label is read-only, never takes the keyboard, and a left click on it reports its name to
  // the interpreter and wakes its wait; otherwise it is an edit field that takes typing.
  virtual ObjectHandle addTextObject(int x, int y, int width, int height, bool label) = 0;
  // Replaces the text (the caret goes to its end) and repaints.
  virtual void setObjectText(ObjectHandle object, const char* text) = 0;
  // The object's current text, or null when it is not a text object.
  virtual const char* textOfObject(ObjectHandle object) = 0;
};

}  // namespace vellaro
