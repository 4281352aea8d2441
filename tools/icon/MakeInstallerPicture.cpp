// Writes the side picture of the installer's welcome and finish pages as a .bmp file:
//   tarvel_make_installer_picture <output.bmp>
// It runs on the build machine, like the icon tool beside it, and draws with the program
// icon's code, so the picture needs no source of its own.
#include <cstdio>
#include <vector>

#include "BmpFile.h"
#include "InstallerPicture.h"
#include "core/Errors.h"
#include "core/Text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
    return 2;
  }
  try {
    const std::vector<std::uint8_t> bmp = tarvel::EncodeBmp(tarvel::RenderInstallerPicture());
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
      std::perror(argv[1]);
      return 1;
    }
    const bool written = std::fwrite(bmp.data(), 1, bmp.size(), file) == bmp.size();
    if (std::fclose(file) != 0 || !written) {
      std::fprintf(stderr, "%s: cannot write the picture file\n", argv[1]);
      std::remove(argv[1]);
      return 1;
    }
  } catch (const tarvel::EError& e) {
    std::fprintf(stderr, "tarvel_make_installer_picture: %s\n", tarvel::ToUtf8(e.Message()).c_str());
    return 1;
  }
  return 0;
}
