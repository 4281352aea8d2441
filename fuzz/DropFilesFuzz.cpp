// libFuzzer target: any block given to ParseDropFiles parses or raises EDropFilesError. The
// paths it returns are all usable ones (never empty nor longer than the limit), and writing
// them with BuildDropFiles and reading that back gives the same paths.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "clipboard/DropFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  tarvel::TDropFilesBlock parsed;
  try {
    parsed = tarvel::ParseDropFiles(AData, ASize);
  } catch (const tarvel::EDropFilesError&) {
    return 0;
  }
  for (const std::u16string& path : parsed.Paths)
    if (!tarvel::IsUsableDropFilesPath(path))
      std::abort();
  const std::vector<std::uint8_t> block = tarvel::BuildDropFiles(parsed.Paths);
  const tarvel::TDropFilesBlock again = tarvel::ParseDropFiles(block.data(), block.size());
  if (!again.Wide || again.Paths != parsed.Paths)
    std::abort();
  return 0;
}
