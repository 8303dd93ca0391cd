// Report lengths from a HID report descriptor, counted the way the layer expects them: the
// longest report of each direction plus the report ID byte.
#pragma once

#include <cstddef>
#include <cstdint>

struct TReportLayout {
  uint16_t InputReportByteLength = 0;   // 0 when the device has no input report
  uint16_t OutputReportByteLength = 0;  // 0 when the device has no output report
  bool NumberedReports = false;         // the descriptor gives report IDs
};

// False when the descriptor is cut short inside an item.
bool ParseReportDescriptor(const uint8_t* data, size_t length, TReportLayout& layout);
