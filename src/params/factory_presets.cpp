#include "params/factory_presets.h"

namespace tarvo::params {

const char* const factoryProgramNames[kNumPrograms] = {
    "Full Reset",       "Leveling Opto",      "Pink Compression", "Vocal",
    "Vocal Warmer",     "Vocal (eccentric)",  "Acoustic Guitar",  "Electric Guitar",
    "Bass Guitar",      "Bass Guitar Warmer", "Drums Submix",     "Kick Drum",
    "Snare Drum",       "Mix Down",           "Mix it Hot",       "Stop right there",
    "Drums out of Mix", "Opto Master",        "Opto Limiting",    "Pumper",
    "Expander 1",       "Expander 2",         "Your Sound Here",  "Your Sound Here",
    "Your Sound Here",
};

// Columns are parameter indices 0..24; each value is the float nearest to the decimal.
const float factoryPresets[kNumPrograms][kNumParams] = {
    // 0 "Full Reset"
    {1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 1 "Leveling Opto"
    {1.0f, 1.0f,  0.5f,  0.88f, 0.75f, 0.87f, 0.5f, 0.5f,  1.0f,  0.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.55f, 0.12f, 0.5f,  1.0f,  0.43f, 1.0f, 0.38f, 0.45f, 0.5f, 0.0f, 0.0f},
    // 2 "Pink Compression"
    {1.0f, 1.0f,  0.5f, 0.98f, 0.0f, 0.34f, 0.5f, 0.5f,  1.0f, 0.5f,  0.5f, 0.5f, 0.5f,
     0.5f, 0.05f, 0.0f, 0.5f,  1.0f, 0.43f, 1.0f, 0.17f, 0.5f, 0.82f, 0.0f, 0.0f},
    // 3 "Vocal"
    {1.0f, 1.0f,  0.5f, 0.8f, 0.17f, 0.34f, 0.5f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.64f, 0.5f, 0.0f, 0.0f,  0.0f,  0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 4 "Vocal Warmer"
    {1.0f, 1.0f, 0.5f, 0.88f, 0.25f, 0.0f, 0.5f, 0.5f, 0.0f, 1.0f, 0.0f, 0.5f, 0.5f,
     0.5f, 1.0f, 0.6f, 0.0f,  1.0f,  1.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 5 "Vocal (eccentric)"
    {1.0f, 1.0f, 0.5f, 1.0f, 0.43f, 0.0f, 0.5f, 0.5f, 1.0f, 0.75f, 0.5f, 1.0f, 0.5f,
     0.5f, 1.0f, 0.0f, 0.0f, 0.0f,  0.0f, 1.0f, 0.0f, 0.5f, 0.5f,  0.0f, 0.0f},
    // 6 "Acoustic Guitar"
    {1.0f, 1.0f, 0.5f, 0.96f, 0.82f, 1.0f, 0.5f, 0.5f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 1.0f, 0.0f, 0.0f,  0.0f,  0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 7 "Electric Guitar"
    {1.0f, 1.0f,  0.5f, 0.86f, 0.57f, 0.26f, 0.5f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.28f, 0.0f, 0.0f,  0.0f,  0.0f,  0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 8 "Bass Guitar"
    {1.0f, 1.0f,  0.5f, 0.88f, 0.68f, 0.34f, 0.5f, 0.5f, 0.0f, 0.75f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.21f, 0.2f, 0.0f,  0.0f,  0.0f,  0.0f, 0.5f, 0.5f, 0.5f,  0.0f, 0.0f},
    // 9 "Bass Guitar Warmer"
    {1.0f, 1.0f, 0.5f, 0.95f, 0.43f, 0.0f, 0.5f, 0.5f, 0.0f, 1.0f, 0.0f, 0.5f, 0.5f,
     0.5f, 1.0f, 0.2f, 0.0f,  0.0f,  0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 10 "Drums Submix"
    {1.0f, 1.0f, 0.5f, 1.0f, 0.0f, 0.2f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 11 "Kick Drum"
    {1.0f, 1.0f, 0.5f, 1.0f, 0.41f, 0.0f, 0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f,  0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 12 "Snare Drum"
    {1.0f, 1.0f, 0.5f, 1.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.0f, 1.0f, 0.0f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 13 "Mix Down"
    {1.0f, 1.0f, 0.5f, 0.83f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.5f, 0.0f, 0.0f,  0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 14 "Mix it Hot"
    {1.0f, 1.0f,  0.5f, 0.98f, 0.0f, 0.34f, 0.5f, 0.5f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.05f, 0.0f, 0.0f,  0.0f, 0.0f,  0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 15 "Stop right there"
    {1.0f, 1.0f,  0.5f, 1.0f, 0.0f, 0.77f, 0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.01f, 0.0f, 0.0f, 0.0f, 0.0f,  0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 16 "Drums out of Mix"
    {1.0f, 1.0f,  0.5f, 1.0f, 0.76f, 0.44f, 0.5f, 0.5f, 0.0f, 0.75f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.01f, 0.0f, 0.0f, 0.0f,  0.0f,  0.0f, 0.5f, 0.5f, 0.5f,  0.0f, 0.0f},
    // 17 "Opto Master"
    {1.0f, 1.0f,  0.5f,  0.75f, 0.82f, 0.54f, 0.5f, 0.5f, 1.0f, 0.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.55f, 0.12f, 0.5f,  1.0f,  0.43f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 18 "Opto Limiting"
    {1.0f, 1.0f, 0.5f,  1.0f, 0.75f, 0.77f, 0.5f, 0.5f, 1.0f, 0.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.2f, 0.12f, 0.5f, 1.0f,  0.43f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 19 "Pumper"
    {1.0f, 1.0f, 0.5f, 0.92f, 0.47f, 0.44f, 0.5f, 0.5f, 1.0f, 0.25f, 0.0f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f,  0.0f,  0.43f, 0.0f, 0.5f, 0.5f, 0.5f,  0.0f, 0.0f},
    // 20 "Expander 1"
    {1.0f, 1.0f,  0.5f, 0.4f, 0.68f, 0.63f, 0.5f, 0.5f, 1.0f, 0.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.05f, 0.0f, 0.0f, 0.0f,  0.43f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 21 "Expander 2"
    {1.0f, 1.0f,  0.5f, 0.4f, 0.0f, 0.0f,  0.5f, 0.5f, 1.0f, 0.75f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.05f, 0.0f, 0.0f, 0.0f, 0.43f, 0.0f, 0.5f, 0.5f, 0.5f,  0.0f, 0.0f},
    // 22 "Your Sound Here"
    {1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 23 "Your Sound Here"
    {1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
    // 24 "Your Sound Here"
    {1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 1.0f, 0.5f, 0.5f, 0.5f,
     0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},
};

}  // namespace tarvo::params
