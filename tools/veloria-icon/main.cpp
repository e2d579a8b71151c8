// Build helper: draws the program's icon (the one the window shows) into a PNG file of the
// given size, for the installed icon theme. Not installed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/png_file.h"
#include "platform/window_icon.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: veloria-icon SIZE OUT.png\n");
    return 2;
  }
  int size = std::atoi(argv[1]);
  if (size < 8 || size > 1024) {
    std::fprintf(stderr, "veloria-icon: size 8 to 1024\n");
    return 2;
  }
  std::vector<uint8_t> icon = veloria::drawAppIcon(size);
  if (!veloria::writePngFile(argv[2], icon.data(), size, size, 4, static_cast<size_t>(size) * 4)) {
    std::fprintf(stderr, "veloria-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
