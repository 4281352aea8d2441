#include "clipboard/DropFiles.h"

#include "core/Bytes.h"
#include "core/Text.h"

namespace tarvel {

namespace {

constexpr std::uint32_t WideFlagAll = 0xFFFFFFFFu;

[[noreturn]] void Fail(std::u16string_view AMessage) {
  throw EDropFilesError(u"Clipboard file list: " + std::u16string(AMessage));
}

} // namespace

std::u16string DropFilesPathFault(std::u16string_view APath) {
  if (APath.empty())
    return u"is empty";
  if (APath.find(u'\0') != std::u16string_view::npos)
    return u"holds a zero character";
  if (APath.size() > MaxDropFilesPathLength)
    return Format(u"is %u units long, longer than %u", {APath.size(), MaxDropFilesPathLength});
  return {};
}

std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::u16string>& APaths) {
  std::size_t size = DropFilesHeaderSize + 2;
  for (std::size_t i = 0; i < APaths.size(); ++i) {
    const std::u16string fault = DropFilesPathFault(APaths[i]);
    if (!fault.empty())
      Fail(Format(u"path %u %s", {i, fault}));
    size += 2 * (APaths[i].size() + 1);
  }
  std::vector<std::uint8_t> out(size, 0);
  StoreLE32(out.data(), static_cast<std::uint32_t>(DropFilesHeaderSize));
  StoreLE32(out.data() + 16, WideFlagAll);
  std::size_t pos = DropFilesHeaderSize;
  for (const std::u16string& path : APaths) {
    for (const char16_t c : path) {
      out[pos] = static_cast<std::uint8_t>(c);
      out[pos + 1] = static_cast<std::uint8_t>(c >> 8);
      pos += 2;
    }
    pos += 2; // the path's terminator; the vector is zeroed
  }
  return out;
}

TDropFilesBlock ParseDropFiles(const std::uint8_t* AData, std::size_t ASize) {
  if (AData == nullptr)
    Fail(u"there is no data");
  if (ASize == 0)
    Fail(u"the block is empty");
  if (ASize < DropFilesHeaderSize)
    Fail(Format(u"the block is %u bytes, shorter than its %u-byte header", {ASize, DropFilesHeaderSize}));
  const std::uint32_t offset = ReadLE32(AData);
  if (offset < DropFilesHeaderSize)
    Fail(Format(u"the list offset %u points into the header", {offset}));
  if (offset >= ASize)
    Fail(Format(u"the list offset %u is not inside the %u-byte block", {offset, ASize}));

  TDropFilesBlock r;
  r.Wide = ReadLE32(AData + 16) != 0;
  const std::size_t unitSize = r.Wide ? 2 : 1;
  std::u16string path;
  for (std::size_t pos = offset;; pos += unitSize) {
    const std::size_t left = ASize - pos;
    if (left < unitSize) {
      if (left != 0)
        Fail(Format(u"the wide text ends in a single byte at offset %u, without its terminators", {pos}));
      Fail(path.empty() ? u"the list ends without its final terminator" : u"the last path ends without its terminator");
    }
    const char16_t c = r.Wide ? static_cast<char16_t>(AData[pos] | AData[pos + 1] << 8) : AData[pos];
    if (c != 0) {
      path += c;
      continue;
    }
    if (path.empty())
      break;
    // Only the length can be wrong here: a path read up to its 0 is neither empty nor cut.
    const std::u16string fault = DropFilesPathFault(path);
    if (!fault.empty())
      Fail(Format(u"path %u %s", {r.Paths.size(), fault}));
    r.Paths.push_back(std::move(path));
    path.clear();
  }
  return r;
}

} // namespace tarvel
