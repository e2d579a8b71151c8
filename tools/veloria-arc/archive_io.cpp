// Reading archives: the listing, member contents and extraction.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "arc_tool.h"
#include "resource/delta_image.h"
#include "platform/text_codec.h"
#include "resource/archive_format.h"
#include "resource/lzss.h"

namespace veloria::arc {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Pictures larger than this are not turned back into BMP files.
constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;

std::vector<uint8_t> readRange(std::FILE* f, uint64_t fileSize, uint64_t pos, uint64_t count) {
  std::vector<uint8_t> buf;
  if (pos >= fileSize) return buf;
  count = std::min(count, fileSize - pos);
  if (std::fseek(f, static_cast<long>(pos), SEEK_SET) != 0) return buf;
  buf.resize(static_cast<size_t>(count));
  buf.resize(std::fread(buf.data(), 1, buf.size(), f));
  return buf;
}

// A member name as a relative host path below the output directory; refuses names that
// would climb out of it.
std::filesystem::path outputPath(const std::string& name) {
  std::filesystem::path rel;
  std::string part;
  auto flush = [&] {
    if (part.empty() || part == ".") {
      part.clear();
      return;
    }
    if (part == "..") throw ToolError("member name leaves the output directory: " + sjisToUtf8(name));
    rel /= sjisToUtf8(part);
    part.clear();
  };
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (isSjisLead(c) && i + 1 < name.size()) {
      part += name.substr(i, 2);
      ++i;
    } else if (c == '\\' || c == '/') {
      flush();
    } else {
      part.push_back(static_cast<char>(c));
    }
  }
  flush();
  if (rel.empty()) throw ToolError("member has no file name: \"" + sjisToUtf8(name) + "\"");
  return rel;
}

}  // namespace

const char* kindName(uint8_t kind) {
  switch (kind) {
    case kArchiveStored: return "stored";
    case kArchiveDeltaImage: return "delta";
    case kArchiveLzss: return "lzss";
    default: return "unknown";
  }
}

std::vector<Member> readMembers(const std::string& archivePath) {
  FilePtr f(std::fopen(archivePath.c_str(), "rb"));
  if (!f) throw ToolError("cannot open " + archivePath);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(archivePath, ec))
    throw ToolError(archivePath + " is not a file");
  FileByteReader reader(f.get());
  ArchiveHeader header;
  std::vector<Member> out;
  TableEnd end = readArchiveTable(reader, header, [&](const ArchiveEntry& e) {
    out.push_back(Member{e.name, e.kind, uint64_t{header.dataOffset} + e.offset, e.storedLength,
                         e.decodedLength});
    return false;
  });
  if (end == TableEnd::damaged)
    throw ToolError(archivePath + ": the entry table is damaged after " + std::to_string(out.size()) +
                    " of " + std::to_string(header.entryCount) + " entries");
  return out;
}

std::vector<uint8_t> memberContents(const std::string& archivePath, const Member& m) {
  FilePtr f(std::fopen(archivePath.c_str(), "rb"));
  if (!f) throw ToolError("cannot open " + archivePath);
  std::error_code ec;
  const uint64_t size = std::filesystem::file_size(archivePath, ec);
  switch (m.kind) {
    case kArchiveStored:
      return readRange(f.get(), size, m.position, m.decodedLength);
    case kArchiveLzss: {
      std::vector<uint8_t> in = readRange(f.get(), size, m.position, m.storedLength);
      std::vector<uint8_t> out(static_cast<size_t>(std::min<uint64_t>(m.decodedLength, lzssMaxOutput(in.size()))));
      out.resize(decodeLzss(in.data(), in.size(), out.data(), out.size()));
      return out;
    }
    case kArchiveDeltaImage: {
      std::vector<uint8_t> head = readRange(f.get(), size, m.position, 4);
      DeltaImageSize sz = deltaImageSize(head.data(), head.size());
      std::vector<uint8_t> coded =
          readRange(f.get(), size, m.position, deltaImageMaxCodedSize(sz.width, sz.height));
      auto img = decodeDeltaImage(coded.data(), coded.size(), kMaxPicturePixels);
      if (!img) throw ToolError("picture " + sjisToUtf8(m.name) + " is too large to decode");
      return writeBmp24(Picture24{img->width, img->height, std::move(img->pixels)});
    }
    default:
      throw ToolError("member " + sjisToUtf8(m.name) + " has unknown kind " + std::to_string(m.kind));
  }
}

size_t extractArchive(const std::string& archivePath, const std::vector<std::string>& names,
                      const std::string& outDir, std::ostream* progress) {
  std::vector<Member> members = readMembers(archivePath);
  std::vector<const Member*> chosen;
  if (names.empty()) {
    for (const auto& m : members) chosen.push_back(&m);
  } else {
    for (const std::string& want : names) {
      // Command-line names are UTF-8; the lookup folds them the way the engine does.
      auto q = normalizeArchiveName(utf8ToSjis(want));
      const Member* found = nullptr;
      for (const auto& m : members)
        if (q && m.name == *q) {
          found = &m;
          break;
        }
      if (!found) throw ToolError("no member " + want + " in " + archivePath);
      chosen.push_back(found);
    }
  }
  size_t n = 0;
  for (const Member* m : chosen) {
    std::filesystem::path path = std::filesystem::path(outDir) / outputPath(m->name);
    std::vector<uint8_t> data = memberContents(archivePath, *m);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out.flush()) throw ToolError("cannot write " + path.string());
    ++n;
    if (progress)
      *progress << "  [" << n << "/" << chosen.size() << "] " << sjisToUtf8(m->name) << " ("
                << kindName(m->kind) << ", " << data.size() << " bytes)\n";
  }
  return n;
}

}  // namespace veloria::arc
