// The few things the interpreter needs from the platform: message boxes, clocks and the files that
// must be written whole. The Win32
// player implements them with the system's; the unit tests use a recording fake. Whether a sample
// still sounds is the sound side's (soundIsSilent in script/services.h).
#pragma once

#include <cstdint>
#include <string>

#include "base/message_sink.h"

namespace vellaro {

// A moment on the local calendar and clock.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// showMessage comes from MessageSink.
class Host : public MessageSink {
 public:
  // A modal box with OK and Cancel; true when the user chose OK.
  virtual bool askOkCancel(const std::string& text, const std::string& caption) = 0;
  virtual void beep(unsigned frequency, unsigned durationMs) = 0;
  // Seconds since 1970 times 1000 plus the milliseconds of the current second, wrapping.
  virtual uint32_t clockMs() = 0;
  // Milliseconds since the system started (GetTickCount).
  virtual uint32_t tickCount() = 0;
  // Flushes the complete file at from to the disk and puts it in place of to in one step, so that
  // to holds either its old or its new bytes whatever happens meanwhile; false when either fails
  // (from is then still there). The default is replaceFileWithFlush; the Win32 player has its own,
  // which replaces the target in one step.
  virtual bool replaceFile(const std::string& from, const std::string& to);
  // The local date and time of day now. The default reads the C library's local time; the Win32
  // player asks the system, and a headless run gives a fixed day so that its transcripts stay the
  // same.
  virtual LocalTime localTime();
  // Adds bytes at the end of the file a lesson names (made when missing), whole or not at all; false
  // when they were not added and the file is as it was. The default is appendToPlayerFile.
  virtual bool appendToFile(const std::string& playerPath, const std::string& bytes);
};

}  // namespace vellaro
