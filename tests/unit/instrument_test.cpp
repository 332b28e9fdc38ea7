// MIDI instrument entries, note routing, the PC-keyboard piano and the MIDI keyboard.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sound/instrument_bank.h"
#include "sound/midi.h"
#include "sound/mixer.h"
#include "sound_test_support.h"

namespace vellaro {
namespace {

class InstrumentTest : public ::testing::Test {
 protected:
  int loadSample() {
    path = writeTempFile("instrument.wav", WavBytes::mono16(44100, std::vector<int16_t>(300, 3)).bytes);
    return bank.findSample(path.c_str());
  }
  const uint8_t* sampleData(int entry) { return bank.entry(entry)->storage.get(); }

  RecordingMessages messages;
  RecordingMidiSink sink;
  MidiOutput midiOut{sink, messages};
  RecordingVoices voices;
  InstrumentBank bank{messages, &voices, &midiOut};
  std::string path;
};

TEST_F(InstrumentTest, AMidiInstrumentEntry) {
  int entry = bank.findMidiInstrument(5);
  ASSERT_EQ(entry, 0);
  const Instrument* instrument = bank.entry(entry);
  EXPECT_EQ(instrument->kind, InstrumentKind::Midi);
  EXPECT_EQ(instrument->name, "Chorused Piano");
  EXPECT_EQ(instrument->size, 5u);
  EXPECT_EQ(instrument->octaveShift, 2);
  EXPECT_EQ(instrument->pitchBase, 0);
  EXPECT_EQ(instrument->groupFactor, 0);
  EXPECT_EQ(instrument->key, "*");
}

TEST_F(InstrumentTest, SelectingAProgramTwiceUsesOneEntry) {
  EXPECT_EQ(bank.instrumentFor("*5"), 0);
  EXPECT_EQ(bank.instrumentFor("*5"), 0);
  EXPECT_EQ(bank.instrumentFor("*7"), 1);
  EXPECT_EQ(bank.findMidiInstrument(5), 0);
  EXPECT_EQ(bank.entry(2), nullptr);
}

struct ProgramCase {
  const char* text;
  int program;  // -1: no instrument
};

class ProgramTest : public InstrumentTest, public ::testing::WithParamInterface<ProgramCase> {};

TEST_P(ProgramTest, ReadsLeadingDigitsAfterTheStar) {
  int entry = bank.instrumentFor(GetParam().text);
  if (GetParam().program < 0) {
    EXPECT_EQ(entry, kNoInstrument);
    EXPECT_EQ(bank.entry(0), nullptr);
    return;
  }
  ASSERT_NE(bank.entry(entry), nullptr);
  EXPECT_EQ(bank.entry(entry)->size, static_cast<size_t>(GetParam().program));
}

INSTANTIATE_TEST_SUITE_P(Table, ProgramTest,
                         ::testing::Values(ProgramCase{"*0", 0}, ProgramCase{"*", 0}, ProgramCase{"*x", 0},
                                           ProgramCase{"*12abc", 12}, ProgramCase{"*127", 127},
                                           ProgramCase{"*128", -1}, ProgramCase{"*99999999999", -1}));

TEST_F(InstrumentTest, APathWithAStarSelectsAMidiProgram) {
  EXPECT_EQ(bank.findSample("*3"), 0);
  EXPECT_EQ(bank.entry(0)->kind, InstrumentKind::Midi);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(InstrumentTest, ANoteOnAMidiInstrumentIsMidiNotePlus48) {
  int entry = bank.findMidiInstrument(0);
  EXPECT_EQ(bank.noteOn(entry, 0, kScriptTag), 0);
  bank.noteOff(entry, 24, kLiveTag);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x0000C0, 0x7F3090, 0x004890, 0x004880}));
  EXPECT_TRUE(voices.calls.empty());
}

TEST_F(InstrumentTest, MidiNotesThatLeaveTheDataByteRangeSendNothing) {
  int entry = bank.findMidiInstrument(0);
  bank.noteOn(entry, 80, kScriptTag);                          // MIDI 128
  bank.noteOn(entry, static_cast<uint16_t>(-49), kScriptTag);  // MIDI -1
  EXPECT_TRUE(sink.sent.empty());
  bank.noteOn(entry, 79, kScriptTag);                          // MIDI 127
  bank.noteOn(entry, static_cast<uint16_t>(-48), kScriptTag);  // MIDI 0
  EXPECT_EQ(sink.sent.size(), 4u);
}

TEST_F(InstrumentTest, ANoteOnASampleStartsAVoice) {
  int entry = loadSample();
  EXPECT_EQ(bank.noteOn(entry, 24, kScriptTag), 1);
  bank.noteOff(entry, 24, kScriptTag);
  EXPECT_EQ(voices.calls, (std::vector<VoiceCall>{{"start", sampleData(entry), 24, 88, 127},
                                                  {"stop", sampleData(entry), 24, 88, 0}}));
  EXPECT_TRUE(sink.sent.empty());
}

TEST_F(InstrumentTest, WithoutDevicesNotesSoundNowhere) {
  InstrumentBank alone(messages, nullptr, nullptr);
  int midi = alone.findMidiInstrument(0);
  EXPECT_EQ(alone.noteOn(midi, 0, kScriptTag), 0);
  alone.noteOff(midi, 0, kScriptTag);
  EXPECT_TRUE(sink.sent.empty());
}

struct KeyCase {
  const char* name;
  KeyEvent key;
  int result;
};

class KeyboardNoteTest : public InstrumentTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyboardNoteTest, GivesTheNoteOfTheKey) {
  const KeyCase& c = GetParam();
  int entry = loadSample();
  EXPECT_EQ(bank.keyboardNote(c.key, entry), c.result) << c.name;
  bool sounds = c.result >= 0;
  if (!sounds) {
    EXPECT_TRUE(voices.calls.empty()) << c.name;
    return;
  }
  ASSERT_EQ(voices.calls.size(), 1u) << c.name;
  EXPECT_STREQ(voices.calls[0].what, c.key.down ? "start" : "stop");
  EXPECT_EQ(voices.calls[0].note, c.result);
  EXPECT_EQ(voices.calls[0].tag, kLiveTag);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeyboardNoteTest,
    ::testing::Values(KeyCase{"Z", {'Z', true, false}, 0}, KeyCase{"S", {'S', true, false}, 1},
                      KeyCase{"M", {'M', true, false}, 11}, KeyCase{"comma", {188, true, false}, 12},
                      KeyCase{"period", {190, true, false}, 14}, KeyCase{"semicolon", {186, true, false}, 15},
                      KeyCase{"slash", {191, true, false}, 16}, KeyCase{"Q", {'Q', true, false}, 12},
                      KeyCase{"2", {'2', true, false}, 13}, KeyCase{"I", {'I', true, false}, 24},
                      KeyCase{"P", {'P', true, false}, 28}, KeyCase{"0", {'0', true, false}, 27},
                      KeyCase{"space", {32, true, false}, 31}, KeyCase{"code 199", {199, true, false}, 198},
                      KeyCase{"A", {'A', true, false}, -1}, KeyCase{"F", {'F', true, false}, -1},
                      KeyCase{"K", {'K', true, false}, -1}, KeyCase{"1", {'1', true, false}, -1},
                      KeyCase{"4", {'4', true, false}, -1}, KeyCase{"8", {'8', true, false}, -1},
                      KeyCase{"left", {37, true, false}, -1}, KeyCase{"down", {40, true, false}, -1},
                      KeyCase{"code 29", {29, true, false}, -1}, KeyCase{"code 200", {200, true, false}, -1},
                      KeyCase{"auto-repeat", {'Q', true, true}, -1},
                      KeyCase{"Q up", {'Q', false, false}, 12}, KeyCase{"Q up after repeat", {'Q', false, true}, 12},
                      KeyCase{"A up", {'A', false, false}, -1}, KeyCase{"left up", {37, false, false}, 36},
                      KeyCase{"code 200 up", {200, false, false}, -1}));

TEST_F(InstrumentTest, ZThenQSoundTwoAndOneOctavesBelowTheSample) {
  Mixer mixer;
  InstrumentBank real(messages, &mixer, &midiOut);
  std::string file = writeTempFile("octaves.wav", WavBytes::mono16(44100, traceable(1000)).bytes);
  int entry = real.findSample(file.c_str());
  real.keyboardNote({'Z', true, false}, entry);  // note 0: multiplier 32, a quarter of the speed
  std::vector<int16_t> out(2 * 8);
  mixer.mixFrames(out.data(), 8);
  EXPECT_EQ(out[2 * 4], 2);  // frame 4 is sample frame 1
  mixer.stopAllVoices();
  real.keyboardNote({'Q', true, false}, entry);  // note 12: multiplier 64, half the speed
  mixer.mixFrames(out.data(), 8);
  EXPECT_EQ(out[2 * 4], 3);  // frame 4 is sample frame 2
}

TEST_F(InstrumentTest, HoldingAKeyStartsOneNoteAndTheKeyUpStopsIt) {
  int entry = bank.findMidiInstrument(0);  // userinstrument "*0"
  EXPECT_EQ(bank.keyboardNote({'Z', true, false}, entry), 0);
  EXPECT_EQ(bank.keyboardNote({'Z', true, true}, entry), -1);
  EXPECT_EQ(bank.keyboardNote({'Z', true, true}, entry), -1);
  EXPECT_EQ(bank.keyboardNote({'Z', false, true}, entry), 0);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x0000C0, 0x7F3090, 0x003090, 0x003080}));
}

TEST_F(InstrumentTest, KeyNoteTableValues) {
  EXPECT_EQ(keyNoteValue(0), 0);
  EXPECT_EQ(keyNoteValue('Z'), 1);
  EXPECT_EQ(keyNoteValue('A'), 0);
  EXPECT_EQ(keyNoteValue(32), 32);
  EXPECT_EQ(keyNoteValue(200), 0);
}

struct MidiKeyCase {
  const char* name;
  uint8_t status, data1, data2;
  int result;
  const char* call;  // "start", "stop" or nullptr
  uint16_t note;
  uint8_t velocity;
};

class MidiNoteTest : public InstrumentTest, public ::testing::WithParamInterface<MidiKeyCase> {};

TEST_P(MidiNoteTest, TurnsMidiKeyboardMessagesIntoNotes) {
  const MidiKeyCase& c = GetParam();
  int entry = loadSample();
  EXPECT_EQ(bank.midiNote(c.status, c.data1, c.data2, entry), c.result) << c.name;
  if (!c.call) {
    EXPECT_TRUE(voices.calls.empty()) << c.name;
    return;
  }
  EXPECT_EQ(voices.calls, (std::vector<VoiceCall>{{c.call, sampleData(entry), c.note, kLiveTag, c.velocity}}))
      << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MidiNoteTest,
    ::testing::Values(MidiKeyCase{"note-on 60", 0x90, 60, 100, 24, "start", 24, 100},
                      MidiKeyCase{"note-on 60 velocity 0", 0x90, 60, 0, 24, "stop", 24, 0},
                      MidiKeyCase{"note-off 60", 0x80, 60, 64, 24, "stop", 24, 0},
                      MidiKeyCase{"note-on channel 2", 0x91, 60, 100, 0, nullptr, 0, 0},
                      MidiKeyCase{"note-off channel 2", 0x81, 60, 0, 0, nullptr, 0, 0},
                      MidiKeyCase{"control change", 0xB0, 7, 100, 0, nullptr, 0, 0},
                      MidiKeyCase{"note-on 36", 0x90, 36, 1, 0, "start", 0, 1},
                      MidiKeyCase{"note-on 30", 0x90, 30, 90, -6, "start", 65530, 90}));

TEST_F(InstrumentTest, AMidiKeyboardNoteBelow36StillPlaysOnAMidiInstrument) {
  int entry = bank.findMidiInstrument(0);
  EXPECT_EQ(bank.midiNote(0x90, 30, 90, entry), -6);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x0000C0, 0x5A1E90 + 0x0C00}));  // MIDI 42
}

TEST_F(InstrumentTest, ALiveNoteOffLeavesAScriptedNotePlaying) {
  Mixer mixer;
  InstrumentBank real(messages, &mixer, &midiOut);
  std::string file = writeTempFile("tags.wav", WavBytes::mono16(44100, traceable(1000)).bytes);
  int entry = real.findSample(file.c_str());
  real.noteOn(entry, 24, kScriptTag);
  real.midiNote(0x80, 60, 0, entry);  // note 24, tag 8
  EXPECT_FALSE(mixer.isSilent());
  real.midiNote(0x90, 60, 100, entry);
  real.midiNote(0x90, 60, 0, entry);
  EXPECT_FALSE(mixer.isSilent());
  mixer.stopAllVoices();
  EXPECT_TRUE(mixer.isSilent());
}

TEST_F(InstrumentTest, WavNotesOutsideThePitchTableSoundNothing) {
  Mixer mixer;
  InstrumentBank real(messages, &mixer, &midiOut);
  std::string file = writeTempFile("range.wav", WavBytes::mono16(44100, traceable(1000)).bytes);
  int entry = real.findSample(file.c_str());
  EXPECT_EQ(real.keyboardNote({199, true, false}, entry), 198);
  EXPECT_EQ(real.midiNote(0x90, 20, 100, entry), -16);
  EXPECT_TRUE(mixer.isSilent());
  EXPECT_EQ(real.midiNote(0x90, 107, 100, entry), 71);
  EXPECT_FALSE(mixer.isSilent());
}

struct FreshCase {
  const char* name;
  bool changeFile;    // the file is written again with other samples
  bool removeFile;    // the file is gone
  bool stale;         // markSamplesStale came before the second look-up
  int secondEntry;    // what the second findSample gives
  size_t messages;
  int thirdEntry;     // and a third one, with no reload in between
};

// After a reload a sample is read again at its next use: an unchanged file keeps its entry, a
// changed one sounds from a new entry (the old data stays for voices that play it), a missing one
// is reported as on a first load. Without a reload nothing is read again.
TEST_F(InstrumentTest, AReloadMakesSamplesReadFreshAtTheirNextUse) {
  const FreshCase cases[] = {
      {"no reload", true, false, false, 0, 0, 0},
      {"unchanged", false, false, true, 0, 0, 0},
      {"changed", true, false, true, 1, 0, 1},
      {"removed", false, true, true, kNoInstrument, 1, kNoInstrument},
  };
  for (const FreshCase& c : cases) {
    InstrumentBank fresh(messages, &voices, &midiOut);
    messages.messages.clear();
    std::string file = writeTempFile("fresh.wav", WavBytes::mono16(44100, std::vector<int16_t>(300, 3)).bytes);
    ASSERT_EQ(fresh.findSample(file.c_str()), 0) << c.name;
    const uint8_t* firstData = fresh.entry(0)->storage.get();
    if (c.changeFile) writeTempFile("fresh.wav", WavBytes::mono16(44100, std::vector<int16_t>(300, 9)).bytes);
    if (c.removeFile) std::remove(file.c_str());
    if (c.stale) fresh.markSamplesStale();
    EXPECT_EQ(fresh.findSample(file.c_str()), c.secondEntry) << c.name;
    EXPECT_EQ(messages.messages.size(), c.messages) << c.name;
    EXPECT_EQ(fresh.findSample(file.c_str()), c.thirdEntry) << c.name;
    EXPECT_EQ(fresh.entry(0)->storage.get(), firstData) << c.name << ": the first data must stay";
    if (c.secondEntry > 0) {
      EXPECT_EQ(fresh.entry(c.secondEntry)->storage.get()[0], 9) << c.name;
    }
  }
}

// The interpreter and the MIDI input thread may both meet a stale entry: one of them reads the file,
// the other plays the entry as it is, and an unchanged file never takes a second entry.
TEST_F(InstrumentTest, StressTwoThreadsMeetStaleSamples) {
  ASSERT_EQ(loadSample(), 0);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  auto lookUp = [&] {
    while (!stop.load()) {
      if (bank.findSample(path.c_str()) != 0) ++wrong;
    }
  };
  std::thread interpreterThread(lookUp);
  std::thread midiThread(lookUp);
  for (int i = 0; i < 2000; ++i) bank.markSamplesStale();
  stop = true;
  interpreterThread.join();
  midiThread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(bank.entry(1), nullptr);
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace vellaro
