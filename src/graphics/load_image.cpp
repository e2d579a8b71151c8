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
  PngLayout layout;
  bool halved = false;
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
// `halved`: a PNG with alpha was laid out as an alpha picture.
void decodeCompressed(const std::string& ext, const std::vector<uint8_t>& bytes, const std::string& hostPath,
                      const PngLayout& layout, Dib& out, bool& halved) {
  PictureCache& cache = pictureCache();
  if (cache.on && !hostPath.empty()) {
    auto it = cache.pictures.find(hostPath);
    if (it != cache.pictures.end() && it->second.layout == layout && it->second.bytes == bytes) {
      out = it->second.dib;
      halved = it->second.halved;
      return;
    }
  }
  halved = false;
  if (ext == "png") decodePng(bytes.data(), bytes.size(), layout, out, &halved);
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
  cache.pictures.emplace(hostPath, CachedPicture{bytes, layout, halved, out});
}

// How a PNG's alpha is laid out for the object's mode: the alpha mode's halves; for a picture
// the blitter draws in a colour-key mode, the halves with the key colour transparent too.
PngLayout pngLayoutFor(const ImageObject& obj, PictureUse use) {
  PngLayout l;
  l.cells = obj.cellCount;
  l.alphaHalves = obj.transMode == TRANS_ALPHA;
  if (l.alphaHalves || use != PictureUse::Drawn) return l;
  switch (obj.transMode) {
    case TRANS_LEFTUP: l.key = PngLayout::Key::TopLeft; break;
    case TRANS_RIGHTUP: l.key = PngLayout::Key::TopRight; break;
    case TRANS_COLORKEY:
      l.key = PngLayout::Key::Colour;
      l.keyRed = static_cast<uint8_t>(obj.keyRed);
      l.keyGreen = static_cast<uint8_t>(obj.keyGreen);
      l.keyBlue = static_cast<uint8_t>(obj.keyBlue);
      break;
    default: return l;  // copy: composed over black
  }
  l.alphaHalves = true;
  return l;
}

// Decodes `bytes` by extension into obj.dib. False when no decoder takes the extension.
// `cacheable`: the bytes are a game file of their own (not a temporary extraction).
bool decodeByExtension(Engine& e, ImageObject& obj, const std::string& ext, const std::vector<uint8_t>* bytes,
                       const std::string& hostPath, bool cacheable, PictureUse use) {
  if (ext == "bmp") {
    if (bytes) decodeBmp(bytes->data(), bytes->size(), obj.dib);
    return true;
  }
  if (loadThroughImagePlugin(e, ext, hostPath, obj.dib)) return true;
  if (ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "jpe") {
    if (!bytes) return true;
    bool halved = false;
    decodeCompressed(ext == "png" ? ext : "jpg", *bytes, cacheable ? hostPath : std::string(),
                     pngLayoutFor(obj, use), obj.dib, halved);
    // The picture now carries its alpha as a mask half, which the alpha mode draws (a
    // colour key is already in the mask).
    if (halved) obj.transMode = TRANS_ALPHA;
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
void decodePictureFile(Engine& e, ImageObject& obj, const std::string& fileName, PictureFile& f, PictureUse use) {
  const std::string ext = extensionOf(f.decodeName);
  bool known =
      decodeByExtension(e, obj, ext, f.haveBytes ? &f.bytes : nullptr, f.hostPath, f.extractedPath.empty(), use);
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

void loadImage(Engine& e, ImageObject& obj, std::string_view requestIn, PictureUse use) {
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
  decodePictureFile(e, obj, fileName, file, use);
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
