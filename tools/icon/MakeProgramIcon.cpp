// Writes the program icon as an .ico file for the executable's icon resource:
//   tarvel_make_icon <output.ico>
// It runs on the build machine and draws with the code the program itself draws its window
// and tray icon with, so the file needs no source of its own.
#include <cstdio>
#include <vector>

#include "IcoFile.h"
#include "app/ProgramIcon.h"
#include "core/Errors.h"
#include "core/Text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.ico>\n", argv[0]);
    return 2;
  }
  // The sizes Windows asks for at 100 % to 250 % scaling in lists, the taskbar, the
  // start menu and Explorer's views; 256 for the largest tiles.
  constexpr int Sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
  try {
    std::vector<tarvel::TBitmap32> images;
    for (int size : Sizes)
      images.push_back(tarvel::RenderProgramIcon(size));
    const std::vector<std::uint8_t> ico = tarvel::EncodeIco(images);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
      std::perror(argv[1]);
      return 1;
    }
    const bool written = std::fwrite(ico.data(), 1, ico.size(), file) == ico.size();
    if (std::fclose(file) != 0 || !written) {
      std::fprintf(stderr, "%s: cannot write the icon file\n", argv[1]);
      std::remove(argv[1]);
      return 1;
    }
  } catch (const tarvel::EError& e) {
    std::fprintf(stderr, "tarvel_make_icon: %s\n", tarvel::ToUtf8(e.Message()).c_str());
    return 1;
  }
  return 0;
}
