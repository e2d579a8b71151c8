#include "text/text_log.h"

#include <algorithm>

#include "app/engine.h"
#include "text/text.h"

namespace veloria {

// A page longer than the room left is cut: what does not fit is not stored, and the next
// page end restarts the buffer.
void logAppend(TextLog& log, const uint8_t* bytes, int n) {
  if (log.writePos < 0 || log.writePos + n > TextLog::kSize) return;
  for (int i = 0; i < n; ++i) log.buffer[static_cast<size_t>(log.writePos + i)] = bytes[i];
  log.writePos += n;
  log.pageMarked = 0;
}

void logClear(TextLog& log, bool withMark) {
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
  if (log.pageMarked) return;
  if (log.writePos >= 0 && log.writePos < TextLog::kSize) {
    log.buffer[static_cast<size_t>(log.writePos)] = 1;
    ++log.writePos;
    log.pageMarked = 1;
  }
  if (log.writePos >= TextLog::kRestartAt) logClear(log, true);
}

void logChar(Engine& e, uint8_t first, uint8_t second) {
  if (!e.text.logEnabled) return;
  const uint8_t b[2] = {first, second};
  logAppend(e.text.log, b, 2);
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

std::string currentLogPage(const Engine& e) {
  const TextLog& log = e.text.log;
  int end = std::clamp(log.writePos, 0, TextLog::kSize);
  int start = end;
  while (start > 0 && log.buffer[static_cast<size_t>(start - 1)] != 1) --start;
  return std::string(reinterpret_cast<const char*>(log.buffer.data()) + start, static_cast<size_t>(end - start));
}

}  // namespace veloria
