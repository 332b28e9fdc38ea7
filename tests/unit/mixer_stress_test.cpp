// Two threads against the lock-free voice table: one starts and stops notes through the instrument
// bank while the other mixes, as the interpreter and the timer thread do in the player. Built in
// every preset; the tsan preset runs it under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sound/instrument_bank.h"
#include "sound/mixer.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

constexpr uint32_t kSampleBytes = 40000;
constexpr int16_t kStereoLeft = 100;
constexpr int16_t kStereoRight = -100;
constexpr int16_t kMonoValue = 256;  // the 8-bit byte 0x81

// 8-bit mono, every byte 0x81: mixes as 256 on both sides.
std::vector<uint8_t> monoEightBitFile() {
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", WavBytes::format(1, 44100, 8)).chunk("data", std::vector<uint8_t>(kSampleBytes, 0x81));
  return file.bytes;
}

// 16-bit stereo of the same byte size, every frame (100, -100).
std::vector<uint8_t> stereoSixteenBitFile() {
  std::vector<int16_t> frames;
  for (uint32_t i = 0; i < kSampleBytes / 4; ++i) {
    frames.push_back(kStereoLeft);
    frames.push_back(kStereoRight);
  }
  WavBytes file;
  file.riff("WAVE").chunk("fmt ", WavBytes::format(2, 44100, 16)).chunk("data", WavBytes::words(frames));
  return file.bytes;
}

// A frame of whole voices is m mono voices plus s stereo ones: left + right = 512 m and
// left - right = 200 s, with m + s at most 60. A voice mixed from one start's data with another
// start's layout (the bytes 0x81 read as 16-bit stereo, or the stereo words read as 8-bit mono)
// adds values that break this.
bool isWholeFrame(int16_t left, int16_t right) {
  int sum = left + right;
  int difference = left - right;
  if (sum % (2 * kMonoValue) != 0 || difference % (2 * kStereoLeft) != 0) return false;
  int mono = sum / (2 * kMonoValue);
  int stereo = difference / (2 * kStereoLeft);
  return mono >= 0 && stereo >= 0 && mono + stereo <= kVoiceCount;
}

TEST(MixerStress, ARestartedVoiceIsNeverMixedWithHalfOldFields) {
  RecordingMessages messages;
  Mixer mixer;
  InstrumentBank bank(messages, &mixer, nullptr);
  int mono = bank.findSample(writeTempFile("stress-mono.wav", monoEightBitFile()).c_str());
  int stereo = bank.findSample(writeTempFile("stress-stereo.wav", stereoSixteenBitFile()).c_str());
  ASSERT_GE(mono, 0);
  ASSERT_GE(stereo, 0);

  std::atomic<bool> done{false};
  std::atomic<long> restarts{0};
  std::thread starter([&] {
    while (!done.load(std::memory_order_relaxed)) {
      // Fill every voice, then free all of one sample's voices so that the other's take their slots.
      for (int entry : {mono, stereo, mono}) {
        for (int i = 0; i < kVoiceCount / 2; ++i) bank.noteOn(entry, 24, kScriptTag);
        bank.noteOff(entry, 24, kScriptTag);
      }
      bank.noteOff(stereo, 24, kScriptTag);
      restarts.fetch_add(1, std::memory_order_relaxed);
    }
  });

  long mixed = 0;
  long torn = 0;
  int16_t out[2 * 4];
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
  while (std::chrono::steady_clock::now() < until && torn == 0) {
    for (int i = 0; i < 1000; ++i) {
      mixer.mixFrames(out, 1);
      ++mixed;
      if (!isWholeFrame(out[0], out[1])) ++torn;
    }
  }
  done = true;
  starter.join();
  EXPECT_EQ(torn, 0) << "mixed frames from a voice restarted while it was read";
  EXPECT_GT(restarts.load(), 0);
  EXPECT_GT(mixed, 0);
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace vellaro
