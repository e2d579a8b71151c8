// Runs the veloria binary as authors' CI does, on a scratch game directory.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/text_codec.h"

namespace veloria::test {

struct CliResult {
  int code = -1;
  std::string output;  // stdout and stderr together
};

// Runs the veloria binary with `args` (already quoted) and collects stdout and stderr.
inline CliResult runVeloria(const std::string& args, const std::string& env = "") {
  std::string cmd = env + " VELORIA_RUNTIME_DIR=" + std::filesystem::temp_directory_path().string() +
                    "/veloria-cli-rt-" + std::to_string(::getpid()) + " " + VELORIA_BINARY + " " + args + " 2>&1";
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

// A game directory with 0.txt (given in UTF-8, stored in Shift-JIS), removed afterwards.
struct GameDir {
  std::filesystem::path dir;
  explicit GameDir(const std::string& scriptUtf8) {
    char tmpl[] = "/tmp/veloria-cli-XXXXXX";
    dir = ::mkdtemp(tmpl);
    write("0.txt", utf8ToSjis(scriptUtf8));
  }
  ~GameDir() { std::filesystem::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  void write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((dir / name).parent_path());
    fs::writeHostFile(path(name), bytes.data(), bytes.size());
  }
};

}  // namespace veloria::test
