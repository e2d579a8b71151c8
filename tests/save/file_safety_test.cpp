// Nothing the player owns is lost: a write killed at any point or stopped by a full disk
// leaves the previous file whole, links planted by someone else are never followed, the
// runtime folder must be ours alone, and a read-only game keeps its saves per user.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "support/gfx_engine.h"
#include "platform/files.h"
#include "save/save.h"
#include "save/save_items.h"

using namespace veloria;
using namespace veloria::test;

namespace {

std::vector<uint8_t> bigSaveImage(GfxEngine& g, char fill) {
  Engine& e = g.e();
  for (int i = 0; i < kSavedVariables; ++i) e.script.strVars[static_cast<size_t>(i)] = std::string(4095, fill);
  takeSavePoint(e);
  return savePointImage(e);
}

bool loadable(const std::vector<uint8_t>& bytes) {
  SaveSnapshot s;
  return decodeSnapshot(bytes.data(), bytes.size(), 0, s);
}

std::string scratchDir(const char* name) {
  std::string tmpl = std::string("/tmp/veloria-") + name + "-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  return ::mkdtemp(buf.data());
}

}  // namespace

TEST(FileSafety, AKilledWriteAlwaysLeavesAWholeLoadableSave) {
  GfxEngine g;
  const std::vector<uint8_t> a = bigSaveImage(g, 'a');
  const std::vector<uint8_t> b = bigSaveImage(g, 'b');
  ASSERT_GT(a.size(), 800000u);  // bigger than the old fixed image could hold
  ASSERT_TRUE(loadable(a));
  ASSERT_TRUE(fs::writePersistentFile("save1.dat", a.data(), a.size()));
  const std::string path = g.dir.path() + "/save1.dat";
  std::mt19937 rng(11);
  for (int round = 0; round < 25; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        const auto& img = i % 2 ? a : b;
        fs::writePersistentFile("save1.dat", img.data(), img.size());
      }
    }
    ::usleep(static_cast<useconds_t>(rng() % 15000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    auto now = fs::readHostFile(path);
    ASSERT_TRUE(now) << "round " << round;
    EXPECT_TRUE(*now == a || *now == b) << "round " << round << ": " << now->size() << " bytes";
    EXPECT_TRUE(loadable(*now));
  }
}

TEST(FileSafety, AFullDiskReportsTheFailureAndKeepsTheOldSave) {
  GfxEngine g;
  const std::vector<uint8_t> small = {1, 0, 0, 0};
  ASSERT_TRUE(fs::writePersistentFile("save2.dat", small.data(), small.size()));
  const std::vector<uint8_t> big = bigSaveImage(g, 'z');
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file size limit stands in for a full disk: the write fails part-way.
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim {100000, 100000};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    bool wrote = fs::writePersistentFile("save2.dat", big.data(), big.size());
    bool saved = saveGame(g.e(), 2);
    ::_exit(!wrote && !saved ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
  EXPECT_EQ(*fs::readHostFile(g.dir.path() + "/save2.dat"), small);
  // No half-written temporary file is left behind.
  EXPECT_EQ(fs::listHostDirectory(g.dir.path()).size(), 1u);
}

TEST(FileSafety, LinksPlantedInPlaceOfPlayerFilesAreNeitherFollowedNorRead) {
  GfxEngine g;
  std::string victim = g.dir.path() + "/victim.txt";
  ASSERT_TRUE(fs::writeHostFile(victim, "precious", 8));
  ASSERT_EQ(::symlink(victim.c_str(), (g.dir.path() + "/save5.dat").c_str()), 0);
  fs::invalidateCache();
  EXPECT_FALSE(fs::readPersistentFile("save5.dat", 1 << 20));
  // Neither followed nor replaced: the player may have put it there.
  EXPECT_FALSE(fs::writePersistentFile("save5.dat", "new", 3));
  EXPECT_EQ(*fs::readHostFile(victim), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  struct stat st {};
  ASSERT_EQ(::lstat((g.dir.path() + "/save5.dat").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(FileSafety, RuntimeFoldersMustBeOursAlone) {
  std::string root = scratchDir("rt");
  std::string fresh = root + "/fresh";
  ASSERT_TRUE(fs::makePrivateDirectory(fresh, true));
  struct stat st {};
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(fs::makePrivateDirectory(fresh, true));  // ours: accepted again

  std::string open = root + "/open";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ::chmod(open.c_str(), 0755);
  std::string why;
  EXPECT_FALSE(fs::makePrivateDirectory(open, true, &why));
  EXPECT_NE(why.find("open to other users"), std::string::npos);
  EXPECT_TRUE(fs::makePrivateDirectory(open, false));  // readable by others, writable by us alone
  ::chmod(open.c_str(), 0777);
  EXPECT_FALSE(fs::makePrivateDirectory(open, false));

  std::string link = root + "/link";
  ASSERT_EQ(::symlink(fresh.c_str(), link.c_str()), 0);
  EXPECT_FALSE(fs::makePrivateDirectory(link, false, &why));
  EXPECT_NE(why.find("symbolic link"), std::string::npos);
  if (::geteuid() == 0) {  // only root can hand a folder to someone else
    std::string theirs = root + "/theirs";
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(fs::makePrivateDirectory(theirs, true, &why));
    EXPECT_NE(why.find("another user"), std::string::npos);
  }

  // The runtime folder named by the environment is checked the same way.
  const char* old = std::getenv("VELORIA_RUNTIME_DIR");
  std::string saved = old ? old : "";
  ::setenv("VELORIA_RUNTIME_DIR", open.c_str(), 1);
  EXPECT_EQ(fs::prepareRuntimeDirectory(), "");
  ::setenv("VELORIA_RUNTIME_DIR", fresh.c_str(), 1);
  EXPECT_EQ(fs::prepareRuntimeDirectory(), fresh);
  if (old) ::setenv("VELORIA_RUNTIME_DIR", saved.c_str(), 1);
  else ::unsetenv("VELORIA_RUNTIME_DIR");
  std::filesystem::remove_all(root);
}

TEST(FileSafety, AReadOnlyGameKeepsItsFilesInThePlayersDataFolder) {
  GfxEngine g;
  std::string data = scratchDir("data");
  const char* old = std::getenv("XDG_DATA_HOME");
  std::string saved = old ? old : "";
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  // Shipped with the game: read from the game folder until the player's copy exists.
  ASSERT_TRUE(fs::writeHostFile(g.dir.path() + "/envdata", "game", 4));
  fs::overrideGameDirectoryWritable(false);
  const std::string mine =
      data + "/veloria/" + std::filesystem::path(g.dir.path()).filename().string();
  EXPECT_EQ(fs::persistentDirectory(), mine);
  EXPECT_EQ(fs::readPersistentFile("envdata", 1 << 20)->size(), 4u);
  ASSERT_TRUE(fs::writePersistentFile("envdata", "player", 6));
  EXPECT_EQ(fs::readPersistentFile("envdata", 1 << 20)->size(), 6u);
  EXPECT_EQ(fs::readHostFile(g.dir.path() + "/envdata")->size(), 4u);
  EXPECT_TRUE(fs::hostExists(mine + "/envdata"));
  fs::overrideGameDirectoryWritable(std::nullopt);
  EXPECT_EQ(fs::persistentDirectory(), g.dir.path());
  if (old) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
  std::filesystem::remove_all(data);
}
