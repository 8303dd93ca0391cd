#include "simulator/chip_properties.h"

#include <cstdlib>

#include "common/error.h"

namespace {

const char* const kUsage = "--sim-chip needs size=N, write-protected, flaky=P, stuck-bit=B:V, swap-pairs or page=N";

bool Number(const std::string& text, size_t lowest, size_t highest, size_t& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stoul(text);
  return value >= lowest && value <= highest;
}

}  // namespace

void TakeChipProperty(const std::string& text, TSimulatedChipProperties& p) {
  const size_t eq = text.find('=');
  const std::string name = text.substr(0, eq);
  const bool hasValue = eq != std::string::npos;
  const std::string value = hasValue ? text.substr(eq + 1) : "";
  size_t n = 0;
  if (name == "size") {
    if (!Number(value, 1, size_t{1} << 20, n)) throw TError("--sim-chip size=N needs N from 1 to 1048576");
    p.Size = n;
  } else if (name == "page") {
    if (!Number(value, 1, 4096, n)) throw TError("--sim-chip page=N needs N from 1 to 4096");
    p.PageSize = n;
  } else if (name == "write-protected" && !hasValue) {
    p.WriteProtected = true;
  } else if (name == "swap-pairs" && !hasValue) {
    p.SwapPairs = true;
  } else if (name == "flaky") {
    char* end = nullptr;
    const double probability = value.empty() ? -1 : std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(probability >= 0 && probability <= 1))
      throw TError("--sim-chip flaky=P needs a probability P from 0 to 1");
    p.Flaky = probability;
  } else if (name == "stuck-bit") {
    if (value.size() != 3 || value[0] < '0' || value[0] > '7' || value[1] != ':' ||
        (value[2] != '0' && value[2] != '1'))
      throw TError("--sim-chip stuck-bit=B:V needs a bit B from 0 to 7 and a value V of 0 or 1");
    p.StuckBit = value[0] - '0';
    p.StuckValue = value[2] - '0';
  } else {
    throw TError(kUsage);
  }
}
