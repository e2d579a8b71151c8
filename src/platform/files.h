// Game files. Scripts name files Windows-style ("bgm\Title.MID"): '\' or '/' separators and
// any letter case. These functions find the real file under the game directory, so the rest
// of the engine never sees a host path rule.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veloria::fs {

// The directory relative game paths start from (the engine's current directory).
void setGameDirectory(const std::string& hostPath);
const std::string& gameDirectory();

// The host path of an existing file or directory named by a game path (Shift-JIS), matching
// each component without regard to ASCII letter case; nullopt when there is none.
std::optional<std::string> resolve(std::string_view gamePath);
// A host path to create or overwrite: existing components are matched as in resolve, the
// rest are taken as written (converted to UTF-8).
std::string resolveForWrite(std::string_view gamePath);
bool exists(std::string_view gamePath);
// Whether a host folder holds a game's script: one of 0.txt … 99.txt, veloria.dat or
// velo_sec.dat, in any letter case, that is not itself a folder.
bool holdsGameScript(const std::string& hostDir);
// Whether a game path a script names stays inside the game directory: relative (no leading
// separator, no drive letter) and with no ".." component, either separator counting (a trail
// byte of a two-byte character never does). Every file a script writes, deletes or starts
// passes this first.
bool staysInGame(std::string_view gamePath);
// An existing file named by a game path that stays in the game and whose real place (after
// any symbolic links) is inside the game directory too; nullopt otherwise.
struct GameFile {
  std::string hostPath;  // its real, absolute host path
  std::string inGame;    // its path below the game directory ('/' separators, UTF-8)
};
std::optional<GameFile> resolveInGame(std::string_view gamePath);
// Forgets cached directory listings (after the engine creates or removes files).
void invalidateCache();

std::optional<std::vector<uint8_t>> readFile(std::string_view gamePath);
bool writeFile(std::string_view gamePath, const void* data, size_t size);
bool removeFile(std::string_view gamePath);

// Size and modification time of a host path in one system call.
struct HostStamp {
  bool regular = false;  // a plain file (size is 0 otherwise)
  uint64_t size = 0;
  int64_t mtimeNs = 0;
};

// Host-path helpers for the engine's own files (temporary directory and the like).
std::optional<std::vector<uint8_t>> readHostFile(const std::string& hostPath);
// Why a file we keep could not be read. Only Missing (ENOENT) means there is no such file:
// the others name a file that is there and must not be written over.
enum class ReadProblem { None, Missing, Unreadable, TooLarge };
const char* describe(ReadProblem p);
// The same for a file only we write (a settings record, a player's file): a symbolic link in
// its place is refused, not followed; so is anything but a plain file, and a file larger than
// `maxSize` (its size is checked before anything is read). `problem` receives the reason.
std::optional<std::vector<uint8_t>> readHostFileNoFollow(const std::string& hostPath, uint64_t maxSize,
                                                         ReadProblem* problem = nullptr);
// Replaces the file at hostPath so that a crash, a kill or a full disk never leaves a
// half-written file: see ReplacementFile. False (the old file untouched) on any failure.
bool writeHostFile(const std::string& hostPath, const void* data, size_t size);
bool hostExists(const std::string& hostPath);
// The absolute form of a host path (relative ones are taken from the current directory).
std::string absoluteHostPath(const std::string& hostPath);
bool isHostDirectory(const std::string& hostPath);
bool removeHostFile(const std::string& hostPath);
// The names in a directory (without "." and ".."); empty when it cannot be read.
std::vector<std::string> listHostDirectory(const std::string& dir);
// A game file opened for reading as bytes (the caller closes it); nullptr when it cannot be.
std::FILE* openHostForReading(const std::string& hostPath);

// A file written in place of another: the bytes go to a fresh file of our own in the same
// directory (created exclusively, never through a symbolic link), and only commit() puts it
// in place with one rename, which replaces a link rather than following it. Until then the
// old file stays as it was; a writer dropped without commit() leaves no trace.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string hostPath);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  bool ok() const { return stream_ != nullptr; }
  std::FILE* stream() { return stream_; }
  bool write(const void* data, size_t size);
  // Flushes, renames over the target. `durable`: fsync the file before the rename and the
  // directory after it, so the new contents survive a power cut once commit returns true.
  // False when the directory could not be synced: the new file is in place, but its
  // durability was not confirmed.
  bool commit(bool durable = true);
  void abort();

 private:
  std::string target_;
  std::string temp_;
  std::FILE* stream_ = nullptr;
  bool failed_ = false;
};

// Makes `path` (one level; its parent must exist) a directory for this user alone: created
// with mode 0700, and refused when it is a symbolic link, not a directory, owned by another
// user, or open to other users (any group/other permission when `strict`, else any
// group/other write permission). `why` receives the reason for a refusal.
bool makePrivateDirectory(const std::string& path, bool strict, std::string* why = nullptr);

// ---- the player's files: saves, global variables, read marks, logs, settings ----
// They live in the game directory; when that cannot be written (a game installed read-only)
// in $XDG_DATA_HOME/veloria/<game directory name>/ (default ~/.local/share), which is then
// read first, the game directory second. The switch is reported once on stderr. When that
// folder is unsafe (another owner, open to others) it is not used at all: nothing is saved.
// Empty then.
std::string persistentDirectory();
// A player's file, refused when larger than `maxSize` (a limit no real file of its kind
// reaches). A file that is there but cannot be read safely (a symbolic link, a folder, no
// permission, a read error, too large) is said once on stderr and held: nothing writes over
// it, removes it or adds to it for the rest of the run, so the player's data outlives a fault.
std::optional<std::vector<uint8_t>> readPersistentFile(std::string_view name, uint64_t maxSize,
                                                       ReadProblem* problem = nullptr);
// Whether a player's file is held this run (its failure was said already).
bool persistentFileHeld(std::string_view name);
// Written as writeHostFile writes; never through a symbolic link; never over a held file.
bool writePersistentFile(std::string_view name, const void* data, size_t size);
bool removePersistentFile(std::string_view name);
// Adds bytes to the end of a player's file (a log), creating it; refused through a symbolic
// link, for anything but a plain file, and when the file would grow past maxFileSize.
bool appendPersistentFile(std::string_view name, const void* data, size_t size, uint64_t maxFileSize);
// Size and modification time of a player's file (the slot menus list save times).
std::optional<HostStamp> persistentFileStamp(std::string_view name);
// A player's file's modification time in the local time zone (the save menus' dates).
struct LocalFileTime {
  int year = 0, month = 1, day = 1, hour = 0, minute = 0;
};
std::optional<LocalFileTime> persistentFileLocalTime(std::string_view name);
// Tests: pretend the game directory is (not) writable; nullopt asks the file system again.
void overrideGameDirectoryWritable(std::optional<bool> writable);
std::optional<HostStamp> hostStamp(const std::string& hostPath);
bool makeDirectories(const std::string& hostPath);
// Removes a directory and what is in it; never follows symbolic links out of it.
bool removeTree(const std::string& hostPath);
std::string joinHost(const std::string& dir, const std::string& name);
// Per-user directory for the instance lock and the temporary directory: VELORIA_RUNTIME_DIR,
// else $XDG_RUNTIME_DIR/veloria, else /tmp/veloria-UID. Only the name: see
// prepareRuntimeDirectory.
std::string runtimeDirectory();
// Creates runtimeDirectory() when missing and checks that it is ours alone (the /tmp
// fallback strictly: mode 0700). Empty, with the reason in `why`, when it is refused.
std::string prepareRuntimeDirectory(std::string* why = nullptr);
// The user's settings directory (stand-in for the registry and per-user state).
std::string userConfigDirectory();
// The user's data folder for Veloria: $XDG_DATA_HOME/veloria (default ~/.local/share/veloria).
// Only the name: nothing is created.
std::string userDataDirectory();

}  // namespace veloria::fs
