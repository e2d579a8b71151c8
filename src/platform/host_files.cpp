// Host files: whole-file reads and writes, the atomic replacement, directories and the
// per-user runtime and settings folders.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/files.h"

namespace veloria::fs {

namespace {

// Reads a regular file of at most maxSize bytes from an open descriptor (closed here).
std::optional<std::vector<uint8_t>> readDescriptor(int fd, uint64_t maxSize, ReadProblem* problem) {
  auto fail = [&](ReadProblem p) -> std::optional<std::vector<uint8_t>> {
    if (problem) *problem = p;
    if (fd >= 0) ::close(fd);
    return std::nullopt;
  };
  if (fd < 0) return fail(errno == ENOENT ? ReadProblem::Missing : ReadProblem::Unreadable);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return fail(ReadProblem::Unreadable);
  // The size is known before a byte is read: a huge (or sparse) file costs nothing.
  if (static_cast<uint64_t>(st.st_size) > maxSize) return fail(ReadProblem::TooLarge);
  std::vector<uint8_t> data;
  data.reserve(static_cast<size_t>(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ReadProblem::Unreadable);
    if (n == 0) break;
    // A file that grows while it is read is held to the same limit.
    if (data.size() + static_cast<size_t>(n) > maxSize) return fail(ReadProblem::TooLarge);
    data.insert(data.end(), buf, buf + n);
  }
  ::close(fd);
  if (problem) *problem = ReadProblem::None;
  return data;
}

std::string parentOf(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

bool syncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync a directory
  ::close(fd);
  return ok;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

const char* describe(ReadProblem p) {
  switch (p) {
    case ReadProblem::None: return "read";
    case ReadProblem::Missing: return "missing";
    case ReadProblem::Unreadable: return "cannot be read safely";
    case ReadProblem::TooLarge: return "is larger than any such file can be (damaged)";
  }
  return "";
}

std::optional<std::vector<uint8_t>> readHostFile(const std::string& hostPath) {
  return readDescriptor(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC), UINT64_MAX, nullptr);
}

std::optional<std::vector<uint8_t>> readHostFileNoFollow(const std::string& hostPath, uint64_t maxSize,
                                                         ReadProblem* problem) {
  // O_NONBLOCK: a pipe planted under the name must not hang the open.
  return readDescriptor(::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC), maxSize, problem);
}

ReplacementFile::ReplacementFile(std::string hostPath) : target_(std::move(hostPath)) {
  const std::string dir = parentOf(target_);
  std::string base = target_.substr(target_.find_last_of('/') == std::string::npos ? 0 : target_.find_last_of('/') + 1);
  if (base.size() > 200) base.resize(200);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                       std::to_string(g_tempCounter.fetch_add(1));
    std::string path = dir == "/" ? "/" + name : dir + "/" + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
      ::close(fd);
      ::unlink(path.c_str());
      return;
    }
    temp_ = std::move(path);
    return;
  }
}

ReplacementFile::~ReplacementFile() { abort(); }

bool ReplacementFile::write(const void* data, size_t size) {
  if (!stream_ || failed_) return false;
  if (size > 0 && std::fwrite(data, 1, size, stream_) != size) failed_ = true;
  return !failed_;
}

void ReplacementFile::abort() {
  if (!stream_) return;
  std::fclose(stream_);
  stream_ = nullptr;
  ::unlink(temp_.c_str());
}

bool ReplacementFile::commit(bool durable) {
  if (!stream_) return false;
  bool ok = !failed_ && std::fflush(stream_) == 0 && !std::ferror(stream_);
  if (ok && durable) ok = ::fsync(fileno(stream_)) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp_.c_str());
    return false;
  }
  // The rename is done, but until the directory is on the disk a power cut may undo it.
  if (durable && !syncDirectory(parentOf(target_))) return false;
  return true;
}

bool writeHostFile(const std::string& hostPath, const void* data, size_t size) {
  ReplacementFile f(hostPath);
  return f.write(data, size) && f.commit(true);
}

bool isHostDirectory(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool removeHostFile(const std::string& hostPath) { return ::unlink(hostPath.c_str()) == 0; }

std::vector<std::string> listHostDirectory(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* en = readdir(d)) {
      std::string n = en->d_name;
      if (n != "." && n != "..") names.push_back(std::move(n));
    }
    closedir(d);
  }
  return names;
}

std::FILE* openHostForReading(const std::string& hostPath) { return std::fopen(hostPath.c_str(), "rb"); }

bool makePrivateDirectory(const std::string& path, bool strict, std::string* why) {
  auto refuse = [&](const std::string& reason) {
    if (why) *why = path + ": " + reason;
    return false;
  };
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return refuse(std::strerror(errno));
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return refuse(std::strerror(errno));
  if (S_ISLNK(st.st_mode)) return refuse("is a symbolic link");
  if (!S_ISDIR(st.st_mode)) return refuse("is not a directory");
  if (st.st_uid != ::geteuid()) return refuse("belongs to another user");
  if (strict ? (st.st_mode & 077) != 0 : (st.st_mode & 022) != 0)
    return refuse("is open to other users");
  return true;
}

std::string absoluteHostPath(const std::string& hostPath) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(hostPath, ec);
  return ec ? hostPath : p.lexically_normal().string();
}

bool hostExists(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0;
}

std::optional<HostStamp> hostStamp(const std::string& hostPath) {
  struct stat st {};
  if (stat(hostPath.c_str(), &st) != 0) return std::nullopt;
  HostStamp s;
  s.regular = S_ISREG(st.st_mode);
  s.size = s.regular ? static_cast<uint64_t>(st.st_size) : 0;
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

bool makeDirectories(const std::string& hostPath) {
  std::error_code ec;
  std::filesystem::create_directories(hostPath, ec);
  return hostExists(hostPath);
}

bool removeTree(const std::string& hostPath) {
  std::error_code ec;
  std::filesystem::remove_all(hostPath, ec);  // remove_all does not follow symlinks
  return !ec;
}

std::string joinHost(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string runtimeDirectory() {
  if (const char* d = std::getenv("VELORIA_RUNTIME_DIR"); d && *d) return d;
  if (const char* d = std::getenv("XDG_RUNTIME_DIR"); d && *d) return joinHost(d, "veloria");
  return "/tmp/veloria-" + std::to_string(getuid());
}

std::string prepareRuntimeDirectory(std::string* why) {
  std::string dir = runtimeDirectory();
  const char* given = std::getenv("VELORIA_RUNTIME_DIR");
  bool fallback = !(given && *given);
  if (fallback) {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    fallback = !(xdg && *xdg);
  }
  if (!fallback && !isHostDirectory(parentOf(dir))) makeDirectories(parentOf(dir));
  if (!makePrivateDirectory(dir, fallback, why)) return std::string();
  return dir;
}

std::string userConfigDirectory() {
  if (const char* d = std::getenv("VELORIA_CONFIG_DIR"); d && *d) return d;
  if (const char* d = std::getenv("XDG_CONFIG_HOME"); d && *d) return joinHost(d, "veloria");
  if (const char* h = std::getenv("HOME"); h && *h) return joinHost(joinHost(h, ".config"), "veloria");
  return joinHost(runtimeDirectory(), "config");
}

}  // namespace veloria::fs
