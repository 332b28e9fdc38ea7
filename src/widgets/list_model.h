// The list widget's items and selection, apart from any window: up to 1000 items of a copied text
// and a value, the selected row, the top row of the visible page, and what keys, the wheel and
// clicks do to them.
#pragma once

#include <array>
#include <string>

namespace vellaro {

constexpr int kListCapacity = 1000;
constexpr int kListRowHeight = 20;

enum class ListKey { End, Home, Up, Down, PageUp, PageDown };

class ListModel {
 public:
  explicit ListModel(int visibleRows = 1) : visibleRows_(visibleRows < 1 ? 1 : visibleRows) {}

  // Fills the first empty slot and returns its index; 0 when all 1000 are used.
  int add(const std::string& text, int value);
  // Shifts the following items down; false for an index without an item.
  bool remove(int index);
  void clear();
  int count() const { return count_; }
  const std::string& text(int index) const;
  bool setValue(int index, int value);
  int value(int index) const;

  int selected() const { return selected_; }
  int top() const { return top_; }
  int visibleRows() const { return visibleRows_; }
  // Selects an item and scrolls so that it is on the page; false for an index without an item.
  bool select(int index);
  void key(ListKey key);
  // The wheel scrolls one row: up for a positive step.
  void wheel(int steps);
  // The item under a click at y pixels from the top of the list, or -1 for none.
  int rowAt(int y) const;

 private:
  void scrollTo(int top);
  void keepSelectionVisible();

  struct Item {
    std::string text;
    int value = 0;
  };
  std::array<Item, kListCapacity> items_{};
  int count_ = 0;
  int selected_ = 0;
  int top_ = 0;
  int visibleRows_;
};

}  // namespace vellaro
