// Reading archive files ("arc.vla", "arc1.vla" .. "arc9.vla"): the big-endian header, the
// entry table, and the member-name rules shared by the lookup and the author's tool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace veloria {

inline constexpr size_t kArchiveNameMax = 255;     // bytes before the terminating NUL
inline constexpr size_t kArchiveMaxEntries = 65535;
inline constexpr int kArchiveFileCount = 10;       // arc.vla, arc1.vla .. arc9.vla

enum ArchiveKind : uint8_t { kArchiveStored = 0, kArchiveDeltaImage = 1, kArchiveLzss = 2 };

// "arc.vla" for 0, "arcN.vla" for N = 1..9.
const char* archiveFileName(int number);

// The form a query takes before it is compared with stored names: '/' becomes '\' and every
// byte A-Z becomes a-z (trail bytes of double-byte characters included, as the archive
// builder stores them). nullopt for names longer than kArchiveNameMax.
std::optional<std::string> normalizeArchiveName(std::string_view name);

struct ArchiveEntry {
  std::string name;  // as stored
  uint8_t kind = 0;
  uint32_t offset = 0;  // relative to the data offset
  uint32_t storedLength = 0;
  uint32_t decodedLength = 0;
};

// Where a member was found: the archive, the absolute position of its data, and its entry.
struct ArchiveHit {
  std::string archive;   // the archive's game name, "arc.vla" or "arcN.vla"
  std::string hostPath;  // where that archive was found on disk
  uint64_t position = 0; // data offset + entry offset (may lie past the end of a damaged file)
  uint8_t kind = 0;      // ArchiveKind; other values are unknown kinds
  uint32_t storedLength = 0;
  uint32_t decodedLength = 0;
};

struct ArchiveHeader {
  uint32_t entryCount = 0;
  uint32_t dataOffset = 0;
};

// How reading a table ended.
enum class TableEnd {
  stopped,   // the visitor asked to stop (a match)
  complete,  // every entry was read
  damaged,   // end of file in the header or table, or a name longer than kArchiveNameMax
};

// A byte source over memory.
struct MemoryByteReader {
  const uint8_t* p;
  const uint8_t* end;
  int get() { return p < end ? *p++ : -1; }
};

// A buffered byte source over a file, from its current position.
class FileByteReader {
 public:
  explicit FileByteReader(std::FILE* f) : f_(f) {}
  int get() {
    if (pos_ == len_) {
      len_ = std::fread(buf_, 1, sizeof buf_, f_);
      pos_ = 0;
      if (len_ == 0) return -1;
    }
    return buf_[pos_++];
  }

 private:
  std::FILE* f_;
  uint8_t buf_[16384];
  size_t pos_ = 0, len_ = 0;
};

// Reads the header and then the entries in table order, calling visit(const ArchiveEntry&)
// for each; visit returns true to stop. The entry passed is reused between calls.
template <class Reader, class Visit>
TableEnd readArchiveTable(Reader& r, ArchiveHeader& header, Visit&& visit) {
  auto be = [&r](int bytes, uint32_t& v) {
    v = 0;
    for (int i = 0; i < bytes; ++i) {
      int c = r.get();
      if (c < 0) return false;
      v = (v << 8) | static_cast<uint32_t>(c);
    }
    return true;
  };
  if (!be(2, header.entryCount) || !be(4, header.dataOffset)) return TableEnd::damaged;
  ArchiveEntry entry;
  for (uint32_t i = 0; i < header.entryCount; ++i) {
    entry.name.clear();
    for (;;) {
      int c = r.get();
      if (c < 0) return TableEnd::damaged;
      if (c == 0) break;
      if (entry.name.size() == kArchiveNameMax) return TableEnd::damaged;
      entry.name.push_back(static_cast<char>(c));
    }
    uint32_t kind = 0;
    if (!be(1, kind) || !be(4, entry.offset) || !be(4, entry.storedLength) ||
        !be(4, entry.decodedLength))
      return TableEnd::damaged;
    entry.kind = static_cast<uint8_t>(kind);
    if (visit(static_cast<const ArchiveEntry&>(entry))) return TableEnd::stopped;
  }
  return TableEnd::complete;
}

}  // namespace veloria
