#include "widgets/win32_widgets.h"

#include <algorithm>

#include "base/win32_gdi.h"
#include "image/win32_picture_loader.h"
#include "ui/win32_animation_window.h"
#include "ui/win32_screen_object.h"
#include "ui/win32_shapes.h"
#include "widgets/widget_layout.h"
#include "widgets/win32_widget_pictures.h"

namespace vellaro {
namespace {

void deleteAll(std::vector<HBITMAP>& pictures) {
  for (HBITMAP picture : pictures) {
    if (picture) DeleteObject(picture);
  }
  pictures.clear();
}

}  // namespace

// --- push and check buttons ---

ButtonWidget::ButtonWidget(MessageSink& host, HWND parent, int x, int y, UINT commandId)
    : ButtonWidget(host, parent, x, y, commandId, kControlsLibrary, "ok", "ok1.bmp", "ok2.bmp", false) {}

ButtonWidget::ButtonWidget(HWND parent, int x, int y, HBITMAP up, HBITMAP down, UINT commandId)
    : parent_(parent), commandId_(commandId) {
  frames_[0] = up;
  frames_[1] = down;
  create(parent, x, y, false);
}

ButtonWidget::ButtonWidget(MessageSink& host, HWND parent, int x, int y, UINT commandId, const char* library,
                           const char* group, const char* up, const char* down, bool toggle)
    : parent_(parent), commandId_(commandId) {
  frames_[0] = loadBitmap(host, library, group, up);
  frames_[1] = loadBitmap(host, library, group, down);
  create(parent, x, y, toggle);
}

void ButtonWidget::create(HWND parent, int x, int y, bool toggle) {
  if (!frames_[0]) std::swap(frames_[0], frames_[1]);  // a missing up image: the list must start
  window_ = createButtonWindow(parent, frames_);
  if (!window_) return;
  setObjectOwner(window_, this);
  setObjectHook(window_, hook);
  if (toggle) setRecordFlags(window_, OF_TOGGLE);
  placeAndShow(window_, x, y);
}

ButtonWidget::~ButtonWidget() {
  if (window_) destroyObjectWindow(window_);
  for (HBITMAP frame : frames_) {
    if (frame) DeleteObject(frame);
  }
}

void ButtonWidget::setCallback(WidgetCallback callback, void* user) {
  callback_ = callback;
  user_ = user;
}

int ButtonWidget::state() const { return currentFrame(window_); }

int ButtonWidget::hook(HWND window, UINT message, WPARAM, LPARAM) {
  auto* widget = static_cast<ButtonWidget*>(objectOwner(window));
  if (!widget || message != WM_LBUTTONUP) return 1;
  if (widget->callback_) {
    widget->callback_(widget->user_, widget->parent_, widget->state());
  } else {
    PostMessageA(widget->parent_, WM_COMMAND, widget->commandId_, 0);
  }
  return 1;
}

CheckWidget::CheckWidget(MessageSink& host, HWND parent, int x, int y, UINT commandId)
    : ButtonWidget(host, parent, x, y, commandId, "Controls.sli", "check", "trig1.bmp", "trig2.bmp", true) {}

// --- spin field ---

SpinWidget::SpinWidget(MessageSink& host, HWND parent, int min, int max, int x, int y)
    : host_(host), parent_(parent), min_(min), max_(std::max(min, max)), value_(min) {
  auto load = [&](const char* name) {
    HBITMAP picture = loadBitmap(host_, kControlsLibrary, "spin", name);
    pictures_.push_back(picture);
    return picture;
  };
  const char* digitNames[] = {"spin0.bmp", "spin1.bmp", "spin2.bmp", "spin3.bmp", "spin4.bmp", "spin5.bmp",
                              "spin6.bmp", "spin7.bmp", "spin8.bmp", "spin9.bmp", "spin_.bmp"};
  for (int i = 0; i < 11; ++i) digitFrames_[i] = load(digitNames[i]);
  capFrames_[0][0] = load("spin_l.bmp");
  capFrames_[1][0] = load("spin_r.bmp");
  HBITMAP middle = load("spin_m.bmp");
  upFrames_[0] = load("spinup1.bmp"), upFrames_[1] = load("spinup2.bmp");
  downFrames_[0] = load("spindn1.bmp"), downFrames_[1] = load("spindn2.bmp");
  for (int i = 0; i < 11; ++i) {
    if (!digitFrames_[i]) return;  // a frame list with a hole would end there
  }
  int count = spinDigitCount(min_, max_);
  SIZE digit = sizeOf(digitFrames_[0]);
  stripFrames_[0] = tiledPicture(nullptr, middle, nullptr, (digit.cx + 1) * count + 1);
  pictures_.push_back(stripFrames_[0]);
  int stripX = x + sizeOf(capFrames_[0][0]).cx;
  int rightX = stripX + sizeOf(stripFrames_[0]).cx;
  int upX = rightX + sizeOf(capFrames_[1][0]).cx;
  left_ = createAnimationWindow(parent, capFrames_[0]);
  strip_ = createAnimationWindow(parent, stripFrames_);
  right_ = createAnimationWindow(parent, capFrames_[1]);
  up_ = createButtonWindow(parent, upFrames_);
  down_ = createButtonWindow(parent, downFrames_);
  placeAndShow(left_, x, y);
  placeAndShow(strip_, stripX, y);
  placeAndShow(right_, rightX, y);
  placeAndShow(up_, upX, y);
  placeAndShow(down_, upX + sizeOf(upFrames_[0]).cx, y);
  for (HWND button : {up_, down_}) {
    setObjectOwner(button, this);
    setObjectHook(button, buttonHook);
  }
  for (int i = 0; i < count; ++i) {
    digits_.push_back(createAnimationWindow(strip_, digitFrames_));
    placeAndShow(digits_.back(), (digit.cx + 1) * i + 1, 1);
  }
  setValue(min_);
}

SpinWidget::~SpinWidget() {
  for (HWND window : digits_) destroyObjectWindow(window);
  for (HWND window : {left_, strip_, right_, up_, down_}) {
    if (window) destroyObjectWindow(window);
  }
  deleteAll(pictures_);
}

void SpinWidget::setCallback(WidgetCallback callback, void* user) {
  callback_ = callback;
  user_ = user;
}

bool SpinWidget::setValue(int value) {
  if (value < min_ || value > max_) return false;
  value_ = value;
  std::vector<int> shown = spinDigits(value, static_cast<int>(digits_.size()));
  for (size_t i = 0; i < digits_.size(); ++i) {
    showFrame(digits_[i], shown[i]);
    UpdateWindow(digits_[i]);
  }
  return true;
}

void SpinWidget::step(int delta) {
  int64_t wanted = static_cast<int64_t>(value_) + delta;
  if (wanted < min_ || wanted > max_) return;
  if (setValue(static_cast<int>(wanted)) && callback_) callback_(user_, parent_, value_);
}

int SpinWidget::buttonHook(HWND window, UINT message, WPARAM, LPARAM) {
  auto* widget = static_cast<SpinWidget*>(objectOwner(window));
  if (widget && message == WM_LBUTTONUP) widget->step(window == widget->up_ ? 1 : -1);
  return 1;
}

// --- slider ---

SliderWidget::SliderWidget(MessageSink& host, HWND parent, int min, int max, int x, int y, int length)
    : parent_(parent), min_(min), max_(std::max(min, max)), value_(min), length_(std::max(length, 1)), y_(y) {
  auto load = [&](const char* name) {
    HBITMAP picture = loadBitmap(host, kControlsLibrary, "slider", name);
    pictures_.push_back(picture);
    return picture;
  };
  HBITMAP left = load("left.bmp");
  HBITMAP middle = load("middle.bmp");
  HBITMAP right = load("right.bmp");
  armFrames_[0] = load("arm.bmp");
  trackFrames_[0] = tiledPicture(left, middle, right, length_);
  pictures_.push_back(trackFrames_[0]);
  trackStart_ = x + sizeOf(left).cx;
  track_ = createAnimationWindow(parent, trackFrames_);
  placeAndShow(track_, x, y);
  if (!armFrames_[0]) return;
  arm_ = createAnimationWindow(parent, armFrames_);
  setObjectOwner(arm_, this);
  setObjectHook(arm_, armHook);
  setDragFilter(arm_, armFilter);
  setRecordFlags(arm_, OF_DRAG_X | OF_NO_CLICK);
  placeAndShow(arm_, 0, y);
  placeArm();
}

SliderWidget::~SliderWidget() {
  for (HWND window : {arm_, track_}) {
    if (window) destroyObjectWindow(window);
  }
  deleteAll(pictures_);
}

void SliderWidget::setCallback(WidgetCallback callback, void* user) {
  callback_ = callback;
  user_ = user;
}

bool SliderWidget::setValue(int value) {
  if (value < min_ || value > max_) return false;
  value_ = value;
  placeArm();
  return true;
}

void SliderWidget::placeArm() {
  if (!arm_) return;
  int x = sliderArmX(min_, max_, value_, trackStart_, length_, sizeOf(armFrames_[0]).cx);
  SetWindowPos(arm_, HWND_TOP, x, y_, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

// The arm moves along the track only, its centre between the track's start and end.
int SliderWidget::armFilter(HWND window, int* x, int* y) {
  auto* widget = static_cast<SliderWidget*>(objectOwner(window));
  if (!widget) return 0;
  int half = sizeOf(widget->armFrames_[0]).cx / 2;
  *x = sliderClampCentre(*x + half, widget->trackStart_, widget->length_) - half;
  *y = widget->y_;
  return 1;
}

int SliderWidget::armHook(HWND window, UINT message, WPARAM, LPARAM) {
  auto* widget = static_cast<SliderWidget*>(objectOwner(window));
  if (!widget || message != WM_LBUTTONUP) return 1;
  RECT arm, parent{0, 0, 0, 0};
  GetWindowRect(window, &arm);
  if (HWND parentWindow = GetParent(window)) GetWindowRect(parentWindow, &parent);
  int centre = arm.left - parent.left + (arm.right - arm.left) / 2;
  widget->value_ = sliderValue(widget->min_, widget->max_, centre, widget->trackStart_, widget->length_);
  widget->placeArm();
  if (widget->callback_) widget->callback_(widget->user_, widget->parent_, widget->value_);
  return 1;
}

}  // namespace vellaro
