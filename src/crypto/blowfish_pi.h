// The published initial state of Blowfish: P-array and S-boxes from the hexadecimal digits of pi.
#pragma once

#include <cstdint>

extern const uint32_t kBlowfishInitialP[18];
extern const uint32_t kBlowfishInitialS[4][256];
