// MIDI output and input: the exact message bytes through a recording sink, and the one box of a run
// whose notes the device refuses.
#include "sound/midi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "sound_test_support.h"

namespace vellaro {
namespace {

class MidiOutputTest : public ::testing::Test {
 protected:
  RecordingMidiSink sink;
  RecordingMessages messages;
  MidiOutput out{sink, messages};
};

TEST_F(MidiOutputTest, PlayNoteSendsProgramChangeThenNoteOn) {
  EXPECT_EQ(out.playNote(0, 48, 127), 0);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x0000C0, 0x7F3090}));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MidiOutputTest, PlayNotePacksProgramNoteAndVelocity) {
  out.playNote(73, 72, 100);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0xC0 + 73 * 256, 0x90 + 72 * 256 + 100 * 65536}));
}

TEST_F(MidiOutputTest, StopNoteSendsZeroVelocityNoteOnThenNoteOff) {
  EXPECT_EQ(out.stopNote(48), 0);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0x003090, 0x003080}));
}

TEST_F(MidiOutputTest, AllNotesOffSends128NoteOffsInOrder) {
  sink.results.assign(128, MidiResult::Refused);  // results are ignored
  out.allNotesOff();
  ASSERT_EQ(sink.sent.size(), 128u);
  for (uint32_t note = 0; note < 128; ++note) EXPECT_EQ(sink.sent[note], 0x80 + note * 256) << note;
  EXPECT_TRUE(messages.messages.empty());
}

// Guards against a note number that would turn into a status byte.
TEST_F(MidiOutputTest, NotesAbove127SendNothing) {
  out.playNote(0, 128, 127);
  out.stopNote(200);
  out.playNote(0, 65535, 127);
  EXPECT_TRUE(sink.sent.empty());
  out.playNote(0, 127, 127);
  EXPECT_EQ(sink.sent.size(), 2u);
}

TEST_F(MidiOutputTest, VelocityAndProgramStayDataBytes) {
  out.playNote(200, 60, 255);
  EXPECT_EQ(sink.sent, (std::vector<uint32_t>{0xC0 + (200 & 0x7F) * 256, 0x90 + 60 * 256 + 127 * 65536}));
}

// The first refused note of a run shows the one box that says what to do; every later refusal, of a
// note-on or a note-off, is silent. Each row is a sequence of operations with the device's answers.
constexpr const char kNoSynthesizer[] =
    "No MIDI synthesizer answers, so MIDI instruments are silent. Use a WAV instrument: play FILE.wav NOTE.";

enum class Op { Play, Stop };

struct RefusalCase {
  const char* name;
  std::vector<Op> ops;
  std::deque<MidiResult> results;  // one per message sent, in order
  std::vector<std::string> messages;
};

TEST_F(MidiOutputTest, OnlyTheFirstRefusalOfTheRunShowsABox) {
  const MidiResult ok = MidiResult::Ok;
  const MidiResult no = MidiResult::Refused;
  const RefusalCase cases[] = {
      {"every message answered", {Op::Play, Op::Stop}, {ok, ok, ok, ok}, {}},
      {"a refused note-on", {Op::Play}, {ok, no}, {kNoSynthesizer}},
      {"a refused note-off", {Op::Stop}, {ok, no}, {kNoSynthesizer}},
      {"three refused notes", {Op::Play, Op::Play, Op::Play}, {no, no, no, no, no, no}, {kNoSynthesizer}},
      {"note-on then note-off refused", {Op::Play, Op::Stop}, {no, no, no, no}, {kNoSynthesizer}},
      {"answered first, refused later", {Op::Play, Op::Play, Op::Play}, {ok, ok, ok, no, ok, no}, {kNoSynthesizer}},
      {"refused program change and zero-velocity note-on", {Op::Play, Op::Stop}, {no, ok, no, ok}, {}},
  };
  for (const RefusalCase& c : cases) {
    RecordingMidiSink device;
    RecordingMessages boxes;
    MidiOutput output{device, boxes};
    device.results = c.results;
    for (Op op : c.ops) {
      if (op == Op::Play) {
        output.playNote(0, 48, 127);
      } else {
        output.stopNote(48);
      }
    }
    EXPECT_EQ(boxes.messages, c.messages) << c.name;
  }
}

// Live notes arrive on the MIDI input thread while the script plays its own: still one box.
TEST_F(MidiOutputTest, RefusalsFromTwoThreadsShowOneBox) {
  struct RefusingSink : MidiSink {
    MidiResult sendShortMessage(uint32_t) override { return MidiResult::Refused; }
  } device;
  struct CountingMessages : MessageSink {
    std::atomic<int> shown{0};
    void showMessage(const std::string&) override { ++shown; }
  } boxes;
  MidiOutput output{device, boxes};
  std::thread live([&] {
    for (int i = 0; i < 200; ++i) output.playNote(0, 60, 100);
  });
  for (int i = 0; i < 200; ++i) output.stopNote(60);
  live.join();
  EXPECT_EQ(boxes.shown.load(), 1);
}

struct Received {
  int count = 0;
  uint8_t status = 0, data1 = 0, data2 = 0;
};
Received received;

int recordMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  received = Received{received.count + 1, status, data1, data2};
  return 0;
}

TEST(MidiInput, SplitsAShortMessageIntoItsBytes) {
  received = {};
  MidiInput in;
  in.setHandler(&recordMessage);
  in.deliverShortMessage(0x643C90);
  EXPECT_EQ(received.count, 1);
  EXPECT_EQ(received.status, 0x90);
  EXPECT_EQ(received.data1, 60);
  EXPECT_EQ(received.data2, 100);
}

TEST(MidiInput, DeliversNothingWithoutAHandler) {
  received = {};
  MidiInput in;
  in.deliverShortMessage(0x643C90);
  in.setHandler(&recordMessage);
  in.setHandler(nullptr);
  in.deliverShortMessage(0x643C90);
  EXPECT_EQ(received.count, 0);
}

TEST(GeneralMidi, NamesAndFamiliesByProgram) {
  EXPECT_STREQ(generalMidiName(0), "Acoustic Grand Piano");
  EXPECT_STREQ(generalMidiName(4), "Rhodes Piano");
  EXPECT_STREQ(generalMidiName(21), "Accordian");
  EXPECT_STREQ(generalMidiName(40), "Violin");
  EXPECT_STREQ(generalMidiName(73), "Flute");
  EXPECT_STREQ(generalMidiName(82), "Lead 3 (caliope lead)");
  EXPECT_STREQ(generalMidiName(127), "Gunshot");
  EXPECT_STREQ(generalMidiName(128), "");
  EXPECT_STREQ(generalMidiFamily(0), "Piano");
  EXPECT_STREQ(generalMidiFamily(15), "Chromatic Percussion");
  EXPECT_STREQ(generalMidiFamily(100), "Synth Effects");
  EXPECT_STREQ(generalMidiFamily(127), "Sound Effects");
  EXPECT_STREQ(generalMidiFamily(1000), "");
  for (unsigned program = 0; program < 128; ++program) EXPECT_STRNE(generalMidiName(program), "") << program;
}

}  // namespace
}  // namespace vellaro
