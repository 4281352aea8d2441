// Lays out the words an OCR engine read, in each layout, for bench/ocr-layout:
// tarvel_ocr_layout <out-dir> <words.tsv>...
//
// Each input is tesseract's TSV output, standing in for the system engine. Only its lines
// and words are read (level 4 and 5 rows: the word boxes and texts, and which line each word
// belongs to), never its blocks or paragraphs, as the system engine gives no such thing.
// For each input <name>.tsv the tool writes <out-dir>/<name>.<layout>.txt in UTF-8 for
// lines, paragraphs, oneline and table, and prints "<name>\t<layout>\t<why>" for each layout
// that fell back to the engine's lines.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"
#include "ocr/OcrLayout.h"

namespace {

using tarvel::TOcrTextLayout;
using tarvel::TOcrTextLine;

std::vector<std::string> Fields(const std::string& ALine) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = ALine.find('\t', start);
    fields.push_back(ALine.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos)
      return fields;
    start = tab + 1;
  }
}

std::string Trimmed(std::string_view AText) {
  const std::size_t first = AText.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos)
    return {};
  return std::string(AText.substr(first, AText.find_last_not_of(" \t\r\n") - first + 1));
}

// The engine's lines in its order, each with its words; lines without words are left out,
// as the system engine gives none.
std::vector<TOcrTextLine> ReadTsv(const std::filesystem::path& APath) {
  std::ifstream in(APath);
  if (!in)
    throw std::runtime_error("cannot open " + APath.string());
  std::vector<TOcrTextLine> lines;
  bool inLine = false;
  std::string row;
  std::getline(in, row); // the header
  for (int number = 2; std::getline(in, row); ++number) {
    if (!row.empty() && row.back() == '\r')
      row.pop_back();
    const std::vector<std::string> f = Fields(row);
    if (f.size() < 12)
      continue;
    int level = 0;
    tarvel::TOcrRect rect;
    try {
      level = std::stoi(f[0]);
      rect = {std::stof(f[6]), std::stof(f[7]), std::stof(f[8]), std::stof(f[9])};
    } catch (const std::logic_error&) {
      throw std::runtime_error(APath.string() + ":" + std::to_string(number) + ": not a row of tesseract's TSV");
    }
    if (level == 4) {
      lines.emplace_back();
      inLine = true;
    } else if (level < 4) {
      inLine = false;
    } else if (level == 5 && inLine) {
      const std::string text = Trimmed(f[11]);
      if (text.empty())
        continue;
      lines.back().Words.push_back({tarvel::FromUtf8(text), rect});
    }
  }
  std::erase_if(lines, [](const TOcrTextLine& ALine) { return ALine.Words.empty(); });
  for (TOcrTextLine& line : lines)
    line.Text = tarvel::JoinOcrWords(line.Words, true);
  return lines;
}

struct TLayoutFile {
  TOcrTextLayout Layout;
  const char* Suffix;
};

constexpr TLayoutFile Layouts[] = {{TOcrTextLayout::Lines, "lines"},
                                   {TOcrTextLayout::Paragraphs, "paragraphs"},
                                   {TOcrTextLayout::OneLine, "oneline"},
                                   {TOcrTextLayout::Table, "table"}};

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: tarvel_ocr_layout <out-dir> <words.tsv>...\n", stderr);
    return 2;
  }
  const std::filesystem::path outDir = argv[1];
  try {
    std::filesystem::create_directories(outDir);
    for (int i = 2; i < argc; ++i) {
      const std::filesystem::path input = argv[i];
      const std::vector<TOcrTextLine> lines = ReadTsv(input);
      const std::string name = input.stem().string();
      for (const TLayoutFile& layout : Layouts) {
        std::u16string why;
        const std::string text = tarvel::ToUtf8(tarvel::LayOutOcrText(lines, 0.0, true, layout.Layout, &why));
        std::ofstream out(outDir / (name + "." + layout.Suffix + ".txt"), std::ios::binary);
        out << text;
        if (!out)
          throw std::runtime_error("cannot write the text of " + name);
        if (!why.empty())
          std::printf("%s\t%s\t%s\n", name.c_str(), layout.Suffix, tarvel::ToUtf8(why).c_str());
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvel_ocr_layout: %s\n", e.what());
    return 1;
  }
  return 0;
}
