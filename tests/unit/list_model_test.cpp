// The list widget's model: the fixed table of items, the selection and the page under keys,
// wheel and clicks.
#include <gtest/gtest.h>

#include "widgets/list_model.h"

namespace vellaro {
namespace {

ListModel listOf(int items, int visibleRows) {
  ListModel list(visibleRows);
  for (int i = 0; i < items; ++i) list.add("item " + std::to_string(i), i * 10);
  return list;
}

TEST(ListModel, TheThousandAndFirstItemIsRefusedWithZero) {
  ListModel list = listOf(kListCapacity, 5);
  EXPECT_EQ(list.count(), kListCapacity);
  EXPECT_EQ(list.add("one too many", 1), 0);
  EXPECT_EQ(list.count(), kListCapacity);
  EXPECT_EQ(list.text(kListCapacity - 1), "item 999");
}

TEST(ListModel, RemoveShiftsTheFollowingItemsDownAndClearEmptiesAll) {
  ListModel list = listOf(4, 2);
  EXPECT_TRUE(list.remove(1));
  EXPECT_EQ(list.text(1), "item 2");
  EXPECT_EQ(list.value(2), 30);
  EXPECT_FALSE(list.remove(3));
  EXPECT_FALSE(list.setValue(-1, 5));
  EXPECT_EQ(list.text(7), "");
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.add("again", 1), 0);
}

struct KeyCase {
  const char* what;
  int startSelected, startTop;
  ListKey key;
  int selected, top;
};

class ListKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ListKeys, MoveTheSelectionAndThePage) {
  const KeyCase& c = GetParam();
  ListModel list = listOf(10, 3);
  list.select(c.startSelected);
  while (list.top() < c.startTop) list.key(ListKey::PageDown);
  while (list.top() > c.startTop) list.wheel(1);
  list.key(c.key);
  EXPECT_EQ(list.selected(), c.selected);
  EXPECT_EQ(list.top(), c.top);
}

INSTANTIATE_TEST_SUITE_P(Table, ListKeys,
                         ::testing::Values(KeyCase{"end", 0, 0, ListKey::End, 9, 7},
                                           KeyCase{"home scrolls to the top", 5, 3, ListKey::Home, 0, 0},
                                           KeyCase{"down past the page scrolls", 2, 0, ListKey::Down, 3, 1},
                                           KeyCase{"down at the last item stays", 9, 7, ListKey::Down, 9, 7},
                                           KeyCase{"up at the first item stays", 0, 0, ListKey::Up, 0, 0},
                                           KeyCase{"page down by a page", 0, 0, ListKey::PageDown, 0, 3},
                                           KeyCase{"page down stops at the last page", 0, 6, ListKey::PageDown, 0, 7},
                                           KeyCase{"page up stops at the top", 0, 1, ListKey::PageUp, 0, 0}));

TEST(ListModel, ClicksFindTheRowUnderTheMouseOnlyOverItems) {
  ListModel list = listOf(4, 3);
  list.wheel(-1);  // one row down
  EXPECT_EQ(list.top(), 1);
  EXPECT_EQ(list.rowAt(0), 1);
  EXPECT_EQ(list.rowAt(45), 3);
  EXPECT_EQ(list.rowAt(60), -1);  // below the visible rows
  EXPECT_EQ(list.rowAt(-1), -1);
  list.wheel(-1);
  EXPECT_EQ(list.top(), 1);  // the last page is already shown
}

}  // namespace
}  // namespace vellaro
