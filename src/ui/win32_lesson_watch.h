// Watching a lesson's folder for saved .scn files (vellaro.exe --watch). The folder's change
// notification is one more handle the waits block on beside the message queue, so watching costs
// no processor time while nothing in the folder changes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "script/reload.h"
#include "ui/win32_waits.h"

namespace vellaro {

class Host;

class LessonWatch final : public WaitSource {
 public:
  // Watches folder (not its subfolders) for written, made, renamed and removed files. onChange
  // runs inside a wait once the .scn files' stamps changed and the folder then stayed quiet for a
  // second. Shows "Cannot watch the folder (FOLDER) for changed lessons" when the folder cannot
  // be watched; the lesson then runs as without --watch.
  LessonWatch(std::string folder, std::function<void()> onChange, Host& host);
  ~LessonWatch() override;
  LessonWatch(const LessonWatch&) = delete;
  LessonWatch& operator=(const LessonWatch&) = delete;

  bool watching() const { return change_ != INVALID_HANDLE_VALUE; }

  HANDLE handle() override;
  DWORD msUntilDue() override;
  void service() override;

 private:
  // The .scn files of the folder with their last-write times and sizes.
  std::vector<FileStamp> stampFolder() const;

  std::string folder_;
  std::function<void()> onChange_;
  Host& host_;
  HANDLE change_ = INVALID_HANDLE_VALUE;
  std::vector<FileStamp> stamps_;
  ReloadDebounce debounce_;
};

}  // namespace vellaro
