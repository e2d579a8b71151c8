#include "platform/platform.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/png_file.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace veloria {

Platform::~Platform() = default;

namespace {

#if defined(__x86_64__) || defined(__i386__)
// Five pixels at a time with one byte shuffle: each step stores 16 bytes, the 15 of its five
// pixels and the first byte of the next pixel (taken from a second load two bytes further
// on), so every byte written is final. What the window held is read before the step before
// writes over its first byte, which keeps the change test exact and spares the processor a
// load from a store it cannot forward. Returns the pixels done; `diff` tells whether any of
// them changed.
__attribute__((target("ssse3"))) int swapRowSsse3(const uint8_t*& srcRef, uint8_t*& dstRef, int width, bool& diff) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  const __m128i last = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1);
  const uint8_t* src = srcRef;
  uint8_t* dst = dstRef;
  const int bytes = width * 3;
  // A step at x reads source bytes up to 3x + 18 and writes target bytes up to 3x + 16.
  auto fits = [&](int x) { return 3 * x + 18 <= bytes; };
  __m128i changed = _mm_setzero_si128();
  int x = 0;
  if (fits(0)) {
    __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    for (;;) {
      const __m128i swapped = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), order);
      const __m128i ahead = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2));  // byte 15: next red
      const __m128i v = _mm_or_si128(_mm_andnot_si128(last, swapped), _mm_and_si128(last, ahead));
      changed = _mm_or_si128(changed, _mm_xor_si128(v, old));
      const bool more = fits(x + 5);
      if (more) old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 15));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
      x += 5;
      src += 15;
      dst += 15;
      if (!more) break;
    }
  }
  srcRef = src;
  dstRef = dst;
  diff = _mm_movemask_epi8(_mm_cmpeq_epi8(changed, _mm_setzero_si128())) != 0xFFFF;
  return x;
}

bool haveSsse3() {
  static const bool have = __builtin_cpu_supports("ssse3");
  return have;
}
#endif

// Copies a row of BGR pixels into the RGB window picture; true when any pixel changed.
bool copyRowBgrToRgb(const uint8_t* src, uint8_t* dst, int width) {
  uint32_t wordDiff = 0;
  int x = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (haveSsse3()) {
    bool diff = false;
    x = swapRowSsse3(src, dst, width, diff);
    wordDiff = diff ? 1 : 0;
  }
#endif
  // Four pixels (three 32-bit words) at a time: the byte order is swapped with shifts, which
  // is several times quicker than moving single bytes.
  for (; x + 4 <= width; x += 4, src += 12, dst += 12) {
    uint32_t s0, s1, s2, o0, o1, o2;
    std::memcpy(&s0, src, 4);
    std::memcpy(&s1, src + 4, 4);
    std::memcpy(&s2, src + 8, 4);
    if constexpr (std::endian::native == std::endian::little) {
      const uint32_t d0 = ((s0 >> 16) & 0xFFu) | (s0 & 0xFF00u) | ((s0 & 0xFFu) << 16) | (((s1 >> 8) & 0xFFu) << 24);
      const uint32_t d1 = (s1 & 0xFFu) | (((s0 >> 24) & 0xFFu) << 8) | ((s2 & 0xFFu) << 16) | (s1 & 0xFF000000u);
      const uint32_t d2 = ((s1 >> 16) & 0xFFu) | (((s2 >> 24) & 0xFFu) << 8) | (s2 & 0xFF0000u) | (((s2 >> 8) & 0xFFu) << 24);
      std::memcpy(&o0, dst, 4);
      std::memcpy(&o1, dst + 4, 4);
      std::memcpy(&o2, dst + 8, 4);
      wordDiff |= (o0 ^ d0) | (o1 ^ d1) | (o2 ^ d2);
      std::memcpy(dst, &d0, 4);
      std::memcpy(dst + 4, &d1, 4);
      std::memcpy(dst + 8, &d2, 4);
    } else {
      break;
    }
  }
  uint8_t diff = wordDiff != 0 ? 1 : 0;
  for (; x < width; ++x, src += 3, dst += 3) {
    diff |= static_cast<uint8_t>((dst[0] ^ src[2]) | (dst[1] ^ src[1]) | (dst[2] ^ src[0]));
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
  return diff != 0;
}

}  // namespace

void Platform::postMessage(uint32_t message, uint32_t wParam, uint32_t lParam) {
  // A full queue refuses new messages, as a Windows thread queue does at 10,000.
  if (queue_.size() >= kMaxQueuedMessages) return;
  queue_.push_back(Message{message, wParam, lParam, timeGetTime()});
}

void Platform::postMouseMove(uint32_t lParam) {
  // Only the latest pointer position matters; keep one pending move at the tail.
  if (!queue_.empty() && queue_.back().message == WM_MOUSEMOVE) {
    queue_.back().lParam = lParam;
    queue_.back().time = timeGetTime();
    return;
  }
  postMessage(WM_MOUSEMOVE, 0, lParam);
}

bool Platform::peekMessage(Message& out, uint32_t minId, uint32_t maxId, bool remove) {
  pumpOsEvents();
  postTimersDue();
  bool any = minId == 0 && maxId == 0;
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (any || (it->message >= minId && it->message <= maxId)) {
      out = *it;
      if (remove) queue_.erase(it);
      return true;
    }
  }
  idle();
  return false;
}

Message Platform::getMessage() {
  Message m;
  while (!peekMessage(m, 0, 0, true)) sleep(1);
  return m;
}

void Platform::dispatchMessage(const Message& m) {
  if (windowProc_) windowProc_(m);
}

bool Platform::pumpOneMessage() {
  Message m;
  if (!peekMessage(m, 0, 0, true)) return false;
  dispatchMessage(m);
  return true;
}

void Platform::setTimer(uint32_t id, uint32_t periodMs) {
  killTimer(id);
  if (periodMs == 0) periodMs = 1;
  timers_.push_back(Timer{id, periodMs, timeGetTime() + periodMs});
}

void Platform::killTimer(uint32_t id) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
                timers_.end());
}

bool Platform::timerRunning(uint32_t id) const {
  return std::any_of(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
}

void Platform::postTimersDue() {
  uint32_t now = timeGetTime();
  for (auto& t : timers_) {
    if (static_cast<int32_t>(now - t.next) >= 0) {
      // Like Windows, a late timer posts one WM_TIMER, and never queues a second one.
      bool queued = std::any_of(queue_.begin(), queue_.end(), [&](const Message& m) {
        return m.message == WM_TIMER && m.wParam == t.id;
      });
      if (!queued) queue_.push_back(Message{WM_TIMER, t.id, 0, now});
      t.next = now + t.period;
    }
  }
}

bool Platform::nextTimerDue(uint32_t& when) const {
  if (timers_.empty()) return false;
  uint32_t now = const_cast<Platform*>(this)->timeGetTime();
  int64_t best = INT64_MAX;
  for (const auto& t : timers_) best = std::min<int64_t>(best, static_cast<int32_t>(t.next - now));
  when = now + static_cast<uint32_t>(std::max<int64_t>(best, 0));
  return true;
}

void Platform::setClientSize(int w, int h) {
  clientW_ = w;
  clientH_ = h;
  picture_.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0);
}

void Platform::present(const SurfaceView& s, Rect r) {
  r.left = std::max({r.left, 0});
  r.top = std::max({r.top, 0});
  r.right = std::min({r.right, clientW_, s.width});
  r.bottom = std::min({r.bottom, clientH_, s.height});
  if (r.empty() || !s.bits) return;
  bool changed = false;
  for (int y = r.top; y < r.bottom; ++y) {
    const uint8_t* src = s.bits + static_cast<size_t>(s.height - 1 - y) * s.stride + r.left * 3;
    uint8_t* dst = picture_.data() + (static_cast<size_t>(y) * clientW_ + r.left) * 3;
    changed |= copyRowBgrToRgb(src, dst, r.width());
  }
  // Showing the same pixels again (a blank cursor cell, a repaint) costs the window nothing.
  if (changed) pictureChanged(r);
}

void Platform::blitToWindow(const SurfaceView& s, int srcX, int srcY, int w, int h, int dstX, int dstY) {
  // Clip against both the source surface and the window.
  if (srcX < 0) { w += srcX; dstX -= srcX; srcX = 0; }
  if (srcY < 0) { h += srcY; dstY -= srcY; srcY = 0; }
  if (dstX < 0) { w += dstX; srcX -= dstX; dstX = 0; }
  if (dstY < 0) { h += dstY; srcY -= dstY; dstY = 0; }
  w = std::min({w, s.width - srcX, clientW_ - dstX});
  h = std::min({h, s.height - srcY, clientH_ - dstY});
  if (w <= 0 || h <= 0 || !s.bits) return;
  bool changed = false;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = s.bits + static_cast<size_t>(s.height - 1 - (srcY + y)) * s.stride + srcX * 3;
    uint8_t* dst = picture_.data() + (static_cast<size_t>(dstY + y) * clientW_ + dstX) * 3;
    changed |= copyRowBgrToRgb(src, dst, w);
  }
  if (changed) pictureChanged(Rect{dstX, dstY, dstX + w, dstY + h});
}

void Platform::scrollWindow(Rect r, int dx, int dy) {
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, clientW_);
  r.bottom = std::min(r.bottom, clientH_);
  if (r.empty()) return;
  // Copy the part of `r` that stays inside `r` after the move; the rest keeps its pixels.
  int w = r.width() - std::abs(dx), h = r.height() - std::abs(dy);
  if (w <= 0 || h <= 0) return;
  int sx = dx >= 0 ? r.left : r.left - dx, sy = dy >= 0 ? r.top : r.top - dy;
  int tx = sx + dx, ty = sy + dy;
  std::vector<uint8_t> tmp(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y)
    std::memcpy(&tmp[static_cast<size_t>(y) * w * 3], &picture_[(static_cast<size_t>(sy + y) * clientW_ + sx) * 3],
                static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y)
    std::memcpy(&picture_[(static_cast<size_t>(ty + y) * clientW_ + tx) * 3], &tmp[static_cast<size_t>(y) * w * 3],
                static_cast<size_t>(w) * 3);
  pictureChanged(r);
}

bool Platform::writeScreenshotPng(const std::string& path) const {
  if (clientW_ <= 0 || clientH_ <= 0) return false;
  return writePngFile(path, picture_.data(), clientW_, clientH_, 3, static_cast<size_t>(clientW_) * 3);
}

namespace {
// A modal box may be left by an exception (the window destroyed from inside it).
struct ModalScope {
  explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
  ~ModalScope() { --depth_; }
  int& depth_;
};
// Names the open dialog for the dump, and forgets it however the dialog ends (a timeout throws).
struct OpenDialogScope {
  OpenDialogScope(const OpenDialog*& slot, const OpenDialog* d) : slot_(slot), outer_(slot) { slot_ = d; }
  ~OpenDialogScope() { slot_ = outer_; }
  const OpenDialog*& slot_;
  const OpenDialog* outer_;
};
}  // namespace

int Platform::messageBox(std::string_view text, std::string_view caption, int type) {
  ModalScope scope(modalDepth_);
  if (onMessageBoxOpened) onMessageBoxOpened(text, caption);
  return showMessageBox(text, caption, type);
}

DialogAnswer Platform::inputDialog(const InputDialogSetup& setup) {
  ModalScope scope(modalDepth_);
  OpenDialog shown{false, setup.caption, setup.prompt, setup.text, {}, -1};
  OpenDialogScope named(openDialog_, &shown);
  if (onDialogOpened) onDialogOpened(shown);
  return showInputDialog(setup);
}

DialogAnswer Platform::listDialog(const ListDialogSetup& setup) {
  ModalScope scope(modalDepth_);
  int sel = setup.selection >= 0 && static_cast<size_t>(setup.selection) < setup.entries.size() ? setup.selection : -1;
  OpenDialog shown{true, setup.caption, {}, {}, setup.entries, sel};
  OpenDialogScope named(openDialog_, &shown);
  if (onDialogOpened) onDialogOpened(shown);
  DialogAnswer a = showListDialog(setup);
  // A backend never answers an entry the list does not have.
  if (a.end == DialogEnd::Ok && (a.selection < 0 || static_cast<size_t>(a.selection) >= setup.entries.size()))
    a.selection = -1;
  return a;
}

}  // namespace veloria
