// The PitchTable: playback-rate multipliers for notes 0 to 71, divided by an instrument's PitchBase
// (128). Note 24 plays a sample at its recorded pitch; 12 notes are an octave.
#pragma once

#include <array>
#include <cstdint>

namespace vellaro {

constexpr int kPitchTableSize = 72;

// Stored values, not computed from 32 * 2^(n/12): note 66 is 1428, and lessons were tuned with it.
constexpr std::array<uint16_t, kPitchTableSize> kPitchTable = {
    32,   34,   36,   38,   41,   43,   45,   48,   50,   53,   57,   60,    // 0-11
    64,   68,   72,   76,   81,   85,   90,   96,   101,  107,  114,  121,   // 12-23
    128,  136,  144,  152,  161,  171,  181,  192,  203,  215,  228,  242,   // 24-35
    256,  271,  288,  304,  322,  342,  362,  383,  406,  431,  456,  483,   // 36-47
    512,  542,  576,  608,  644,  684,  724,  766,  812,  862,  912,  967,   // 48-59
    1024, 1084, 1152, 1216, 1288, 1368, 1428, 1532, 1624, 1724, 1824, 1934,  // 60-71
};

}  // namespace vellaro
