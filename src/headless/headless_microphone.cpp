#include "headless/headless_microphone.h"

#include <algorithm>

#include "base/messages.h"
#include "base/text_format.h"
#include "script/text.h"
#include "sound/sample_convert.h"
#include "sound/wav_reader.h"

namespace vellaro {
namespace {

constexpr size_t kBufferFrames = HeadlessMicrophone::kRate / 100;  // 10 ms, as the player captures

// The converted sample (8- or 16-bit PCM, one or two channels, at 11025, 22050 or 44100 Hz) as
// the microphone's mono 44100 Hz stream: channels averaged, lower rates raised by linear
// interpolation.
std::vector<int16_t> monoAtMicrophoneRate(const WavSample& wav) {
  const WavFormat& format = wav.format;
  const unsigned channels = format.channels;
  const size_t sampleBytes = format.bitsPerSample / 8u;
  const size_t frames = wav.size / (sampleBytes * channels);
  const uint8_t* bytes = wav.data.get();
  auto mono = [&](size_t frame) {
    int sum = 0;
    for (unsigned c = 0; c < channels; ++c) {
      const uint8_t* at = bytes + (frame * channels + c) * sampleBytes;
      sum += sampleBytes == 1 ? (at[0] - 128) * 256 : static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
    }
    return sum / static_cast<int>(channels);
  };
  const uint32_t factor = HeadlessMicrophone::kRate / format.sampleRate;  // 1, 2 or 4
  std::vector<int16_t> samples(frames * factor);
  int here = frames > 0 ? mono(0) : 0;
  for (size_t frame = 0; frame < frames; ++frame) {
    const int next = frame + 1 < frames ? mono(frame + 1) : here;
    for (uint32_t k = 0; k < factor; ++k) {
      samples[frame * factor + k] = static_cast<int16_t>(here + (next - here) * static_cast<int>(k) / static_cast<int>(factor));
    }
    here = next;
  }
  return samples;
}

}  // namespace

std::string HeadlessMicrophone::hear(const std::string& path) {
  WavSample wav;
  switch (readWavFile(path.c_str(), wav)) {
    case WavResult::Loaded:
      break;
    case WavResult::CannotOpen:
      return format(kWavCannotOpen, path.c_str());
    case WavResult::NotWave:
    case WavResult::NoData:
      return format(kWavNotWav, path.c_str());
  }
  const WavFormat original = wav.format;
  const SampleProblem problem = prepareSample(wav);
  if (problem != SampleProblem::None) return sampleProblemText(problem, path.c_str(), original);
  recordings_.push_back(Recording{frameAt(clock_.elapsed()), monoAtMicrophoneRate(wav)});
  return "";
}

void HeadlessMicrophone::roomSound(uint64_t from, size_t count, int16_t* out) const {
  std::vector<int32_t> mix(count, 0);
  for (const Recording& recording : recordings_) {
    uint64_t end = recording.startFrame + recording.samples.size();
    uint64_t first = std::max(from, recording.startFrame);
    uint64_t last = std::min<uint64_t>(from + count, end);
    for (uint64_t frame = first; frame < last; ++frame) {
      mix[frame - from] += recording.samples[frame - recording.startFrame];
    }
  }
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>(std::clamp(mix[i], -32768, 32767));
}

// Only whole buffers, as a device hands them over: a note is heard once the buffer that completes
// its detection is done, never earlier.
void HeadlessMicrophone::catchUp() {
  if (!listener_) return;
  int16_t buffer[kBufferFrames];
  uint64_t due = frameAt(clock_.elapsed());
  while (streamStart_ + listener_->framesFed() + kBufferFrames <= due) {
    roomSound(streamStart_ + listener_->framesFed(), kBufferFrames, buffer);
    heard_.clear();
    listener_->feed(buffer, kBufferFrames, heard_);
    for (const HeardNote& note : heard_) deliver(note);
  }
}

void HeadlessMicrophone::deliver(const HeardNote& note) {
  uint64_t ms = msAt(streamStart_ + note.frame);
  bool clap = mode_ == ListenMode::kClaps;
  transcript_.addAt(ms, clap ? std::string("heard clap") : format("heard note %d", note.note));
  if (notes_) notes_->heard(VirtualClock::kStartClockMs + static_cast<uint32_t>(ms), clap ? -1 : note.note);
}

std::string HeadlessMicrophone::start(ListenMode mode, HeardNotes& notes) {
  mode_ = mode;
  notes_ = &notes;
  listener_ = std::make_unique<NoteListener>(kRate, mode);
  streamStart_ = frameAt(clock_.elapsed());
  transcript_.add(mode == ListenMode::kClaps ? "microphone on, listening for claps" : "microphone on, listening for notes");
  return "";
}

void HeadlessMicrophone::stop() {
  if (!listener_) return;
  listener_.reset();
  notes_ = nullptr;
  transcript_.add("microphone off");
}

int HeadlessMicrophone::level() { return listener_ ? listener_->level() : 0; }

bool HeadlessMicrophone::settled() { return !listener_ || listener_->settled(); }

}  // namespace vellaro
