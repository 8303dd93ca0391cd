// main() of test_widgets: runs the QTest class registered under the name given first.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/qtest_group.h"

namespace {

std::map<std::string, qtest_group::TRun>& Classes() {
  static std::map<std::string, qtest_group::TRun> classes;
  return classes;
}

}  // namespace

bool qtest_group::Register(const char* file, TRun run) {
  std::string name(file);
  name.erase(0, name.find_last_of("/\\") + 1);
  name.erase(name.find_last_of('.'));
  if (!Classes().emplace(name, run).second) {
    std::fprintf(stderr, "test_widgets: two QTest classes are named %s\n", name.c_str());
    std::abort();
  }
  return true;
}

int main(int argc, char** argv) {
  const auto found = argc > 1 ? Classes().find(argv[1]) : Classes().end();
  if (found == Classes().end()) {
    std::fprintf(stderr, "usage: %s NAME [QTest options]\nNAME is one of:", argc > 0 ? argv[0] : "test_widgets");
    for (const auto& c : Classes()) std::fprintf(stderr, " %s", c.first.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  // The class sees the command line without the name, as its own executable would.
  std::vector<char*> args{argv[0]};
  args.insert(args.end(), argv + 2, argv + argc);
  args.push_back(nullptr);
  return found->second(argc - 1, args.data());
}
