// lessontest [--expect TRANSCRIPT] [--audio FILE.wav] LESSON.scn STEPS
//
// Runs the lesson with the player's interpreter and commands on the headless platform, in the
// lesson's folder as the player would be started there, with the learner's actions taken from the
// steps file. Prints the transcript; with --expect compares it with the file instead and prints a
// diff. --audio writes what the sound buffer played during the run as a WAV file. Exit codes: 0 a
// run that ended (and matched), 1 a transcript that differs, 2 a usage error or a file that cannot
// be read or written.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "headless/headless_files.h"
#include "headless/headless_platform.h"
#include "headless/headless_steps.h"
#include "transcript_diff.h"
#include "wav_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEqual = 0;
constexpr int kDifferent = 1;
constexpr int kUsageError = 2;

const char kUsage[] = "usage: lessontest [--expect TRANSCRIPT] [--audio FILE.wav] LESSON.scn STEPS\n";
const char kHelp[] =
    "  --expect TRANSCRIPT  compare the transcript with this file and print a diff (exit 1 when they differ)\n"
    "  --audio FILE.wav     write what the sound buffer played during the run: 44100 Hz, 16-bit stereo,\n"
    "                       frame 0 at virtual time 0. Samples are heard there one buffer lap (60 to 80 ms)\n"
    "                       after they start, as on Windows. MIDI notes go to the synthesizer and are\n"
    "                       not in the file.\n";

struct Options {
  std::string expected;
  std::string audio;
  std::string lesson;
  std::string steps;
  bool help = false;
};

bool parseOptions(int argc, char** argv, Options* options) {
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--expect" && i + 1 < argc) {
      options->expected = argv[++i];
    } else if (argument == "--audio" && i + 1 < argc) {
      options->audio = argv[++i];
    } else if (argument == "--help") {
      options->help = true;
      return true;
    } else if (!argument.empty() && argument[0] == '-') {
      return false;
    } else {
      plain.push_back(argument);
    }
  }
  if (plain.size() != 2) return false;
  options->lesson = plain[0];
  options->steps = plain[1];
  return true;
}

bool readFile(const std::string& path, std::string* text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream content;
  content << file.rdbuf();
  *text = content.str();
  return !file.bad();
}

int cannotRead(const char* what, const std::string& path) {
  std::fprintf(stderr, "lessontest: cannot read the %s %s\n", what, path.c_str());
  return kUsageError;
}

// The transcript of the lesson's run, made in the lesson's folder, and the sound the buffer played
// when audio is not null; false when the folder cannot be entered.
bool runLesson(const std::string& lessonPath, std::vector<vellaro::Step> steps, std::string* transcript,
               std::vector<int16_t>* audio) {
  fs::path lesson(lessonPath);
  std::error_code error;
  fs::path before = fs::current_path(error);
  if (lesson.has_parent_path()) fs::current_path(lesson.parent_path(), error);
  if (error) return false;
  {
    vellaro::ScratchFiles scratch;
    if (!scratch.ready()) {
      std::fputs("lessontest: no scratch folder; what the lesson writes goes to its folder\n", stderr);
    }
    auto platform = std::make_unique<vellaro::HeadlessPlatform>(std::move(steps));
    if (audio) platform->recordSound();
    platform->run(lesson.filename().string());
    *transcript = platform->transcript().text();
    if (audio) *audio = platform->soundPlayed();
  }
  fs::current_path(before, error);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return kUsageError;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return kEqual;
  }
  std::string stepsText;
  if (!readFile(options.steps, &stepsText)) return cannotRead("steps file", options.steps);
  std::vector<vellaro::Step> steps;
  std::string problem;
  if (!vellaro::parseSteps(stepsText, &steps, &problem)) {
    std::fprintf(stderr, "%s:%s\n", options.steps.c_str(), problem.c_str());
    return kUsageError;
  }
  std::string expected;
  if (!options.expected.empty() && !readFile(options.expected, &expected)) {
    return cannotRead("expected transcript", options.expected);
  }
  std::error_code error;
  if (!fs::is_regular_file(options.lesson, error)) return cannotRead("lesson", options.lesson);
  // Named from where lessontest was started, before the run enters the lesson's folder.
  fs::path audioPath = options.audio.empty() ? fs::path() : fs::absolute(options.audio, error);
  std::string transcript;
  std::vector<int16_t> audio;
  if (!runLesson(options.lesson, std::move(steps), &transcript, options.audio.empty() ? nullptr : &audio)) {
    return cannotRead("folder of the lesson", options.lesson);
  }
  if (!options.audio.empty() && !vellaro::writeWav(audioPath.string(), audio)) {
    std::fprintf(stderr, "lessontest: cannot write the sound to %s\n", options.audio.c_str());
    return kUsageError;
  }
  if (options.expected.empty()) {
    std::fputs(transcript.c_str(), stdout);
    return kEqual;
  }
  std::string diff = vellaro::unifiedDiff(vellaro::splitLines(expected), vellaro::splitLines(transcript),
                                          options.expected, "transcript of " + options.lesson);
  std::fputs(diff.c_str(), stdout);
  return diff.empty() ? kEqual : kDifferent;
}
