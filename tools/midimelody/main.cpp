// midimelody: prints melody lines that play a track of a Standard MIDI File, for pasting into a
// lesson (the lines end with CR LF, as scenario files do, so "midimelody song.mid >> lesson.scn"
// works too).
//   midimelody [--track N] [--channel N] [--instrument *P|+FILE] [--transpose N]
//              [--expect [--lead-in MS]] [--count-in N [--click *P|+FILE[,NOTE]]] FILE.mid
// Notes sound at the file's pitch on a MIDI instrument (file note 60 is the player's note 12, which
// sounds as MIDI 60); expected notes carry the numbers a MIDI keyboard gives the same keys (60 is 24).
// Notes the player cannot name are reported on standard error with their times and left out.
// Exit code 0 on success (and for --help), 1 with a one-line message for a file that cannot be
// read, is damaged or holds no melody to print, 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "melody_lines.h"
#include "midi_file.h"

using namespace vellaro::midimelody;

namespace {

constexpr std::streamoff kLargestFile = 64 << 20;  // no melody file comes near; a larger one is no MIDI file

struct Arguments {
  MelodyOptions melody;
  int track = -1;  // -1: the first track that has note-ons
  std::string path;
};

const char kUsage[] =
    "usage: midimelody [--track N] [--channel N] [--instrument *P|+FILE] [--transpose N]\n"
    "                  [--expect [--lead-in MS]] [--count-in N [--click *P|+FILE[,NOTE]]] FILE.mid\n";
const char kHelp[] =
    "  --track N                 the track to print, from 0 (without it: the first track with notes)\n"
    "  --channel N               only the notes of MIDI channel N, 1 to 16\n"
    "  --instrument *P|+FILE     the notes sound on MIDI program P (0 to 127) or a WAV sample\n"
    "  --transpose N             adds N semitones, -127 to 127 (12: an octave above the file's pitch)\n"
    "  --expect                  expected notes (N) for a capture of mode user, one capture a line,\n"
    "                            numbered as a MIDI keyboard gives them (MIDI 60 is (24))\n"
    "  --lead-in MS              with --expect: the first capture opens MS ms (0 to 10000, default 250)\n"
    "                            before the first note, so that a learner who comes in early is heard\n"
    "  --count-in N              N clicks (0 to 16) at the tune's beat before the tune\n"
    "  --click *P|+FILE[,NOTE]   what the clicks sound on, and their note (default *115,24)\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "midimelody: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

int fail(const std::string& path, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", path.c_str(), message.c_str());
  return 1;
}

// A whole decimal number within [lowest, highest], with an optional sign.
bool number(const char* text, int lowest, int highest, int* value) {
  char* end = nullptr;
  long parsed = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || parsed < lowest || parsed > highest) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// *P with P from 0 to 127, or +FILE with a name the melody line can carry (no blank).
bool instrumentToken(const std::string& token) {
  int program = 0;
  if (token.size() > 1 && token[0] == '*') return number(token.c_str() + 1, 0, 127, &program);
  return token.size() > 1 && token[0] == '+' && token.find(' ') == std::string::npos;
}

// *P or +FILE, then ",NOTE" with a note the instrument plays; the note after the last comma, since
// a file name may hold one.
bool clickToken(const std::string& text, MelodyOptions* options) {
  size_t comma = text.rfind(',');
  bool withNote = comma != std::string::npos && text.find_first_not_of("0123456789", comma + 1) == std::string::npos;
  std::string instrument = withNote ? text.substr(0, comma) : text;
  if (!instrumentToken(instrument)) return false;
  MelodyOptions clicks;
  clicks.instrument = instrument;
  int note = kDefaultClickNote;
  int highest = playerRange(clicks).highest - keyOfNote0(clicks);
  if (withNote && !number(text.c_str() + comma + 1, 0, highest, &note)) return false;
  options->clickInstrument = instrument;
  options->clickNote = note;
  return true;
}

// Options that only make sense with another one.
int checkCombinations(const Arguments& args, bool leadIn, bool click) {
  if (args.melody.expect && !args.melody.instrument.empty()) {
    return usage("--instrument has no use with --expect: expected notes sound nothing");
  }
  if (leadIn && !args.melody.expect) return usage("--lead-in has no use without --expect: it opens the capture");
  if (click && args.melody.countIn == 0) return usage("--click has no use without --count-in");
  return 0;
}

bool takesValue(const std::string& option) {
  for (const char* name : {"--track", "--channel", "--instrument", "--transpose", "--lead-in", "--count-in", "--click"}) {
    if (option == name) return true;
  }
  return false;
}

// Reads one option's value; an empty text when it is usable, else the usage problem.
std::string parseOption(const std::string& option, const char* value, Arguments* args) {
  MelodyOptions& melody = args->melody;
  int parsed = 0;
  if (option == "--track") {
    if (!number(value, 0, 65535, &args->track)) return "--track takes a track number from 0";
  } else if (option == "--channel") {
    if (!number(value, 1, 16, &parsed)) return "--channel takes a MIDI channel from 1 to 16";
    melody.channel = parsed - 1;
  } else if (option == "--instrument") {
    if (!instrumentToken(value)) return "--instrument takes *P (a MIDI program 0 to 127) or +FILE (a WAV sample)";
    melody.instrument = value;
  } else if (option == "--transpose") {
    if (!number(value, -127, 127, &melody.transpose)) return "--transpose takes semitones from -127 to 127";
  } else if (option == "--lead-in") {
    if (!number(value, 0, kLongestLeadInMs, &parsed)) return "--lead-in takes milliseconds from 0 to 10000";
    melody.leadInMs = static_cast<uint32_t>(parsed);
  } else if (option == "--count-in") {
    if (!number(value, 0, kMostCountInClicks, &melody.countIn)) return "--count-in takes a number of clicks from 0 to 16";
  } else if (!clickToken(value, &melody)) {
    return "--click takes *P (a MIDI program 0 to 127) or +FILE (a WAV sample), then ,NOTE (0 to 79 on a MIDI "
           "program, 0 to 71 on a sample)";
  }
  return "";
}

// 0 when the arguments are usable, else the usage error's exit code.
int parseArguments(int argc, char** argv, Arguments* args) {
  bool leadIn = false;
  bool click = false;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "--expect") {
      args->melody.expect = true;
    } else if (takesValue(option)) {
      if (i + 1 >= argc) return usage(option + " needs a value");
      std::string problem = parseOption(option, argv[++i], args);
      if (!problem.empty()) return usage(problem);
      leadIn = leadIn || option == "--lead-in";
      click = click || option == "--click";
    } else if (option.rfind("--", 0) == 0 || !args->path.empty()) {
      return usage("unknown argument " + option);
    } else {
      args->path = option;
    }
  }
  if (args->path.empty()) return usage("no MIDI file given");
  return checkCombinations(*args, leadIn, click);
}

bool readFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    *error = "cannot open the file";
    return false;
  }
  if (in.tellg() > kLargestFile) {
    *error = "larger than 64 MB: not a melody's MIDI file";
    return false;
  }
  in.seekg(0);
  bytes->assign(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) *error = "cannot read the file";
  return !in.bad();
}

// The chosen track's index, or -1 after the message.
int chooseTrack(const MidiFile& file, const Arguments& args) {
  std::string channel = args.melody.channel < 0 ? "" : " on channel " + std::to_string(args.melody.channel + 1);
  if (args.track >= 0) {
    if (static_cast<size_t>(args.track) >= file.tracks.size()) {
      std::string tracks = file.tracks.empty() ? "no tracks" : "tracks 0 to " + std::to_string(file.tracks.size() - 1);
      fail(args.path, "there is no track " + std::to_string(args.track) + "; the file has " + tracks);
      return -1;
    }
    if (hasNoteOns(file.tracks[args.track], args.melody.channel)) return args.track;
    fail(args.path, "track " + std::to_string(args.track) + " has no note-ons" + channel);
    return -1;
  }
  for (size_t i = 0; i < file.tracks.size(); ++i) {
    if (hasNoteOns(file.tracks[i], args.melody.channel)) return static_cast<int>(i);
  }
  fail(args.path, "no track has note-ons" + channel);
  return -1;
}

const char* rangeName(const MelodyOptions& options) {
  if (options.expect) return "as expected notes";
  return !options.instrument.empty() && options.instrument[0] == '+' ? "on a sample" : "on a MIDI instrument";
}

void reportLeftOut(const std::string& path, const Melody& melody, const MelodyOptions& options) {
  KeyRange range = playerRange(options);
  for (const LeftOutNote& note : melody.leftOut) {
    std::fprintf(stderr, "%s: %u ms: MIDI note %d is outside MIDI %d to %d (notes %d to %d) %s; left out\n",
                 path.c_str(), note.ms, note.key, range.lowest, range.highest, range.lowest - keyOfNote0(options),
                 range.highest - keyOfNote0(options), rangeName(options));
  }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the lines carry their own CR LF
#endif
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  Arguments args;
  if (int code = parseArguments(argc, argv, &args)) return code;
  std::vector<uint8_t> bytes;
  std::string error;
  if (!readFile(args.path, &bytes, &error)) return fail(args.path, error);
  MidiFile file;
  if (!readMidiFile(bytes.data(), bytes.size(), &file, &error)) return fail(args.path, error);
  int track = chooseTrack(file, args);
  if (track < 0) return 1;
  Melody melody;
  if (!makeMelody(file, file.tracks[track], args.melody, &melody, &error)) return fail(args.path, error);
  reportLeftOut(args.path, melody, args.melody);
  if (melody.lines.empty()) {
    return fail(args.path, "no note of track " + std::to_string(track) + " is one the player can name");
  }
  for (const std::string& line : melody.lines) std::printf("%s\r\n", line.c_str());
  return 0;
}
