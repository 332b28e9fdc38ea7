#include "harness.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace vellaro::wine {

namespace {

// Closes a Win32 handle when it goes out of scope.
class AutoCloseHandle {
 public:
  explicit AutoCloseHandle(HANDLE handle) : handle_(handle) {}
  ~AutoCloseHandle() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  AutoCloseHandle(const AutoCloseHandle&) = delete;
  AutoCloseHandle& operator=(const AutoCloseHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

constexpr DWORD kBoxCloseTimeoutMs = 5000;
constexpr DWORD kPollMs = 10;
// The static control that holds a message box's text has this id, on Windows and under Wine.
constexpr int kMessageBoxTextId = 0xFFFF;

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string windowText(HWND window) {
  // GetWindowTextA reads another process's window title without sending it a message, so a
  // hung player cannot block the test here.
  char buffer[8192] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

std::string className(HWND window) {
  char buffer[256] = {};
  GetClassNameA(window, buffer, sizeof buffer);
  return buffer;
}

void removeTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK collectProcessWindows(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> visibleWindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(collectProcessWindows, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK findLongestStatic(HWND child, LPARAM param) {
  auto* text = reinterpret_cast<std::string*>(param);
  if (_stricmp(className(child).c_str(), "Static") == 0) {
    std::string candidate = windowText(child);
    if (candidate.size() > text->size()) *text = candidate;
  }
  return TRUE;
}

std::string messageBoxText(HWND box) {
  HWND label = GetDlgItem(box, kMessageBoxTextId);
  if (label) return windowText(label);
  std::string text;  // a message box of another make: its longest static text
  EnumChildWindows(box, findLongestStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}

// The environment of this program with `overrides` added or replaced, as a CreateProcess block.
std::string environmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::vector<std::string> entries;
  if (char* block = GetEnvironmentStringsA()) {
    for (const char* entry = block; *entry; entry += strlen(entry) + 1) entries.push_back(entry);
    FreeEnvironmentStringsA(block);
  }
  for (const auto& [name, value] : overrides) {
    std::string prefix = name + "=";
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::string& e) {
                                   return e.size() >= prefix.size() &&
                                          _strnicmp(e.c_str(), prefix.c_str(), prefix.size()) == 0;
                                 }),
                  entries.end());
    entries.push_back(prefix + value);
  }
  std::string result;
  for (const auto& entry : entries) result += entry + '\0';
  result += '\0';
  return result;
}

// A job that kills the player when the test program ends, however it ends.
HANDLE createKillOnCloseJob() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

void sendMouse(int x, int y, DWORD flags) {
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  // Absolute positions are in 1/65536 of the screen; rounding up maps back to exactly (x, y).
  input.mi.dx = std::min(65535L, static_cast<LONG>((x * 65536LL + width - 1) / width));
  input.mi.dy = std::min(65535L, static_cast<LONG>((y * 65536LL + height - 1) / height));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
  Sleep(30);  // let the input reach the target's queue before the next event
}

void sendKey(WORD virtualKey, DWORD flags) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags;
  SendInput(1, &input, sizeof input);
  Sleep(30);
}

int testFolderCounter = 0;

}  // namespace

// --- TestFolder ---

TestFolder::TestFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string base = temp;
  if (!base.empty() && base.back() == '\\') base.pop_back();
  for (;;) {
    path_ = base + "\\vellaro-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++testFolderCounter);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create the test folder " << path_;
      break;
    }
  }
}

TestFolder::~TestFolder() {
  if (::testing::Test::HasFailure()) {
    std::printf("[ harness  ] kept the test folder %s\n", path_.c_str());
    return;
  }
  removeTree(path_);
}

std::string TestFolder::pathOf(const std::string& relative) const { return path_ + "\\" + relative; }

void TestFolder::makeFolder(const std::string& relative) const {
  std::string full = pathOf(relative);
  for (size_t i = path_.size() + 1; i <= full.size(); ++i) {
    if (i == full.size() || full[i] == '\\' || full[i] == '/') {
      CreateDirectoryA(full.substr(0, i).c_str(), nullptr);
    }
  }
}

void TestFolder::writeFile(const std::string& relative, const std::string& bytes) const {
  std::string parent = folderOf(relative);
  if (!parent.empty()) makeFolder(parent);
  AutoCloseHandle file(CreateFileA(pathOf(relative).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file.valid() ||
      !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    ADD_FAILURE() << "cannot write " << pathOf(relative);
  }
}

void TestFolder::writeScenario(const std::string& relative, const std::vector<std::string>& lines,
                               bool finalLineEnd) const {
  std::string bytes;
  for (size_t i = 0; i < lines.size(); ++i) {
    bytes += lines[i];
    if (finalLineEnd || i + 1 < lines.size()) bytes += "\r\n";
  }
  writeFile(relative, bytes);
}

bool TestFolder::exists(const std::string& relative) const {
  return GetFileAttributesA(pathOf(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TestFolder::readFile(const std::string& relative) const {
  AutoCloseHandle file(CreateFileA(pathOf(relative).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return "";
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

std::string midiInputState() {
  return midiInGetNumDevs() ? "MIDI input: open, a MIDI keyboard on the first MIDI input plays"
                            : "MIDI input: no device, so only the computer keyboard plays";
}

std::string playerPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return folderOf(self) + "\\vellaro.exe";
}

std::vector<std::string> RunResult::texts() const {
  std::vector<std::string> result;
  for (const auto& box : boxes) result.push_back(box.text);
  return result;
}

// --- Player ---

Player::~Player() {
  if (running()) {
    ADD_FAILURE() << "vellaro.exe was still running at the end of the test; killed";
    kill();
  }
  closeHandles();
}

void Player::closeHandles() {
  if (process_) CloseHandle(process_);
  if (job_) CloseHandle(job_);
  process_ = nullptr;
  job_ = nullptr;
}

bool Player::start(const std::string& folder, const PlayerOptions& options) {
  std::string exe = options.program.empty() ? playerPath() : options.program;
  if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
    ADD_FAILURE() << "the player is missing: " << exe;
    return false;
  }
  std::string commandLine = "\"" + exe + "\"";
  if (!options.arguments.empty()) commandLine += " " + options.arguments;
  std::string environment = environmentBlock(options.environment);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // Wine quirk: right after a player has exited, starting the next one can fail for a moment
  // (ERROR_INTERNAL_ERROR while the old process is still being torn down), so try a few times.
  bool created = false;
  DWORD error = 0;
  for (int attempt = 0; attempt < 20 && !created; ++attempt) {
    if (attempt > 0) Sleep(250);
    created = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                             &environment[0], folder.c_str(), &startup, &info);
    if (!created) error = GetLastError();
  }
  if (!created) {
    ADD_FAILURE() << "CreateProcess failed for " << commandLine << " (error " << error << ")";
    return false;
  }
  job_ = createKillOnCloseJob();
  if (job_) AssignProcessToJobObject(job_, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
  seenBoxes_.clear();
  return true;
}

bool Player::running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Player::waitForBox(Box& box, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    // A box stays "seen" while its window exists, so it is reported exactly once.
    seenBoxes_.erase(std::remove_if(seenBoxes_.begin(), seenBoxes_.end(),
                                    [](HWND w) { return !IsWindow(w); }),
                     seenBoxes_.end());
    for (HWND window : visibleWindowsOf(processId_)) {
      if (className(window) != "#32770") continue;
      if (std::find(seenBoxes_.begin(), seenBoxes_.end(), window) != seenBoxes_.end()) continue;
      seenBoxes_.push_back(window);
      box.window = window;
      box.caption = windowText(window);
      box.text = messageBoxText(window);
      return true;
    }
    if (!running() || GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

bool Player::answer(const Box& box, int id) {
  // Posting the button's command works whether or not the box has the keyboard focus.
  PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.window, id)));
  bool closed = waitUntil(
      [&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, kBoxCloseTimeoutMs);
  if (!closed) ADD_FAILURE() << "the message box \"" << box.text << "\" did not close";
  return closed;
}

bool Player::waitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  if (exitCode) *exitCode = code;
  return true;
}

void Player::kill() {
  if (!process_) return;
  TerminateProcess(process_, 9999);
  WaitForSingleObject(process_, 5000);
}

std::vector<HWND> Player::windows() const { return visibleWindowsOf(processId_); }

HWND Player::findWindow(const std::string& title) const {
  for (HWND window : windows()) {
    if (windowText(window) == title) return window;
  }
  return nullptr;
}

HWND Player::waitForWindow(const std::string& title, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  HWND found = nullptr;
  waitUntil([&] { return (found = findWindow(title)) != nullptr; }, timeoutMs);
  if (!found) return nullptr;
  // The main window shows before the player's start-up has opened its sound devices; input sent
  // then would wait and eat into a test's time limits. A sent message returns once the window's
  // thread takes messages: the lesson runs by then.
  DWORD spent = GetTickCount() - start;
  DWORD_PTR unused = 0;
  SendMessageTimeoutA(found, WM_NULL, 0, 0, SMTO_NORMAL, spent < timeoutMs ? timeoutMs - spent : 1, &unused);
  return found;
}

RunResult runPlayer(const std::string& folder, const Answers& answers, DWORD timeoutMs,
                    const PlayerOptions& options) {
  RunResult result;
  Player player;
  if (!player.start(folder, options)) return result;
  std::deque<int> queue = answers.queue;
  DWORD start = GetTickCount();
  for (;;) {
    Box box;
    if (player.waitForBox(box, 50)) {
      result.boxes.push_back(box);
      int id = answers.otherwise;
      if (!queue.empty()) {
        id = queue.front();
        queue.pop_front();
      }
      player.answer(box, id);
      continue;
    }
    if (!player.running()) break;
    if (GetTickCount() - start >= timeoutMs) {
      ADD_FAILURE() << "vellaro.exe did not exit within " << timeoutMs << " ms; killed";
      result.timedOut = true;
      player.kill();
      break;
    }
  }
  player.waitForExit(5000, &result.exitCode);
  return result;
}

// --- Input ---

void mouseMove(int x, int y) { sendMouse(x, y, 0); }
void mouseDown(int x, int y) { sendMouse(x, y, MOUSEEVENTF_LEFTDOWN); }
void mouseUp(int x, int y) { sendMouse(x, y, MOUSEEVENTF_LEFTUP); }

void clickAt(int x, int y) {
  mouseMove(x, y);
  mouseDown(x, y);
  mouseUp(x, y);
}

void pressKey(WORD virtualKey) { sendKey(virtualKey, 0); }
void releaseKey(WORD virtualKey) { sendKey(virtualKey, KEYEVENTF_KEYUP); }

void tapKey(WORD virtualKey) {
  pressKey(virtualKey);
  releaseKey(virtualKey);
}

POINT windowCentre(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// --- Screen ---

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return out << text;
}

Rgb Screenshot::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  uint32_t value = pixels_[static_cast<size_t>(y) * width_ + x];
  return Rgb{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
             static_cast<uint8_t>(value)};
}

bool Screenshot::saveBmp(const std::string& path) const {
  int rowBytes = (width_ * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width_;
  info.biHeight = height_;  // positive: bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(rowBytes) * height_;
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;

  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::string row(rowBytes, '\0');
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      Rgb c = pixel(x, y);
      row[x * 3] = static_cast<char>(c.b);
      row[x * 3 + 1] = static_cast<char>(c.g);
      row[x * 3 + 2] = static_cast<char>(c.r);
    }
    bytes += row;
  }
  AutoCloseHandle out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return out.valid() &&
         WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

namespace {

// The screen's DC, a memory DC and a 32-bit top-down DIB section selected into it; all released
// together.
class ScreenCopySurface {
 public:
  ScreenCopySurface(int width, int height) : screen_(GetDC(nullptr)), memory_(CreateCompatibleDC(screen_)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_) old_ = SelectObject(memory_, bitmap_);
  }
  ~ScreenCopySurface() {
    if (bitmap_) {
      SelectObject(memory_, old_);
      DeleteObject(bitmap_);
    }
    DeleteDC(memory_);
    ReleaseDC(nullptr, screen_);
  }
  ScreenCopySurface(const ScreenCopySurface&) = delete;
  ScreenCopySurface& operator=(const ScreenCopySurface&) = delete;

  // The pixels of the screen as 0x00RRGGBB words, or null when the bitmap could not be made.
  const uint32_t* copy(int width, int height) {
    if (!bitmap_ || !bits_) return nullptr;
    BitBlt(memory_, 0, 0, width, height, screen_, 0, 0, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    // 32-bit DIB pixels are B, G, R, unused: as a little-endian word that is 0x00RRGGBB.
    return static_cast<const uint32_t*>(bits_);
  }

 private:
  HDC screen_;
  HDC memory_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

}  // namespace

Screenshot screenshot() {
  Screenshot shot;
  shot.width_ = GetSystemMetrics(SM_CXSCREEN);
  shot.height_ = GetSystemMetrics(SM_CYSCREEN);
  shot.pixels_.assign(static_cast<size_t>(shot.width_) * shot.height_, 0);
  ScreenCopySurface surface(shot.width_, shot.height_);
  const uint32_t* source = surface.copy(shot.width_, shot.height_);
  if (!source) {
    ADD_FAILURE() << "cannot make a bitmap for the screenshot";
    return shot;
  }
  for (size_t i = 0; i < shot.pixels_.size(); ++i) shot.pixels_[i] = source[i] & 0xFFFFFF;
  return shot;
}

}  // namespace vellaro::wine
