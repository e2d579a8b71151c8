#include "save/persist_formats.h"

#include <algorithm>

#include "platform/text_codec.h"
#include "save/save_image.h"
#include "save/save_items.h"
#include "script/script.h"
#include "engine/script_state.h"

namespace veloria {

namespace {

// Longest string a file may hand us before we stop trusting it; longer values are cut to
// what the variable or setting holds after reading.
constexpr size_t kMaxReadString = 65535;

void readCut(ItemReader& r, std::string& out, size_t keep) {
  r.getString(out, kMaxReadString);
  if (out.size() > keep) truncateSjis(out, keep);
}

}  // namespace

void decodeGlobals(const uint8_t* data, size_t size, GlobalVariables& out) {
  ItemReader r(data, size);
  for (size_t i = 0; i < kGlobalVariableCount; ++i) {
    out.numVars[i] = r.getInt();
    readCut(r, out.strVars[i], kMaxStringBytes);
  }
}

void encodeGlobals(const GlobalVariables& g, std::vector<uint8_t>& out) {
  out.clear();
  ItemWriter w(out);
  for (size_t i = 0; i < kGlobalVariableCount; ++i) {
    w.putInt(g.numVars[i]);
    w.putString(g.strVars[i]);
  }
}

bool hasExtendedMarker(const uint8_t* data, size_t size) {
  ItemReader r(data, size);
  return r.take(kExtendedMarker, sizeof kExtendedMarker);
}

bool decodeExtendedGlobals(const uint8_t* data, size_t size, ExtendedGlobals& out) {
  ItemReader r(data, size);
  if (!r.take(kExtendedMarker, sizeof kExtendedMarker)) return false;
  if (r.getInt() != kExtendedVersion) return false;
  out.border = r.getInt();
  if (out.border < 1 || out.border > kMaxVariableCount) return false;
  const size_t count = static_cast<size_t>(kMaxVariableCount - out.border);
  out.numVars.assign(count, 0);
  out.strVars.assign(count, std::string());
  for (size_t i = 0; i < count && !r.ranOut(); ++i) {
    out.numVars[i] = r.getInt();
    readCut(r, out.strVars[i], kMaxStringBytes);
  }
  return !r.ranOut() && !r.damaged() && r.atEnd();
}

void encodeExtendedGlobals(const ExtendedGlobals& g, std::vector<uint8_t>& out) {
  out.clear();
  ItemWriter w(out);
  w.putBytes(kExtendedMarker, sizeof kExtendedMarker);
  w.putInt(kExtendedVersion);
  w.putInt(g.border);
  for (size_t i = 0; i < g.numVars.size(); ++i) {
    w.putInt(g.numVars[i]);
    w.putString(i < g.strVars.size() ? g.strVars[i] : std::string());
  }
}

Environment decodeEnvironment(const uint8_t* data, size_t size) {
  ItemReader r(data, size);
  Environment env;
  env.fullScreen = r.getInt();
  env.waveOn = r.getInt();
  env.textSpeed = r.getInt();
  env.pageOnly = r.getInt();
  readCut(r, env.faceName, kMaxSettingBytes);
  env.cdEnabled = r.getInt();
  readCut(r, env.cdDrive, kMaxSettingBytes);
  return env;
}

void encodeEnvironment(const Environment& env, std::vector<uint8_t>& out) {
  out.clear();
  ItemWriter w(out);
  w.putInt(env.fullScreen);
  w.putInt(env.waveOn);
  w.putInt(env.textSpeed);
  w.putInt(env.pageOnly);
  w.putString(env.faceName);
  w.putInt(env.cdEnabled);
  w.putString(env.cdDrive);
}

std::vector<std::string> decodeLog(const uint8_t* data, size_t size) {
  std::vector<std::string> entries;
  size_t pos = 0;
  // The count, as "%d\n" reads it: blanks, a sign, digits, then any blanks.
  auto blank = [&](uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
  while (pos < size && blank(data[pos])) ++pos;
  bool negative = false;
  if (pos < size && (data[pos] == '-' || data[pos] == '+')) negative = data[pos++] == '-';
  int64_t count = 0;
  bool digits = false;
  while (pos < size && data[pos] >= '0' && data[pos] <= '9') {
    count = std::min<int64_t>(count * 10 + (data[pos++] - '0'), INT32_MAX);
    digits = true;
  }
  if (!digits || negative) return entries;
  while (pos < size && blank(data[pos])) ++pos;
  count = std::min<int64_t>(count, static_cast<int64_t>(kMaxLogEntries));

  for (int64_t k = 0; k < count && pos < size; ++k) {
    // An entry that does not start with a quote has no value: its first byte is taken as
    // the quote that opens the next one.
    if (data[pos] != '"' && ++k >= count) break;
    ++pos;
    // Entries follow each other without a gap, so the closing quote is one followed by the
    // next entry's quote or by the end (the last entry: the first quote). A quote inside an
    // entry (a byte that the key turned into one) is then read as a byte; so is any byte
    // after a Shift-JIS lead byte, which is that character's trail byte (0xE1 becomes a quote).
    const bool last = k + 1 == count;
    size_t end = pos;
    while (end < size && !(data[end] == '"' && (last || end + 1 == size || data[end + 1] == '"')))
      end += isSjisLead(static_cast<uint8_t>(data[end] ^ kLogKey)) && end + 2 < size ? 2 : 1;
    if (end >= size) break;  // cut off by the end of the file
    std::string en;
    for (size_t i = pos; i < end; ++i) {
      uint8_t c = static_cast<uint8_t>(data[i] ^ kLogKey);
      if (c == 0) break;
      en.push_back(static_cast<char>(c));
    }
    if (en.size() > kMaxLogEntryBytes) truncateSjis(en, kMaxLogEntryBytes);
    if (!en.empty()) entries.push_back(std::move(en));
    pos = end + 1;
  }
  return entries;
}

void encodeLog(const std::vector<std::string>& entries, std::vector<uint8_t>& out) {
  out.clear();
  std::string head = std::to_string(entries.size()) + "\n";
  out.insert(out.end(), head.begin(), head.end());
  for (const std::string& en : entries) {
    out.push_back('"');
    for (char ch : en) {
      uint8_t c = static_cast<uint8_t>(static_cast<uint8_t>(ch) ^ kLogKey);
      if (c == 0) break;
      out.push_back(c);
    }
    out.push_back('"');
  }
}

}  // namespace veloria
