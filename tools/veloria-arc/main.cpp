// veloria-arc: the archive and script tool for game authors.
#include <cstring>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "arc_tool.h"
#include "platform/text_codec.h"

namespace {

using namespace veloria::arc;

const char* const kUsage =
    "usage:\n"
    "  veloria-arc list ARCHIVE\n"
    "  veloria-arc extract ARCHIVE [MEMBER...] [-o DIR] [-q]\n"
    "  veloria-arc pack DIR -o ARCHIVE [-q]\n"
    "  veloria-arc script DIR -o veloria.dat|velo_sec.dat [--sec] [-q]\n"
    "\n"
    "pack stores every file below DIR under its relative path (Shift-JIS, '\\' separators,\n"
    "capital letters made small). 24-bit BMPs are delta-coded, other BMPs and files LZSS-coded\n"
    "(files that do not shrink are stored). extract writes delta-coded pictures as BMP files.\n"
    "script joins DIR/0.txt .. 99.txt as the engine loads them and writes the scrambled\n"
    "single file; --sec (or an output named velo_sec.dat) selects the second form.\n";

struct Args {
  std::vector<std::string> positional;
  std::string out;
  bool quiet = false;
  bool sec = false;
};

bool parse(int argc, char** argv, Args& a) {
  for (int i = 2; i < argc; ++i) {
    std::string s = argv[i];
    if (s == "-o" || s == "--output") {
      if (i + 1 >= argc) return false;
      a.out = argv[++i];
    } else if (s == "-q" || s == "--quiet") {
      a.quiet = true;
    } else if (s == "--sec") {
      a.sec = true;
    } else if (s.size() > 1 && s[0] == '-') {
      return false;
    } else {
      a.positional.push_back(s);
    }
  }
  return true;
}

int list(const Args& a) {
  if (a.positional.size() != 1) return 2;
  auto members = readMembers(a.positional[0]);
  uint64_t stored = 0, decoded = 0;
  std::cout << "kind     stored     decoded  name\n";
  for (const auto& m : members) {
    std::cout << std::left << std::setw(7) << kindName(m.kind) << std::right << std::setw(9)
              << m.storedLength << "  " << std::setw(10) << m.decodedLength << "  "
              << veloria::sjisToUtf8(m.name) << "\n";
    stored += m.storedLength;
    decoded += m.decodedLength;
  }
  std::cout << members.size() << " members, " << stored << " bytes stored, " << decoded
            << " bytes decoded\n";
  return 0;
}

int run(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  std::string cmd = argv[1];
  if (cmd == "help" || cmd == "-h" || cmd == "--help") {
    std::cout << kUsage;
    return 0;
  }
  Args a;
  if (!parse(argc, argv, a)) {
    std::cerr << kUsage;
    return 2;
  }
  std::ostream* progress = a.quiet ? nullptr : &std::cerr;
  int rc = 2;
  if (cmd == "list") {
    rc = list(a);
  } else if (cmd == "extract" && !a.positional.empty()) {
    std::vector<std::string> names(a.positional.begin() + 1, a.positional.end());
    size_t n = extractArchive(a.positional[0], names, a.out.empty() ? "." : a.out, progress);
    if (progress) *progress << n << " files extracted\n";
    rc = 0;
  } else if (cmd == "pack" && a.positional.size() == 1 && !a.out.empty()) {
    PackStats st = packDirectory(a.positional[0], a.out, progress);
    if (progress) {
      *progress << st.files << " files (" << st.delta << " delta, " << st.lzss << " lzss, "
                << st.stored << " stored): " << st.inputBytes << " -> " << st.archiveBytes << " bytes";
      if (st.inputBytes)
        *progress << std::fixed << std::setprecision(1) << " ("
                  << 100.0 * static_cast<double>(st.archiveBytes) / static_cast<double>(st.inputBytes)
                  << "%)";
      *progress << "\n";
    }
    rc = 0;
  } else if (cmd == "script" && a.positional.size() == 1 && !a.out.empty()) {
    std::string base = a.out.substr(a.out.find_last_of('/') + 1);
    for (char& c : base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ScriptForm form = a.sec || base == "velo_sec.dat" ? ScriptForm::veloSecDat : ScriptForm::veloriaDat;
    size_t n = writeScrambledScript(a.positional[0], a.out, form, progress);
    if (progress)
      *progress << n << " script files -> " << a.out
                << "\nnote: the engine prefers 0.txt to veloria.dat; ship the scrambled file without the numbered ones\n";
    rc = 0;
  }
  if (rc == 2) std::cerr << kUsage;
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const ToolError& e) {
    std::cerr << "veloria-arc: error: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "veloria-arc: error: " << e.what() << "\n";
  }
  return 1;
}
