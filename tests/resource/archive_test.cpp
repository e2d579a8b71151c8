#include "resource/delta_image.h"
#include "resource/archive_index.h"
#include "resource/resource.h"
#include "resource_test_util.h"

namespace veloria::test {
namespace {

class ArchiveLookup : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    engine->res.archivesEnabled = 1;
  }
  // The indexed lookup, checked against the byte-by-byte scan on every call.
  std::optional<ArchiveHit> find(std::string_view name) {
    auto hit = findInArchives(*engine, name);
    auto scan = findInArchivesByScan(name);
    EXPECT_EQ(hit.has_value(), scan.has_value()) << name;
    if (hit && scan) {
      EXPECT_EQ(hit->archive, scan->archive);
      EXPECT_EQ(hit->position, scan->position);
    }
    return hit;
  }
};

TEST_F(ArchiveLookup, NamesMatchAfterFoldingTheQueryOnly) {
  put("arc.vla", assembleArchive({stored("bg\\room.bmp", "room"), stored("BG\\Hall.BMP", "hall"),
                                  stored("\x83\x61.wav", "sjis")}));
  auto hit = find("BG/Room.BMP");
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->archive, "arc.vla");
  EXPECT_TRUE(find("bg\\room.bmp"));
  EXPECT_FALSE(find("BG\\Hall.BMP"));  // the stored name has capitals: never matched
  EXPECT_FALSE(find("bg\\hall.bmp"));
  // Trail bytes are folded like any other byte (0x83 0x41 -> 0x83 0x61).
  EXPECT_TRUE(find("\x83\x41.WAV"));
  EXPECT_FALSE(find(std::string(256, 'a')));  // longer than any stored name can be
}

TEST_F(ArchiveLookup, HitDescribesTheMember) {
  RawEntry lz{"b.dat", kArchiveLzss, {1, 2, 3, 4, 5}, 77};
  put("arc.vla", assembleArchive({stored("a.txt", "hello"), lz}));
  auto hit = find("b.dat");
  ASSERT_TRUE(hit);
  // header 6 + "a.txt\0" 6 + 13 + "b.dat\0" 6 + 13 = 44; a.txt's 5 bytes come first.
  EXPECT_EQ(hit->position, 44u + 5u);
  EXPECT_EQ(hit->kind, kArchiveLzss);
  EXPECT_EQ(hit->storedLength, 5u);
  EXPECT_EQ(hit->decodedLength, 77u);
  EXPECT_EQ(hit->hostPath, game + "/arc.vla");
}

TEST_F(ArchiveLookup, SearchOrderAndDuplicates) {
  put("arc.vla", assembleArchive({stored("x", "first"), stored("x", "second")}));
  put("arc1.vla", assembleArchive({stored("x", "third"), stored("y", "in arc1")}));
  put("arc2.vla", assembleArchive({}));  // count 0: skipped
  put("arc3.vla", assembleArchive({stored("z", "in arc3")}));
  put("arc5.vla", assembleArchive({stored("w", "behind a gap")}));
  auto x = find("x");
  ASSERT_TRUE(x);
  EXPECT_EQ(x->archive, "arc.vla");
  EXPECT_EQ(readArchiveMember(*engine, *x), bytesOf("first"));
  EXPECT_EQ(find("y")->archive, "arc1.vla");
  EXPECT_EQ(find("z")->archive, "arc3.vla");
  EXPECT_FALSE(find("w"));  // arc4.vla is missing, so arc5.vla is never searched
}

TEST_F(ArchiveLookup, MissingFirstArchiveOrLookupOffFindsNothing) {
  put("arc1.vla", assembleArchive({stored("y", "1")}));
  EXPECT_FALSE(find("y"));
  put("ARC.VLA", assembleArchive({stored("q", "1")}));  // the archive's own name in any case
  EXPECT_TRUE(find("y"));
  engine->res.archivesEnabled = 0;
  EXPECT_FALSE(findInArchives(*engine, "y"));
}

TEST_F(ArchiveLookup, DamagedTablesEndTheWholeSearch) {
  Bytes a = assembleArchive({stored("early", "1"), stored("late", "2")});
  put("arc1.vla", assembleArchive({stored("other", "3")}));
  // Cut inside the second entry: the first is still found, nothing after it is.
  put("arc.vla", Bytes(a.begin(), a.begin() + 6 + 19 + 8));
  EXPECT_TRUE(find("early"));
  EXPECT_FALSE(find("late"));
  EXPECT_FALSE(find("other"));
  // An entry count past the end of the file.
  Bytes big = assembleArchive({stored("early", "1")});
  big[0] = 0xFF;
  put("arc.vla", big);
  EXPECT_TRUE(find("early"));
  EXPECT_FALSE(find("other"));
  // A header cut short.
  put("arc.vla", Bytes{0, 1, 0});
  EXPECT_FALSE(find("other"));
  // A stored name longer than 255 bytes damages the table at that entry.
  put("arc.vla", assembleArchive({stored("early", "1"), stored(std::string(300, 'n'), "x"),
                                  stored("after", "y")}));
  EXPECT_TRUE(find("early"));
  EXPECT_FALSE(find("after"));
  EXPECT_FALSE(find("other"));
  put("arc.vla", assembleArchive({stored(std::string(255, 'n'), "x")}));
  EXPECT_TRUE(find(std::string(255, 'N')));
  EXPECT_TRUE(find("other"));
}

TEST_F(ArchiveLookup, IndexFollowsChangesToTheArchive) {
  put("arc.vla", assembleArchive({stored("a", "1")}));
  EXPECT_TRUE(find("a"));
  EXPECT_FALSE(find("b"));
  // Same size, different name: only the modification time tells.
  put("arc.vla", assembleArchive({stored("b", "1")}));
  std::filesystem::last_write_time(game + "/arc.vla",
                                   std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));
  EXPECT_FALSE(find("a"));
  EXPECT_TRUE(find("b"));
  put("arc.vla", assembleArchive({stored("b", "1"), stored("c", "22")}));
  EXPECT_TRUE(find("c"));
  std::filesystem::remove(game + "/arc.vla");
  fs::invalidateCache();
  EXPECT_FALSE(find("b"));
}

TEST_F(ArchiveLookup, IndexAgreesWithScanOnRandomArchives) {
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    for (int n = 0; n < 4; ++n) {
      std::vector<RawEntry> es;
      int count = static_cast<int>(rng() % 12);
      for (int i = 0; i < count; ++i)
        es.push_back(stored(std::string(1, static_cast<char>('a' + rng() % 8)) +
                                (rng() % 2 ? "\\X" : "\\y"),
                            "d"));
      Bytes b = assembleArchive(es);
      if (rng() % 4 == 0) b.resize(rng() % (b.size() + 1));
      std::error_code ec;
      if (rng() % 6 == 0)
        std::filesystem::remove(game + "/" + archiveFileName(n), ec);
      else
        put(archiveFileName(n), b);
      std::filesystem::last_write_time(game + "/" + archiveFileName(n),
                                       std::filesystem::file_time_type::clock::now() +
                                           std::chrono::seconds(round),
                                       ec);
    }
    fs::invalidateCache();
    for (char c = 'a'; c < 'j'; ++c) {
      find(std::string(1, c) + "\\x");
      find(std::string(1, c) + "/Y");
    }
  }
}

TEST_F(ArchiveLookup, ReadingMembersStaysInsideTheFile) {
  Bytes text = sampleData(5000, 4);
  Bytes coded = encodeLzss(text.data(), text.size());
  RawEntry lz{"t.txt", kArchiveLzss, coded, static_cast<uint32_t>(text.size())};
  RawEntry shortLz{"s.txt", kArchiveLzss, coded, 100};
  RawEntry hugeLz{"h.txt", kArchiveLzss, {0x00, 0x10}, 0xFFFFFFF0u};
  Bytes pic = bitString(bitsOf(2, 16) + bitsOf(1, 16));
  RawEntry delta{"p.bmp", kArchiveDeltaImage, pic, 0};
  RawEntry unknown{"u.bin", 7, bytesOf("zz"), 2};
  put("arc.vla", assembleArchive({lz, shortLz, hugeLz, delta, unknown, stored("z.txt", "abc")}));
  EXPECT_EQ(readArchiveMember(*engine, *find("t.txt")), text);
  auto s = readArchiveMember(*engine, *find("s.txt"));  // capped at the decoded length
  EXPECT_EQ(*s, Bytes(text.begin(), text.begin() + 100));
  EXPECT_EQ(readArchiveMember(*engine, *find("h.txt")), bytesOf("    "));
  // The picture: from its position to the end of the file, as far as a 2 x 1 picture can need.
  auto p = readArchiveMember(*engine, *find("p.bmp"));
  ASSERT_TRUE(p);
  EXPECT_EQ(Bytes(p->begin(), p->begin() + 4), pic);
  EXPECT_LE(p->size(), deltaImageMaxCodedSize(2, 1));
  EXPECT_FALSE(readArchiveMember(*engine, *find("u.bin")));
  // Offsets past the end of the file read as empty members.
  ArchiveHit far = *find("z.txt");
  far.position = 1u << 30;
  EXPECT_EQ(readArchiveMember(*engine, far), Bytes{});
  far.kind = kArchiveLzss;
  EXPECT_EQ(readArchiveMember(*engine, far), Bytes{});
}

}  // namespace
}  // namespace veloria::test
