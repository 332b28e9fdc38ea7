// The display mode that the screen command chooses, and its restore when the run stops.
#pragma once

#include <windows.h>

#include <memory>

namespace vellaro {

class DisplayModeSwitch {
 public:
  // Searches the primary display's modes for the first one with this width, depth and refresh
  // rate (the height is not compared) and switches to it; false when there is none. The search
  // record is kept either way, which marks the display for restoring.
  bool switchTo(int width, int bits, int frequency);
  // When any switch was asked for: restores the mode of the registry, tells every top-level window
  // and forgets the record.
  void restore();

 private:
  std::unique_ptr<DEVMODEA> saved_;
};

}  // namespace vellaro
