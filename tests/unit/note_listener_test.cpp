// The listener on generated signals: each case names the fault it guards against. The tones are
// harmonic (a fundamental and two partials) with a plucked envelope, so that a repeated note has a
// real onset and the pitch estimator sees a timbre rather than a bare sine.
#include "sound/note_listener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace vellaro {
namespace {

constexpr double kPi = 3.14159265358979323846;

double hz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

struct Tone {
  double start;  // seconds
  double length;
  double midi;
  double glideTo = 0.0;     // MIDI pitch it slides to, 0 for none
  double glideStart = 0.0;  // seconds into the tone where the slide begins; it lasts 60 ms
  double rise = 0.005;      // seconds to full level
  double fade = 0.0;        // seconds of a fade to nothing at its end (a release under the next note)
  double level = 1.0;       // of the others' 0.3 of full scale
};

// Tones one after another (each may glide), 0.3 of full scale, with a rise (5 ms unless given), an
// exponential decay and a fade at the end when given; white noise of noiseAmplitude (of full scale) over the whole length.
std::vector<int16_t> render(uint32_t rate, double seconds, const std::vector<Tone>& tones, double noiseAmplitude = 0.0) {
  std::vector<double> mix(static_cast<size_t>(seconds * rate), 0.0);
  for (const Tone& tone : tones) {
    double phase = 0.0;
    const auto first = static_cast<size_t>(tone.start * rate);
    const auto count = static_cast<size_t>(tone.length * rate);
    for (size_t i = 0; i < count && first + i < mix.size(); ++i) {
      const double t = static_cast<double>(i) / rate;
      const double slid = std::clamp((t - tone.glideStart) / 0.06, 0.0, 1.0);
      const double midi = tone.glideTo > 0.0 ? tone.midi + (tone.glideTo - tone.midi) * slid : tone.midi;
      phase += 2.0 * kPi * hz(midi) / rate;
      const bool held = tone.glideTo > 0.0 || tone.rise > 0.005;  // a sung slide or swell holds its breath
      const double decay = held ? 0.5 : 3.0;
      const double fading = tone.fade > 0.0 ? std::clamp((tone.length - t) / tone.fade, 0.0, 1.0) : 1.0;
      const double envelope = std::min(1.0, t / tone.rise) * std::exp(-decay * t) * fading;
      mix[first + i] += 0.3 * tone.level * envelope * (std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.3 * std::sin(3 * phase));
    }
  }
  uint32_t seed = 1;
  std::vector<int16_t> samples(mix.size());
  for (size_t i = 0; i < mix.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = noiseAmplitude * 1.7 * ((seed >> 8) / 16777216.0 - 0.5) * 2.0;
    samples[i] = static_cast<int16_t>(std::lround(std::clamp((mix[i] / 1.8 + noise) * 32767.0, -32768.0, 32767.0)));
  }
  return samples;
}

// Claps: 10 ms bursts of noise, decaying fast, count of them every interval seconds.
std::vector<int16_t> claps(uint32_t rate, double first, double interval, int count) {
  std::vector<int16_t> samples(static_cast<size_t>((first + interval * count + 0.3) * rate), 0);
  uint32_t seed = 7;
  for (int c = 0; c < count; ++c) {
    const auto at = static_cast<size_t>((first + interval * c) * rate);
    for (size_t i = 0; i < rate / 20; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const double noise = ((seed >> 8) / 16777216.0 - 0.5) * 2.0;
      samples[at + i] = static_cast<int16_t>(std::lround(20000.0 * noise * std::exp(-static_cast<double>(i) / (0.008 * rate))));
    }
  }
  return samples;
}

std::vector<HeardNote> listen(const std::vector<int16_t>& samples, uint32_t rate, ListenMode mode, size_t chunk = 441) {
  NoteListener listener(rate, mode);
  std::vector<HeardNote> heard;
  for (size_t at = 0; at < samples.size(); at += chunk) {
    listener.feed(&samples[at], std::min(chunk, samples.size() - at), heard);
  }
  return heard;
}

struct Expected {
  double seconds;
  int note;  // MIDI - 36, -1 for a clap
};

std::string describe(const std::vector<HeardNote>& heard, uint32_t rate) {
  std::string text;
  for (const HeardNote& note : heard) {
    text += std::to_string(static_cast<double>(note.frame) / rate) + ":" + std::to_string(note.note) + " ";
  }
  return text;
}

void expectHeard(const std::vector<HeardNote>& heard, const std::vector<Expected>& expected, uint32_t rate,
                 double tolerance = 0.020) {
  ASSERT_EQ(heard.size(), expected.size()) << describe(heard, rate);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(heard[i].note, expected[i].note) << "note " << i << ": " << describe(heard, rate);
    EXPECT_NEAR(static_cast<double>(heard[i].frame) / rate, expected[i].seconds, tolerance) << "note " << i;
  }
}

struct SignalCase {
  const char* fault;
  uint32_t rate;
  ListenMode mode;
  std::vector<int16_t> (*make)(uint32_t rate);
  std::vector<Expected> expected;
  double tolerance = 0.020;  // seconds
};

std::vector<int16_t> melody(uint32_t rate) {
  return render(rate, 1.6, {{0.1, 0.3, 60}, {0.4, 0.3, 67}, {0.7, 0.3, 64}, {1.0, 0.5, 72}});
}
std::vector<int16_t> repeatedWithoutGap(uint32_t rate) {
  return render(rate, 1.3, {{0.1, 0.25, 69}, {0.35, 0.25, 69}, {0.6, 0.25, 69}, {0.85, 0.35, 69}});
}
std::vector<int16_t> lowAndHigh(uint32_t rate) { return render(rate, 1.0, {{0.1, 0.35, 41}, {0.5, 0.4, 96}}); }
std::vector<int16_t> glide(uint32_t rate) {
  // C4 held, a 60 ms slide up to G4 with no new attack, G4 held: the slide ends on a new note.
  return render(rate, 1.2, {{0.1, 0.95, 60, 67, 0.4}});
}
std::vector<int16_t> swellUnderTheLast(uint32_t rate) {
  // A slur sung or bowed: C4 fades over 300 ms while E4 swells in over 250 ms, with no attack.
  return render(rate, 1.4, {{0.1, 0.6, 60, 0.0, 0.0, 0.005, 0.3}, {0.4, 0.9, 64, 0.0, 0.0, 0.25}});
}
// B5 fades while G#5 swells in. What is new is G#5 before the plain estimates leave B5; later the two
// together repeat at a fifth of G#5's frequency (a sixth of B5's), two octaves and a third below.
std::vector<int16_t> slurDownAThird(uint32_t rate) {
  return render(rate, 1.4, {{0.1, 0.6, 83, 0.0, 0.0, 0.005, 0.3}, {0.4, 0.9, 80, 0.0, 0.0, 0.25}});
}
std::vector<int16_t> slowSlurDownAThird(uint32_t rate) {
  return render(rate, 1.4, {{0.1, 0.6, 83, 0.0, 0.0, 0.005, 0.3}, {0.4, 0.9, 80, 0.0, 0.0, 0.5}});
}
// A slur sung C4 to E4 with a scoop: D4 swells in under C4's fade, holds 60 ms, then slides up to E4.
std::vector<int16_t> scoopedSlur(uint32_t rate) {
  return render(rate, 1.4, {{0.1, 0.6, 60, 0.0, 0.0, 0.005, 0.3}, {0.4, 0.9, 62, 64, 0.06, 0.1}});
}
std::vector<int16_t> struckAgainOutOfAFade(uint32_t rate) {
  // A4 dies away, and is sung again before it has gone, swelling over 60 ms: no valley, only the
  // new note's attack.
  return render(rate, 1.3, {{0.1, 0.6, 69}, {0.6, 0.6, 69, 0.0, 0.0, 0.06}});
}
// A square wave made the plain way (the sign of a sine) at one level: its edges fall on the sample
// grid, so partials folded back from above half the rate come and go all the time. Rises of 10 ms,
// falls of 20 ms.
std::vector<int16_t> squareScale(uint32_t rate) {
  std::vector<int16_t> samples(static_cast<size_t>(3.5 * rate), 0);
  const double notes[] = {60, 62, 64, 65, 67, 69, 71, 72};
  for (size_t n = 0; n < 8; ++n) {
    const auto first = static_cast<size_t>((0.2 + 0.4 * static_cast<double>(n)) * rate);
    const auto count = static_cast<size_t>(0.3 * rate);
    for (size_t i = 0; i < count; ++i) {
      const double t = static_cast<double>(i) / rate;
      const double envelope = std::min({1.0, t / 0.01, (0.3 - t) / 0.02});
      const double wave = std::sin(2.0 * kPi * hz(notes[n]) * t) >= 0.0 ? 1.0 : -1.0;
      samples[first + i] = static_cast<int16_t>(std::lround(6000.0 * envelope * wave));
    }
  }
  return samples;
}
// B2 then E3 plucked, their odd partials (the fundamental among them) growing from nothing over
// 120 ms: the first windows hear only the octave.
std::vector<int16_t> fundamentalComesLate(uint32_t rate) {
  std::vector<int16_t> samples(static_cast<size_t>(1.2 * rate), 0);
  for (const auto& [start, midi] : {std::pair{0.1, 47.0}, std::pair{0.6, 52.0}}) {
    const auto first = static_cast<size_t>(start * rate);
    for (size_t i = 0; i < static_cast<size_t>(0.5 * rate); ++i) {
      const double t = static_cast<double>(i) / rate;
      const double phase = 2.0 * kPi * hz(midi) * t;
      const double odd = std::min(1.0, t / 0.12);
      const double envelope = std::min(1.0, t / 0.005) * std::exp(-3.0 * t);
      const double wave = odd * std::sin(phase) + std::sin(2 * phase) + 0.3 * odd * std::sin(3 * phase);
      samples[first + i] = static_cast<int16_t>(std::lround(5000.0 * envelope * wave));
    }
  }
  return samples;
}
// A4 stops dead; its reverberation, there all along 40 dB under it, swells by 4 dB once the dry
// sound has gone.
std::vector<int16_t> reverberatedEnd(uint32_t rate) {
  return render(rate, 1.3, {{0.1, 0.45, 69, 0.0, 0.0, 0.01, 0.005}, {0.1, 1.0, 69, 0.0, 0.0, 0.1, 0.2, 0.01},
                            {0.55, 0.3, 69, 0.0, 0.0, 0.03, 0.25, 0.015}});
}
// G4 fades over 300 ms while F4, a third of a semitone sharp, swells in: together they are first
// heard on the F#4 between them, while what grew is already F4.
std::vector<int16_t> stepDownATone(uint32_t rate) {
  return render(rate, 1.4, {{0.1, 0.6, 67, 0.0, 0.0, 0.005, 0.3}, {0.45, 0.8, 65.3, 0.0, 0.0, 0.25}});
}
// E7, 2637 Hz, a plain sine (its overtones would fold back at 8000 Hz): above the range, where a
// period of three samples would take it at 8000 Hz.
std::vector<int16_t> aboveTheRange(uint32_t rate) {
  std::vector<int16_t> samples(rate, 0);
  for (size_t i = rate / 10; i < rate * 7 / 10; ++i) {
    samples[i] = static_cast<int16_t>(std::lround(8000.0 * std::sin(2.0 * kPi * hz(100) * static_cast<double>(i) / rate)));
  }
  return samples;
}
// C4, D4, E4, F4 and G4 sung with a breath between each two: 300 ms of soft noise (an 8-sample
// average of white noise, rising and falling), 35 dB under full scale.
std::vector<int16_t> breathsBetween(uint32_t rate) {
  std::vector<Tone> notes;
  for (int n = 0; n < 5; ++n) notes.push_back({0.3 + 0.7 * n, 0.4, 60.0 + (n < 3 ? 2 * n : 2 * n - 1), 0.0, 0.0, 0.02, 0.05});
  std::vector<int16_t> samples = render(rate, 3.8, notes);
  uint32_t seed = 5;
  double window[8] = {};
  const auto count = static_cast<size_t>(0.3 * rate);
  for (int b = 0; b < 4; ++b) {
    const auto first = static_cast<size_t>((0.7 + 0.7 * b) * rate);
    for (size_t i = 0; i < count; ++i) {
      seed = seed * 1664525u + 1013904223u;
      window[i % 8] = ((seed >> 8) / 16777216.0 - 0.5) * 2.0 * 1.7;
      double sum = 0.0;
      for (const double w : window) sum += w;
      const double breath = 0.0178 * sum / 8.0 * std::sin(kPi * static_cast<double>(i) / static_cast<double>(count));
      samples[first + i] = static_cast<int16_t>(std::clamp(samples[first + i] + std::lround(breath * 32767.0), -32768L, 32767L));
    }
  }
  return samples;
}
// G3 sung 18 dB over full scale, so loud that it clips until its last 50 ms come back under it.
std::vector<int16_t> clippedNote(uint32_t rate) { return render(rate, 1.1, {{0.3, 0.5, 55, 0.0, 0.0, 0.02, 0.05, 8.0}}); }
// Sung slurs of an octave, each sliding over 60 ms from 0.6 s into the note: the new note is heard
// between the start of the slide and 15 ms after its end.
std::vector<int16_t> slurUpAnOctave(uint32_t rate) { return render(rate, 1.6, {{0.1, 1.2, 60, 72, 0.6, 0.03}}); }
std::vector<int16_t> slurDownAnOctave(uint32_t rate) { return render(rate, 1.6, {{0.1, 1.2, 67, 55, 0.6, 0.03}}); }
std::vector<int16_t> fromFirstFrame(uint32_t rate) { return render(rate, 1.0, {{0.0, 0.5, 60}, {0.5, 0.4, 62}}); }
std::vector<int16_t> quietRoom(uint32_t rate) { return render(rate, 2.0, {}, 0.001); }
std::vector<int16_t> clapTrain(uint32_t rate) { return claps(rate, 0.2, 0.125, 16); }

std::vector<Expected> clapTimes() {
  std::vector<Expected> times;
  for (int c = 0; c < 16; ++c) times.push_back({0.2 + 0.125 * c, -1});
  return times;
}

// The glide's expected second note carries the time its slide reached G4 less half a window.
const SignalCase kCases[] = {
    {"a melody is heard with its pitches, sung middle C as 24", 44100, ListenMode::kNotes, melody,
     {{0.1, 24}, {0.4, 31}, {0.7, 28}, {1.0, 36}}},
    {"the same melody at 48000 Hz", 48000, ListenMode::kNotes, melody, {{0.1, 24}, {0.4, 31}, {0.7, 28}, {1.0, 36}}},
    {"the same melody at 22050 Hz", 22050, ListenMode::kNotes, melody, {{0.1, 24}, {0.4, 31}, {0.7, 28}, {1.0, 36}}},
    {"the same melody at 11025 Hz", 11025, ListenMode::kNotes, melody, {{0.1, 24}, {0.4, 31}, {0.7, 28}, {1.0, 36}}},
    {"a note struck again with no gap is a new note each time", 44100, ListenMode::kNotes, repeatedWithoutGap,
     {{0.1, 33}, {0.35, 33}, {0.6, 33}, {0.85, 33}}},
    {"a note swelling in under the fade of the last is dated where it began, not where it won", 44100,
     ListenMode::kNotes, swellUnderTheLast, {{0.1, 24}, {0.4, 28}}},
    {"a slur down a minor third does not go back to the note it left", 44100, ListenMode::kNotes, slurDownAThird,
     {{0.1, 47}, {0.4, 44}}},
    {"a slow slur down a minor third is not heard at the period the two notes share, and is dated within 50 ms",
     44100, ListenMode::kNotes, slowSlurDownAThird, {{0.1, 47}, {0.4, 44}}, 0.050},
    {"a note scooped into from a tone below is dated where the scoop began", 44100, ListenMode::kNotes,
     scoopedSlur, {{0.1, 24}, {0.4, 26}, {0.4, 28}}},
    {"a note sung again as the last fades is a new note", 44100, ListenMode::kNotes, struckAgainOutOfAFade,
     {{0.1, 33}, {0.6, 33}}},
    {"87 Hz and 2093 Hz both lie in the range", 44100, ListenMode::kNotes, lowAndHigh, {{0.1, 5}, {0.5, 60}}},
    {"a square wave held at one level is one note each, however its folded partials move", 44100,
     ListenMode::kNotes, squareScale, {{0.2, 24}, {0.6, 26}, {1.0, 28}, {1.4, 29}, {1.8, 31}, {2.2, 33}, {2.6, 35}, {3.0, 36}}},
    {"a note first heard an octave up is put right, at its onset, once its fundamental comes", 44100,
     ListenMode::kNotes, fundamentalComesLate, {{0.1, 23}, {0.1, 11}, {0.6, 16}}},
    {"a note that stops dead is one note, however its reverberation swells after it", 44100, ListenMode::kNotes,
     reverberatedEnd, {{0.1, 33}}},
    {"a step down a tone is not heard on the semitone between", 44100, ListenMode::kNotes, stepDownATone,
     {{0.1, 31}, {0.45, 29}}, 0.030},
    {"a pitch above the range is heard an octave low, never above the range", 8000, ListenMode::kNotes,
     aboveTheRange, {{0.1, 52}}},
    {"a breath between notes is no note", 44100, ListenMode::kNotes, breathsBetween,
     {{0.3, 24}, {1.0, 26}, {1.7, 28}, {2.4, 29}, {3.1, 31}}},
    {"a note sung so loud that it clips is one note, however its end comes back under full scale", 44100,
     ListenMode::kNotes, clippedNote, {{0.3, 19}}},
    {"a slur up an octave is two notes: the note left loses its odd harmonics", 44100, ListenMode::kNotes,
     slurUpAnOctave, {{0.1, 24}, {0.73, 36}}, 0.045},
    {"a slur down an octave is two notes: odd harmonics of the new note come", 44100, ListenMode::kNotes,
     slurDownAnOctave, {{0.1, 31}, {0.73, 19}}, 0.045},
    {"a note from the very first frame, then the next", 44100, ListenMode::kNotes, fromFirstFrame, {{0.0, 24}, {0.5, 26}}},
    {"a quiet room with noise trips nothing", 44100, ListenMode::kNotes, quietRoom, {}},
    {"a quiet room trips no clap either", 44100, ListenMode::kClaps, quietRoom, {}},
    {"a clap train at 8 per second: every clap, where it began", 44100, ListenMode::kClaps, clapTrain, clapTimes()},
};

class SignalTest : public testing::TestWithParam<SignalCase> {};

TEST_P(SignalTest, HearsWhatWasPlayed) {
  const SignalCase& c = GetParam();
  SCOPED_TRACE(c.fault);
  expectHeard(listen(c.make(c.rate), c.rate, c.mode), c.expected, c.rate, c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(NoteListener, SignalTest, testing::ValuesIn(kCases));

TEST(NoteListener, GlideEndsOnTheNoteItReachesWithoutANoteOnTheWay) {
  const uint32_t rate = 44100;
  std::vector<HeardNote> heard = listen(glide(rate), rate, ListenMode::kNotes);
  ASSERT_EQ(heard.size(), 2u) << describe(heard, rate);
  EXPECT_EQ(heard[0].note, 24);
  EXPECT_EQ(heard[1].note, 31);
  // Heard after the slide began and no later than 40 ms past its end.
  EXPECT_GT(static_cast<double>(heard[1].frame) / rate, 0.5);
  EXPECT_LT(static_cast<double>(heard[1].frame) / rate, 0.6);
}

// A note sung with a vibrato of extent semitones either way, rate times a second, from 0.5 s for 3 s.
std::vector<int16_t> vibrato(uint32_t rate, double midi, double extent, double perSecond) {
  std::vector<int16_t> samples(static_cast<size_t>(4.0 * rate), 0);
  double phase = 0.0;
  for (size_t i = 0; i < static_cast<size_t>(3.0 * rate); ++i) {
    const double t = static_cast<double>(i) / rate;
    phase += 2.0 * kPi * hz(midi + extent * std::sin(2.0 * kPi * perSecond * t)) / rate;
    const double envelope = std::min({1.0, t / 0.05, (3.0 - t) / 0.05});
    const double wave = std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.3 * std::sin(3 * phase);
    samples[rate / 2 + i] = static_cast<int16_t>(std::lround(5000.0 * envelope * wave));
  }
  return samples;
}

TEST(NoteListener, AWideVibratoIsItsMiddleNotAStringOfNotes) {
  const uint32_t rate = 44100;
  for (const double extent : {0.5, 0.75, 1.0}) {
    for (const double perSecond : {4.5, 5.5, 6.5}) {
      SCOPED_TRACE(testing::Message() << "±" << extent << " semitone at " << perSecond << " Hz");
      const std::vector<HeardNote> heard = listen(vibrato(rate, 67.0, extent, perSecond), rate, ListenMode::kNotes);
      // Until the pitch has swung over its middle a few times its crests may pass for notes.
      ASSERT_FALSE(heard.empty());
      ASSERT_LE(heard.size(), 8u) << describe(heard, rate);
      for (const HeardNote& note : heard) EXPECT_LT(static_cast<double>(note.frame) / rate, 0.9) << describe(heard, rate);
      EXPECT_EQ(heard.back().note, 31) << describe(heard, rate);
    }
  }
}

// A note sung off the middle of its semitone with a vibrato: centre, drifting by driftPerSecond, and
// extent semitones either way at 5.5 Hz, from 0.3 s for 2 s.
std::vector<int16_t> offCentre(uint32_t rate, double centre, double driftPerSecond, double extent) {
  std::vector<int16_t> samples(static_cast<size_t>(2.6 * rate), 0);
  double phase = 0.0;
  for (size_t i = 0; i < static_cast<size_t>(2.0 * rate); ++i) {
    const double t = static_cast<double>(i) / rate;
    phase += 2.0 * kPi * hz(centre + driftPerSecond * t + extent * std::sin(2.0 * kPi * 5.5 * t)) / rate;
    const double envelope = std::min({1.0, t / 0.03, (2.0 - t) / 0.05});
    const double wave = std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase);
    samples[rate * 3 / 10 + i] = static_cast<int16_t>(std::lround(6000.0 * envelope * wave));
  }
  return samples;
}

// Crossing into the neighbouring note on every swing once made a new note each time (11 to 14 for
// one held note). The first swing may still pass for a note before the vibrato is plain.
TEST(NoteListener, ANoteSungOffCentreWithAVibratoIsOneNote) {
  const uint32_t rate = 44100;
  const struct {
    double centre, driftPerSecond, extent;
  } cases[] = {{71.5, 0.0, 0.3}, {71.5, 0.0, 0.2}, {71.6, 0.0, 0.5}, {71.4, 0.0, 0.3}, {72.0, -0.4, 0.3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.centre << " drifting " << c.driftPerSecond << "/s, ±" << c.extent);
    const std::vector<HeardNote> heard = listen(offCentre(rate, c.centre, c.driftPerSecond, c.extent), rate, ListenMode::kNotes);
    // A note reported again at the same moment replaces the first report, as the capture keeps it.
    std::vector<uint64_t> onsets;
    for (const HeardNote& note : heard) {
      if (onsets.empty() || onsets.back() != note.frame) onsets.push_back(note.frame);
      EXPECT_TRUE(note.note == 35 || note.note == 36) << describe(heard, rate);
    }
    EXPECT_GE(onsets.size(), 1u);
    EXPECT_LE(onsets.size(), 2u) << describe(heard, rate);
  }
}

TEST(NoteListener, ChunkSizeChangesNothing) {
  const uint32_t rate = 44100;
  const std::vector<int16_t> samples = melody(rate);
  const std::vector<HeardNote> whole = listen(samples, rate, ListenMode::kNotes, samples.size());
  ASSERT_EQ(whole.size(), 4u);
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{441}, size_t{4096}}) {
    const std::vector<HeardNote> heard = listen(samples, rate, ListenMode::kNotes, chunk);
    ASSERT_EQ(heard.size(), whole.size()) << "chunk " << chunk;
    for (size_t i = 0; i < heard.size(); ++i) {
      EXPECT_EQ(heard[i].frame, whole[i].frame) << "chunk " << chunk;
      EXPECT_EQ(heard[i].note, whole[i].note) << "chunk " << chunk;
    }
  }
}

TEST(NoteListener, EachNoteIsReportedWithin60MsOfItsOnset) {
  const uint32_t rate = 44100;
  const std::vector<int16_t> samples = melody(rate);
  NoteListener listener(rate, ListenMode::kNotes);
  std::vector<HeardNote> heard;
  const double onsets[] = {0.1, 0.4, 0.7, 1.0};
  for (size_t at = 0; at < samples.size(); at += 32) {
    const size_t before = heard.size();
    listener.feed(&samples[at], std::min<size_t>(32, samples.size() - at), heard);
    for (size_t i = before; i < heard.size() && i < 4; ++i) {
      EXPECT_LE(static_cast<double>(listener.framesFed()) / rate - onsets[i], 0.060) << "note " << i;
    }
  }
  EXPECT_EQ(heard.size(), 4u);
  EXPECT_EQ(listener.framesFed(), samples.size());
}

TEST(NoteListener, HostileInputNeitherCrashesNorInventsNotes) {
  const uint32_t rate = 48000;
  std::vector<int16_t> square(rate), dc(rate, 20000), garbage(rate), silence(rate, 0);
  for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 32767 : -32768;
  uint32_t seed = 3;
  for (int16_t& s : garbage) s = static_cast<int16_t>((seed = seed * 1664525u + 1013904223u) >> 16);
  for (ListenMode mode : {ListenMode::kNotes, ListenMode::kClaps}) {
    NoteListener listener(rate, mode);
    std::vector<HeardNote> heard;
    for (const auto* signal : {&silence, &square, &dc, &garbage, &silence}) listener.feed(signal->data(), signal->size(), heard);
    listener.feed(nullptr, 0, heard);
    EXPECT_LE(heard.size(), 8u);  // the square's and the garbage's starts may count; nothing repeats
    for (const HeardNote& note : heard) EXPECT_LE(note.frame, 5u * rate);
  }
  // The DC alone, once it has begun, is no note.
  NoteListener listener(rate, ListenMode::kNotes);
  std::vector<HeardNote> heard;
  listener.feed(dc.data(), dc.size(), heard);
  listener.feed(dc.data(), dc.size(), heard);
  EXPECT_TRUE(heard.empty());
}

struct LevelCase {
  int16_t amplitude;
  int level;
};

TEST(NoteListener, LevelIsThePeakOfTheLast100MsInDecibels) {
  const LevelCase cases[] = {{0, 0}, {32, 0}, {328, 33}, {3277, 67}, {32767, 100}};
  for (const LevelCase& c : cases) {
    NoteListener listener(44100, ListenMode::kNotes);
    std::vector<int16_t> samples(4410, c.amplitude);
    std::vector<HeardNote> heard;
    listener.feed(samples.data(), samples.size(), heard);
    EXPECT_NEAR(listener.level(), c.level, 1) << c.amplitude;
    // 100 ms of silence later, the level has fallen back.
    std::vector<int16_t> quiet(4851, 0);
    listener.feed(quiet.data(), quiet.size(), heard);
    EXPECT_EQ(listener.level(), 0) << c.amplitude;
  }
}

}  // namespace
}  // namespace vellaro
