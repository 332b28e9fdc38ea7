#include "script/object_registry.h"

#include "base/messages.h"

#include <cstring>

#include "base/message_sink.h"

namespace vellaro {

void ObjectRegistry::clear() {
  for (ObjectHandle& slot : slots_) slot = nullptr;
  clickedObjectName[0] = '\0';
}

int ObjectRegistry::registerObject(Screen& screen, MessageSink& messages, ObjectHandle object, const char* name) {
  screen.setObjectName(object, name);
  for (int slot = 0; slot < kMaxObjects; ++slot) {
    if (slots_[slot]) continue;
    slots_[slot] = object;
    return slot;
  }
  messages.showMessage(kTooManyObjects);
  return -1;
}

bool ObjectRegistry::hasName(Screen& screen, int slot, const char* name) const {
  if (!slots_[slot]) return false;
  const char* objectName = screen.objectName(slots_[slot]);  // null once the window is gone
  return objectName && std::strcmp(objectName, name) == 0;
}

ObjectHandle ObjectRegistry::findObject(Screen& screen, const char* name) const {
  for (int slot = 0; slot < kMaxObjects; ++slot) {
    if (hasName(screen, slot, name)) return slots_[slot];
  }
  return nullptr;
}

}  // namespace vellaro
