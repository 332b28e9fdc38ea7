// Recorders and generators shared by the sound tests: a message sink, a MIDI sink and a voice player
// that record what they are given, and WAV files built byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "base/message_sink.h"
#include "sound/midi.h"
#include "sound/mixer.h"
#include "support/wav_bytes.h"

namespace vellaro {

class RecordingMessages : public MessageSink {
 public:
  void showMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

// Records every packed short message; answers with the queued results, then with 0.
class RecordingMidiSink : public MidiSink {
 public:
  MidiResult sendShortMessage(uint32_t message) override {
    sent.push_back(message);
    if (results.empty()) return MidiResult::Ok;
    MidiResult result = results.front();
    results.pop_front();
    return result;
  }
  std::vector<uint32_t> sent;
  std::deque<MidiResult> results;
};

struct VoiceCall {
  const char* what;  // "start" or "stop"
  const uint8_t* data;
  uint16_t note;
  uint16_t tag;
  uint8_t velocity;
  bool operator==(const VoiceCall& other) const {
    return std::string(what) == other.what && data == other.data && note == other.note && tag == other.tag &&
           velocity == other.velocity;
  }
};

inline std::ostream& operator<<(std::ostream& out, const VoiceCall& call) {
  return out << call.what << "(note " << call.note << ", tag " << call.tag << ", velocity " << int{call.velocity}
             << ")";
}

class RecordingVoices : public VoicePlayer {
 public:
  int startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) override {
    calls.push_back({"start", sample.data, note, tag, velocity});
    return sample.data ? 1 : 0;
  }
  int stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) override {
    calls.push_back({"stop", sample.data, note, tag, 0});
    return 0;
  }
  void stopAllVoices() override { ++stopAllCount; }
  bool isSilent() const override { return silent; }
  std::vector<VoiceCall> calls;
  int stopAllCount = 0;
  bool silent = true;  // what wait and ifsilent are told
};

// Writes bytes to a fresh file under the test's temporary folder and returns its path.
inline std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = ::testing::TempDir() + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr) << path;
  if (!file) return path;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

// Samples 1, 2, 3, ... so that every output frame shows which sample frame it came from.
inline std::vector<int16_t> traceable(size_t frames, int16_t first = 1) {
  std::vector<int16_t> samples(frames);
  for (size_t i = 0; i < frames; ++i) samples[i] = static_cast<int16_t>(first + static_cast<int16_t>(i));
  return samples;
}

}  // namespace vellaro
