// The secret that the programmer's firmware and the update files share: the Blowfish key of the
// update files. (The signature of the firmware commands is part of the wire protocol.)
#pragma once

#include <array>
#include <cstdint>

// The key with which the update files are enciphered.
inline constexpr std::array<uint8_t, 21> UpdateKey = {0x6B, 0x2E, 0x91, 0xD4, 0x07, 0x5A, 0xF3, 0x38, 0xC1, 0x8D, 0x4F,
                                                      0x12, 0xE6, 0x7B, 0xA9, 0x50, 0x23, 0xBE, 0x64, 0x9F, 0x0C};
