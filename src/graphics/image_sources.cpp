#include "graphics/image_sources.h"

#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "graphics/decoders.h"
#include "resource/delta_image.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "script/script.h"

namespace veloria {

void decodeArchiveMember(Engine& e, const ArchiveHit& hit, Dib& out) {
  out = Dib{};
  if (hit.kind == kArchiveStored) reportScriptError(e, sj("エラー"), sj("BMPが圧縮されていません"));
  std::optional<std::vector<uint8_t>> data = readArchiveMember(e, hit);
  if (!data) return;
  if (hit.kind == kArchiveDeltaImage) {
    const uint64_t maxPixels = static_cast<uint64_t>(kMaxPictureSide) * kMaxPictureSide;
    std::optional<DeltaImage> img = decodeDeltaImage(data->data(), data->size(), maxPixels);
    if (!img || img->width == 0 || img->height == 0) return;
    if (!allocDib24(out, static_cast<int>(img->width), static_cast<int>(img->height))) return;
    const size_t rowBytes = static_cast<size_t>(img->width) * 3;
    for (uint32_t y = 0; y < img->height; ++y)
      std::memcpy(out.pixels.data() + y * static_cast<size_t>(out.stride), img->pixels.data() + y * img->stride,
                  rowBytes);
  } else if (hit.kind == kArchiveLzss) {
    decodeBmp(data->data(), data->size(), out);
  }
}

std::optional<bool> loadThroughImagePlugin(Engine& e, const std::string& ext, const std::string& hostPath, Dib& out) {
  std::optional<std::string> library = imagePluginFor(e, ext);
  if (!library) return std::nullopt;
  out = Dib{};
  std::optional<PluginPicture> pic = loadPictureWithPlugin(e, *library, hostPath);
  if (!pic) return false;
  // The delivered header, palette and rows have the layout of a BMP image after its file
  // header; the BMP reader then applies the same checks as to any file.
  std::vector<uint8_t> image(14, 0);
  image.insert(image.end(), pic->infoHeader, pic->infoHeader + 40);
  image.insert(image.end(), pic->palette.begin(), pic->palette.end());
  image.insert(image.end(), pic->pixels.begin(), pic->pixels.end());
  // The palette delivered is exactly what the header's count asks for.
  return decodeBmp(image.data(), image.size(), out);
}

}  // namespace veloria
