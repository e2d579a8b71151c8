// Making media files available as loose files: the loose file, an archive member extracted
// into the temporary directory, or a member an archive plug-in extracts there.
#include <climits>
#include <cstdio>
#include <memory>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/plugin_abi.h"
#include "resource/resource.h"
#include "resource/resource_internal.h"
#include "script/script.h"

namespace veloria {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The text after the last separator. Trail bytes of double-byte characters can be 0x5C, so
// the name is walked character by character rather than searched for the byte.
std::string_view baseName(std::string_view name) {
  size_t start = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (isSjisLead(c) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/') start = i + 1;
  }
  return name.substr(start);
}

// Copies `count` bytes; false when writing fails or the input ends first.
bool copyBytes(std::FILE* in, std::FILE* out, uint64_t count) {
  uint8_t buf[65536];
  while (count > 0) {
    size_t want = count < sizeof buf ? static_cast<size_t>(count) : sizeof buf;
    size_t got = std::fread(buf, 1, want, in);
    if (got == 0) return false;
    if (std::fwrite(buf, 1, got, out) != got) return false;
    count -= got;
  }
  return true;
}

// Extracts an archive member to `target`. False when the archive cannot be read where the
// member should be or the target cannot be written; then nothing is left at `target` (an
// older file of that name stays as it was). The member is written to a fresh file of our
// own and renamed into place, so a link planted at `target` is replaced, never followed.
bool extractMember(Engine& e, const ArchiveHit& hit, const std::string& target,
                   const std::string& shownName) {
  if (hit.kind != kArchiveStored && hit.kind != kArchiveLzss)
    reportScriptError(e, sj("エラー"), formatMessage(sj("%sが開けませんでした。"), shownName));
  FilePtr in(fs::openHostForReading(hit.hostPath));
  if (!in) return false;
  // A member that starts past the end of the archive (a truncated file) has no data to copy.
  auto stamp = fs::hostStamp(hit.hostPath);
  if (!stamp || hit.position > stamp->size || hit.position > static_cast<uint64_t>(LONG_MAX) ||
      std::fseek(in.get(), static_cast<long>(hit.position), SEEK_SET) != 0)
    return false;
  fs::ReplacementFile out(target);
  if (!out.ok()) return false;
  bool ok = hit.kind == kArchiveLzss ? decodeLzss(in.get(), hit.storedLength, out.stream()) >= 0
                                     : copyBytes(in.get(), out.stream(), hit.decodedLength);
  // The temporary directory is scratch: no need to wait for the disk.
  return ok && out.commit(false);
}

// The file a plug-in extracted: it writes the member under the member's own base name, which
// may differ from the requested one in letter case. nullopt when there is no such file.
std::optional<std::string> findExtracted(const std::string& dir, std::string_view base) {
  const std::string utf8 = sjisToUtf8(base);
  if (fs::hostExists(dir + utf8)) return dir + utf8;
  auto fold = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return s;
  };
  const std::string want = fold(utf8), wantRaw = fold(std::string(base));
  for (const std::string& name : fs::listHostDirectory(dir)) {
    std::string n = fold(name);
    if (n == want || n == wantRaw) return fs::joinHost(dir, name);
  }
  return std::nullopt;
}

}  // namespace

std::string formatMessage(const std::string& pattern, std::string_view arg) {
  std::string out = pattern;
  size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, arg);
  return out;
}

std::optional<std::string> resolveFile(Engine& e, std::string_view name) {
  std::string local(name);
  for (char& c : local)
    if (c == '/') c = '\\';
  std::string_view base = baseName(local);
  const std::string& tempDir = e.app.tempDirectory;
  // A name ending in a separator or naming "." or ".." has no file of its own to extract.
  if (base.empty() || base == "." || base == ".." || tempDir.empty()) return std::nullopt;
  const std::string target = tempDir + sjisToUtf8(base);

  if (auto hit = findInArchives(e, local)) {
    if (!extractMember(e, *hit, target, local)) return std::nullopt;
    return target;
  }

  for (const std::string& setting : e.res.archivePlugins) {
    auto [archive, library] = splitPluginSetting(setting);
    auto getFileInfo = reinterpret_cast<VeloriaGetFileInfoFn>(
        pluginFunction(e, library, "GetFileInfo"));
    if (!getFileInfo) continue;
    const std::string archiveHost = fs::resolveForWrite(archive);
    VeloriaFileInfo info{};
    if (getFileInfo(archiveHost.c_str(), 0, local.c_str(), VELORIA_PLUGIN_IGNORE_CASE, &info) != 0 ||
        info.position == 0)
      continue;
    auto getFile = reinterpret_cast<VeloriaGetFileFn>(pluginFunction(e, library, "GetFile"));
    if (!getFile) continue;
    if (getFile(archiveHost.c_str(), info.position, tempDir.c_str(), VELORIA_PLUGIN_FROM_FILE,
                nullptr, 0) != 0)
      continue;
    // A plug-in that reports success without writing the file has not delivered it.
    if (auto path = findExtracted(tempDir, base)) return path;
  }
  return std::nullopt;
}

std::optional<MediaFile> locateMediaFile(Engine& e, std::string_view name) {
  if (auto loose = fs::resolve(name)) {
    if (!fs::isHostDirectory(*loose)) return MediaFile{*loose, false};
  }
  if (auto extracted = resolveFile(e, name)) return MediaFile{*extracted, true};
  if (e.res.noLoadError) return std::nullopt;
  reportScriptError(e, sj("ロードエラー"), formatMessage(sj("ファイル%sを開けません。"), name));
}

void releaseMediaFile(MediaFile& f) {
  if (f.temporary && !f.hostPath.empty()) fs::removeHostFile(f.hostPath);
  f = MediaFile{};
}

}  // namespace veloria
