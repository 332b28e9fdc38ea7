// Unpacking speed of the image library against the system's `uncompress` on the same pixels.
// Builds a 10 MB library of generated 640 x 480 24-bit pictures (flat rectangles with patches of
// noise, as drawn widgets and lesson pictures are), compresses the same bytes with `compress`, then
// times the best of five full unpacks on each side and prints the throughputs and their ratios.
// On Debian `uncompress` is gzip's script that runs `gzip -d`; `compress -d` is ncompress's own
// unpacker, timed beside it. Both times include starting the program (about a millisecond).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "image/image_library.h"

namespace {

class QuietHost : public vellaro::CoderHost {
 public:
  void showMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr size_t kTotalBytes = 10u * 1024u * 1024u;

std::vector<uint8_t> picture(std::mt19937& random) {
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  auto fill = [&](int x0, int y0, int w, int h, bool noise) {
    uint8_t colour[3] = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random())};
    for (int y = y0; y < std::min(y0 + h, kHeight); ++y) {
      for (int x = x0; x < std::min(x0 + w, kWidth); ++x) {
        for (int c = 0; c < 3; ++c) {
          pixels[(static_cast<size_t>(y) * kWidth + x) * 3 + c] =
              noise ? static_cast<uint8_t>(colour[c] + random() % 24) : colour[c];
        }
      }
    }
  };
  fill(0, 0, kWidth, kHeight, false);
  for (int i = 0; i < 30; ++i) fill(random() % kWidth, random() % kHeight, 20 + random() % 200, 10 + random() % 120, false);
  for (int i = 0; i < 6; ++i) fill(random() % kWidth, random() % kHeight, 20 + random() % 80, 10 + random() % 60, true);
  return pixels;
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  std::string dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/vellaro_library_bench";
  std::system(("mkdir -p " + dir).c_str());
  std::string library = dir + "/pictures.sli";
  std::string raw = dir + "/pictures.raw";
  QuietHost host;
  std::mt19937 random(12);
  vellaro::createLibrary(library);
  std::ofstream rawOut(raw, std::ios::binary);
  std::vector<std::string> names;
  for (size_t total = 0; total < kTotalBytes;) {
    std::vector<uint8_t> pixels = picture(random);
    names.push_back("p" + std::to_string(names.size()) + ".bmp");
    vellaro::addLibraryEntry(library, "bench", names.back(), pixels.data(), pixels.size(), host);
    rawOut.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    total += pixels.size();
  }
  rawOut.close();
  if (std::system(("compress -f -c " + raw + " >" + raw + ".Z").c_str()) != 0) {
    std::fprintf(stderr, "compress is missing (package ncompress)\n");
    return 1;
  }
  double ours = 1e9, theirs = 1e9, ncompress = 1e9;
  size_t bytes = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    bytes = 0;
    for (const std::string& name : names) bytes += vellaro::loadLibraryEntry(library, "bench", name, host).bytes.size();
    ours = std::min(ours, seconds(start));
    start = std::chrono::steady_clock::now();
    if (std::system(("uncompress -c " + raw + ".Z >/dev/null").c_str()) != 0) return 1;
    theirs = std::min(theirs, seconds(start));
    start = std::chrono::steady_clock::now();
    if (std::system(("compress -d -c " + raw + ".Z >/dev/null").c_str()) != 0) return 1;
    ncompress = std::min(ncompress, seconds(start));
  }
  double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  std::printf("library unpack: %.1f MB in %.3f s = %.1f MB/s\n", mb, ours, mb / ours);
  std::printf("uncompress:     %.1f MB in %.3f s = %.1f MB/s\n", mb, theirs, mb / theirs);
  std::printf("compress -d:    %.1f MB in %.3f s = %.1f MB/s\n", mb, ncompress, mb / ncompress);
  std::printf("ratio (library / uncompress): %.2f\n", theirs / ours);
  std::printf("ratio (library / compress -d): %.2f\n", ncompress / ours);
  std::system(("rm -rf " + dir).c_str());
  return 0;
}
