#include <algorithm>
#include <cstdio>
#include <memory>

#include "engine/engine.h"
#include "resource/delta_image.h"
#include "platform/files.h"
#include "resource/archive_index.h"
#include "resource/resource.h"

namespace veloria {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

ArchiveHit makeHit(int number, const std::string& hostPath, uint32_t dataOffset, uint8_t kind,
                   uint32_t offset, uint32_t stored, uint32_t decoded) {
  ArchiveHit h;
  h.archive = archiveFileName(number);
  h.hostPath = hostPath;
  h.position = static_cast<uint64_t>(dataOffset) + offset;
  h.kind = kind;
  h.storedLength = stored;
  h.decodedLength = decoded;
  return h;
}

// What identifies one state of an archive file; a change makes its index stale.
struct FileStamp {
  bool regular = false;
  uint64_t size = 0;
  int64_t mtime = 0;
};

std::optional<FileStamp> stampOf(const std::string& hostPath) {
  auto st = fs::hostStamp(hostPath);
  if (!st) return std::nullopt;
  return FileStamp{st->regular, st->size, st->mtimeNs};
}

void buildIndex(ArchiveIndex& idx, const std::string& hostPath, const FileStamp& st) {
  idx = ArchiveIndex{};
  idx.hostPath = hostPath;
  idx.size = st.size;
  idx.mtimeNs = st.mtime;
  idx.valid = true;
  FilePtr f(st.regular ? fs::openHostForReading(hostPath) : nullptr);
  if (!f) {
    idx.damaged = true;  // unreadable: the scan would meet end of file in the header
    return;
  }
  FileByteReader reader(f.get());
  ArchiveHeader header;
  TableEnd end = readArchiveTable(reader, header, [&](const ArchiveEntry& en) {
    idx.entries.try_emplace(en.name, ArchiveIndex::Entry{en.kind, en.offset, en.storedLength,
                                                         en.decodedLength});
    return false;
  });
  idx.dataOffset = header.dataOffset;
  idx.damaged = end == TableEnd::damaged;
}

}  // namespace

const char* archiveFileName(int number) {
  static const char* const kNames[kArchiveFileCount] = {
      "arc.vla",  "arc1.vla", "arc2.vla", "arc3.vla", "arc4.vla",
      "arc5.vla", "arc6.vla", "arc7.vla", "arc8.vla", "arc9.vla"};
  return number >= 0 && number < kArchiveFileCount ? kNames[number] : "";
}

std::optional<std::string> normalizeArchiveName(std::string_view name) {
  if (name.size() > kArchiveNameMax) return std::nullopt;
  std::string s(name);
  for (char& c : s) {
    if (c == '/')
      c = '\\';
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + ('a' - 'A'));
  }
  return s;
}

std::optional<ArchiveHit> findInArchivesIndexed(ArchiveIndexCache& cache, std::string_view name) {
  auto query = normalizeArchiveName(name);
  if (!query) return std::nullopt;
  if (cache.gameDirectory != fs::gameDirectory()) {  // another game: nothing cached applies
    cache = ArchiveIndexCache{};
    cache.gameDirectory = fs::gameDirectory();
  }
  for (int n = 0; n < kArchiveFileCount; ++n) {
    ArchiveIndex& idx = cache.archives[static_cast<size_t>(n)];
    // The file indexed last time is looked at first: one unchanged stamp and the index
    // stands, without resolving the name again.
    std::optional<FileStamp> st;
    if (idx.valid) st = stampOf(idx.hostPath);
    if (!st || st->size != idx.size || st->mtime != idx.mtimeNs) {
      auto path = fs::resolve(archiveFileName(n));
      if (path) st = stampOf(*path);
      if (!path || !st) {
        idx.valid = false;
        return std::nullopt;
      }
      if (!idx.valid || idx.hostPath != *path || idx.size != st->size || idx.mtimeNs != st->mtime)
        buildIndex(idx, *path, *st);
    }
    const std::string& path = idx.hostPath;
    auto it = idx.entries.find(*query);
    if (it != idx.entries.end()) {
      const auto& en = it->second;
      return makeHit(n, path, idx.dataOffset, en.kind, en.offset, en.storedLength,
                     en.decodedLength);
    }
    if (idx.damaged) return std::nullopt;
  }
  return std::nullopt;
}

std::optional<ArchiveHit> findInArchivesByScan(std::string_view name) {
  auto query = normalizeArchiveName(name);
  if (!query) return std::nullopt;
  for (int n = 0; n < kArchiveFileCount; ++n) {
    auto path = fs::resolve(archiveFileName(n));
    if (!path) return std::nullopt;
    FilePtr f(fs::openHostForReading(*path));
    if (!f) return std::nullopt;
    FileByteReader reader(f.get());
    ArchiveHeader header;
    std::optional<ArchiveHit> hit;
    TableEnd end = readArchiveTable(reader, header, [&](const ArchiveEntry& en) {
      if (en.name != *query) return false;
      hit = makeHit(n, *path, header.dataOffset, en.kind, en.offset, en.storedLength,
                    en.decodedLength);
      return true;
    });
    if (hit) return hit;
    if (end == TableEnd::damaged) return std::nullopt;
  }
  return std::nullopt;
}

void enableArchives(Engine& e, bool on) { e.res.archivesEnabled = on ? 1 : 0; }

std::optional<ArchiveHit> findInArchives(Engine& e, std::string_view name) {
  if (!e.res.archivesEnabled) return std::nullopt;
  return findInArchivesIndexed(e.res.archiveIndex, name);
}

std::optional<std::vector<uint8_t>> readArchiveMember(Engine&, const ArchiveHit& hit) {
  auto st = stampOf(hit.hostPath);
  if (!st || !st->regular) return std::nullopt;
  FilePtr f(fs::openHostForReading(hit.hostPath));
  if (!f) return std::nullopt;
  const uint64_t fileSize = st->size;
  const uint64_t avail = hit.position < fileSize ? fileSize - hit.position : 0;
  auto readAt = [&](uint64_t count) {
    std::vector<uint8_t> buf;
    if (count == 0 || std::fseek(f.get(), static_cast<long>(hit.position), SEEK_SET) != 0)
      return buf;
    buf.resize(static_cast<size_t>(count));
    buf.resize(std::fread(buf.data(), 1, buf.size(), f.get()));
    return buf;
  };
  switch (hit.kind) {
    case kArchiveStored:
      return readAt(std::min<uint64_t>(hit.decodedLength, avail));
    case kArchiveLzss: {
      std::vector<uint8_t> in = readAt(std::min<uint64_t>(hit.storedLength, avail));
      // A damaged decoded length cannot make us allocate more than the input can produce.
      uint64_t cap = std::min<uint64_t>(hit.decodedLength, lzssMaxOutput(in.size()));
      std::vector<uint8_t> out(static_cast<size_t>(cap));
      out.resize(decodeLzss(in.data(), in.size(), out.data(), out.size()));
      return out;
    }
    case kArchiveDeltaImage: {
      std::vector<uint8_t> head = readAt(std::min<uint64_t>(4, avail));
      DeltaImageSize sz = deltaImageSize(head.data(), head.size());
      return readAt(std::min(deltaImageMaxCodedSize(sz.width, sz.height), avail));
    }
    default:
      return std::nullopt;
  }
}

}  // namespace veloria
