// The sound of a headless run as a WAV file: 44100 Hz, 16-bit stereo PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellaro {

// The RIFF bytes of a PCM WAV file holding the interleaved left/right samples.
std::vector<uint8_t> wavBytes(const std::vector<int16_t>& samples);
// False when the file cannot be written.
bool writeWav(const std::string& path, const std::vector<int16_t>& samples);

}  // namespace vellaro
