// The player heard through a captured sound device.
//
// Wine plays through ALSA in the player's own process; wine-env.sh gives every run a default device
// that writes everything played to one WAV file over the silent "null" device (runs take turns).
// Wine mixes into its own device format, so what was heard is compared by duration and pitch; the
// frame-exact checks are the native mixer tests'.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"
#include "support/wav_bytes.h"

namespace vellaro::wine {
namespace {

// How a tone file stores its samples, as recording programs write them.
struct ToneFormat {
  uint16_t tag;  // 1 PCM, 3 float
  bool extensible;
  uint16_t bits;
  uint16_t channels;
  uint32_t rate;
};

// A WAV file of a 441 Hz sine: one second plus the 100 frames at 44100 Hz that the mixer never
// plays.
std::string sineWav(const ToneFormat& f = {1, false, 16, 1, 44100}) {
  std::vector<uint8_t> fmt = f.extensible ? WavBytes::extensible(f.tag, f.channels, f.rate, f.bits)
                                          : WavBytes::format(f.channels, f.rate, f.bits, f.tag);
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", fmt).chunk(
      "data", toneData(f.tag, f.bits, f.channels, f.rate, f.rate + f.rate * 100 / 44100, 441.0, 16000.0 / 32768.0));
  return std::string(file.bytes.begin(), file.bytes.end());
}

// Half a second of IMA ADPCM blocks holding noise: loud if it were played as PCM.
std::string adpcmWav() {
  std::vector<uint8_t> noise(11 * 512);
  uint32_t x = 12345;
  for (uint8_t& byte : noise) byte = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", WavBytes::format(1, 22050, 4, 0x11)).chunk("data", noise);
  return std::string(file.bytes.begin(), file.bytes.end());
}

// The file that receives what the player plays: wine-env.sh points ALSA's default device of every
// run at it (a Unix path in VELLARO_HEARD_WAV). "" where there is no such capture.
std::string heardFile() {
  char unix[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("VELLARO_HEARD_WAV", unix, sizeof unix);
  if (length == 0 || length >= sizeof unix) return "";
  using ToDos = wchar_t* (*)(const char*);
  auto toDos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return "";
  wchar_t* wide = toDos(unix);
  if (!wide) return "";
  char path[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, path, sizeof path, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, wide);
  return path;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the capture device received, mixed down to one channel.
struct Heard {
  double rate = 0;
  std::vector<float> samples;
};

uint32_t le(const std::string& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

float sampleAt(const std::string& bytes, size_t at, int bits, bool isFloat) {
  if (isFloat) {
    uint32_t raw = le(bytes, at, 4);
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
  }
  if (bits == 16) return static_cast<int16_t>(le(bytes, at, 2)) / 32768.0f;
  return static_cast<float>(static_cast<int32_t>(le(bytes, at, 4)) / 2147483648.0);
}

// Reads the file plugin's WAV: its header, then frames up to the end of the file (the sizes in the
// header are not relied on).
bool readHeard(const std::string& bytes, Heard& heard, std::string& why) {
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
    why = "no WAV capture (" + std::to_string(bytes.size()) + " bytes)";
    return false;
  }
  size_t at = 12;
  int channels = 0;
  int bits = 0;
  bool isFloat = false;
  while (at + 8 <= bytes.size()) {
    std::string id = bytes.substr(at, 4);
    uint32_t size = le(bytes, at + 4, 4);
    at += 8;
    if (id == "fmt " && at + 16 <= bytes.size()) {
      uint32_t tag = le(bytes, at, 2);
      channels = static_cast<int>(le(bytes, at + 2, 2));
      heard.rate = le(bytes, at + 4, 4);
      bits = static_cast<int>(le(bytes, at + 14, 2));
      isFloat = tag == 3 || (tag == 0xFFFE && size >= 40 && le(bytes, at + 24, 2) == 3);
    } else if (id == "data") {
      break;
    }
    at += size;
  }
  if (channels < 1 || heard.rate <= 0 || (bits != 16 && bits != 32)) {
    why = "unexpected capture format: " + std::to_string(channels) + " channels, " + std::to_string(bits) + " bits";
    return false;
  }
  // The file plugin labels Wine's 32-bit float frames as integer PCM: take 32-bit data as float
  // when every value is a plausible float sample.
  if (bits == 32 && !isFloat) {
    isFloat = true;
    for (size_t k = at; k + 4 <= bytes.size() && isFloat; k += 4) {
      float value = sampleAt(bytes, k, 32, true);
      isFloat = std::isfinite(value) && std::fabs(value) <= 4.0f;
    }
  }
  size_t frameBytes = static_cast<size_t>(channels * bits / 8);
  for (; at + frameBytes <= bytes.size(); at += frameBytes) {
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += sampleAt(bytes, at + static_cast<size_t>(c * bits / 8), bits, isFloat);
    heard.samples.push_back(sum / static_cast<float>(channels));
  }
  return true;
}

// One stretch of sound: where it starts, how long it lasts and its pitch.
struct Sound {
  double startMs;
  double durationMs;
  double frequencyHz;
};

std::ostream& operator<<(std::ostream& out, const Sound& s) {
  return out << "{start " << s.startMs << " ms, " << s.durationMs << " ms, " << s.frequencyHz << " Hz}";
}

// The pitch from the median distance between rising zero crossings: a few glitches do not move it.
double pitchOf(const std::vector<float>& x, size_t first, size_t last, double rate) {
  std::vector<size_t> periods;
  size_t previous = 0;
  for (size_t k = first + 1; k <= last; ++k) {
    if (!(x[k - 1] < 0 && x[k] >= 0)) continue;
    if (previous) periods.push_back(k - previous);
    previous = k;
  }
  if (periods.empty()) return 0;
  std::nth_element(periods.begin(), periods.begin() + static_cast<std::ptrdiff_t>(periods.size() / 2), periods.end());
  return rate / static_cast<double>(periods[periods.size() / 2]);
}

// Stretches of samples above a small threshold. A gap shorter than 80 ms (a write-ahead and a
// little) stays inside a stretch: a tick that comes late on a busy machine leaves a moment of
// silence.
std::vector<Sound> soundsIn(const Heard& heard) {
  const float threshold = 0.02f;
  const size_t gap = static_cast<size_t>(heard.rate * 0.080);
  std::vector<Sound> sounds;
  const std::vector<float>& x = heard.samples;
  size_t i = 0;
  while (i < x.size()) {
    while (i < x.size() && std::fabs(x[i]) <= threshold) ++i;
    if (i == x.size()) break;
    size_t first = i;
    size_t last = i;
    for (size_t quiet = 0; i < x.size() && quiet <= gap; ++i) {
      if (std::fabs(x[i]) > threshold) {
        last = i;
        quiet = 0;
      } else {
        ++quiet;
      }
    }
    double ms = 1000.0 / heard.rate;
    sounds.push_back({ms * static_cast<double>(first), ms * static_cast<double>(last - first + 1),
                      pitchOf(x, first, last, heard.rate)});
  }
  return sounds;
}

double totalMs(const std::vector<Sound>& sounds) {
  double total = 0;
  for (const Sound& s : sounds) total += s.durationMs;
  return total;
}

class HeardWine : public ::testing::Test {
 protected:
  void SetUp() override {
    heard_ = heardFile();
    if (heard_.empty()) GTEST_SKIP() << "no captured sound device (run through wine-env.sh)";
  }

  // Runs the scenario with the sine as sine.wav and returns the sounds heard; messages are the
  // boxes expected (the start shows none).
  std::vector<Sound> hear(const std::vector<std::string>& scenario, const Texts& messages = {},
                          DWORD timeoutMs = 20000) {
    prepare(scenario);
    RunResult run = runPlayer(folder_.path(), {}, timeoutMs);
    expectCleanExit(run);
    EXPECT_EQ(run.texts(), messages) << "the captured device must open without messages";
    return heardSounds();
  }

  // Runs the scenario and presses a key of the computer keyboard on its main window, held until
  // the player has ended.
  std::vector<Sound> hearKey(const std::vector<std::string>& scenario, WORD key) {
    prepare(scenario);
    Player player;
    if (!player.start(folder_.path())) return {};
    HWND mainWindow = player.waitForWindow("Vellaro", 10000);
    clickAt(5, 5);  // the main window reports no clicks; this one gives it the keyboard
    EXPECT_TRUE(waitUntil([&] { return mainWindow && GetForegroundWindow() == mainWindow; }, 2000));
    pressKey(key);
    DWORD exitCode = 1;
    EXPECT_TRUE(player.waitForExit(20000, &exitCode));
    releaseKey(key);
    EXPECT_EQ(exitCode, 0u);
    Box box;
    EXPECT_FALSE(player.waitForBox(box, 0)) << "unexpected box: " << box.text;
    return heardSounds();
  }

  void prepare(const std::vector<std::string>& scenario) {
    DeleteFileA(heard_.c_str());  // a capture left by an earlier run is never read
    folder_.writeFile("sine.wav", sineWav());
    folder_.writeScenario("index.scn", scenario);
  }

  std::vector<Sound> heardSounds() {
    CopyFileA(heard_.c_str(), folder_.pathOf("heard.wav").c_str(), FALSE);  // kept with a failed test's folder
    Heard heard;
    std::string why;
    if (!readHeard(readWholeFile(heard_), heard, why)) {
      ADD_FAILURE() << why;
      return {};
    }
    std::vector<Sound> sounds = soundsIn(heard);
    std::cout << "[ heard    ] " << heard.rate << " Hz capture: " << ::testing::PrintToString(sounds) << "\n";
    return sounds;
  }

  TestFolder folder_;
  std::string heard_;
};

// Wine's null device takes sound faster than real time, so durations are those of the sound
// itself, measured in captured frames; the tolerance is one lap of the 70 ms buffer.
constexpr double kLapMs = 75.0;

// The sample's 44100 frames at its own pitch: one second of 441 Hz.
TEST_F(HeardWine, Note24IsHeardForOneSecondAt441Hz) {
  std::vector<Sound> sounds = hear({"play sine.wav 24", "wait", "pause 400 ms", "terminate"});
  ASSERT_EQ(sounds.size(), 1u) << ::testing::PrintToString(sounds);
  EXPECT_NEAR(sounds[0].durationMs, 1000.0, kLapMs) << sounds[0];
  EXPECT_NEAR(sounds[0].frequencyHz, 441.0, 4.41) << sounds[0];
}

// An octave up: every second frame, so half a second of 882 Hz.
TEST_F(HeardWine, Note36IsHeardForHalfASecondAt882Hz) {
  std::vector<Sound> sounds = hear({"play sine.wav 36", "wait", "pause 400 ms", "terminate"});
  ASSERT_EQ(sounds.size(), 1u) << ::testing::PrintToString(sounds);
  EXPECT_NEAR(sounds[0].durationMs, 500.0, kLapMs) << sounds[0];
  EXPECT_NEAR(sounds[0].frequencyHz, 882.0, 8.82) << sounds[0];
}

// Samples as recording programs write them are converted when loaded and play in tune. Under Wine
// on a busy machine a late tick now and then drops part of a lap of the buffer (70 ms) from what is
// heard or replays one, so a single play may be off by up to a lap, while a conversion fault (a
// wrong frame size or rate) is off by far more in every play. So each file plays five times: every
// play at 441 Hz, and the one closest to 1 s within one lap.
TEST_F(HeardWine, EveryCommonFormatIsHeardForOneSecondAt441Hz) {
  const ToneFormat formats[] = {{1, false, 16, 1, 44100},
                                {1, false, 16, 1, 48000},
                                {1, false, 24, 1, 32000},
                                {3, false, 32, 1, 96000},
                                {1, true, 24, 2, 48000}};
  const size_t plays = 5;
  std::vector<std::string> scenario;
  for (size_t i = 0; i < std::size(formats); ++i) {
    std::string name = "tone" + std::to_string(i) + ".wav";
    folder_.writeFile(name, sineWav(formats[i]));
    for (size_t k = 0; k < plays; ++k) scenario.insert(scenario.end(), {"play " + name + " 24", "wait", "pause 200 ms"});
  }
  scenario.push_back("terminate");
  std::vector<Sound> sounds = hear(scenario, {}, 90000);
  ASSERT_EQ(sounds.size(), plays * std::size(formats)) << ::testing::PrintToString(sounds);
  for (size_t i = 0; i < sounds.size(); ++i) {
    EXPECT_NEAR(sounds[i].frequencyHz, 441.0, 4.41) << "file " << i / plays << ": " << sounds[i];
  }
  for (size_t i = 0; i < sounds.size(); i += plays) {
    auto offBy = [](const Sound& s) { return std::fabs(s.durationMs - 1000.0); };
    const Sound& best = *std::min_element(sounds.begin() + static_cast<std::ptrdiff_t>(i),
                                          sounds.begin() + static_cast<std::ptrdiff_t>(i + plays),
                                          [&](const Sound& a, const Sound& b) { return offBy(a) < offBy(b); });
    EXPECT_NEAR(best.durationMs, 1000.0, kLapMs) << "file " << i / plays << ": " << best;
  }
}

TEST_F(HeardWine, AnAdpcmFileIsNamedWithItsReasonAndSoundsNothing) {
  folder_.writeFile("adpcm.wav", adpcmWav());
  std::vector<Sound> sounds = hear({"play adpcm.wav 24", "wait", "pause 600 ms", "terminate"},
                                   {"Cannot play WAV file adpcm.wav: format 17 is compressed or unknown; "
                                    "only PCM and float samples can be played"});
  EXPECT_TRUE(sounds.empty()) << ::testing::PrintToString(sounds);
}

// The key Q is note 12 of the computer keyboard, an octave below the sample's own pitch: 220.5 Hz.
// How long it sounds is the mixer's matter, tested above.
TEST_F(HeardWine, KeyQPlaysTheUserInstrumentAnOctaveDown) {
  std::vector<Sound> sounds = hearKey({"userinstrument sine.wav", "pause 4000 ms", "terminate"}, 'Q');
  ASSERT_EQ(sounds.size(), 1u) << ::testing::PrintToString(sounds);
  EXPECT_NEAR(sounds[0].frequencyHz, 220.5, 2.2) << sounds[0];
}

// mute right after play: at most what one tick mixed before it is heard (a write-ahead), nothing
// of the rest of the second-long note in the following second; a late tick plays silence.
TEST_F(HeardWine, NothingIsHeardAfterMute) {
  std::vector<Sound> sounds = hear({"play sine.wav 24", "mute", "pause 1000 ms", "terminate"});
  EXPECT_LE(totalMs(sounds), kLapMs) << ::testing::PrintToString(sounds);
}

}  // namespace
}  // namespace vellaro::wine
