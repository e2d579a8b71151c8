// Player's files that are there but damaged or not ours to read (huge, a link, a folder, a
// pipe, no permission) are refused before a byte is read, said once, and never written over;
// the game plays on with defaults.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/files.h"
#include "save/persist_formats.h"
#include "support/game_dir.h"
#include "engine/engine.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {

constexpr uint64_t kHuge = 200ull << 30;  // sparse: costs no disk

void makeSparse(const std::string& path, uint64_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
}

std::string describeKind(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  if (S_ISLNK(st.st_mode)) return "link";
  if (S_ISDIR(st.st_mode)) return "folder";
  if (S_ISFIFO(st.st_mode)) return "pipe";
  return "file of " + std::to_string(st.st_size);
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Runs `fn` as a user other than root (root reads anything), in a child process; true when
// it returned true. Without root it simply runs here.
bool asOrdinaryUser(const std::function<bool()>& fn) {
  if (::geteuid() != 0) return fn();
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(fn() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(HostileFiles, PlayerFilesThatCannotBeReadSafelyAreHeldNotReplaced) {
  const struct {
    const char* name;
    uint64_t limit;
  } kinds[] = {{"save1.dat", 64u << 20},
               {"gloval.sav", kMaxGlobalsFileBytes},
               {"kidoku.dat", kMaxReadMarksFileBytes},
               {"envdata", kMaxEnvironmentFileBytes},
               {"Veloflog.dat", kMaxLogFileBytes},
               {"Velollog.dat", kMaxLogFileBytes}};
  const struct {
    const char* what;
    std::function<void(const std::string& path, const std::string& victim, uint64_t limit)> make;
    fs::ReadProblem problem;
  } forms[] = {
      {"huge", [](const std::string& p, const std::string&, uint64_t) { makeSparse(p, kHuge); }, fs::ReadProblem::TooLarge},
      {"one byte too large", [](const std::string& p, const std::string&, uint64_t limit) { makeSparse(p, limit + 1); },
       fs::ReadProblem::TooLarge},
      {"link", [](const std::string& p, const std::string& v, uint64_t) { ASSERT_EQ(::symlink(v.c_str(), p.c_str()), 0); },
       fs::ReadProblem::Unreadable},
      {"folder", [](const std::string& p, const std::string&, uint64_t) { ASSERT_EQ(::mkdir(p.c_str(), 0755), 0); },
       fs::ReadProblem::Unreadable},
      {"pipe", [](const std::string& p, const std::string&, uint64_t) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
       fs::ReadProblem::Unreadable},
  };
  for (const auto& kind : kinds) {
    for (const auto& form : forms) {
      GameDir g;
      const std::string path = g.path() + "/" + kind.name;
      const std::string victim = g.scratch() + "/victim.txt";
      ASSERT_TRUE(fs::writeHostFile(victim, "precious", 8));
      form.make(path, victim, kind.limit);
      fs::invalidateCache();
      const std::string before = describeKind(path);
      const std::string label = std::string(kind.name) + " as " + form.what;

      testing::internal::CaptureStderr();
      fs::ReadProblem problem = fs::ReadProblem::None;
      EXPECT_FALSE(fs::readPersistentFile(kind.name, kind.limit, &problem)) << label;
      EXPECT_EQ(problem, form.problem) << label;
      EXPECT_FALSE(fs::writePersistentFile(kind.name, "new", 3)) << label;
      EXPECT_FALSE(fs::appendPersistentFile(kind.name, "new", 3, 1 << 20)) << label;
      EXPECT_FALSE(fs::removePersistentFile(kind.name)) << label;
      EXPECT_FALSE(fs::readPersistentFile(kind.name, kind.limit)) << label;
      std::string err = testing::internal::GetCapturedStderr();

      EXPECT_EQ(describeKind(path), before) << label;
      EXPECT_EQ(fs::readHostFile(victim)->size(), 8u) << label;
      EXPECT_EQ(count(err, "\n"), 1u) << label << ": " << err;
      EXPECT_NE(err.find(kind.name), std::string::npos) << err;
    }
  }
}

TEST(HostileFiles, OnlyAMissingFileIsNoFile) {
  GameDir g;
  testing::internal::CaptureStderr();
  fs::ReadProblem problem = fs::ReadProblem::None;
  EXPECT_FALSE(fs::readPersistentFile("gloval.sav", kMaxGlobalsFileBytes, &problem));
  EXPECT_EQ(problem, fs::ReadProblem::Missing);
  EXPECT_TRUE(fs::writePersistentFile("gloval.sav", "ok", 2));
  // A file exactly at its limit is read.
  makeSparse(g.path() + "/envdata", kMaxEnvironmentFileBytes);
  EXPECT_EQ(fs::readPersistentFile("envdata", kMaxEnvironmentFileBytes)->size(), kMaxEnvironmentFileBytes);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(HostileFiles, AFileWeMayNotReadIsKept) {
  GameDir g;
  const std::string dir = g.scratch() + "/locked";
  ASSERT_TRUE(fs::makeDirectories(dir));
  ::chmod(g.scratch().c_str(), 0755);
  ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
  EXPECT_TRUE(asOrdinaryUser([&] {
    fs::setGameDirectory(dir);
    if (!fs::writeHostFile(dir + "/gloval.sav", "mine", 4) || ::chmod((dir + "/gloval.sav").c_str(), 0200) != 0)
      return false;
    fs::ReadProblem problem = fs::ReadProblem::None;
    bool held = !fs::readPersistentFile("gloval.sav", kMaxGlobalsFileBytes, &problem) &&
                problem == fs::ReadProblem::Unreadable && !fs::writePersistentFile("gloval.sav", "new", 3);
    ::chmod((dir + "/gloval.sav").c_str(), 0600);
    auto after = fs::readHostFile(dir + "/gloval.sav");
    return held && after && after->size() == 4;
  }));
  fs::setGameDirectory(g.path());
}

TEST(HostileFiles, AFailedFolderSyncIsReported) {
  GameDir g;
  const std::string root = g.scratch() + "/sync";
  ASSERT_TRUE(fs::makeDirectories(root));
  ::chmod(g.scratch().c_str(), 0755);
  ASSERT_EQ(::chmod(root.c_str(), 0777), 0);
  EXPECT_TRUE(asOrdinaryUser([&] {
    // Files can be made in a folder we may write but not read; the folder cannot be synced.
    const std::string dir = root + "/blind";
    if (::mkdir(dir.c_str(), 0700) != 0 || ::chmod(dir.c_str(), 0300) != 0) return false;
    fs::ReplacementFile f(dir + "/x");
    bool reported = f.write("abc", 3) && !f.commit(true);
    fs::ReplacementFile quick(dir + "/y");
    bool undemanding = quick.write("abc", 3) && quick.commit(false);  // no sync asked for
    ::chmod(dir.c_str(), 0700);
    auto written = fs::readHostFile(dir + "/x");
    return reported && undemanding && written && written->size() == 3;
  }));
}

TEST(HostileFiles, AnUnsafePlayersFolderIsNotUsedAtAll) {
  GameDir g;
  const std::string data = g.scratch() + "/data";
  const char* old = std::getenv("XDG_DATA_HOME");
  std::string saved = old ? old : "";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  const std::string theirs = data + "/veloria/" + std::filesystem::path(g.path()).filename().string();
  ASSERT_TRUE(fs::makeDirectories(theirs));
  ASSERT_EQ(::chmod(theirs.c_str(), 0777), 0);
  ASSERT_TRUE(fs::writeHostFile(theirs + "/envdata", "planted", 7));
  ASSERT_TRUE(fs::writeHostFile(g.path() + "/envdata", "game", 4));
  fs::overrideGameDirectoryWritable(false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(fs::persistentDirectory(), "");
  EXPECT_EQ(fs::readPersistentFile("envdata", kMaxEnvironmentFileBytes)->size(), 4u);  // the game's, not the planted one
  EXPECT_FALSE(fs::writePersistentFile("gloval.sav", "x", 1));
  EXPECT_FALSE(fs::appendPersistentFile("Velowarn.txt", "x", 1, 100));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("nothing will be saved"), std::string::npos) << err;
  EXPECT_FALSE(fs::hostExists(theirs + "/gloval.sav"));
  EXPECT_FALSE(fs::hostExists(theirs + "/Velowarn.txt"));
  fs::overrideGameDirectoryWritable(std::nullopt);
  if (old) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
}

TEST(HostileFiles, AGameWithHugeAndUnreadableFilesPlaysOnWithDefaults) {
  const char* script = "*define\nglobalon\nfilelog\nlabellog\ngame\n*start\nmov %300,7\nclick\nmov %0,%300\nend\n";
  RunOptions o;
  o.input = "wait 1000\nload 1\nclick 1 1\n";
  o.prepare = [](const std::string& dir) {
    makeSparse(dir + "/gloval.sav", kHuge);
    makeSparse(dir + "/save1.dat", kHuge);
    makeSparse(dir + "/Velollog.dat", kHuge);
    ::mkdir((dir + "/envdata").c_str(), 0755);
    ::symlink("/etc/hostname", (dir + "/Veloflog.dat").c_str());
  };
  int32_t seen = -1;
  o.inspect = [&](Engine& e) { seen = e.script.numVars[0]; };
  auto run = runGame({{"0.txt", sjisText(script)}}, o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(seen, 7);
  for (const char* name : {"gloval.sav", "save1.dat", "Velollog.dat"})
    EXPECT_EQ(std::filesystem::file_size(run.gameDir + "/" + name), kHuge) << name;
  EXPECT_TRUE(std::filesystem::is_directory(run.gameDir + "/envdata"));
  EXPECT_TRUE(std::filesystem::is_symlink(run.gameDir + "/Veloflog.dat"));
  EXPECT_NE(run.stderrText.find("[ロードエラー] セーブデータsave1.datが壊れているため、ロードできません。"), std::string::npos)
      << run.stderrText;
  for (const char* name : {"gloval.sav", "save1.dat", "Velollog.dat", "envdata", "Veloflog.dat"})
    EXPECT_EQ(count(run.stderrText, std::string(name) + " "), 1u) << name << "\n" << run.stderrText;
}
