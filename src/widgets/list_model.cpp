#include "widgets/list_model.h"

#include <algorithm>

namespace vellaro {

int ListModel::add(const std::string& text, int value) {
  if (count_ >= kListCapacity) return 0;
  items_[static_cast<size_t>(count_)] = Item{text, value};
  return count_++;
}

bool ListModel::remove(int index) {
  if (index < 0 || index >= count_) return false;
  std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
  items_[static_cast<size_t>(--count_)] = Item{};
  if (selected_ >= count_) selected_ = std::max(count_ - 1, 0);
  scrollTo(top_);
  return true;
}

void ListModel::clear() {
  for (int i = 0; i < count_; ++i) items_[static_cast<size_t>(i)] = Item{};
  count_ = selected_ = top_ = 0;
}

const std::string& ListModel::text(int index) const {
  static const std::string kNone;
  return index >= 0 && index < count_ ? items_[static_cast<size_t>(index)].text : kNone;
}

bool ListModel::setValue(int index, int value) {
  if (index < 0 || index >= count_) return false;
  items_[static_cast<size_t>(index)].value = value;
  return true;
}

int ListModel::value(int index) const { return index >= 0 && index < count_ ? items_[static_cast<size_t>(index)].value : 0; }

bool ListModel::select(int index) {
  if (index < 0 || index >= count_) return false;
  selected_ = index;
  keepSelectionVisible();
  return true;
}

void ListModel::key(ListKey key) {
  if (count_ == 0) return;
  switch (key) {
    case ListKey::End: select(count_ - 1); break;
    case ListKey::Home: select(0); scrollTo(0); break;
    case ListKey::Up: select(std::max(selected_ - 1, 0)); break;
    case ListKey::Down: select(std::min(selected_ + 1, count_ - 1)); break;
    case ListKey::PageUp: scrollTo(top_ - visibleRows_); break;
    case ListKey::PageDown: scrollTo(top_ + visibleRows_); break;
  }
}

void ListModel::wheel(int steps) { scrollTo(top_ - (steps > 0 ? 1 : steps < 0 ? -1 : 0)); }

int ListModel::rowAt(int y) const {
  if (y < 0) return -1;
  int row = top_ + y / kListRowHeight;
  return y / kListRowHeight < visibleRows_ && row < count_ ? row : -1;
}

void ListModel::scrollTo(int top) { top_ = std::clamp(top, 0, std::max(count_ - visibleRows_, 0)); }

void ListModel::keepSelectionVisible() {
  if (selected_ < top_) scrollTo(selected_);
  if (selected_ >= top_ + visibleRows_) scrollTo(selected_ - visibleRows_ + 1);
}

}  // namespace vellaro
