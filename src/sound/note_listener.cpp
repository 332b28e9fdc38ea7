// The listener runs at an analysis rate near 22 kHz (the stream decimated by a whole factor), one hop
// of about 5.8 ms at a time: each hop pushes a 23 ms frame to the onset detector and a 29 ms window
// to the pitch estimator, then decides. Three rules start a note: an onset of the flux opens a
// pending note whose pitch is that of the first estimates of what is new after it; a pitch that holds
// on another note (plain, or the pitch of what grew while the last note fades) starts one by the
// note-change rule, its onset walked back to where the new note's harmonics began to rise; and a
// valley of the level while the pitch holds is the same note struck again. Everything is sized at
// construction, so feed() allocates nothing, and every decision is taken at a hop boundary of the
// stream, so the chunking of feed() changes nothing.
#include "sound/note_listener.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sound/fft.h"
#include "sound/onset_detector.h"
#include "sound/pitch_estimator.h"

namespace vellaro {
namespace {

constexpr double kAnalysisRate = 22050.0;
constexpr double kHopSeconds = 0.0058;
constexpr double kFrameSeconds = 0.023;      // onset frame, rounded to the nearest power of two
// The pitch window: 2.2 periods of the lowest pitch, short so that a new note soon fills it.
constexpr double kWindowSeconds = 0.029;
constexpr float kLowestHz = 75.0f;
constexpr float kHighestHz = 2100.0f;
// Where a sound began, behind the end of the first frame of the flux's rise, as a share of the frame.
constexpr double kOnsetBehindFrameEnd = 0.5;
constexpr float kRiseShare = 0.3f;   // the rise starts where the flux is above this share of its peak
constexpr size_t kRiseHops = 6;
constexpr double kDecideWithinSeconds = 0.05;  // a pending note is decided by then after its onset
constexpr float kAgreeSemitones = 0.5f;
// The note-change rule: kSettledHops plain estimates in a row within kSettledSemitones of one note
// other than the sounding one, spread over no more than kSettledSpread (a slide moves further), start
// that note. Its onset is found by walking back over the estimates still near it (at most kBackHops),
// kSettledStartShare into the first window that heard it.
// While the pitch is not clearly the sounding note's, each hop also estimates the pitch of the power
// that grew since kGrownBackHops before (counted when it is kGrownShare of the power or more): a
// note swelling in under the release of the last is heard before it outweighs it.
constexpr size_t kGrownBackHops = 7;
constexpr float kGrownShare = 0.25f;
constexpr float kSteadyClarity = 0.95f;
constexpr float kFarthestGrown = 12.5f;
constexpr size_t kSettledHops = 5;
constexpr float kSettledSemitones = 0.35f;
constexpr float kSettledSpread = 0.5f;
constexpr float kNearSemitones = 0.6f;
// A fading note and the next together give plain estimates between them: a note the plain estimates
// hold while what grew lies kBeyondLeast to kBeyondMost semitones beyond it, away from the sounding
// note, in kAgreeing of the hops or more, is that mixture (a voice stepping down a tone is heard on the
// semitone between), not a note.
constexpr float kBeyondLeast = 0.5f;
constexpr float kBeyondMost = 2.5f;
// Two notes that sound together repeat at a common period, a whole number of the higher one's (up
// to kFarthestSubharmonic for a minor third or a fourth): an estimate there is the mixture.
constexpr int kFarthestSubharmonic = 10;
constexpr size_t kBackHops = 10;
constexpr size_t kMixedBackHops = 20;
// The fade of the sounding note before a change: from a level steady within kPlateauDb over
// kPlateauHops, falling kFadeDb or more, at most kFadeBackHops back.
constexpr size_t kFadeBackHops = 20;
constexpr size_t kPlateauHops = 5;
constexpr double kPlateauDb = 1.0;
constexpr double kFadeDb = 3.0;
constexpr double kSettledStartShare = 0.5;
// A change found late (a slow swell) is dated by the harmonics of the new note: back from the newest
// hop, over at most kRiseHistoryHops, while they stay within kRiseDb of the loudest of the newest
// kRiseTopHops and are not more than kRiseSlack times louder than the hop after them. A rise that
// reaches past the history, or within kRiseGuardSeconds of the last note, is not trusted.
constexpr size_t kRiseHistoryHops = 96;
constexpr size_t kRiseTopHops = 3;
constexpr double kRiseDb = 12.0;
constexpr float kRiseSlack = 2.0f;
constexpr double kRiseGuardSeconds = 0.06;
// A change to a note at most this far from the one the change rule reported less than
// kSameNoteSeconds before was that note scooping into this one: it began where that one did.
constexpr int kScoopSemitones = 2;
// A note an onset started on the wrong octave (the first windows after an attack often hear the
// octave: a plucked string's fundamental is weak at first) is put right when the estimates settle an
// octave away within this of its onset, dated at that onset.
constexpr double kOctaveFixSeconds = 0.15;
// A singer's slur up or down an octave, though, glides through the notes between (its estimates there
// are rough, clarity kRoughClarity or more): kLeapGlideHops of the last kHopRecords hops 2 semitones
// or more inside the octave, and the harmonics show the new note: going up, the odd harmonics of the
// note left are kLeapGoneDb or more under the new note's; going down, the new note's odd harmonics
// come within kLeapNewDb of all of its own.
constexpr float kRoughClarity = 0.5f;
constexpr size_t kLeapGlideHops = 4;
constexpr float kLeapInsideSemitones = 2.0f;
constexpr double kLeapGoneDb = 20.0;
constexpr double kLeapNewDb = 6.0;
// A vibrato swings five or six times a second: the plain estimates of the last kSwingHops (370 ms),
// three quarters of them voiced, between a crest and a trough kSwingNarrowest to kSwingWidest
// semitones apart, crossing from one to the other kSwingCrossings times or more (the quarter of the
// span on either side of its middle is no side). A wide one crosses into the neighbouring notes; so
// does a narrow one on a note sung a quarter tone or more off, on every swing.
constexpr size_t kSwingHops = 64;
constexpr float kSwingVoicedShare = 0.75f;
constexpr float kSwingNarrowest = 0.3f;
constexpr float kSwingWidest = 2.5f;
constexpr size_t kSwingCrossings = 3;
// A vibrato glides through its middle (a third of the time for a sine); a trill steps over it.
constexpr float kSwingThroughShare = 0.2f;
// Its middle is a note when it lies within this of one, and a change to a note farther from it than
// the rest of a semitone is not played; nor is a change away from a sounding note that near the
// middle (a middle between two notes keeps the one sounding).
constexpr float kSwingOnNote = 0.3f;
// A middle farther than this from the sounding note is the estimator's (a decaying string heard on its
// octave), not a vibrato's.
constexpr int kSwingFarthestSemitones = 2;
// A note whose onset follows the last one of the same pitch by less than this is the same note heard
// twice (a slow attack's flux peak after the note-change rule has started it).
constexpr double kSameNoteSeconds = 0.12;
constexpr float kClarity = 0.8f;
// After an onset the estimates of what is new count from a lower clarity: a breathy or chorused
// sound (a choir) rarely clears kClarity while it swells.
constexpr float kPendingClarity = 0.6f;
constexpr float kFarthestNewBelow = 24.0f;  // semitones
// A pending note on the pitch that already sounds is that note struck again only when a frame after
// its onset is kStruckAgainDb louder than the one before it, or its onset's flux stood
// kStruckAgainStrength times over its threshold: a held note's swell, breath or bow change moves the
// spectrum a little, but brings no new attack (a soft note struck after a loud one may be no louder).
// A strong onset still needs the level to move by kStruckAgainMovedDb either way: a tone held at one
// level (a square wave whose folded partials come and go) changes its spectrum with no new note.
constexpr double kStruckAgainDb = 1.0;
constexpr float kStruckAgainStrength = 1.5f;
constexpr double kStruckAgainMovedDb = 0.1;
// An onset at the end of the sounding note (its release) is none: by the decision its level has
// fallen kFellAwayDb under the level before it and not risen again by kRisenAfterEnd (a room's
// reverberation swells the tail by up to 2 dB after the dry sound has stopped).
constexpr double kFellAwayDb = 10.0;
constexpr float kRisenAfterEnd = 4.0f;
// Nor is one whose level has only fallen since, by kFallingEndDb or more by the decision: a note sung
// so loud that it clips changes its spectrum as its end comes back under full scale.
constexpr double kFallingEndDb = 3.0;
constexpr float kKeptShare = 0.5f;  // a new note's frames keep this share of the energy before it
// or rise again by this factor over the quietest frame since its onset (a note struck again softer
// dips under the release of the last, then grows; a sound that stopped only falls away).
constexpr float kRisenAgain = 1.2f;
constexpr double kGateDb = -55.0;              // below this the room is taken as quiet
constexpr double kAboveFloorDb = 6.0;          // an onset's frame stands this far above the floor
constexpr double kFloorSeconds = 2.5;          // the floor: the quietest frame of this much stream
// A note struck again at the same pitch with no gap: the last one's release lets the level fall by
// kRestrikeFallDb or more and the new attack lifts it again by kRestrikeRiseDb, all within
// kRestrikeHops, while the pitch holds. Vibrato and a choir's beating make such valleys all the
// time, so the valley must also be kRestrikeDeeper times as deep as the deepest tenth of those of
// the last second, and kRestrikeMarginDb more: a sound that fluctuates a lot (a choir, a bowed
// string) is heard struck again only where it dips far deeper than it does by itself. Its onset is
// the frame where the level began to fall, or where it began to rise into that fall when it rose
// kRestrikeAttackDb or more.
constexpr size_t kRestrikeHops = 10;
constexpr float kRestrikeFallDb = 2.0f;
constexpr float kRestrikeRiseDb = 2.5f;
constexpr double kRestrikeHistorySeconds = 1.0;
constexpr double kRestrikeShare = 0.9;
constexpr float kRestrikeDeeper = 2.0f;
constexpr float kRestrikeMarginDb = 0.5f;
constexpr double kRestrikeAttackDb = 6.0;
constexpr double kRestrikeGapSeconds = 0.2;  // after the last note reported (its attack may dip too)
// A valley whose rise stays more than this under the loudest of the last kHopRecords hops is the
// tail of a note that ended: the reverberation swells after the dry sound stops.
constexpr float kRestrikeUnderTopDb = 15.0f;
// A note struck again whose last one faded slowly into it shows no valley, only the new attack: a
// rise of the level by kAttackDb or more within kAttackHops from their quietest frame (at least
// kAttackLatestLow hops back), with the pitch held and standing out of the rises of the last second
// as a valley must. Its onset is that quietest frame.
constexpr size_t kAttackHops = 12;
constexpr float kAttackDb = 8.0f;
constexpr size_t kAttackLatestLow = 3;
constexpr size_t kSilentHopsEndNote = 3;
constexpr size_t kHopRecords = 32;
constexpr size_t kAgreeing = 3;  // estimates in a row that settle a pending note early
constexpr double kLevelBlockSeconds = 0.01;
constexpr size_t kLevelBlocks = 10;
constexpr double kLevelRangeDb = 60.0;

size_t nearestPowerOfTwo(size_t n) {
  const size_t above = powerOfTwoAtLeast(n);
  return above - n <= n - above / 2 ? above : above / 2;
}

double fromDb(double db) { return std::pow(10.0, db / 10.0); }

// A windowed-sinc low-pass (Blackman) for decimation by factor, cut off a little below the new
// Nyquist frequency. Its taps sum to one.
std::vector<float> lowPassTaps(uint32_t factor) {
  const size_t count = 24 * factor + 1;
  const double pi = 3.14159265358979323846;
  const double cutoff = 0.45 / factor;  // in cycles per input sample
  std::vector<float> taps(count);
  double sum = 0.0;
  for (size_t i = 0; i < count; ++i) {
    double t = static_cast<double>(i) - static_cast<double>(count - 1) / 2.0;
    double sinc = t == 0.0 ? 2.0 * cutoff : std::sin(2.0 * pi * cutoff * t) / (pi * t);
    double phase = 2.0 * pi * static_cast<double>(i) / static_cast<double>(count - 1);
    double w = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
    taps[i] = static_cast<float>(sinc * w);
    sum += sinc * w;
  }
  for (float& tap : taps) tap = static_cast<float>(tap / sum);
  return taps;
}

// What one hop left behind for the decisions after it.
struct HopRecord {
  uint64_t windowStart;  // analysis sample where its pitch window began
  float midi;            // -1 when unvoiced or below the gate
  float grown;           // the pitch of what grew, -1 when none was estimated or heard
  float energy;          // mean square of its onset frame
  float rough;           // the plain estimate from clarity kRoughClarity, -1 when none
};

struct PendingNote {
  bool open = false;
  uint64_t onset = 0;     // analysis sample
  uint64_t deadline = 0;  // analysis sample by which it is decided
  size_t count = 0;       // estimates so far, voiced or not
  size_t voiced = 0;
  float energyBefore = 0.0f;  // of the frame that ended where the note began
  float lowest = 0.0f;        // the quietest frame since the onset
  float highest = 0.0f;       // the loudest frame since the onset
  float strength = 0.0f;      // of its onset (OnsetDetector::lastStrength)
  float estimates[kHopRecords] = {};  // voiced ones, in order
  bool lastVoiced[kAgreeing] = {};    // whether each of the newest estimates was voiced
};

}  // namespace

struct NoteListener::State {
  State(uint32_t sampleRate, ListenMode listenMode);

  void push(float sample, std::vector<HeardNote>& heard);
  void hop(std::vector<HeardNote>& heard);
  void estimatePending();
  void decidePending(bool force, std::vector<HeardNote>& heard);
  bool pendingStruckAgain() const;
  int noteGrownSince(uint64_t since);
  void applyNoteChangeRule(std::vector<HeardNote>& heard);
  void applyRestrikeRule(std::vector<HeardNote>& heard);
  void applyAttackRule(std::vector<HeardNote>& heard);
  void levelsDb(size_t hops, float* db) const;
  bool pitchHeldOver(size_t hops) const;
  bool standsOut(const std::vector<float>& ring, size_t hops, float value, float times);
  bool changeHolds(float lead, std::vector<HeardNote>& heard);
  bool onTheWayToWhatGrew(int note) const;
  bool octaveLeapHeard(int note) const;
  float swingCentre() const;
  void takeSwingCentre(std::vector<HeardNote>& heard);
  uint64_t riseOfHarmonics(int note, uint64_t fallback) const;
  static float nearest(const HopRecord& r, int note);
  static bool belowAsSubharmonic(float low, float high, int most = 5);
  void emit(uint64_t at, int midi, std::vector<HeardNote>& heard);
  const float* latest(size_t count);
  const float* endingAt(uint64_t sample, size_t count);
  float floorEnergy() const;
  uint64_t sameNoteSamples() const { return static_cast<uint64_t>(kSameNoteSeconds * rate); }
  // Before this, a dip or rise of the level belongs to the last note reported.
  uint64_t gapEnd() const { return lastEmittedAt + static_cast<uint64_t>(kRestrikeGapSeconds * rate); }
  const HopRecord& record(size_t back) const { return records[(hopCount - 1 - back) % kHopRecords]; }

  ListenMode mode;
  uint32_t factor;
  double rate;  // analysis rate
  size_t hopSize;
  size_t frameSize;
  size_t windowSize;
  // Decimation: the input twice over in a ring so that the taps always see one straight run.
  std::vector<float> taps;
  std::vector<float> input;
  size_t inputPos = 0;
  uint32_t phase = 0;
  uint64_t groupDelay;  // stream frames the filter delays by
  float highPassIn = 0.0f;
  float highPassOut = 0.0f;
  // The analysed signal, also doubled in its ring.
  std::vector<float> ring;
  size_t ringSize;
  size_t ringPos = 0;
  uint64_t analysed = 0;
  size_t sinceHop = 0;
  OnsetDetector onsets;
  PitchEstimator pitch;
  HopRecord records[kHopRecords] = {};
  float trail[kSwingHops] = {};  // the plain estimate of each hop, -1 when unvoiced, a ring
  float swing = -1.0f;           // the middle of the vibrato in it this hop, -1 when none
  uint64_t hopCount = 0;
  std::vector<float> energies;  // the frame energies of the last kFloorSeconds, a ring by hop
  PendingNote pending;
  int current = -1;             // MIDI pitch of the sounding note, -1 when none
  uint64_t lastOnset = 0;
  int lastEmitted = -1;         // MIDI pitch of the last note reported
  int replaced = -1;            // and of the one reported before it
  uint64_t lastEmittedAt = 0;   // and its onset, analysis sample
  bool lastFromChange = false;  // whether the note-change rule reported it
  int grownNote = -1;           // a note that grew out of a valley at grownAt, not yet reported
  uint64_t grownAt = 0;
  size_t silentHops = 0;
  std::vector<float> estimates;  // scratch for medians
  std::vector<float> valleys;    // the valley depth of each hop of the last kRestrikeHistorySeconds, a ring
  std::vector<float> rises;      // the rise of each hop's attack window, likewise
  std::vector<float> scratch;    // for their deepest tenth
  // Level: the peak of each 10 ms block of the stream.
  uint32_t levelBlockSize;
  uint32_t levelInBlock = 0;
  int32_t blockPeak = 0;
  int32_t blockPeaks[kLevelBlocks] = {};
  size_t levelBlockPos = 0;
  uint64_t framesFed = 0;
};

NoteListener::State::State(uint32_t sampleRate, ListenMode listenMode)
    : mode(listenMode),
      factor(std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(sampleRate / kAnalysisRate)))),
      rate(static_cast<double>(sampleRate) / factor),
      hopSize(std::max<size_t>(8, static_cast<size_t>(std::lround(rate * kHopSeconds)))),
      frameSize(nearestPowerOfTwo(static_cast<size_t>(rate * kFrameSeconds))),
      windowSize(static_cast<size_t>(std::lround(rate * kWindowSeconds))),
      taps(factor > 1 ? lowPassTaps(factor) : std::vector<float>{1.0f}),
      input(2 * taps.size()),
      groupDelay((taps.size() - 1) / 2),
      // Room for the window before a pending note's onset until its deadline.
      ringSize(powerOfTwoAtLeast(2 * windowSize + frameSize + static_cast<size_t>(kDecideWithinSeconds * rate))),
      onsets(static_cast<uint32_t>(rate), frameSize, hopSize),
      pitch(static_cast<uint32_t>(rate), windowSize, kLowestHz, kHighestHz, kRiseHistoryHops),
      energies(std::max<size_t>(1, static_cast<size_t>(kFloorSeconds * rate / static_cast<double>(hopSize))),
               std::numeric_limits<float>::max()),
      estimates(kHopRecords),
      valleys(std::max<size_t>(kRestrikeHops + 8, static_cast<size_t>(kRestrikeHistorySeconds * rate / static_cast<double>(hopSize))), 0.0f),
      rises(valleys.size(), 0.0f),
      scratch(valleys.size()),
      levelBlockSize(std::max<uint32_t>(1, static_cast<uint32_t>(sampleRate * kLevelBlockSeconds))) {
  ring.assign(2 * ringSize, 0.0f);
}

// The newest count analysed samples, oldest first.
const float* NoteListener::State::latest(size_t count) { return &ring[ringPos + ringSize - count]; }

// count analysed samples ending before sample, which must be no older than the ring holds.
const float* NoteListener::State::endingAt(uint64_t sample, size_t count) {
  const uint64_t back = std::min<uint64_t>(analysed - sample + count, ringSize);
  return &ring[ringPos + ringSize - back];
}

float NoteListener::State::floorEnergy() const { return *std::min_element(energies.begin(), energies.end()); }

void NoteListener::State::push(float sample, std::vector<HeardNote>& heard) {
  input[inputPos] = sample;
  input[inputPos + taps.size()] = sample;
  inputPos = (inputPos + 1) % taps.size();
  if (++phase < factor) return;
  phase = 0;
  float filtered = 0.0f;
  const float* run = &input[inputPos];  // the oldest sample first
  for (size_t i = 0; i < taps.size(); ++i) filtered += taps[i] * run[i];
  // A one-pole high-pass near 15 Hz takes out a microphone's DC and rumble.
  highPassOut = filtered - highPassIn + 0.996f * highPassOut;
  highPassIn = filtered;
  ring[ringPos] = highPassOut;
  ring[ringPos + ringSize] = highPassOut;
  ringPos = (ringPos + 1) % ringSize;
  ++analysed;
  if (++sinceHop == hopSize) {
    sinceHop = 0;
    hop(heard);
  }
}

void NoteListener::State::emit(uint64_t at, int midi, std::vector<HeardNote>& heard) {
  replaced = lastEmitted;
  lastFromChange = false;
  lastEmitted = midi;
  lastEmittedAt = at;
  uint64_t frame = at * factor;
  frame = frame > groupDelay ? frame - groupDelay : 0;
  heard.push_back(HeardNote{frame, mode == ListenMode::kClaps ? -1 : midi - 36});
}

void NoteListener::State::hop(std::vector<HeardNote>& heard) {
  const bool onset = onsets.push(latest(frameSize));
  const float* frame = latest(frameSize);
  float energy = 0.0f;
  for (size_t i = 0; i < frameSize; ++i) energy += frame[i] * frame[i];
  energy /= static_cast<float>(frameSize);
  const float floor = floorEnergy();
  energies[hopCount % energies.size()] = energy;

  const float gate = static_cast<float>(fromDb(kGateDb));
  PitchEstimate estimate{-1.0f, 0.0f};
  if (mode == ListenMode::kNotes) estimate = pitch.estimate(latest(windowSize));
  const bool voiced = estimate.midi > 0.0f && estimate.clarity >= kClarity && energy >= gate;
  float grown = -1.0f;
  const bool steady = voiced && estimate.clarity >= kSteadyClarity && current >= 0 &&
                      std::fabs(estimate.midi - static_cast<float>(current)) <= kSettledSemitones;
  if (mode == ListenMode::kNotes && !steady && energy >= gate) {
    float share = 0.0f;
    const PitchEstimate g = pitch.estimateGrown(kGrownBackHops, share);
    // What grew more than an octave from the sounding note is mostly the edges of its partials.
    const bool leap = current >= 0 && std::fabs(g.midi - static_cast<float>(current)) > kFarthestGrown;
    if (g.midi > 0.0f && g.clarity >= kClarity && share >= kGrownShare && !leap) grown = g.midi;
  }
  records[hopCount % kHopRecords] =
      HopRecord{analysed > windowSize ? analysed - windowSize : 0, voiced ? estimate.midi : -1.0f, grown, energy,
                estimate.midi > 0.0f && estimate.clarity >= kRoughClarity && energy >= gate ? estimate.midi : -1.0f};
  trail[hopCount % kSwingHops] = voiced ? estimate.midi : -1.0f;
  ++hopCount;
  silentHops = energy < gate ? silentHops + 1 : 0;
  if (silentHops >= kSilentHopsEndNote) current = -1;

  if (onset && hopCount > 2) {
    // The candidate is the frame before this one; its energy or this one's must clear the gate.
    const float loudest = std::max(energy, record(1).energy);
    const bool heardAboveRoom = loudest >= gate && loudest >= floor * static_cast<float>(fromDb(kAboveFloorDb));
    if (heardAboveRoom) {
      const size_t rise = onsets.riseHops(kRiseShare, kRiseHops);
      const uint64_t back = hopSize * (1 + rise);
      const uint64_t candidateEnd = analysed > back ? analysed - back : 0;  // a sound from the first frame
      const auto behind = static_cast<uint64_t>(kOnsetBehindFrameEnd * static_cast<double>(frameSize));
      const uint64_t at = candidateEnd > behind ? candidateEnd - behind : 0;
      if (mode == ListenMode::kClaps) {
        emit(at, -1, heard);
      } else {
        decidePending(true, heard);
        pending = PendingNote{};
        pending.open = true;
        pending.onset = at;
        pending.energyBefore = record(std::min<size_t>(kHopRecords - 1, rise + 3)).energy;
        pending.strength = onsets.lastStrength();
        pending.lowest = std::numeric_limits<float>::max();
        pending.deadline = at + static_cast<uint64_t>(kDecideWithinSeconds * rate);
      }
      lastOnset = at;
    }
  }
  if (mode == ListenMode::kClaps) return;
  if (pending.open) {
    pending.lowest = std::min(pending.lowest, energy);
    pending.highest = std::max(pending.highest, energy);
    estimatePending();
    decidePending(false, heard);
  }
  applyNoteChangeRule(heard);
  applyRestrikeRule(heard);
  applyAttackRule(heard);
}

// The frame levels of the last hops + 1 hops, oldest first, in decibels.
void NoteListener::State::levelsDb(size_t hops, float* db) const {
  for (size_t i = 0; i <= hops; ++i) db[i] = 10.0f * std::log10(record(hops - i).energy + 1e-12f);
}

// Whether the sounding note's pitch was heard now and hops back, with nothing pending: a change of
// level that a new note starts.
bool NoteListener::State::pitchHeldOver(size_t hops) const {
  if (pending.open || current < 0) return false;
  const auto sounding = static_cast<float>(current);
  const HopRecord& now = record(0);
  const HopRecord& then = record(hops);
  return now.midi >= 0.0f && then.midi >= 0.0f && std::fabs(now.midi - sounding) <= kAgreeSemitones &&
         std::fabs(then.midi - sounding) <= kAgreeSemitones;
}

// Whether value stands out of the last kRestrikeHistorySeconds of ring (one value a hop, the newest
// hops + 1 left out, as they overlap this one): at least times their deepest tenth, and
// kRestrikeMarginDb more.
bool NoteListener::State::standsOut(const std::vector<float>& ring, size_t hops, float value, float times) {
  size_t n = 0;
  const size_t older = std::min<uint64_t>(ring.size(), hopCount);
  for (size_t back = hops + 1; back < older; ++back) scratch[n++] = ring[(hopCount - back) % ring.size()];
  if (n == 0) return true;
  const auto tenth = static_cast<std::ptrdiff_t>(kRestrikeShare * static_cast<double>(n - 1));
  std::nth_element(scratch.begin(), scratch.begin() + tenth, scratch.begin() + static_cast<std::ptrdiff_t>(n));
  return value >= times * scratch[static_cast<size_t>(tenth)] + kRestrikeMarginDb;
}

void NoteListener::State::applyRestrikeRule(std::vector<HeardNote>& heard) {
  if (hopCount <= kRestrikeHops + 1) return;
  float db[kRestrikeHops + 1];
  levelsDb(kRestrikeHops, db);
  const size_t low = static_cast<size_t>(std::min_element(db, db + kRestrikeHops + 1) - db);
  const size_t high = static_cast<size_t>(std::max_element(db, db + low + 1) - db);
  const float fall = db[high] - db[low];
  const float rise = db[kRestrikeHops] - db[low];
  const float depth = std::min(fall, rise);
  valleys[hopCount % valleys.size()] = depth;
  if (low < 2 || low + 1 > kRestrikeHops || fall < kRestrikeFallDb || rise < kRestrikeRiseDb) return;
  if (!pitchHeldOver(kRestrikeHops)) return;
  float loudest = 0.0f;
  for (size_t back = 0; back < std::min<uint64_t>(kHopRecords, hopCount); ++back) {
    loudest = std::max(loudest, record(back).energy);
  }
  if (10.0f * std::log10(loudest + 1e-12f) - db[kRestrikeHops] > kRestrikeUnderTopDb) return;
  uint64_t at = record(kRestrikeHops - high).windowStart + windowSize;
  // A rise of kRestrikeAttackDb or more into the top before the valley is the new attack, and the
  // valley only where it met the last note's release: the note began where that rise began.
  const size_t top = kRestrikeHops - high;
  size_t start = top;
  while (start + 1 < std::min<uint64_t>(kHopRecords, hopCount) && record(start + 1).energy < record(start).energy) ++start;
  if (start > top && record(top).energy >= fromDb(kRestrikeAttackDb) * record(start).energy) {
    at = record(start).windowStart + windowSize;
  }
  if (at < gapEnd()) return;
  if (!standsOut(valleys, kRestrikeHops, depth, kRestrikeDeeper)) return;
  // The next note's attack rising out of the last one's release, heard before the plain estimates
  // leave the last note: the note-change rule may take it from there.
  const int grown = noteGrownSince(record(kRestrikeHops - low).windowStart + windowSize);
  if (grown >= 0) {
    grownNote = grown;
    grownAt = at;
    return;
  }
  lastOnset = std::max(lastOnset, at);
  emit(at, current, heard);
}

void NoteListener::State::applyAttackRule(std::vector<HeardNote>& heard) {
  if (hopCount <= kAttackHops + 1) return;
  float db[kAttackHops + 1];
  levelsDb(kAttackHops, db);
  const size_t low = static_cast<size_t>(std::min_element(db, db + kAttackHops + 1) - db);
  const float rise = db[kAttackHops] - db[low];
  // The attack of the last note reported is not what the sound does by itself.
  const uint64_t at = record(kAttackHops - low).windowStart + windowSize;
  rises[hopCount % rises.size()] = at < gapEnd() ? 0.0f : rise;
  if (low + kAttackLatestLow > kAttackHops || rise < kAttackDb || !pitchHeldOver(kAttackHops - low)) return;
  if (at < gapEnd()) return;
  if (!standsOut(rises, kAttackHops, rise, 1.0f)) return;
  lastOnset = std::max(lastOnset, at);
  emit(at, current, heard);
}

// Each hop whose pitch window begins after the pending note's onset estimates what it added since
// the window that ended there.
void NoteListener::State::estimatePending() {
  if (analysed < windowSize || analysed - windowSize < pending.onset || pending.count >= kHopRecords) return;
  PitchEstimate estimate = pitch.estimateNew(latest(windowSize), endingAt(pending.onset, windowSize));
  // A clear plain estimate of a window wholly after the onset wins over what grew: a note struck
  // again at the same pitch grows little, and its growth is mostly the last one's fading partials.
  const HopRecord& plain = record(0);
  // So does one on the sounding note when what grew lies a whole number of periods below it (what a
  // note struck again adds repeats only at such a multiple) or more than kFarthestNewBelow under it
  // (the spread of the level's change, not a leap the plain estimate has not heard).
  const bool under = plain.midi > 0.0f && estimate.midi > 0.0f && current >= 0 &&
                     std::fabs(plain.midi - static_cast<float>(current)) <= kAgreeSemitones &&
                     (belowAsSubharmonic(estimate.midi, plain.midi, 6) || plain.midi - estimate.midi > kFarthestNewBelow);
  if (plain.midi > 0.0f && (estimate.midi < 0.0f || estimate.clarity < kClarity || under)) estimate = PitchEstimate{plain.midi, 1.0f};
  // A sound that stopped dead makes an onset too; only one that did not fall away is a note.
  const float energy = record(0).energy;
  const bool voiced = estimate.midi > 0.0f && estimate.clarity >= kPendingClarity && energy >= static_cast<float>(fromDb(kGateDb)) &&
                      (energy >= kKeptShare * pending.energyBefore || energy >= kRisenAgain * pending.lowest);
  for (size_t i = kAgreeing - 1; i > 0; --i) pending.lastVoiced[i] = pending.lastVoiced[i - 1];
  pending.lastVoiced[0] = voiced;
  ++pending.count;
  if (voiced) pending.estimates[pending.voiced++] = estimate.midi;
}

// Settles the pending note once kAgreeing estimates in a row agree, or at its deadline (force: now,
// because another onset came) on the median of its newest estimates when two of them agree; otherwise
// it is dropped.
void NoteListener::State::decidePending(bool force, std::vector<HeardNote>& heard) {
  if (!pending.open) return;
  const size_t n = pending.voiced;
  bool settled = false;
  float chosen = 0.0f;
  bool run = pending.count >= kAgreeing && n >= kAgreeing;
  for (size_t i = 0; i < kAgreeing; ++i) run = run && pending.lastVoiced[i];
  if (run) {
    const float* e = &pending.estimates[n - kAgreeing];
    const float lo = std::min({e[0], e[1], e[2]});
    const float hi = std::max({e[0], e[1], e[2]});
    if (hi - lo <= kAgreeSemitones) {
      settled = true;
      chosen = e[0] + e[1] + e[2] - lo - hi;  // the median of three
    }
  }
  const bool due = force || analysed >= pending.deadline;
  if (!settled && due && n > 0) {
    // The newest estimates: the first windows after an onset hear the attack too (a plucked string's
    // often an octave low).
    const size_t used = std::min(n, kAgreeing);
    std::copy(pending.estimates + (n - used), pending.estimates + n, estimates.begin());
    std::nth_element(estimates.begin(), estimates.begin() + static_cast<std::ptrdiff_t>(used / 2),
                     estimates.begin() + static_cast<std::ptrdiff_t>(used));
    chosen = estimates[used / 2];
    // Estimates that all disagree, or a lone one, heard the attack's noise or a breath, not a pitch:
    // the note-change rule will find the note once it settles, and date it by its harmonics.
    const float* e = estimates.data();
    settled = used >= 2 && (std::fabs(e[0] - e[1]) <= kAgreeSemitones ||
                            (used > 2 && (std::fabs(e[1] - e[2]) <= kAgreeSemitones || std::fabs(e[0] - e[2]) <= kAgreeSemitones)));
  }
  if (settled) {
    const int was = current;
    current = static_cast<int>(std::lround(chosen));
    const bool heardAlready = current == lastEmitted && lastEmittedAt + sameNoteSamples() > pending.onset;
    if (!heardAlready && (was != current || pendingStruckAgain())) emit(pending.onset, current, heard);
    pending.open = false;
  } else if (due) {
    pending.open = false;
  }
}

// The note that the newest window added to the one that ended at since, when it is clearly not the
// sounding one (what a note struck again adds is its own pitch, or lies a whole number of its
// periods below it); -1 otherwise.
int NoteListener::State::noteGrownSince(uint64_t since) {
  const PitchEstimate grown = pitch.estimateNew(latest(windowSize), endingAt(since, windowSize));
  const auto sounding = static_cast<float>(current);
  const bool another = grown.midi > 0.0f && grown.clarity >= kClarity && std::fabs(grown.midi - sounding) > kAgreeSemitones &&
                       !belowAsSubharmonic(grown.midi, sounding, 6) && sounding - grown.midi <= kFarthestNewBelow;
  return another ? static_cast<int>(std::lround(grown.midi)) : -1;
}

// Whether the pending note, settled on the pitch already sounding, is that note struck again.
bool NoteListener::State::pendingStruckAgain() const {
  const float before = pending.energyBefore;
  const float now = record(0).energy;
  if (now < fromDb(-kFellAwayDb) * before && now < kRisenAfterEnd * pending.lowest) return false;  // its end
  if (now <= pending.lowest && now < fromDb(-kFallingEndDb) * before) return false;  // only falling since
  const bool levelMoved = pending.highest >= fromDb(kStruckAgainMovedDb) * before ||
                          pending.lowest <= fromDb(-kStruckAgainMovedDb) * before;
  return pending.highest >= fromDb(kStruckAgainDb) * before || (pending.strength >= kStruckAgainStrength && levelMoved);
}

// A pitch that holds on one note other than the sounding one is a new note even though no onset was
// heard (a slur, a slow attack). Its onset lies where the estimates first came near it.
void NoteListener::State::applyNoteChangeRule(std::vector<HeardNote>& heard) {
  if (hopCount < kSettledHops + 1) return;
  swing = swingCentre();
  takeSwingCentre(heard);
  const HopRecord& newest = record(0);
  if (!belowAsSubharmonic(newest.midi, newest.grown) && changeHolds(newest.midi, heard)) return;
  changeHolds(newest.grown, heard);
}

// The middle of the vibrato the pitch swings in now, -1 when it does not swing.
float NoteListener::State::swingCentre() const {
  if (hopCount < kSwingHops) return -1.0f;
  float top = -1.0f;
  float bottom = std::numeric_limits<float>::max();
  size_t voiced = 0;
  for (const float m : trail) {
    if (m < 0.0f) continue;
    ++voiced;
    top = std::max(top, m);
    bottom = std::min(bottom, m);
  }
  const float span = top - bottom;
  if (static_cast<float>(voiced) < kSwingVoicedShare * static_cast<float>(kSwingHops) || span < kSwingNarrowest ||
      span > kSwingWidest) {
    return -1.0f;
  }
  const float middle = (top + bottom) / 2.0f;
  int side = 0;
  size_t crossings = 0;
  size_t through = 0;
  for (size_t back = kSwingHops; back-- > 0;) {
    const float m = trail[(hopCount - 1 - back) % kSwingHops];
    if (m < 0.0f) continue;
    const int now = m > middle + span / 4.0f ? 1 : (m < middle - span / 4.0f ? -1 : 0);
    if (now == 0) ++through;
    if (now == 0 || now == side) continue;
    if (side != 0) ++crossings;
    side = now;
  }
  const bool glides = static_cast<float>(through) >= kSwingThroughShare * static_cast<float>(voiced);
  return crossings >= kSwingCrossings && glides ? middle : -1.0f;
}

// A note sung or bowed with a wide vibrato is its middle: the sounding note, heard on a crest or in a
// trough, is that note, begun where it was reported (which stands).
void NoteListener::State::takeSwingCentre(std::vector<HeardNote>& heard) {
  if (swing < 0.0f || current < 0) return;
  const int note = static_cast<int>(std::lround(swing));
  if (note == current || std::fabs(swing - static_cast<float>(note)) > kSwingOnNote) return;
  if (std::abs(note - current) > kSwingFarthestSemitones) return;
  current = note;
  if (note != lastEmitted) emit(lastEmittedAt, note, heard);
  lastFromChange = true;
}

// Whether low lies a whole number of periods (2 to most) below high: the mixture of a fading note and
// the next often repeats only at such a multiple, which the plain estimate then takes.
bool NoteListener::State::belowAsSubharmonic(float low, float high, int most) {
  if (low < 0.0f || high < 0.0f) return false;
  for (int k = 2; k <= most; ++k) {
    if (std::fabs(high - 12.0f * std::log2(static_cast<float>(k)) - low) <= kSettledSemitones) return true;
  }
  return false;
}

// The estimate of a hop nearest note, plain or grown.
float NoteListener::State::nearest(const HopRecord& r, int note) {
  const float plain = r.midi < 0.0f ? 1e3f : std::fabs(r.midi - static_cast<float>(note));
  const float grown = r.grown < 0.0f ? 1e3f : std::fabs(r.grown - static_cast<float>(note));
  return plain <= grown ? r.midi : r.grown;
}

// Where the harmonics of note that lie apart from those of the sounding note began to rise, as the
// first sample of the oldest window that heard the rise; fallback when that cannot be told.
uint64_t NoteListener::State::riseOfHarmonics(int note, uint64_t fallback) const {
  const size_t hops = std::min<uint64_t>(kRiseHistoryHops, hopCount);
  const auto target = static_cast<float>(note);
  const float avoid = current >= 0 ? static_cast<float>(current) : -1.0f;
  float loudest = 0.0f;
  for (size_t back = 0; back < std::min(kRiseTopHops, hops); ++back) {
    loudest = std::max(loudest, pitch.harmonicPower(back, target, avoid));
  }
  const auto least = static_cast<float>(fromDb(-kRiseDb)) * loudest;
  size_t back = 0;
  float power = pitch.harmonicPower(0, target, avoid);
  while (back + 1 < hops) {
    const float older = pitch.harmonicPower(back + 1, target, avoid);
    if (older < least || older > kRiseSlack * power) break;
    power = older;
    ++back;
  }
  const uint64_t windowEnd = analysed - back * hopSize;
  if (loudest <= 0.0f || back + 1 >= hops || windowEnd < windowSize) return fallback;
  const uint64_t at = windowEnd - windowSize;
  return at < lastEmittedAt + static_cast<uint64_t>(kRiseGuardSeconds * rate) ? fallback : at;
}

// Whether the sounding note was left for note, an octave away, by a glide.
bool NoteListener::State::octaveLeapHeard(int note) const {
  const auto target = static_cast<float>(note);
  const auto sounding = static_cast<float>(current);
  const float low = std::min(target, sounding) + kLeapInsideSemitones;
  const float high = std::max(target, sounding) - kLeapInsideSemitones;
  size_t inside = 0;
  for (size_t back = 0; back < std::min<uint64_t>(kHopRecords, hopCount); ++back) {
    const float m = record(back).rough;
    if (m > low && m < high) ++inside;
  }
  if (inside < kLeapGlideHops) return false;
  const float all = pitch.harmonicPower(0, target, -1.0f);
  if (all <= 0.0f) return false;
  if (note > current) return pitch.harmonicPower(0, sounding, target) < fromDb(-kLeapGoneDb) * all;
  return pitch.harmonicPower(0, target, sounding) >= fromDb(-kLeapNewDb) * all;
}

// Whether what grew in the hops that settled note lies beyond it, away from the sounding note.
bool NoteListener::State::onTheWayToWhatGrew(int note) const {
  if (current < 0) return false;
  const float away = note < current ? -1.0f : 1.0f;
  size_t beyond = 0;
  for (size_t back = 0; back < kSettledHops; ++back) {
    const float grown = record(back).grown;
    const float past = (grown - static_cast<float>(note)) * away;
    if (grown >= 0.0f && past >= kBeyondLeast && past <= kBeyondMost) ++beyond;
  }
  return beyond >= kAgreeing;
}

// Starts the note nearest lead when the newest estimates have held on it; false when they have not.
bool NoteListener::State::changeHolds(float lead, std::vector<HeardNote>& heard) {
  if (lead < 0.0f) return false;
  const int note = static_cast<int>(std::lround(lead));
  const auto fixWithin = static_cast<uint64_t>(kOctaveFixSeconds * rate);
  // A note that grew out of the last valley began there, an octave away or not.
  const bool grewThere = note == grownNote && analysed < grownAt + fixWithin;
  const bool octaveOff = current >= 0 && std::abs(note - current) == 12 &&
                         ((current == lastEmitted && !lastFromChange && analysed < lastEmittedAt + fixWithin) || grewThere);
  // Otherwise an octave jump with no onset, or a fall to a subharmonic, is far more often the
  // estimator than the learner, unless the learner was heard gliding there.
  const bool octave = octaveOff || (current >= 0 && std::abs(note - current) == 12 && octaveLeapHeard(note));
  if (!octave && (note == current || (current >= 0 && (note - current) % 12 == 0))) return false;
  if (!octave && current >= 0 && belowAsSubharmonic(lead, static_cast<float>(current), kFarthestSubharmonic)) {
    return false;
  }
  // Within a vibrato, the notes it reaches on its crests and troughs are not played.
  if (swing >= 0.0f && std::fabs(swing - static_cast<float>(note)) > 1.0f - kSwingOnNote) return false;
  if (swing >= 0.0f && current >= 0 && std::fabs(swing - static_cast<float>(current)) <= 1.0f - kSwingOnNote) return false;
  float lo = lead;
  float hi = lead;
  size_t plainOnIt = 0;
  for (size_t back = 0; back < kSettledHops; ++back) {
    const HopRecord& r = record(back);
    const float m = nearest(r, note);
    if (m < 0.0f || std::fabs(m - static_cast<float>(note)) > kSettledSemitones) return false;
    lo = std::min(lo, m);
    hi = std::max(hi, m);
    if (r.midi >= 0.0f && std::fabs(r.midi - static_cast<float>(note)) <= kSettledSemitones) ++plainOnIt;
  }
  if (onTheWayToWhatGrew(note)) return false;
  // What grew leads the plain estimate, but a swelling note that overshoots its pitch grows at the
  // pitch it overshoots to: the plain estimates must have come to the note too.
  if (hi - lo > kSettledSpread || plainOnIt < kAgreeing) return false;
  // The note the last one replaced still holds the plain estimates for a while: a note swelling in
  // is first heard as what is new. Going back to it so soon would be a trill, which is not heard.
  if (note == replaced && analysed < lastEmittedAt + sameNoteSamples()) return false;
  size_t first = kSettledHops - 1;
  while (first + 1 < std::min<uint64_t>(kBackHops, hopCount)) {
    const float m = nearest(record(first + 1), note);
    if (m < 0.0f || std::fabs(m - static_cast<float>(note)) > kNearSemitones) break;
    ++first;
  }
  // Before them, estimates that heard neither note (the mixture of the fading note and the new one
  // has a period of its own) belong to the change too, back to where the sounding note still held.
  if (current >= 0) {
    size_t mixed = first + 1;
    while (mixed < std::min<uint64_t>(kMixedBackHops, hopCount)) {
      const HopRecord& r = record(mixed);
      if (r.midi < 0.0f) break;
      if (std::fabs(r.midi - static_cast<float>(current)) <= kNearSemitones) {
        first = mixed - 1;
        break;
      }
      ++mixed;
    }
  }
  const auto into = static_cast<uint64_t>(kSettledStartShare * static_cast<double>(windowSize));
  uint64_t at = record(first).windowStart + into;
  // A held note that began to fade from a steady level just before is the player leaving it for
  // this one (the new note of a bowed or sung slur comes up slowly under it): the change began there.
  size_t loudest = first;
  size_t scanned = first;
  while (scanned + 1 < std::min<uint64_t>(kFadeBackHops, hopCount) &&
         record(scanned + 1).energy >= fromDb(-kPlateauDb) * record(loudest).energy) {
    ++scanned;
    if (record(scanned).energy > record(loudest).energy) loudest = scanned;
  }
  // The fade began at the newest hop still as loud as the steady level.
  size_t top = loudest;
  while (top > first && record(top - 1).energy >= fromDb(-kPlateauDb / 2) * record(loudest).energy) --top;
  if (top > first && loudest + kPlateauHops < hopCount && loudest + kPlateauHops < kHopRecords &&
      record(top).energy >= fromDb(kFadeDb) * record(first).energy) {
    bool plateau = true;
    for (size_t back = loudest + 1; back <= loudest + kPlateauHops; ++back) {
      plateau = plateau && record(back).energy >= fromDb(-kPlateauDb) * record(loudest).energy;
    }
    if (plateau) at = std::min(at, record(top).windowStart + windowSize);
  }
  at = riseOfHarmonics(note, at);
  const bool scooped = lastFromChange && current == lastEmitted && std::abs(note - lastEmitted) <= kScoopSemitones &&
                       at < lastEmittedAt + sameNoteSamples();
  if (scooped || octaveOff) at = lastEmittedAt;
  if (grewThere) {
    at = grownAt;
    grownNote = -1;
  }
  // A pending note that began no earlier is this one; one that began well before is decided first.
  if (pending.open) {
    if (pending.onset + sameNoteSamples() / 2 > at) {
      pending.open = false;
    } else {
      decidePending(true, heard);
    }
  }
  current = note;
  lastOnset = std::max(lastOnset, at);
  if (note != lastEmitted || lastEmittedAt + sameNoteSamples() <= at) {
    emit(at, note, heard);
    lastFromChange = true;
  }
  return true;
}

NoteListener::NoteListener(uint32_t sampleRate, ListenMode mode)
    : state_(new State(std::max<uint32_t>(sampleRate, 8000), mode)) {}

NoteListener::~NoteListener() { delete state_; }

void NoteListener::feed(const int16_t* samples, size_t count, std::vector<HeardNote>& heard) {
  State& s = *state_;
  for (size_t i = 0; i < count; ++i) {
    const int32_t sample = samples[i];
    s.blockPeak = std::max(s.blockPeak, sample < 0 ? -sample : sample);
    if (++s.levelInBlock == s.levelBlockSize) {
      s.blockPeaks[s.levelBlockPos] = s.blockPeak;
      s.levelBlockPos = (s.levelBlockPos + 1) % kLevelBlocks;
      s.blockPeak = 0;
      s.levelInBlock = 0;
    }
    s.push(static_cast<float>(sample) * (1.0f / 32768.0f), heard);
  }
  s.framesFed += count;
}

// The peak of the last 100 ms on a decibel scale: 0 at 60 dB below full scale or less, 100 at full
// scale. The block being filled stands in for the oldest one it replaces.
int NoteListener::level() const {
  const State& s = *state_;
  int32_t peak = s.blockPeak;
  for (size_t i = 0; i < kLevelBlocks; ++i) {
    if (i != s.levelBlockPos || s.levelInBlock == 0) peak = std::max(peak, s.blockPeaks[i]);
  }
  if (peak <= 0) return 0;
  const double db = 20.0 * std::log10(static_cast<double>(peak) / 32768.0);
  return static_cast<int>(std::clamp(std::lround(100.0 * (1.0 + db / kLevelRangeDb)), 0L, 100L));
}

uint64_t NoteListener::framesFed() const { return state_->framesFed; }

bool NoteListener::settled() const { return !state_->pending.open && state_->silentHops >= kSilentHopsEndNote; }

}  // namespace vellaro
