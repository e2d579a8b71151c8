#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace veloria::proc {

namespace {

// Programs started and not yet reaped.
std::vector<int> g_children;

void forget(int pid) {
  for (size_t i = 0; i < g_children.size(); ++i)
    if (g_children[i] == pid) {
      g_children.erase(g_children.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

// True when `pid` has ended (and is reaped now), or is no child of ours.
bool reapIfEnded(int pid) {
  int status = 0;
  pid_t r = ::waitpid(pid, &status, WNOHANG);
  if (r == pid || (r < 0 && errno == ECHILD)) {
    forget(pid);
    return true;
  }
  return false;
}

void sleepRealMs(uint32_t ms) {
  struct timespec ts {
    static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L
  };
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string cur;
  bool inQuotes = false, have = false;
  for (char c : line) {
    if (c == '"') {
      inQuotes = !inQuotes;
      have = true;
      continue;
    }
    if (!inQuotes && (c == ' ' || c == '\t')) {
      if (have) args.push_back(std::move(cur));
      cur.clear();
      have = false;
      continue;
    }
    cur.push_back(c);
    have = true;
  }
  if (have) args.push_back(std::move(cur));
  return args;
}

int spawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                 const std::string& workDir, bool searchPath) {
  reapEndedPrograms();
  if (argv.empty() || argv[0].empty()) return -1;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** p = environ; p && *p; ++p) {
    std::string entry = *p;
    bool replaced = false;
    for (const auto& x : extraEnv) {
      size_t eq = x.find('=');
      if (eq != std::string::npos && entry.compare(0, eq + 1, x, 0, eq + 1) == 0) replaced = true;
    }
    if (!replaced) envStore.push_back(std::move(entry));
  }
  for (const auto& x : extraEnv) envStore.push_back(x);
  std::vector<char*> env;
  for (auto& x : envStore) env.push_back(x.data());
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  // The engine's standard input is not the started program's business.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  int rc = searchPath ? ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data())
                      : ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  g_children.push_back(pid);
  return pid;
}

bool waitForExit(int pid, uint32_t ms) {
  if (pid <= 0) return true;
  for (uint32_t waited = 0;; ++waited) {
    if (reapIfEnded(pid)) return true;
    if (waited >= ms) return false;
    sleepRealMs(1);
  }
}

void reapEndedPrograms() {
  std::vector<int> copy = g_children;
  for (int pid : copy) reapIfEnded(pid);
}

void waitForStartedPrograms(uint32_t ms) {
  for (uint32_t waited = 0;; ++waited) {
    reapEndedPrograms();
    if (g_children.empty() || waited >= ms) return;
    sleepRealMs(1);
  }
}

bool openWithDesktop(const std::string& target) {
  const char* opener = std::getenv("VELORIA_OPENER");
  std::string program = opener && *opener ? opener : "xdg-open";
  if (target.empty() || target[0] == '-') return false;
  return spawnProgram({program, target}, {}, "", true) > 0;
}

std::string takeNotification(const std::string& path, uint64_t& offset) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  std::string word;
  struct stat st {};
  // A writer that replaced the file instead of appending starts again from its beginning.
  if (::fstat(fileno(f), &st) == 0 && static_cast<uint64_t>(st.st_size) < offset) offset = 0;
  if (std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0) {
    char buf[256];
    size_t n = std::fread(buf, 1, sizeof buf, f);
    // Only a complete line counts: the writer may be half-way through it.
    for (size_t i = 0; i < n; ++i) {
      if (buf[i] != '\n') continue;
      offset += i + 1;
      size_t b = 0, e = i;
      while (b < e && (buf[b] == ' ' || buf[b] == '\t' || buf[b] == '\r')) ++b;
      while (e > b && (buf[e - 1] == ' ' || buf[e - 1] == '\t' || buf[e - 1] == '\r')) --e;
      word.assign(buf + b, e - b);
      break;
    }
    if (word.empty() && n == sizeof buf && std::memchr(buf, '\n', n) == nullptr) offset += n;  // no word is this long
  }
  std::fclose(f);
  return word;
}

}  // namespace veloria::proc
