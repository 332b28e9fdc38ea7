#include "ui/win32_lesson_watch.h"

#include <utility>

#include "base/text_format.h"
#include "base/messages.h"
#include "script/host.h"

namespace vellaro {
namespace {

constexpr DWORD kWatchedChanges = FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME;

uint64_t joined(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

}  // namespace

LessonWatch::LessonWatch(std::string folder, std::function<void()> onChange, Host& host)
    : folder_(std::move(folder)), onChange_(std::move(onChange)), host_(host) {
  change_ = FindFirstChangeNotificationA(folder_.c_str(), FALSE, kWatchedChanges);
  if (!watching()) {
    host_.showMessage(format(kFolderWatchFailed, folder_.c_str()));
    return;
  }
  stamps_ = stampFolder();
}

LessonWatch::~LessonWatch() {
  if (watching()) FindCloseChangeNotification(change_);
}

HANDLE LessonWatch::handle() { return watching() ? change_ : nullptr; }

DWORD LessonWatch::msUntilDue() {
  uint32_t until = debounce_.msUntilDue(host_.tickCount());
  return until == ReloadDebounce::kNothingDue ? INFINITE : until;
}

// Any file of the folder signals the notification (store files and debug.txt as well), so only a
// difference in the .scn files' stamps counts as a change of the lesson.
void LessonWatch::service() {
  if (!watching()) return;
  if (WaitForSingleObject(change_, 0) == WAIT_OBJECT_0) {
    FindNextChangeNotification(change_);  // armed again before the folder is read: nothing is missed
    std::vector<FileStamp> now = stampFolder();
    if (stampsDiffer(stamps_, now)) {
      stamps_ = std::move(now);
      debounce_.changed(host_.tickCount());
    }
  }
  if (debounce_.due(host_.tickCount()) && onChange_) onChange_();
}

std::vector<FileStamp> LessonWatch::stampFolder() const {
  std::vector<FileStamp> stamps;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder_ + "\\*.scn").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return stamps;
  do {
    // The pattern also matches longer endings through their short names (x.scnbak is X~1.SCN).
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isScenarioFileName(found.cFileName)) continue;
    stamps.push_back({found.cFileName, joined(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime),
                      joined(found.nFileSizeHigh, found.nFileSizeLow)});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return stamps;
}

}  // namespace vellaro
