#include "headless/headless_sound.h"

#include <algorithm>

#include "script/text.h"
#include "sound/instrument_bank.h"

namespace vellaro {
namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kProgramChange = 0xC0;

const char* sourceOf(uint16_t tag) { return tag == kLiveTag ? "live " : ""; }

// Frames the play cursor has passed at this elapsed time: it starts at frame 0 at time 0.
uint64_t playFrameAt(uint64_t elapsedMs) { return elapsedMs * kOutputRate / 1000; }

}  // namespace

uint64_t voiceDurationMs(const SampleView& sample, uint16_t note) {
  uint64_t frames = voiceFrames(sample, note);
  return (frames * 1000 + kOutputRate - 1) / kOutputRate;
}

HeadlessSoundEngine::HeadlessSoundEngine(const VirtualClock& clock, Transcript& transcript)
    : clock_(clock), transcript_(transcript), loop_(std::make_unique<OutputLoop>(mixer_, device_)) {
  loop_->tick();  // at time 0, as a player's engine has ticked long before its lesson starts
}

// Once a lap of ticks has found no voice, the loop holds only silence and further ticks without a
// voice change nothing: a learner's long wait skips them, and the loop starts afresh after it.
void HeadlessSoundEngine::catchUp() {
  while (lastTick_ + kTickMs <= clock_.elapsed()) {
    if (quietTicks_ > kTicksPerLap && mixer_.isSilent()) {
      skipQuietTicks();
      return;
    }
    tick(lastTick_ + kTickMs);
  }
}

void HeadlessSoundEngine::skipQuietTicks() {
  uint64_t last = clock_.elapsed() / kTickMs * kTickMs;
  recordUpTo(playFrameAt(last));
  loop_ = std::make_unique<OutputLoop>(mixer_, device_);
  tick(last);
}

uint64_t HeadlessSoundEngine::nextTick() const { return (clock_.elapsed() / kTickMs + 1) * kTickMs; }

// As the Win32 engine's timer. What the play cursor passed is kept before the tick clears it.
void HeadlessSoundEngine::tick(uint64_t at) {
  uint64_t playFrame = playFrameAt(at);
  recordUpTo(playFrame);
  quietTicks_ = mixer_.isSilent() ? quietTicks_ + 1 : 0;
  device_.setPlayFrame(playFrame);
  loop_->tick();
  lastTick_ = at;
}

void HeadlessSoundEngine::recordUpTo(uint64_t frame) {
  if (!recording_) return;
  for (; recordedFrames_ < frame; ++recordedFrames_) {
    const int16_t* sides = device_.frameAt(recordedFrames_);
    recorded_.push_back(sides[0]);
    recorded_.push_back(sides[1]);
  }
}

const std::vector<int16_t>& HeadlessSoundEngine::playedFrames() {
  catchUp();
  recordUpTo(playFrameAt(clock_.elapsed()));
  return recorded_;
}

std::string HeadlessSoundEngine::sampleName(const uint8_t* data) const {
  for (int i = 0; bank_ && i <= kSpareEntry; ++i) {
    const Instrument* entry = bank_->entry(i);
    if (entry && entry->view().data == data) return entry->key;
  }
  return "a sample";
}

int HeadlessSoundEngine::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t velocity) {
  catchUp();
  uint64_t duration = voiceDurationMs(sample, note);
  if (!sample.data || duration == 0) return 0;
  std::string name = sampleName(sample.data);
  if (mixer_.activeVoices() >= kVoiceCount) {
    transcript_.add(format("%ssample %s note %u dropped: all %d voices sound", sourceOf(tag), name.c_str(), note,
                           kVoiceCount));
    return mixer_.startVoice(sample, note, tag, velocity);
  }
  transcript_.add(format("%ssample %s note %u (%llu ms)", sourceOf(tag), name.c_str(), note,
                         static_cast<unsigned long long>(duration)));
  if (tag != kLiveTag) return mixer_.startVoice(sample, note, tag, velocity);
  // A key's voice goes into frames the play cursor has not reached yet: those before it are kept first.
  uint64_t playFrame = playFrameAt(clock_.elapsed());
  recordUpTo(playFrame);
  device_.setPlayFrame(playFrame);
  quietTicks_ = 0;
  return loop_->startVoice(sample, note, tag, velocity);
}

int HeadlessSoundEngine::stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) {
  catchUp();
  int before = mixer_.activeVoices();
  mixer_.stopVoice(sample, note, tag);
  if (mixer_.activeVoices() == before) return 0;
  std::string name = sampleName(sample.data);
  transcript_.add(format("%ssample %s note %u stopped", sourceOf(tag), name.c_str(), note));
  return 0;
}

void HeadlessSoundEngine::stopAllVoices() {
  catchUp();
  if (!mixer_.isSilent()) transcript_.add("all samples stopped");
  mixer_.stopAllVoices();
}

MidiResult HeadlessMidi::sendShortMessage(uint32_t message) {
  uint8_t status = message & 0xF0;
  uint8_t channel = message & 0x0F;
  uint8_t data1 = (message >> 8) & 0x7F;
  uint8_t data2 = (message >> 16) & 0x7F;
  uint16_t key = static_cast<uint16_t>(channel * 128 + data1);
  if (status == kProgramChange) {
    program_[channel] = data1;
  } else if (status == kNoteOn && data2 != 0) {
    sounding_.insert(key);
    transcript_.add(format("midi note %u on channel %u, program %u (%s), velocity %u", data1, channel + 1u,
                           program_[channel], generalMidiName(program_[channel]), data2));
  } else if ((status == kNoteOff || status == kNoteOn) && sounding_.erase(key) > 0) {
    transcript_.add(format("midi note %u off on channel %u", data1, channel + 1u));
  }
  return MidiResult::Ok;
}

}  // namespace vellaro
