// Built-in PNG and JPEG decoding into 24-bit bottom-up pictures.
#include <png.h>
#include <stdio.h>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "graphics/decoders.h"

namespace veloria {

bool decodePng(const uint8_t* data, size_t size, const PngLayout& layout, Dib& out, bool* halved) {
  out = Dib{};
  if (halved) *halved = false;
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, data, size)) return false;
  const bool hasAlpha = (img.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  const int w = static_cast<int>(img.width), h = static_cast<int>(img.height);
  if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide ||
      static_cast<uint64_t>(w) * h * 4 > kMaxPictureBytes) {
    png_image_free(&img);
    return false;
  }
  img.format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  if (!png_image_finish_read(&img, nullptr, rgba.data(), w * 4, nullptr)) {
    png_image_free(&img);
    return false;
  }
  const int cells = std::max(layout.cells, 1);
  const bool halves = layout.alphaHalves && hasAlpha;
  const int cellW = w / cells;
  if (halves && cellW == 0) return false;
  if (!allocDib24(out, halves ? 2 * cells * cellW : w, h)) return false;
  // The key colour (blue, green, red), compared with each pixel's own colour.
  bool keyed = halves && layout.key != PngLayout::Key::None;
  uint8_t key[3] = {layout.keyBlue, layout.keyGreen, layout.keyRed};
  if (layout.key == PngLayout::Key::TopLeft || layout.key == PngLayout::Key::TopRight) {
    const uint8_t* k = rgba.data() + (layout.key == PngLayout::Key::TopRight ? static_cast<size_t>(w - 1) * 4 : 0);
    std::memcpy(key, k, 3);
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = rgba.data() + static_cast<size_t>(y) * w * 4;
    uint8_t* d = out.row(y);
    for (int x = 0; x < w; ++x, s += 4) {
      const unsigned a = keyed && s[0] == key[0] && s[1] == key[1] && s[2] == key[2] ? 0 : s[3];
      if (halves) {
        // Cell c occupies [2c * cellW, 2(c+1) * cellW): colour first, then its mask. Columns
        // past the last whole cell are dropped; a cell layout could never show them.
        if (x >= cells * cellW) continue;
        int c = x / cellW;
        uint8_t* p = d + (2 * c * cellW + (x - c * cellW)) * 3;
        p[0] = s[0];
        p[1] = s[1];
        p[2] = s[2];
        uint8_t* m = p + cellW * 3;
        m[0] = m[1] = m[2] = static_cast<uint8_t>(255 - a);
      } else {
        uint8_t* p = d + x * 3;
        p[0] = mul255(s[0], a);
        p[1] = mul255(s[1], a);
        p[2] = mul255(s[2], a);
      }
    }
  }
  if (halved) *halved = halves;
  return true;
}

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return; ours jumps
// back to the setjmp of the step that called into the library. Each step below is a frame
// holding no C++ objects, so the jump skips only libjpeg's own C frames: every vector and
// picture lives in decodeJpeg, above the jump.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
[[noreturn]] void jpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}
void jpegSilent(j_common_ptr) {}

// Reads the header and starts decompressing; true when the picture's size is one we accept.
bool jpegStart(jpeg_decompress_struct* cinfo, JpegError* err, const uint8_t* data, size_t size) {
  if (setjmp(err->jump)) return false;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  const uint64_t w = cinfo->image_width, h = cinfo->image_height;
  if (w == 0 || h == 0 || w > kMaxPictureSide || h > kMaxPictureSide ||
      static_cast<uint64_t>(dibStride(static_cast<int>(w), 24)) * h > kMaxPictureBytes)
    return false;
  cinfo->out_color_space = cinfo->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  // A multi-scan file keeps all its coefficients (2 bytes a sample) until the last scan;
  // beyond that libjpeg stops with an error instead of allocating.
  cinfo->mem->max_memory_to_use = static_cast<long>(2 * kMaxPictureBytes + (16 << 20));
  jpeg_start_decompress(cinfo);
  return true;
}

bool jpegReadRow(jpeg_decompress_struct* cinfo, JpegError* err, JSAMPROW row) {
  if (setjmp(err->jump)) return false;
  return jpeg_read_scanlines(cinfo, &row, 1) == 1;
}

bool jpegFinish(jpeg_decompress_struct* cinfo, JpegError* err) {
  if (setjmp(err->jump)) return false;
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, Dib& out) {
  out = Dib{};
  if (size == 0) return false;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);  // destroying it is safe however early creation fails
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegErrorExit;
  err.mgr.output_message = jpegSilent;
  bool ok = jpegStart(&cinfo, &err, data, size);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  const int components = cinfo.output_components;
  ok = ok && (components == 1 || components == 3) && allocDib24(out, w, h);
  std::vector<uint8_t> line;
  if (ok) line.resize(static_cast<size_t>(w) * components);
  while (ok && cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    ok = jpegReadRow(&cinfo, &err, line.data());
    if (!ok) break;
    uint8_t* d = out.row(y);
    if (components == 3) {
      for (int x = 0; x < w; ++x) {  // RGB to BGR
        d[x * 3] = line[x * 3 + 2];
        d[x * 3 + 1] = line[x * 3 + 1];
        d[x * 3 + 2] = line[x * 3];
      }
    } else {
      for (int x = 0; x < w; ++x) d[x * 3] = d[x * 3 + 1] = d[x * 3 + 2] = line[x];
    }
  }
  ok = ok && jpegFinish(&cinfo, &err);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) out = Dib{};
  return ok;
}

}  // namespace veloria
