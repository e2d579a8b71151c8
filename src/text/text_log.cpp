#include "text/text_log.h"

#include <algorithm>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace veloria {

namespace {

// The write position as an index into the buffer. A position from outside (a save file)
// may lie anywhere; beyond the buffer it counts as full.
int writeEnd(const TextLog& log) { return std::clamp(log.writePos, 0, TextLog::kSize); }

bool writePosValid(const TextLog& log) { return log.writePos >= 0 && log.writePos <= TextLog::kSize; }

}  // namespace

// A page longer than the room left is cut: what does not fit is not stored, and the next
// page end restarts the buffer.
void logAppend(TextLog& log, const uint8_t* bytes, int n) {
  if (log.maxPages > 0) {
    // One page never holds more than this: the rest of an endless page is not recorded.
    if (n <= 0 || log.openPage.size() + static_cast<size_t>(n) > TextLog::kMaxPageBytes) return;
    log.openPage.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
    log.pageMarked = 0;
    return;
  }
  if (n <= 0 || !writePosValid(log) || log.writePos > TextLog::kSize - n) return;
  for (int i = 0; i < n; ++i) log.buffer[static_cast<size_t>(log.writePos + i)] = bytes[i];
  log.writePos += n;
  log.pageMarked = 0;
}

void logClear(TextLog& log, bool withMark) {
  log.pages.clear();
  log.openPage.clear();
  log.buffer.fill(' ');
  log.buffer[TextLog::kSize] = 0;
  log.writePos = 0;
  log.pageMarked = 0;
  if (withMark) {
    log.buffer[0] = 1;
    log.writePos = 1;
    log.pageMarked = 1;
  }
}

void logMarkPage(TextLog& log) {
  if (log.maxPages > 0) {
    if (log.pageMarked) return;
    log.pages.push_back(std::move(log.openPage));
    log.openPage.clear();
    while (log.pages.size() > static_cast<size_t>(log.maxPages)) log.pages.pop_front();
    log.pageMarked = 1;
    return;
  }
  // A position that cannot be the log's own starts it afresh rather than stopping it for good.
  if (!writePosValid(log)) {
    logClear(log, true);
    return;
  }
  if (log.pageMarked) return;
  if (log.writePos < TextLog::kSize) {
    log.buffer[static_cast<size_t>(log.writePos)] = 1;
    ++log.writePos;
    log.pageMarked = 1;
  }
  if (log.writePos >= TextLog::kRestartAt) logClear(log, true);
}

bool logPage(const TextLog& log, int n, std::string& out) {
  out.clear();
  if (n < 1) return false;
  if (log.maxPages > 0) {
    if (static_cast<size_t>(n) > log.pages.size()) return false;
    out = log.pages[log.pages.size() - static_cast<size_t>(n)];
    return true;
  }
  // Walking back from the write position: the mark that ends page n is the n-th one met,
  // the mark before the page the (n + 1)-th.
  int end = writeEnd(log);
  int seen = 0, pageEnd = -1;
  for (int i = end - 1; i >= 0; --i) {
    if (log.buffer[static_cast<size_t>(i)] != 1) continue;
    ++seen;
    if (seen == n) pageEnd = i;
    if (seen == n + 1) {
      out.assign(reinterpret_cast<const char*>(log.buffer.data()) + i + 1, static_cast<size_t>(pageEnd - i - 1));
      return true;
    }
  }
  return false;
}

void logSetPageLimit(TextLog& log, int maxPages) {
  if (log.maxPages == 0) {
    // The ring's finished pages and the open one carry over into the list.
    std::string bytes(reinterpret_cast<const char*>(log.buffer.data()), static_cast<size_t>(writeEnd(log)));
    log.maxPages = maxPages;
    logFromRing(log, bytes);
    return;
  }
  log.maxPages = maxPages;
  while (log.pages.size() > static_cast<size_t>(log.maxPages)) log.pages.pop_front();
}

std::string logAsRing(const TextLog& log, int32_t& writePos) {
  if (log.maxPages == 0) {
    writePos = log.writePos;
    const auto* b = log.buffer.data();
    return std::string(reinterpret_cast<const char*>(b),
                       std::find(log.buffer.begin(), log.buffer.end() - 1, 0) - log.buffer.begin());
  }
  std::string joined;
  for (const std::string& p : log.pages) {
    joined += '\1';
    joined += p;
  }
  joined += '\1';
  joined += log.openPage;
  // Cut from the oldest end at a page mark, so that the rest still reads as whole pages.
  if (joined.size() > static_cast<size_t>(TextLog::kSize)) {
    size_t from = joined.find('\1', joined.size() - TextLog::kSize);
    joined.erase(0, from == std::string::npos ? joined.size() - TextLog::kSize : from);
  }
  writePos = static_cast<int32_t>(joined.size());
  return joined;
}

void logFromRing(TextLog& log, std::string_view bytes) {
  log.pages.clear();
  log.openPage.clear();
  // Bytes before the first mark belong to no whole page.
  size_t first = bytes.find('\1');
  if (first == std::string_view::npos) {
    log.openPage.assign(bytes);
  } else {
    size_t start = first + 1;
    for (size_t m = bytes.find('\1', start); m != std::string_view::npos; m = bytes.find('\1', start)) {
      log.pages.emplace_back(bytes.substr(start, m - start));
      start = m + 1;
    }
    log.openPage.assign(bytes.substr(start));
  }
  while (log.pages.size() > static_cast<size_t>(std::max(log.maxPages, 0))) log.pages.pop_front();
  log.pageMarked = !bytes.empty() && bytes.back() == '\1' ? 1 : 0;
  // The ring is not used in page-list mode; its position must not look full.
  log.writePos = 0;
}

void logChar(Engine& e, uint8_t first, uint8_t second) {
  if (!e.text.logEnabled) return;
  const uint8_t b[2] = {first, second};
  logAppend(e.text.log, b, 2);
}

void logByte(Engine& e, uint8_t c) {
  if (e.text.logEnabled) logAppend(e.text.log, &c, 1);
}

void logLineFeed(Engine& e) {
  if (!e.text.logEnabled) return;
  const uint8_t b = 10;
  logAppend(e.text.log, &b, 1);
}

void markLogPage(Engine& e) {
  if (e.text.logEnabled) logMarkPage(e.text.log);
}

void clearLog(Engine& e) { logClear(e.text.log, e.text.logEnabled != 0); }

int textLogPageCount(const Engine& e) {
  const TextLog& log = e.text.log;
  if (log.maxPages > 0) return static_cast<int>(log.pages.size());
  int marks = static_cast<int>(std::count(log.buffer.begin(), log.buffer.begin() + writeEnd(log), uint8_t{1}));
  return std::max(marks - 1, 0);
}

namespace {

void cmdLookbackon(Engine& e, std::string_view, bool) { e.text.logEnabled = 1; }
void cmdLookbackoff(Engine& e, std::string_view, bool) { e.text.logEnabled = 0; }
void cmdLookbackflush(Engine& e, std::string_view, bool) { clearLog(e); }

void cmdLookbackbutton(Engine& e, std::string_view, bool) {
  TextState& t = e.text;
  for (size_t i = 0; i < t.lookbackArrows.size(); ++i) {
    if (i > 0) expectComma(e);
    std::string name = readString(e);
    loadImage(e, t.lookbackArrows[i], name);
  }
  t.lookbackArrowsGiven = 1;
}

void cmdLookbackcolor(Engine& e, std::string_view, bool) {
  skipBlanks(e);
  if (currentByte(e) != '#') reportScriptError(e, sj("エラー"), sj("lookbackcolorのパラメータは#rrggbbの色指定です。"));
  uint32_t c = readColor(e);
  e.text.lookbackColor = TextRgb{static_cast<int32_t>(c >> 16 & 0xFF), static_cast<int32_t>(c >> 8 & 0xFF),
                                 static_cast<int32_t>(c & 0xFF)};
}

void cmdLookbackvoice(Engine& e, std::string_view, bool) { e.text.lookbackVoice = readString(e); }

}  // namespace

void registerTextLogCommands(CommandTable& t) {
  t.add("lookbackon", cmdLookbackon, "");
  t.add("lookbackoff", cmdLookbackoff, "");
  t.add("lookbackflush", cmdLookbackflush, "");
  t.add("lookbackbutton", cmdLookbackbutton, "p,p,p,p");
  t.add("lookbackcolor", cmdLookbackcolor,
        {.pattern = "c", .colorMessage = "lookbackcolorのパラメータは#rrggbbの色指定です。"});
  t.add("lookbackvoice", cmdLookbackvoice, "a");
}

void textLogRestoreDefaults(Engine& e) {
  TextState& t = e.text;
  t.lookbackColor = TextRgb{255, 255, 64};
  t.lookbackVoice.clear();
  t.lookbackArrowsGiven = 0;
}

void textLogResetGame(Engine& e) {
  TextState& t = e.text;
  t.logEnabled = 1;
  clearLog(e);
  if (t.lookbackArrowsGiven) return;
  // A missing picture gives a blank one.
  static const char* const kDefaultArrows[] = {"uoncur.bmp", "uoffcur.bmp", "doncur.bmp", "doffcur.bmp"};
  for (size_t i = 0; i < t.lookbackArrows.size(); ++i) loadOptionalImage(e, t.lookbackArrows[i], kDefaultArrows[i]);
}

std::string currentLogPage(const Engine& e) {
  const TextLog& log = e.text.log;
  if (log.maxPages > 0) return log.openPage;
  int end = writeEnd(log);
  int start = end;
  while (start > 0 && log.buffer[static_cast<size_t>(start - 1)] != 1) --start;
  return std::string(reinterpret_cast<const char*>(log.buffer.data()) + start, static_cast<size_t>(end - start));
}

}  // namespace veloria
