// Checks a file of JSON lines with python3's parser: every line one object that holds the given
// keys (nested keys as "a.b"). Returns "" when it does, else what is wrong.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

inline std::string CheckJsonLines(const std::string& file, const std::vector<std::string>& keys) {
  std::string list;
  for (const auto& k : keys) list += (list.empty() ? "'" : ",'") + k + "'";
  const std::string script =
      "import json,sys\n"
      "n=0\n"
      "for i,l in enumerate(open(sys.argv[1],encoding='utf-8').read().split('\\n')[:-1]):\n"
      "  o=json.loads(l)\n"
      "  for k in [" +
      list +
      "]:\n"
      "    v=o\n"
      "    for p in k.split('.'):\n"
      "      if not isinstance(v,dict) or p not in v: print('line',i+1,'lacks',k); sys.exit(1)\n"
      "      v=v[p]\n"
      "  n+=1\n"
      "print(n)\n";
  const std::string cmd = "python3 -c \"$(cat <<'PYEOF'\n" + script + "PYEOF\n)\" '" + file + "' 2>&1";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int status = pclose(p);
    if (status == 0) return "";
  }
  return out.empty() ? "python3 failed" : out;
}
