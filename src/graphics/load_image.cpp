// loadImage: the one way a picture gets into an ImageObject, from the name (tag included)
// to the decoded picture. The decoders, the tag reader and the resource layer give it pieces.
#include <algorithm>
#include <cstdio>
#include <map>

#include "engine/engine.h"
#include "graphics/decoders.h"
#include "graphics/graphics.h"
#include "graphics/image_sources.h"
#include "graphics/picture_cache.h"
#include "graphics/tag.h"
#include "graphics/text_sprite.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "script/script.h"

namespace veloria {

namespace {

constexpr size_t kMaxRequest = 511;   // the name buffer, tag included
constexpr size_t kMaxFileName = 255;  // the file-access buffers

std::string lowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string extensionOf(std::string_view name) {
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : lowerAscii(name.substr(dot + 1));
}

std::string formatName(const char* utf8Format, std::string_view name) {
  const std::string& f = sj(utf8Format);
  std::string out;
  size_t p = f.find("%s");
  out.append(f, 0, p);
  out.append(name);
  out.append(f, p + 2, std::string::npos);
  return out;
}

[[noreturn]] void cannotOpen(Engine& e, std::string_view name) {
  reportScriptError(e, sj("ロードエラー"), formatName("ファイル%sを開けません。", name));
}

void makeOptionalPicture(ImageObject& obj) {
  std::string keep = obj.name;
  createSurface(obj, 2, 2, 24);
  obj.name = keep;
}

// The picture cache: compressed files by host path, with the bytes they were decoded from
// (a hit needs the same bytes, so it is exact) and how they were decoded.
struct CachedPicture {
  std::vector<uint8_t> bytes;
  bool alpha = false;
  int32_t cells = 1;
  Dib dib;
};
struct PictureCache {
  bool on = false;
  size_t bytes = 0;  // pixels and files held
  std::map<std::string, CachedPicture> pictures;
};
// Past this the cache takes no more pictures.
constexpr size_t kMaxPictureCacheBytes = 256u << 20;

PictureCache& pictureCache() {
  static PictureCache cache;
  return cache;
}

// PNG and JPEG, decoded through the cache when it is on.
void decodeCompressed(const std::string& ext, const std::vector<uint8_t>& bytes, const std::string& hostPath,
                      bool alpha, int32_t cells, Dib& out) {
  PictureCache& cache = pictureCache();
  if (cache.on && !hostPath.empty()) {
    auto it = cache.pictures.find(hostPath);
    if (it != cache.pictures.end() && it->second.alpha == alpha && it->second.cells == cells &&
        it->second.bytes == bytes) {
      out = it->second.dib;
      return;
    }
  }
  if (ext == "png") decodePng(bytes.data(), bytes.size(), alpha, cells, out);
  else decodeJpeg(bytes.data(), bytes.size(), out);
  if (!cache.on || hostPath.empty() || !out.hasInfo) return;
  const size_t size = bytes.size() + out.pixels.size() + out.palette.size();
  auto old = cache.pictures.find(hostPath);
  if (old != cache.pictures.end()) {
    cache.bytes -= old->second.bytes.size() + old->second.dib.pixels.size() + old->second.dib.palette.size();
    cache.pictures.erase(old);
  }
  if (cache.bytes + size > kMaxPictureCacheBytes) return;
  cache.bytes += size;
  cache.pictures.emplace(hostPath, CachedPicture{bytes, alpha, cells, out});
}

// Decodes `bytes` by extension into obj.dib. False when no decoder takes the extension.
// `cacheable`: the bytes are a game file of their own (not a temporary extraction).
bool decodeByExtension(Engine& e, ImageObject& obj, const std::string& ext, const std::vector<uint8_t>* bytes,
                       const std::string& hostPath, bool cacheable) {
  if (ext == "bmp") {
    if (bytes) decodeBmp(bytes->data(), bytes->size(), obj.dib);
    return true;
  }
  if (loadThroughImagePlugin(e, ext, hostPath, obj.dib)) return true;
  if (ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "jpe") {
    if (bytes)
      decodeCompressed(ext == "png" ? ext : "jpg", *bytes, cacheable ? hostPath : std::string(),
                       ext == "png" && obj.transMode == TRANS_ALPHA, ext == "png" ? obj.cellCount : 1, obj.dib);
    return true;
  }
  return false;
}

// The picture goes and every attribute a tag can set takes its default, so that nothing of
// the last picture's tag is left when the new one has none.
void startOver(Engine& e, ImageObject& obj, std::string_view request) {
  releaseImage(obj);
  obj.animStart = 0;
  obj.animStep = 1;
  obj.cellCount = 1;
  obj.alphaLevel = -1;
  obj.currentCell = 0;
  obj.cellInterval = 0;
  obj.animMode = ANIM_LOOP;
  obj.cellIntervals.clear();
  obj.name.assign(request);
  obj.transMode = e.gfx.defaultTransMode;
}

void stopOnBadTag(Engine& e, TagStatus status) {
  switch (status) {
    case TagStatus::Ok: return;
    case TagStatus::TagError: reportScriptError(e, sj("タグエラー"), sj("タグの指定がおかしいです。"));
    case TagStatus::ColorError:
      reportScriptError(e, sj("構文エラー"),
                        sj("カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。"));
  }
}

// The request's tag into the object's attributes; the file name behind the tag.
std::string applyTag(Engine& e, ImageObject& obj, std::string_view request) {
  ParsedTag tag;
  stopOnBadTag(e, parseTag(request, tag));
  if (tag.transMode >= 0) obj.transMode = tag.transMode;
  if (tag.keyColorSet) {
    obj.keyRed = tag.keyRed;
    obj.keyGreen = tag.keyGreen;
    obj.keyBlue = tag.keyBlue;
  }
  if (tag.keyIndexSet) obj.keyIndex = tag.keyIndex;
  if (tag.cellClause) {
    obj.cellCount = tag.cellCount;
    obj.cellInterval = tag.cellInterval;
    obj.animMode = tag.animMode;
    obj.cellIntervals = tag.cellIntervals;
  }
  if (tag.hasTag) obj.animStart = e.platform.timeGetTime();
  return std::string(tag.fileName);
}

// Where a picture's bytes were found.
struct PictureFile {
  std::vector<uint8_t> bytes;
  bool haveBytes = false;
  std::string hostPath;       // a real file for plug-ins
  std::string extractedPath;  // a temporary file to delete afterwards
  std::string decodeName;     // its extension picks the decoder
};

// A loose file first; with archives on, a BMP from the archives (decoded here at once); else
// what the resource layer extracts to a temporary file. False when nothing is left to
// decode: the archive member is in `obj`, or a missing picture is tolerated (noloaderror, an
// optional picture).
bool findPictureFile(Engine& e, ImageObject& obj, const std::string& fileName, PictureFile& f) {
  f.decodeName = fileName;
  if (std::optional<std::string> path = fs::resolve(fileName)) {
    if (std::optional<std::vector<uint8_t>> loose = fs::readHostFile(*path)) {
      f.bytes = std::move(*loose);
      f.haveBytes = true;
      f.hostPath = *path;
      return true;
    }
  }
  if (e.res.archivesEnabled != 0 && lowerAscii(fileName).size() >= 3 &&
      lowerAscii(fileName).substr(fileName.size() - 3) == "bmp") {
    if (std::optional<ArchiveHit> hit = findInArchives(e, fileName)) {
      decodeArchiveMember(e, *hit, obj.dib);
      if (!obj.hasPicture()) reportScriptError(e, sj("エラー"), sj("ロード失敗!"));
      return false;
    }
    if (e.res.noLoadError) return false;
    if (e.gfx.optionalImage) {
      makeOptionalPicture(obj);
      return false;
    }
    reportScriptError(e, sj("エラー"), formatName("VLAアーカイブからファイル%sがみつかりません", fileName));
  }
  std::optional<std::string> temp = resolveFile(e, fileName);
  if (!temp) {
    if (e.gfx.optionalImage) {
      makeOptionalPicture(obj);
      return false;
    }
    if (e.res.noLoadError) return false;
    cannotOpen(e, fileName);
  }
  f.extractedPath = *temp;
  f.hostPath = *temp;
  f.decodeName = *temp;
  if (std::optional<std::vector<uint8_t>> data = fs::readHostFile(*temp)) {
    f.bytes = std::move(*data);
    f.haveBytes = true;
  }
  return true;
}

// The decoder the extension names; a decoder that takes the file but leaves no picture
// means the file is damaged.
void decodePictureFile(Engine& e, ImageObject& obj, const std::string& fileName, PictureFile& f) {
  const std::string ext = extensionOf(f.decodeName);
  bool known = decodeByExtension(e, obj, ext, f.haveBytes ? &f.bytes : nullptr, f.hostPath, f.extractedPath.empty());
  if (!f.extractedPath.empty()) fs::removeHostFile(f.extractedPath);
  if (!known) {
    if (e.res.noLoadError) return;
    cannotOpen(e, fileName);
  }
  if (!obj.hasPicture()) reportScriptError(e, sj("エラー"), sj("ロード失敗!"));
}

// A text sprite: drawn afresh on every load, as its caption's variables or the text
// window's glyphs may have changed since.
void loadTextSprite(Engine& e, ImageObject& obj, std::string_view request) {
  startOver(e, obj, request);
  TextSpriteTag tag;
  stopOnBadTag(e, parseTextSpriteTag(request, tag));
  const std::string caption = expandTextReferences(e, tag.text);
  if (!renderTextSprite(e, tag, caption, obj)) reportScriptError(e, sj("エラー"), sj("ロード失敗!"));
  obj.name.assign(request);
  obj.animStart = e.platform.timeGetTime();
}

}  // namespace

void setPictureCacheEnabled(bool on) {
  PictureCache& cache = pictureCache();
  cache.on = on;
  if (on) return;
  cache.pictures.clear();
  cache.bytes = 0;
}

size_t pictureCacheSize() { return pictureCache().pictures.size(); }

void loadImage(Engine& e, ImageObject& obj, std::string_view requestIn) {
  std::string_view request = requestIn.substr(0, std::min(requestIn.size(), kMaxRequest));
  if (isTextSpriteName(request) && extendedDialect(e)) {
    loadTextSprite(e, obj, request);
    return;
  }
  // The same name again keeps the picture and only starts its animation over.
  if (!obj.name.empty() && obj.name == request) {
    obj.currentCell = 0;
    return;
  }
  startOver(e, obj, request);
  const std::string fileName = applyTag(e, obj, request);
  if (e.save.fileLogOn && !fileLogged(e, fileName)) logFile(e, fileName);
  if (fileName.size() > kMaxFileName) cannotOpen(e, fileName);
  PictureFile file;
  if (!findPictureFile(e, obj, fileName, file)) return;
  decodePictureFile(e, obj, fileName, file);
}

void loadOptionalImage(Engine& e, ImageObject& obj, std::string_view request) {
  const int32_t optional = e.gfx.optionalImage;
  e.gfx.optionalImage = 1;
  try {
    loadImage(e, obj, request);
  } catch (...) {
    e.gfx.optionalImage = optional;
    throw;
  }
  e.gfx.optionalImage = optional;
}

}  // namespace veloria
