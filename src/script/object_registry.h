// The ObjectRegistry: 500 slots through which scenario commands find screen objects by name.
// It stores no names; each lookup reads the name from the object's record through the Screen.
#pragma once

#include "base/limits.h"
#include "script/screen.h"

namespace vellaro {

class MessageSink;

constexpr int kMaxObjects = 500;

class ObjectRegistry {
 public:
  // Empties every slot (start-up); the objects themselves are not touched.
  void clear();

  // Names the object, then takes the lowest empty slot. When all slots are taken it shows
  // "MAX number of objects reached!" and returns -1; the object itself stays.
  int registerObject(Screen& screen, MessageSink& messages, ObjectHandle object, const char* name);
  // The object in the lowest slot whose name equals name exactly, or null.
  ObjectHandle findObject(Screen& screen, const char* name) const;
  // True when the slot holds an object named exactly name.
  bool hasName(Screen& screen, int slot, const char* name) const;

  ObjectHandle at(int slot) const { return slots_[slot]; }
  void release(int slot) { slots_[slot] = nullptr; }

  // The name of the last object the user clicked; input reads it.
  char clickedObjectName[kObjectNameSize] = {};

 private:
  ObjectHandle slots_[kMaxObjects] = {};
};

}  // namespace vellaro
