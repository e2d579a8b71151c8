// Runs the veloria binary as authors' CI does.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace veloria::test {

struct CliResult {
  int code = -1;
  std::string output;  // stdout and stderr together
};

// Runs the veloria binary with `args` (already quoted) and collects stdout and stderr. The
// runtime and settings directories it uses are those of the test's GameDir.
inline CliResult runVeloria(const std::string& args, const std::string& env = "") {
  std::string cmd = env + " " + VELORIA_BINARY + " " + args + " 2>&1";
  CliResult r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace veloria::test
