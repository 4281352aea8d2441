#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"

namespace tarvel {

// A malformed file-list block (CF_HDROP) or a path list that cannot be written as one.
TARVEL_DECLARE_ERROR(EDropFilesError, EError);

// The fixed part of the block: the list offset, the drop point, the non-client flag and
// the wide flag, little-endian.
inline constexpr std::size_t DropFilesHeaderSize = 20;
// Longest path a file list may hold, in UTF-16 units: the longest the system supports
// (with the "\\?\" prefix). Paths past MAX_PATH are real and must not be cut.
inline constexpr std::size_t MaxDropFilesPathLength = 32767;

struct TDropFilesBlock {
  // The paths were UTF-16; when false they were 8-bit text, widened byte by byte here.
  bool Wide = true;
  std::vector<std::u16string> Paths;
};

// Why APath cannot stand in a file list, or an empty text when it can: an empty path would
// end the list early, a 0 unit would cut it, and no path the system handles is longer than
// MaxDropFilesPathLength. Reading and writing both go by this rule, so that every list the
// program reads can be written back.
std::u16string DropFilesPathFault(std::u16string_view APath);
inline bool IsUsableDropFilesPath(std::u16string_view APath) {
  return DropFilesPathFault(APath).empty();
}

// The file-list block of APaths: list offset 20, drop point (0, 0), non-client flag 0, wide
// flag 0xFFFFFFFF, then each path in UTF-16 followed by one 0 unit and a final 0 unit, so
// 20 + 2 × (length + 1) per path + 2 bytes in all. An empty list is valid. A path that is
// not usable (DropFilesPathFault) raises EDropFilesError.
std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::u16string>& APaths);

// Reads a file-list block: the paths from the list offset on, each ended by a 0 unit (a
// 0 byte for 8-bit paths), the list ended by one more. An immediate terminator is an empty
// list. Bytes after the final terminator are ignored: the system rounds the size of memory
// blocks up. Paths come back whole, however long.
//
// 8-bit paths (wide flag 0) come back with Wide false, each byte widened to the code unit
// of the same value (Latin-1). That is right for ASCII only: the Windows layer hands such
// blocks to the system's reader, which knows the code page, once this validation passed.
//
// A null or empty block, one shorter than the header, a list offset inside the header or
// at or past the end, a list whose terminators are not within the block, wide text that
// runs into an odd last byte and a path longer than MaxDropFilesPathLength raise
// EDropFilesError with a message starting "Clipboard file list:". Nothing is read outside
// the block.
TDropFilesBlock ParseDropFiles(const std::uint8_t* AData, std::size_t ASize);

} // namespace tarvel
