// Writing veloria.dat / velo_sec.dat from the numbered script files.
#include <filesystem>
#include <fstream>
#include <map>

#include "arc_tool.h"
#include "script/scramble.h"

namespace veloria::arc {

namespace {

namespace sfs = std::filesystem;

// The engine's script buffer; the loaded text and its final line feed must stay below it.
constexpr size_t kScriptBufferSize = 5242880;

// Text-mode reading: CR LF becomes LF and a 0x1A byte ends the text.
std::string readTextMode(const sfs::path& p) {
  std::ifstream f(p, std::ios::binary);
  if (!f) throw ToolError("cannot read " + p.string());
  std::string raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) throw ToolError("cannot read " + p.string());
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\x1a') break;
    if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

size_t writeScrambledScript(const std::string& dir, const std::string& outPath, ScriptForm form,
                            std::ostream* progress) {
  std::error_code ec;
  if (!sfs::is_directory(dir, ec)) throw ToolError(dir + " is not a directory");
  // The engine finds k.txt in any letter case.
  std::map<int, sfs::path> files;
  for (const auto& de : sfs::directory_iterator(dir, ec)) {
    std::string n = de.path().filename().string();
    for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (int k = 0; k < 100; ++k)
      if (n == std::to_string(k) + ".txt" && de.is_regular_file(ec)) files[k] = de.path();
  }
  if (files.empty()) throw ToolError("no script files 0.txt .. 99.txt in " + dir);
  std::string buf;
  for (const auto& [k, path] : files) {
    std::string text = readTextMode(path);
    size_t nul = text.find('\0');
    if (nul != std::string::npos)
      throw ToolError(path.filename().string() + " holds a 0 byte at offset " + std::to_string(nul) +
                      ": the script would end there");
    buf += text;
    buf += '\n';
    if (progress) *progress << "  " << path.filename().string() << "  " << text.size() << " bytes\n";
  }
  // The loader appends one line feed after the single file; leaving ours off makes the
  // loaded text the same as with the numbered files.
  buf.pop_back();
  if (buf.size() + 1 >= kScriptBufferSize)
    throw ToolError("the script is " + std::to_string(buf.size() + 1) + " bytes; the engine holds less than " +
                    std::to_string(kScriptBufferSize));
  auto* bytes = reinterpret_cast<uint8_t*>(buf.data());
  if (form == ScriptForm::veloriaDat)
    scrambleVeloriaDat(bytes, buf.size());
  else
    scrambleVeloSec(bytes, buf.size());
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(buf.data(), static_cast<std::streamsize>(buf.size()));
  out.close();
  if (!out) throw ToolError("cannot write " + outPath);
  return files.size();
}

}  // namespace veloria::arc
