#include "headless/headless_sound.h"

#include "script/text.h"
#include "sound/instrument_bank.h"
#include "sound/pitch_table.h"

namespace vellaro {
namespace {

constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kProgramChange = 0xC0;

const char* sourceOf(uint16_t tag) { return tag == kLiveTag ? "live " : ""; }

}  // namespace

// The mixer plays output frame c from sample frame c * pitch / pitchBase * speed / 4 and stops at
// the first that reaches the playable frames.
uint64_t voiceDurationMs(const SampleView& sample, uint16_t note) {
  uint64_t end = playableFrames(sample);
  if (end == 0 || note >= kPitchTableSize || sample.pitchBase == 0) return 0;
  uint64_t speed = sample.speedFactor ? sample.speedFactor : 1;
  uint64_t step = uint64_t{kPitchTable[note]} * speed;
  uint64_t frames = (end * 4 * sample.pitchBase + step - 1) / step;
  return (frames * 1000 + kOutputRate - 1) / kOutputRate;
}

std::string HeadlessVoices::sampleName(const uint8_t* data) const {
  for (int i = 0; bank_ && i <= kSpareEntry; ++i) {
    const Instrument* entry = bank_->entry(i);
    if (entry && entry->view().data == data) return entry->key;
  }
  return "a sample";
}

int HeadlessVoices::sounding() const {
  int count = 0;
  for (const Voice& voice : voices_) count += voice.endsAt > clock_.elapsed() ? 1 : 0;
  return count;
}

int HeadlessVoices::startVoice(const SampleView& sample, uint16_t note, uint16_t tag, uint8_t) {
  uint64_t duration = voiceDurationMs(sample, note);
  if (!sample.data || duration == 0) return 0;
  std::string name = sampleName(sample.data);
  if (sounding() >= kVoiceCount) {
    transcript_.add(format("%ssample %s note %u dropped: all %d voices sound", sourceOf(tag), name.c_str(), note,
                           kVoiceCount));
    return 1;
  }
  uint64_t now = clock_.elapsed();
  std::vector<Voice> kept;
  for (const Voice& voice : voices_) {
    if (voice.endsAt > now) kept.push_back(voice);
  }
  kept.push_back(Voice{sample.data, note, tag, now + duration});
  voices_.swap(kept);
  transcript_.add(format("%ssample %s note %u (%llu ms)", sourceOf(tag), name.c_str(), note,
                         static_cast<unsigned long long>(duration)));
  return 1;
}

int HeadlessVoices::stopVoice(const SampleView& sample, uint16_t note, uint16_t tag) {
  uint64_t now = clock_.elapsed();
  bool stopped = false;
  for (Voice& voice : voices_) {
    if (voice.data != sample.data || voice.note != note || voice.tag != tag || voice.endsAt <= now) continue;
    voice.endsAt = now;
    stopped = true;
  }
  if (!stopped) return 0;
  std::string name = sampleName(sample.data);
  transcript_.add(format("%ssample %s note %u stopped", sourceOf(tag), name.c_str(), note));
  return 0;
}

void HeadlessVoices::stopAllVoices() {
  if (sounding() > 0) transcript_.add("all samples stopped");
  voices_.clear();
}

std::optional<uint64_t> HeadlessVoices::nextEnd() const {
  std::optional<uint64_t> first;
  for (const Voice& voice : voices_) {
    if (voice.endsAt > clock_.elapsed() && (!first || voice.endsAt < *first)) first = voice.endsAt;
  }
  return first;
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
