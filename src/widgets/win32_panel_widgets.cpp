// The list and the roll-up frame.
#include <algorithm>

#include "base/win32_gdi.h"
#include "image/win32_picture_loader.h"
#include "ui/win32_animation_window.h"
#include "ui/win32_screen_object.h"
#include "widgets/win32_widget_pictures.h"
#include "widgets/win32_widgets.h"

namespace vellaro {
namespace {

constexpr COLORREF kRowColour = RGB(0, 0, 0);
constexpr COLORREF kSelectedColour = RGB(153, 0, 0);
constexpr int kTextIndent = 16;  // the tick stands in front of the text
constexpr int kRolledUpHeight = 18;

}  // namespace

// --- list ---

ListWidget::ListWidget(MessageSink& messages, HWND parent, int x, int y, int width, int height)
    : parent_(parent), width_(std::max(width, 1)), height_(std::max(height, kListRowHeight)),
      model_(height_ / kListRowHeight) {
  tick_ = loadBitmap(messages, kControlsLibrary, "list", "tick.bmp");
  frames_[0] = createSolidPicture(width_, height_, Rgb{255, 255, 255});
  font_ = CreateFontA(-18, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Garamond");
  window_ = createAnimationWindow(parent, frames_);
  if (!window_) return;
  setObjectOwner(window_, this);
  setObjectHook(window_, hook);
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOWNA);
  redraw();
}

ListWidget::~ListWidget() {
  if (window_) destroyObjectWindow(window_);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(frames_[0]), static_cast<HGDIOBJ>(tick_), static_cast<HGDIOBJ>(font_)}) {
    if (object) DeleteObject(object);
  }
}

void ListWidget::setCallbacks(void* user, WidgetCallback selection, WidgetCallback key, WidgetCallback doubleClick,
                              WidgetFilter maySelect) {
  user_ = user;
  selection_ = selection;
  key_ = key;
  doubleClick_ = doubleClick;
  maySelect_ = maySelect;
}

int ListWidget::add(const std::string& text, int value) {
  int index = model_.add(text, value);
  redraw();
  return index;
}

bool ListWidget::remove(int index) {
  bool removed = model_.remove(index);
  redraw();
  return removed;
}

void ListWidget::clear() {
  model_.clear();
  redraw();
}

bool ListWidget::select(int index) {
  bool selected = model_.select(index);
  redraw();
  return selected;
}

// Draws the page (or, collapsed, the selected item alone) into the surface and repaints.
void ListWidget::redraw() {
  {
    ScopedMemoryDC dc(frames_[0]);
    ScopedSelectObject font(dc, font_);
    RECT all{0, 0, width_, height_};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    bool collapsed = height_ == kListRowHeight;
    int first = collapsed ? model_.selected() : model_.top();
    int rows = collapsed ? 1 : model_.visibleRows();
    for (int row = 0; row < rows && first + row < model_.count(); ++row) {
      int index = first + row;
      bool selected = index == model_.selected();
      if (selected && tick_) {
        ScopedMemoryDC tickDC(tick_);
        SIZE size = sizeOf(tick_);
        TransparentBlt(dc, 2, row * kListRowHeight + (kListRowHeight - size.cy) / 2, size.cx, size.cy, tickDC, 0, 0,
                       size.cx, size.cy, RGB(255, 0, 255));
      }
      SetTextColor(dc, selected ? kSelectedColour : kRowColour);
      const std::string& text = model_.text(index);
      TextOutA(dc, kTextIndent, row * kListRowHeight, text.c_str(), static_cast<int>(text.size()));
    }
  }
  if (window_) {
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
  }
}

void ListWidget::selectionChanged() {
  redraw();
  if (selection_) selection_(user_, parent_, model_.selected());
}

void ListWidget::onKey(WPARAM key) {
  switch (key) {
    case VK_END: model_.key(ListKey::End); break;
    case VK_HOME: model_.key(ListKey::Home); break;
    case VK_UP: model_.key(ListKey::Up); break;
    case VK_DOWN: model_.key(ListKey::Down); break;
    case VK_PRIOR: model_.key(ListKey::PageUp); break;
    case VK_NEXT: model_.key(ListKey::PageDown); break;
    case VK_RETURN:
    case VK_ESCAPE:
      if (key_) key_(user_, parent_, static_cast<int>(key));
      break;
    default: return;
  }
  selectionChanged();
}

void ListWidget::onClick(int y) {
  SetFocus(window_);
  int row = height_ == kListRowHeight ? model_.selected() : model_.rowAt(y);
  if (row < 0 || row == model_.selected()) return;
  if (maySelect_ && maySelect_(user_, parent_, row) == 0) return;
  model_.select(row);
  selectionChanged();
}

int ListWidget::hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* list = static_cast<ListWidget*>(objectOwner(window));
  if (!list) return 1;
  switch (message) {
    case WM_KEYDOWN: list->onKey(wParam); return 0;
    case WM_GETDLGCODE: return 0;
    case WM_MOUSEWHEEL:
      list->model_.wheel(GET_WHEEL_DELTA_WPARAM(wParam));
      list->redraw();
      return 0;
    case WM_LBUTTONDOWN: list->onClick(static_cast<short>(HIWORD(lParam))); return 1;
    case WM_LBUTTONDBLCLK:
      if (list->doubleClick_) list->doubleClick_(list->user_, list->parent_, list->model_.selected());
      return 1;
    default: return 1;
  }
}

// --- frame ---

FrameWidget::FrameWidget(MessageSink& messages, HWND parent, int x, int y, int width, int height, const char* library,
                         const char* group)
    : parent_(parent), x_(x), y_(y), width_(std::max(width, 1)), height_(std::max(height, kRolledUpHeight)) {
  const char* names[kPieces] = {"tople.bmp", "top.bmp",  "topri.bmp", "left.bmp", "back.bmp",
                                "right.bmp", "bole.bmp", "bottom.bmp", "bori.bmp"};
  HBITMAP images[kPieces];
  for (int i = 0; i < kPieces; ++i) {
    images[i] = loadBitmap(messages, library, group, names[i]);
    pictures_.push_back(images[i]);
  }
  corner_ = sizeOf(images[kTopLeft]);
  SIZE topRight = sizeOf(images[kTopRight]);
  // Edges and background are made at their full size once; rolling up only shortens their windows.
  int edge = static_cast<int>(corner_.cy), side = static_cast<int>(corner_.cx);
  frames_[kTopLeft][0] = images[kTopLeft];
  frames_[kTopRight][0] = images[kTopRight];
  frames_[kBottomLeft][0] = images[kBottomLeft];
  frames_[kBottomRight][0] = images[kBottomRight];
  frames_[kTop][0] = tiledArea(images[kTop], width_, edge);
  frames_[kBottom][0] = tiledArea(images[kBottom], width_, static_cast<int>(sizeOf(images[kBottom]).cy));
  frames_[kLeft][0] = tiledArea(images[kLeft], side, height_);
  frames_[kRight][0] = tiledArea(images[kRight], static_cast<int>(topRight.cx), height_);
  frames_[kBack][0] = tiledArea(images[kBack], width_, height_);
  for (Piece made : {kTop, kBottom, kLeft, kRight, kBack}) pictures_.push_back(frames_[made][0]);
  for (int i = 0; i < kPieces; ++i) {
    if (!frames_[i][0]) continue;  // a missing image leaves its piece out
    pieces_[i] = createAnimationWindow(parent, frames_[i]);
    setObjectOwner(pieces_[i], this);
    ShowWindow(pieces_[i], SW_SHOWNA);
  }
  setObjectHook(pieces_[kTopRight], cornerHook);
  setObjectHook(pieces_[kBack], innerHook);
  layout();
}

FrameWidget::~FrameWidget() {
  for (HWND piece : pieces_) {
    if (piece) destroyObjectWindow(piece);
  }
  for (HBITMAP picture : pictures_) {
    if (picture) DeleteObject(picture);
  }
}

void FrameWidget::setCallback(WidgetCallback callback, void* user) {
  callback_ = callback;
  user_ = user;
}

void FrameWidget::toggle() {
  open_ = !open_;
  layout();
  if (callback_) callback_(user_, parent_, open_ ? 1 : 0);
}

void FrameWidget::layout() {
  int side = static_cast<int>(corner_.cx), edge = static_cast<int>(corner_.cy);
  int inner = open_ ? height_ : kRolledUpHeight;
  struct Place {
    Piece piece;
    int x, y, width, height;
  };
  SIZE topRight = sizeOf(frames_[kTopRight][0]), bottom = sizeOf(frames_[kBottom][0]);
  int right = x_ + side + width_;
  const Place places[] = {
      {kTopLeft, x_, y_, side, edge},
      {kTop, x_ + side, y_, width_, edge},
      {kTopRight, right, y_, static_cast<int>(topRight.cx), static_cast<int>(topRight.cy)},
      {kLeft, x_, y_ + edge, side, inner},
      {kBack, x_ + side, y_ + edge, width_, inner},
      {kRight, right, y_ + edge, static_cast<int>(topRight.cx), inner},
      {kBottomLeft, x_, y_ + edge + inner, side, static_cast<int>(bottom.cy)},
      {kBottom, x_ + side, y_ + edge + inner, width_, static_cast<int>(bottom.cy)},
      {kBottomRight, right, y_ + edge + inner, static_cast<int>(topRight.cx), static_cast<int>(bottom.cy)},
  };
  for (const Place& place : places) {
    if (HWND window = pieces_[place.piece]) {
      SetWindowPos(window, nullptr, place.x, place.y, place.width, place.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

int FrameWidget::cornerHook(HWND window, UINT message, WPARAM, LPARAM) {
  auto* frame = static_cast<FrameWidget*>(objectOwner(window));
  if (frame && message == WM_LBUTTONUP) frame->toggle();
  return 1;
}

int FrameWidget::innerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* frame = static_cast<FrameWidget*>(objectOwner(window));
  if (frame && message == WM_COMMAND) PostMessageA(frame->parent_, WM_COMMAND, wParam, lParam);
  return 1;
}

}  // namespace vellaro
