// The release ZIP as a user meets it: unpacked into an empty folder (by the release.unpack step
// before this test), its vellaro.exe runs the demo lessons' menu from there and carries the version.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"

namespace vellaro::wine {
namespace {

// The unpacked folder, given by ctest as a Unix path under Wine (drive Z: is the Unix root).
std::string releaseFolder() {
  const char* dir = std::getenv("VELLARO_RELEASE_DIR");
  if (!dir || !*dir) return {};
  std::string path = dir;
  if (path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string fileVersion(const std::string& exe) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(exe.c_str(), 0, size, data.data())) return {};
  char* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductVersion", reinterpret_cast<void**>(&text),
                      &length)) {
    return {};
  }
  return std::string(text, length > 0 ? length - 1 : 0);
}

// The menu waits for a click; its "Goodbye" label lies 30 pixels above the bottom edge, centred.
// A click before the menu's wait has begun is lost, so the click is repeated until the box shows.
bool sayGoodbye(Player& player, Box& box) {
  int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  int y = GetSystemMetrics(SM_CYSCREEN) - 44;
  for (int attempt = 0; attempt < 30; ++attempt) {
    clickAt(x, y);
    if (player.waitForBox(box, 1000)) return true;
  }
  return false;
}

TEST(ReleaseZipWine, UnpackedPlayerRunsTheDemoLesson) {
  std::string release = releaseFolder();
  if (release.empty()) GTEST_SKIP() << "VELLARO_RELEASE_DIR names no unpacked release (ctest sets it)";
  for (const char* file : {"vellaro.exe", "scnlint.exe", "lessontest.exe", "midimelody.exe", "lessonreport.exe",
                           "README.md", "LICENSE",
                           "lessons\\demo\\index.scn", "lessons\\demo\\navi.scn", "lessons\\demo\\library\\symbols.sli",
                           "lessons\\demo\\library\\values\\quarter.bmp"}) {
    EXPECT_NE(GetFileAttributesA((release + "\\" + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
  }
  PlayerOptions options;
  options.program = release + "\\vellaro.exe";
  Player player;
  ASSERT_TRUE(player.start(release + "\\lessons\\demo", options));
  ASSERT_NE(player.waitForWindow("Vellaro", 20000), nullptr);
  Box box;
  ASSERT_TRUE(sayGoodbye(player, box)) << "the menu never answered the Goodbye click";
  EXPECT_EQ(box.text, "Thank you for practising. Visits so far: 1.");
  player.answer(box, IDOK);
  DWORD exitCode = 1;
  EXPECT_TRUE(player.waitForExit(20000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

// Runs a console program of the release in its folder and returns its exit code, or -1. With
// output, its standard output goes to that file.
long runTool(const std::string& folder, std::string commandLine, HANDLE output = nullptr) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, output != nullptr, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    return -1;
  }
  CloseHandle(info.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(info.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<long>(code);
}

TEST(ReleaseZipWine, UnpackedCheckerFindsTheDemoLessonClean) {
  std::string release = releaseFolder();
  if (release.empty()) GTEST_SKIP() << "VELLARO_RELEASE_DIR names no unpacked release (ctest sets it)";
  EXPECT_EQ(runTool(release, "\"" + release + "\\scnlint.exe\" lessons\\demo\\index.scn"), 0);
}

// The lesson tests shipped beside the demo lessons pass with the shipped lessontest.exe. The menu's
// own test follows: it needs the store file as shipped.
TEST(ReleaseZipWine, UnpackedLessonTestsPass) {
  std::string release = releaseFolder();
  if (release.empty()) GTEST_SKIP() << "VELLARO_RELEASE_DIR names no unpacked release (ctest sets it)";
  std::string demo = release + "\\lessons\\demo";
  for (std::string lesson : {"pictures", "text", "sound", "timing", "playalong", "library", "debug", "languages"}) {
    std::string command = "\"" + release + "\\lessontest.exe\" --expect " + lesson + ".expected " + lesson + ".scn " +
                          lesson + ".steps";
    EXPECT_EQ(runTool(demo, command), 0) << lesson;
  }
}

// The headless runner as a Windows program: lesson names with backslashes, its scratch folder in
// the Windows temporary folder, and the same transcript as on the build machine.
TEST(ReleaseZipWine, UnpackedLessonTestMatchesTheDemoTranscript) {
  std::string release = releaseFolder();
  if (release.empty()) GTEST_SKIP() << "VELLARO_RELEASE_DIR names no unpacked release (ctest sets it)";
  // The player's run before this one counted a visit; the demo's store file is put back as shipped.
  HANDLE store = CreateFileA((release + "\\lessons\\demo\\visits.sto").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(store, INVALID_HANDLE_VALUE);
  const char shipped[] = "$visits=0\r\r\n";
  DWORD written = 0;
  WriteFile(store, shipped, sizeof shipped - 1, &written, nullptr);
  CloseHandle(store);
  std::string demo = "lessons\\demo\\index";
  std::string command =
      "\"" + release + "\\lessontest.exe\" --expect " + demo + ".expected " + demo + ".scn " + demo + ".steps";
  EXPECT_EQ(runTool(release, command), 0);
  // A second run starts as a new learner too: the first one wrote nothing beside the lesson.
  EXPECT_EQ(runTool(release, command), 0);
}

bool writeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

// midimelody.exe writes its lines with one CR LF each (a text-mode console stream would make it
// CR CR LF, which the player reads as a line with a stray CR), and refuses a cut file.
TEST(ReleaseZipWine, UnpackedMelodyToolWritesLessonLines) {
  std::string release = releaseFolder();
  if (release.empty()) GTEST_SKIP() << "VELLARO_RELEASE_DIR names no unpacked release (ctest sets it)";
  // Format 0, 96 ticks a quarter at 120 BPM: middle C, then D a quarter later, each a quarter long.
  const std::string track("\x00\x90\x3C\x64\x60\x80\x3C\x00\x00\x90\x3E\x64\x60\x80\x3E\x00\x00\xFF\x2F\x00", 20);
  const std::string song = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x14", 22) + track;
  ASSERT_TRUE(writeFile(release + "\\song.mid", song));
  ASSERT_TRUE(writeFile(release + "\\cut.mid", song.substr(0, 30)));
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  std::string outPath = release + "\\song.txt";
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  EXPECT_EQ(runTool(release, "\"" + release + "\\midimelody.exe\" song.mid", out), 0);
  CloseHandle(out);
  HANDLE in = CreateFileA(outPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(in, INVALID_HANDLE_VALUE);
  char text[200] = {};
  DWORD got = 0;
  ReadFile(in, text, sizeof text - 1, &got, nullptr);
  CloseHandle(in);
  EXPECT_EQ(std::string(text, got), "melody 12 -500 14 -500\r\n");  // middle C and D at their pitch
  EXPECT_EQ(runTool(release, "\"" + release + "\\midimelody.exe\" cut.mid"), 1);
}

TEST(ReleaseZipWine, PlayerCarriesTheProjectVersion) {
  std::string release = releaseFolder();
  if (release.empty()) GTEST_SKIP() << "VELLARO_RELEASE_DIR names no unpacked release (ctest sets it)";
  EXPECT_EQ(fileVersion(release + "\\vellaro.exe"), VELLARO_VERSION);
}

}  // namespace
}  // namespace vellaro::wine
