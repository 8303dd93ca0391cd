// A test's starting bytes in a document: set without an undo step, the document unmodified.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "buffer/document.h"

inline void SetBytes(TDocument& document, int32_t at, const std::vector<uint8_t>& bytes) {
  document.Store(at, bytes);
  document.Settle();
}

inline void SetByte(TDocument& document, int32_t at, uint8_t value) { SetBytes(document, at, {value}); }

inline void FillBytes(TDocument& document, int32_t at, size_t count, uint8_t value) {
  SetBytes(document, at, std::vector<uint8_t>(count, value));
}

inline void SetText(TDocument& document, int32_t at, const char* text) {
  SetBytes(document, at, std::vector<uint8_t>(text, text + std::strlen(text)));
}

// An edit as the user makes one: an undo step, the document modified.
inline void Edit(TDocument& document, int32_t at, uint8_t value) { document.Change(at, std::vector<uint8_t>{value}); }
