// Extracted archive members: a member the archive cannot deliver is no success, and a link
// planted in the temporary folder is replaced, not written through.
#include <unistd.h>

#include "resource/resource.h"
#include "resource/resource_test_util.h"

namespace veloria::test {
namespace {

class Extraction : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    engine->res.archivesEnabled = 1;
  }
};

TEST_F(Extraction, AMemberPastTheEndOfATruncatedArchiveIsNotExtracted) {
  Bytes arc = assembleArchive({stored("a.wav", "first member"), stored("b.wav", "second member")});
  // The archive lost its data (a copy cut short): the table still names both members.
  const size_t tableEnd = arc.size() - std::string("first membersecond member").size();
  put("arc.vla", Bytes(arc.begin(), arc.begin() + static_cast<long>(tableEnd + 5)));
  EXPECT_FALSE(resolveFile(*engine, "b.wav"));  // starts past the end
  EXPECT_FALSE(resolveFile(*engine, "a.wav"));  // only 5 of its 12 bytes are there
  EXPECT_EQ(tempFileCount(), 0u);
  put("arc.vla", arc);
  auto p = resolveFile(*engine, "b.wav");
  ASSERT_TRUE(p);
  EXPECT_EQ(readAll(*p), bytesOf("second member"));
}

TEST_F(Extraction, APlantedLinkIsReplacedNotFollowed) {
  put("arc.vla", assembleArchive({stored("c.wav", "member")}));
  const std::string victim = game + "/victim.txt";
  writeAll(victim, bytesOf("precious"));
  ASSERT_EQ(::symlink(victim.c_str(), tempFile("c.wav").c_str()), 0);
  auto p = resolveFile(*engine, "c.wav");
  ASSERT_TRUE(p);
  EXPECT_EQ(readAll(*p), bytesOf("member"));
  EXPECT_EQ(readAll(victim), bytesOf("precious"));
}

}  // namespace
}  // namespace veloria::test
