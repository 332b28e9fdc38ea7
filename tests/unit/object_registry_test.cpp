// The ObjectRegistry: lowest free slot, holes reused, lookup by exact name, the 500-slot bound.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "fake_picture_screen.h"
#include "script/object_registry.h"

namespace vellaro {
namespace {

class ObjectRegistryTest : public ::testing::Test {
 protected:
  ObjectHandle makeObject() {
    screen.pictures.push_back({10, 10});
    return screen.createPictureObject(reinterpret_cast<PictureHandle>(static_cast<intptr_t>(screen.pictures.size())));
  }

  FakeHost host;
  FakePictureScreen screen;
  ObjectRegistry registry;
};

TEST_F(ObjectRegistryTest, TakesTheLowestEmptySlotAndNamesTheObject) {
  for (int i = 0; i < 10; ++i) EXPECT_EQ(registry.registerObject(screen, host, makeObject(), "a"), i);
  registry.release(3);
  ObjectHandle next = makeObject();
  EXPECT_EQ(registry.registerObject(screen, host, next, "late"), 3);
  EXPECT_EQ(registry.at(3), next);
  EXPECT_STREQ(screen.objectName(next), "late");
}

TEST_F(ObjectRegistryTest, FindsTheLowestSlotWithExactlyThatName) {
  registry.registerObject(screen, host, makeObject(), "Door");
  ObjectHandle first = makeObject();
  registry.registerObject(screen, host, first, "door");
  registry.registerObject(screen, host, makeObject(), "door");
  EXPECT_EQ(registry.findObject(screen, "door"), first);
  EXPECT_EQ(registry.findObject(screen, "doo"), nullptr);
  EXPECT_EQ(registry.findObject(screen, "door "), nullptr);
}

TEST_F(ObjectRegistryTest, AnObjectMayHaveAnEmptyName) {
  ObjectHandle unnamed = makeObject();
  registry.registerObject(screen, host, unnamed, "");
  EXPECT_EQ(registry.findObject(screen, ""), unnamed);
}

TEST_F(ObjectRegistryTest, AnObjectWhoseWindowIsGoneMatchesNoName) {
  ObjectHandle gone = makeObject();
  registry.registerObject(screen, host, gone, "x");
  screen.destroyObject(gone);
  EXPECT_EQ(registry.findObject(screen, "x"), nullptr);
  EXPECT_EQ(registry.findObject(screen, ""), nullptr);
}

TEST_F(ObjectRegistryTest, The501stObjectIsNamedButNotRegistered) {
  for (int i = 0; i < kMaxObjects; ++i) registry.registerObject(screen, host, makeObject(), "many");
  EXPECT_TRUE(host.messages.empty());
  ObjectHandle extra = makeObject();
  EXPECT_EQ(registry.registerObject(screen, host, extra, "extra"), -1);
  EXPECT_EQ(host.messages, std::vector<std::string>{"MAX number of objects reached!"});
  EXPECT_EQ(registry.findObject(screen, "extra"), nullptr);
  EXPECT_STREQ(screen.objectName(extra), "extra");
}

TEST_F(ObjectRegistryTest, ClearEmptiesEverySlot) {
  registry.registerObject(screen, host, makeObject(), "a");
  registry.clear();
  EXPECT_EQ(registry.at(0), nullptr);
  EXPECT_EQ(registry.findObject(screen, "a"), nullptr);
}

}  // namespace
}  // namespace vellaro
