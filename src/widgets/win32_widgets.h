// The image-drawn widgets: a push button, a check button, a spin field of digits and a slider,
// built from animation and button windows. Each draws itself only from bitmaps of an image library
// (magenta is see-through and shapes its windows), owns those bitmaps and its windows, and reports
// to its owner through a callback, or by posting WM_COMMAND to its parent when none is set.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "widgets/list_model.h"

namespace vellaro {

class MessageSink;

// user: the owner's value given with the callback; parent: the widget's parent window; value: the
// button's state, or the spin field's or slider's new value.
using WidgetCallback = void (*)(void* user, HWND parent, int value);

// The library the widgets name their pictures in.
inline const char kControlsLibrary[] = "controls.sli";

// A push button: the down image while the mouse button is held. On release it calls its callback,
// or posts WM_COMMAND (command identifier, 0) to its parent.
class ButtonWidget {
 public:
  // The pictures ok1.bmp (up) and ok2.bmp (pressed) of group ok in controls.sli.
  ButtonWidget(MessageSink& host, HWND parent, int x, int y, UINT commandId);
  // The owner's pictures; the widget takes them over.
  ButtonWidget(HWND parent, int x, int y, HBITMAP up, HBITMAP down, UINT commandId);
  virtual ~ButtonWidget();
  ButtonWidget(const ButtonWidget&) = delete;
  ButtonWidget& operator=(const ButtonWidget&) = delete;

  void setCallback(WidgetCallback callback, void* user);
  HWND window() const { return window_; }
  // 1 while pressed (for a check button: while on), else 0.
  int state() const;

 protected:
  ButtonWidget(MessageSink& host, HWND parent, int x, int y, UINT commandId, const char* library, const char* group,
               const char* up, const char* down, bool toggle);

 private:
  void create(HWND parent, int x, int y, bool toggle);
  static int hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HBITMAP frames_[3] = {nullptr, nullptr, nullptr};  // up, down, end of list
  HWND window_ = nullptr;
  HWND parent_ = nullptr;
  UINT commandId_ = 0;
  WidgetCallback callback_ = nullptr;
  void* user_ = nullptr;
};

// A check button: each press flips it between off (trig1.bmp) and on (trig2.bmp) of group check.
class CheckWidget : public ButtonWidget {
 public:
  CheckWidget(MessageSink& host, HWND parent, int x, int y, UINT commandId);
};

// A spin field: digit windows between two caps, then an up and a down button. Its value starts at
// min; the buttons step it by one within min to max and call the callback with the new value.
class SpinWidget {
 public:
  SpinWidget(MessageSink& host, HWND parent, int min, int max, int x, int y);
  ~SpinWidget();
  SpinWidget(const SpinWidget&) = delete;
  SpinWidget& operator=(const SpinWidget&) = delete;

  void setCallback(WidgetCallback callback, void* user);
  // False, and nothing changes, for a value outside min to max.
  bool setValue(int value);
  int value() const { return value_; }
  HWND digitWindow(int i) const { return digits_.at(static_cast<size_t>(i)); }
  HWND upButton() const { return up_; }
  HWND downButton() const { return down_; }

 private:
  static int buttonHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void step(int delta);

  MessageSink& host_;
  HWND parent_;
  int min_, max_, value_;
  std::vector<HBITMAP> pictures_;   // every bitmap the widget loaded or made
  HBITMAP digitFrames_[12] = {};    // 0 to 9, blank, end of list
  HBITMAP stripFrames_[2] = {};     // the strip behind the digits
  HBITMAP capFrames_[2][2] = {};    // left and right caps
  HBITMAP upFrames_[3] = {}, downFrames_[3] = {};
  HWND left_ = nullptr, strip_ = nullptr, right_ = nullptr, up_ = nullptr, down_ = nullptr;
  std::vector<HWND> digits_;
  WidgetCallback callback_ = nullptr;
  void* user_ = nullptr;
};

// A slider: a track of left cap, middle image tiled over length and right cap, and an arm dragged
// along it. On release the arm snaps to the nearest step and the callback gets the new value.
class SliderWidget {
 public:
  SliderWidget(MessageSink& host, HWND parent, int min, int max, int x, int y, int length);
  ~SliderWidget();
  SliderWidget(const SliderWidget&) = delete;
  SliderWidget& operator=(const SliderWidget&) = delete;

  void setCallback(WidgetCallback callback, void* user);
  bool setValue(int value);
  int value() const { return value_; }
  HWND arm() const { return arm_; }
  HWND track() const { return track_; }

 private:
  static int armHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static int armFilter(HWND window, int* x, int* y);
  void placeArm();

  HWND parent_;
  int min_, max_, value_;
  int trackStart_, length_, y_;
  std::vector<HBITMAP> pictures_;
  HBITMAP trackFrames_[2] = {}, armFrames_[2] = {};
  HWND track_ = nullptr, arm_ = nullptr;
  WidgetCallback callback_ = nullptr;
  void* user_ = nullptr;
};

}  // namespace vellaro

namespace vellaro {

// May the row be selected? 0 refuses.
using WidgetFilter = int (*)(void* user, HWND parent, int row);

// A list of up to 1000 items in rows of 20 pixels: "Garamond" 18 pixels bold on the list's white,
// black rows and the selected one dark red behind the tick image. A height of 20 is the collapsed
// form, showing only the selected item. End, Home, Up, Down, Page Up and Page Down move the
// selection or the page, Return and Escape go to the key callback; after each the list repaints and
// calls the selection callback with the selected index. The wheel scrolls a row; a click selects
// the row under the mouse unless the filter refuses; a double click goes to its callback.
class ListWidget {
 public:
  ListWidget(MessageSink& messages, HWND parent, int x, int y, int width, int height);
  ~ListWidget();
  ListWidget(const ListWidget&) = delete;
  ListWidget& operator=(const ListWidget&) = delete;

  void setCallbacks(void* user, WidgetCallback selection, WidgetCallback key, WidgetCallback doubleClick,
                    WidgetFilter maySelect);
  int add(const std::string& text, int value);
  bool remove(int index);
  void clear();
  bool setValue(int index, int value) { return model_.setValue(index, value); }
  int value(int index) const { return model_.value(index); }
  bool select(int index);
  const ListModel& model() const { return model_; }
  HWND window() const { return window_; }

 private:
  static int hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void onKey(WPARAM key);
  void onClick(int y);
  void redraw();
  void selectionChanged();

  HWND parent_;
  int width_, height_;
  ListModel model_;
  HBITMAP tick_ = nullptr;
  HBITMAP frames_[2] = {};
  HFONT font_ = nullptr;
  HWND window_ = nullptr;
  void* user_ = nullptr;
  WidgetCallback selection_ = nullptr, key_ = nullptr, doubleClick_ = nullptr;
  WidgetFilter maySelect_ = nullptr;
};

// A panel of nine image windows: fixed corners, edges tiled along the width and the height, the
// background inside. A click on the top-right corner rolls it up (inner height 18) or opens it
// again, calls the callback with the new state (1 open) and lays the pieces out again. Windows the
// owner places in inner() have their WM_COMMAND posted on to the frame's parent.
class FrameWidget {
 public:
  FrameWidget(MessageSink& messages, HWND parent, int x, int y, int width, int height, const char* library,
              const char* group);
  ~FrameWidget();
  FrameWidget(const FrameWidget&) = delete;
  FrameWidget& operator=(const FrameWidget&) = delete;

  void setCallback(WidgetCallback callback, void* user);
  bool isOpen() const { return open_; }
  void toggle();
  HWND inner() const { return pieces_[kBack]; }
  HWND corner() const { return pieces_[kTopRight]; }

 private:
  enum Piece { kTopLeft, kTop, kTopRight, kLeft, kBack, kRight, kBottomLeft, kBottom, kBottomRight, kPieces };
  static int cornerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static int innerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void layout();

  HWND parent_;
  int x_, y_, width_, height_;
  bool open_ = true;
  std::vector<HBITMAP> pictures_;
  HBITMAP frames_[kPieces][2] = {};
  HWND pieces_[kPieces] = {};
  SIZE corner_{0, 0};  // the top-left corner's size: the edges' thickness
  WidgetCallback callback_ = nullptr;
  void* user_ = nullptr;
};

}  // namespace vellaro
