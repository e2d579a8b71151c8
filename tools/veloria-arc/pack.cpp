// Building archives from a directory tree.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>

#include "arc_tool.h"
#include "resource/delta_image.h"
#include "platform/text_codec.h"
#include "resource/archive_format.h"
#include "resource/lzss.h"

namespace veloria::arc {

namespace {

namespace sfs = std::filesystem;

struct Source {
  sfs::path path;
  std::string shown;  // relative path as the author wrote it (UTF-8)
  std::string name;   // the stored name
};

void putBe(std::vector<uint8_t>& b, uint32_t v, int n) {
  for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> readFileBytes(const sfs::path& p) {
  std::ifstream f(p, std::ios::binary);
  if (!f) throw ToolError("cannot read " + p.string());
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) throw ToolError("cannot read " + p.string());
  return b;
}

bool isBmpName(const std::string& n) {
  if (n.size() < 4) return false;
  std::string ext = n.substr(n.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".bmp";
}

// The stored name of a relative path: Shift-JIS, '\' separators, folded as lookups fold.
std::string storedName(const std::string& relUtf8) {
  std::string sjis = utf8ToSjis(relUtf8);
  if (sjisToUtf8(sjis) != relUtf8)
    throw ToolError("file name has characters Shift-JIS cannot hold: " + relUtf8);
  auto n = normalizeArchiveName(sjis);
  if (!n)
    throw ToolError("name longer than " + std::to_string(kArchiveNameMax) +
                    " bytes in Shift-JIS: " + relUtf8);
  if (n->empty() || n->find('\0') != std::string::npos) throw ToolError("unusable name: " + relUtf8);
  return *n;
}

std::vector<Source> collect(const std::string& dir, const std::string& outPath) {
  std::error_code ec;
  if (!sfs::is_directory(dir, ec)) throw ToolError(dir + " is not a directory");
  const sfs::path outAbs = sfs::weakly_canonical(outPath, ec);
  std::vector<Source> out;
  sfs::recursive_directory_iterator it(dir, sfs::directory_options::none, ec), end;
  if (ec) throw ToolError("cannot read directory " + dir + ": " + ec.message());
  for (; it != end; it.increment(ec)) {
    if (ec) throw ToolError("cannot read directory below " + dir + ": " + ec.message());
    if (!it->is_regular_file(ec)) continue;
    if (sfs::weakly_canonical(it->path(), ec) == outAbs) continue;  // never pack the archive itself
    std::string rel = sfs::relative(it->path(), dir, ec).generic_string();
    out.push_back(Source{it->path(), rel, storedName(rel)});
  }
  std::sort(out.begin(), out.end(), [](const Source& a, const Source& b) { return a.name < b.name; });
  for (size_t i = 1; i < out.size(); ++i)
    if (out[i].name == out[i - 1].name)
      throw ToolError("two files get the same archive name: " + out[i - 1].shown + " and " + out[i].shown);
  if (out.size() > kArchiveMaxEntries)
    throw ToolError(std::to_string(out.size()) + " files: an archive holds at most " +
                    std::to_string(kArchiveMaxEntries) + "; split them over arc.vla, arc1.vla, ...");
  return out;
}

struct Coded {
  uint8_t kind;
  std::vector<uint8_t> data;
  uint32_t decodedLength;
};

Coded encodeMember(const Source& s, const std::vector<uint8_t>& raw) {
  if (raw.size() > 0xFFFFFFFFu) throw ToolError(s.shown + " is larger than 4 GB");
  const uint32_t size = static_cast<uint32_t>(raw.size());
  if (isBmpName(s.shown)) {
    Picture24 pic;
    if (readBmp24(raw, pic))
      return {kArchiveDeltaImage, encodeDeltaImage(pic.pixels.data(), deltaImageStride(pic.width),
                                                   pic.width, pic.height),
              size};
    // The image loader refuses stored pictures, so other BMPs are always LZSS-coded.
    return {kArchiveLzss, encodeLzss(raw.data(), raw.size()), size};
  }
  std::vector<uint8_t> lz = encodeLzss(raw.data(), raw.size());
  if (lz.size() < raw.size()) return {kArchiveLzss, std::move(lz), size};
  return {kArchiveStored, raw, size};
}

}  // namespace

PackStats packDirectory(const std::string& dir, const std::string& outPath, std::ostream* progress) {
  std::vector<Source> sources = collect(dir, outPath);
  // The table's size is known from the names alone, so the data can follow it directly and
  // the table is filled in at the end.
  uint64_t tableSize = 0;
  for (const auto& s : sources) tableSize += s.name.size() + 1 + 13;
  const uint64_t dataOffset = 6 + tableSize;

  const std::string tmpPath = outPath + ".part";
  struct Remover {
    std::string path;
    bool keep = false;
    ~Remover() {
      if (!keep) std::remove(path.c_str());
    }
  } remover{tmpPath};
  std::ofstream out(tmpPath, std::ios::binary | std::ios::trunc);
  if (!out) throw ToolError("cannot create " + tmpPath);
  out.write(std::string(static_cast<size_t>(dataOffset), '\0').data(), static_cast<std::streamsize>(dataOffset));

  PackStats st;
  std::vector<uint8_t> table;
  uint64_t offset = 0;
  for (size_t i = 0; i < sources.size(); ++i) {
    const Source& s = sources[i];
    std::vector<uint8_t> raw = readFileBytes(s.path);
    Coded c = encodeMember(s, raw);
    if (offset + c.data.size() > 0xFFFFFFFFu)
      throw ToolError("archive data passes 4 GB at " + s.shown + "; split the files over several archives");
    out.write(reinterpret_cast<const char*>(c.data.data()), static_cast<std::streamsize>(c.data.size()));
    if (!out) throw ToolError("cannot write " + tmpPath);
    table.insert(table.end(), s.name.begin(), s.name.end());
    table.push_back(0);
    table.push_back(c.kind);
    putBe(table, static_cast<uint32_t>(offset), 4);
    putBe(table, static_cast<uint32_t>(c.data.size()), 4);
    putBe(table, c.decodedLength, 4);
    offset += c.data.size();
    st.files++;
    st.inputBytes += raw.size();
    (c.kind == kArchiveDeltaImage ? st.delta : c.kind == kArchiveLzss ? st.lzss : st.stored)++;
    if (progress) {
      *progress << "  [" << std::setw(static_cast<int>(std::to_string(sources.size()).size())) << i + 1
                << "/" << sources.size() << "] " << s.shown << "  " << kindName(c.kind) << "  "
                << raw.size() << " -> " << c.data.size() << "\n";
      progress->flush();
    }
  }
  std::vector<uint8_t> head;
  putBe(head, static_cast<uint32_t>(sources.size()), 2);
  putBe(head, static_cast<uint32_t>(dataOffset), 4);
  head.insert(head.end(), table.begin(), table.end());
  out.seekp(0);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  out.close();
  if (!out) throw ToolError("cannot write " + tmpPath);
  std::error_code ec;
  sfs::rename(tmpPath, outPath, ec);
  if (ec) throw ToolError("cannot create " + outPath + ": " + ec.message());
  remover.keep = true;
  st.archiveBytes = dataOffset + offset;
  return st;
}

}  // namespace veloria::arc
