// Fuzzes the serial file's reader, which stations share and people edit by hand: whatever it
// accepts, written back and read again, gives the same state; and a pool started on the file
// hands out a number that is neither given back twice nor pending.
#include <unistd.h>

#include <string>

#include "common/error.h"
#include "fuzz_support.h"
#include "production/serial_pool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TSerialFileState state;
  if (!TSerialPool::ParseFile(text, state)) return 0;
  TSerialFileState again;
  FUZZ_CHECK(TSerialPool::ParseFile(TSerialPool::FileText(state), again));
  FUZZ_CHECK(again.Next == state.Next && again.Spare == state.Spare && again.Pending == state.Pending);

  const std::string file = fuzz::WriteScratchFile("serial.txt", text.data(), text.size());
  TSerialSpec layout;
  layout.Width = 8;
  try {
    TSerialPool pool(layout, file);
    uint64_t n = 0;
    if (pool.Take(n)) {
      // Pending numbers of other hosts are never handed out (those of this host may come back).
      char host[256] = {};
      gethostname(host, sizeof host - 1);
      for (const auto& p : state.Pending) FUZZ_CHECK(p.Number != n || p.Host == host);
      pool.GiveBack(n);
    }
  } catch (const TError&) {
  }
  return 0;
}
