// loadImage: the one way a picture gets into an ImageObject.
#include <algorithm>
#include <cstdio>

#include "engine/engine.h"
#include "graphics/decoders.h"
#include "graphics/graphics.h"
#include "graphics/image_sources.h"
#include "graphics/tag.h"
#include "platform/files.h"
#include "platform/text_codec.h"
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

// Decodes `bytes` by extension into obj.dib. False when no decoder takes the extension.
bool decodeByExtension(Engine& e, ImageObject& obj, const std::string& ext, const std::vector<uint8_t>* bytes,
                       const std::string& hostPath) {
  if (ext == "bmp") {
    if (bytes) decodeBmp(bytes->data(), bytes->size(), obj.dib);
    return true;
  }
  if (loadThroughImagePlugin(e, ext, hostPath, obj.dib)) return true;
  if (ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "jpe") {
    if (bytes) {
      if (ext == "png") decodePng(bytes->data(), bytes->size(), obj.transMode == TRANS_ALPHA, obj.cellCount, obj.dib);
      else decodeJpeg(bytes->data(), bytes->size(), obj.dib);
    }
    return true;
  }
  return false;
}

}  // namespace

void loadImage(Engine& e, ImageObject& obj, std::string_view requestIn) {
  std::string_view request = requestIn.substr(0, std::min(requestIn.size(), kMaxRequest));
  // 1. Reuse.
  if (!obj.name.empty() && obj.name == request) {
    obj.currentCell = 0;
    return;
  }
  // 2. Release and reset.
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

  // 3. Tag.
  ParsedTag tag;
  switch (parseTag(request, tag)) {
    case TagStatus::Ok: break;
    case TagStatus::TagError: reportScriptError(e, sj("タグエラー"), sj("タグの指定がおかしいです。"));
    case TagStatus::ColorError:
      reportScriptError(e, sj("構文エラー"),
                        sj("カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。"));
  }
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
  const std::string fileName(tag.fileName);

  // 4. File log.
  noteFileLoaded(e, fileName);

  if (fileName.size() > kMaxFileName) cannotOpen(e, fileName);

  // 5. Locate.
  std::vector<uint8_t> bytes;
  bool haveBytes = false;
  std::string hostPath;       // a real file for plug-ins
  std::string extractedPath;  // a temporary file to delete afterwards
  std::string decodeName = fileName;
  if (std::optional<std::vector<uint8_t>> loose = readLooseFile(e, fileName, &hostPath)) {
    bytes = std::move(*loose);
    haveBytes = true;
  } else if (archivesEnabled(e) && lowerAscii(fileName).size() >= 3 &&
             lowerAscii(fileName).substr(fileName.size() - 3) == "bmp") {
    if (std::optional<ArchiveHit> hit = lookupArchiveMember(e, fileName)) {
      decodeArchiveMember(e, *hit, obj.dib);
      if (!obj.hasPicture()) reportScriptError(e, sj("エラー"), sj("ロード失敗!"));
      return;
    }
    if (e.res.noLoadError) return;
    if (e.gfx.optionalImage) {
      makeOptionalPicture(obj);
      return;
    }
    reportScriptError(e, sj("エラー"), formatName("VLAアーカイブからファイル%sがみつかりません", fileName));
  } else {
    std::optional<std::string> temp = resolveToTemporaryFile(e, fileName);
    if (!temp) {
      if (e.gfx.optionalImage) {
        makeOptionalPicture(obj);
        return;
      }
      if (e.res.noLoadError) return;
      cannotOpen(e, fileName);
    }
    extractedPath = *temp;
    hostPath = *temp;
    decodeName = *temp;
    if (std::optional<std::vector<uint8_t>> data = fs::readHostFile(*temp)) {
      bytes = std::move(*data);
      haveBytes = true;
    }
  }

  // 6. Decoder by extension.
  const std::string ext = extensionOf(decodeName);
  bool known = decodeByExtension(e, obj, ext, haveBytes ? &bytes : nullptr, hostPath);
  if (!extractedPath.empty()) removeTemporaryFile(e, extractedPath);
  if (!known) {
    if (e.res.noLoadError) return;
    cannotOpen(e, fileName);
  }
  // 8. A decoder that failed leaves no picture.
  if (!obj.hasPicture()) reportScriptError(e, sj("エラー"), sj("ロード失敗!"));
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
