#include "history/HistoryFind.h"

#include <array>

namespace tarvel {

namespace {

// The folding of every UTF-16 unit, built once: a search looks up each unit of each entry, so
// the lookup has to be a plain index.
class TFoldTable {
public:
  TFoldTable() {
    for (std::size_t c = 0; c < FMap.size(); ++c)
      FMap[c] = static_cast<char16_t>(c);
    Shift(u'A', u'Z', 0x20);
    Shift(0x00C0, 0x00D6, 0x20); // Latin-1 capitals, without the multiplication sign
    Shift(0x00D8, 0x00DE, 0x20);
    Pairs(0x0100, 0x012F);
    Pairs(0x0132, 0x0137);
    Pairs(0x0139, 0x0148, 1);
    Pairs(0x014A, 0x0177);
    Set(0x0178, 0x00FF); // Y with diaeresis
    Pairs(0x0179, 0x017E, 1);
    Set(0x017F, u's'); // long s
    Pairs(0x01DE, 0x01EF);
    Pairs(0x01F8, 0x021F);
    Set(0x0386, 0x03AC); // Greek capitals with tonos
    Shift(0x0388, 0x038A, 0x25);
    Set(0x038C, 0x03CC);
    Shift(0x038E, 0x038F, 0x3F);
    Shift(0x0391, 0x03A1, 0x20);
    Shift(0x03A3, 0x03AB, 0x20);
    Set(0x03C2, 0x03C3);         // final sigma
    Shift(0x0400, 0x040F, 0x50); // Cyrillic
    Shift(0x0410, 0x042F, 0x20);
    Pairs(0x0460, 0x0481);
    Pairs(0x048A, 0x04BF);
    Set(0x04C0, 0x04CF);
    Pairs(0x04C1, 0x04CE, 1);
    Pairs(0x04D0, 0x052F);
    Shift(0x0531, 0x0556, 0x30); // Armenian
    Pairs(0x1E00, 0x1E95);       // Latin Extended Additional (Vietnamese among others)
    Set(0x1E9E, 0x00DF);         // capital sharp s
    Pairs(0x1EA0, 0x1EFF);
    Set(0x212A, u'k');           // Kelvin sign
    Set(0x212B, 0x00E5);         // Angstrom sign
    Shift(0xFF21, 0xFF3A, 0x20); // full-width Latin
  }
  char16_t operator[](char16_t AChar) const noexcept { return FMap[AChar]; }

private:
  void Set(char16_t AFrom, char16_t ATo) { FMap[AFrom] = ATo; }
  void Shift(char16_t AFirst, char16_t ALast, int ADelta) {
    for (int c = AFirst; c <= ALast; ++c)
      FMap[static_cast<std::size_t>(c)] = static_cast<char16_t>(c + ADelta);
  }
  // Capital and small letter side by side; the capital first at an even code (AOdd 0) or at
  // an odd one (AOdd 1).
  void Pairs(char16_t AFirst, char16_t ALast, int AOdd = 0) {
    for (int c = AFirst; c < ALast; ++c)
      if ((c & 1) == AOdd)
        FMap[static_cast<std::size_t>(c)] = static_cast<char16_t>(c + 1);
  }

  std::array<char16_t, 0x10000> FMap{};
};

const TFoldTable& Fold() {
  static const TFoldTable table;
  return table;
}

} // namespace

char16_t FoldCase(char16_t AChar) noexcept {
  return Fold()[AChar];
}

TFindText::TFindText(std::u16string_view AText) : FFolded(AText) {
  const TFoldTable& fold = Fold();
  for (char16_t& c : FFolded)
    c = fold[c];
  if (FFolded.empty())
    return;
  for (std::size_t c = 0; c < 0x10000; ++c)
    if (fold[static_cast<char16_t>(c)] == FFolded[0])
      FFirst.push_back(static_cast<char16_t>(c));
}

bool TFindText::RestMatches(const char16_t* AAt) const noexcept {
  const TFoldTable& fold = Fold();
  for (std::size_t i = 1; i < FFolded.size(); ++i)
    if (fold[AAt[i]] != FFolded[i])
      return false;
  return true;
}

bool TFindText::FoundIn(std::u16string_view AText) const noexcept {
  const std::size_t n = FFolded.size();
  if (n == 0)
    return true;
  if (AText.size() < n)
    return false;
  const char16_t* p = AText.data();
  const char16_t* const last = p + (AText.size() - n);
  // Most units have one to three forms (a digit; a letter and its capital; k, K and the
  // Kelvin sign): comparing with them is much quicker than folding every unit of a long text.
  if (FFirst.size() <= 3) {
    const char16_t a = FFirst[0];
    const char16_t b = FFirst[FFirst.size() > 1 ? 1 : 0];
    const char16_t c = FFirst.back();
    for (; p <= last; ++p)
      if ((*p == a || *p == b || *p == c) && RestMatches(p))
        return true;
    return false;
  }
  const TFoldTable& fold = Fold();
  const char16_t first = FFolded[0];
  for (; p <= last; ++p)
    if (fold[*p] == first && RestMatches(p))
      return true;
  return false;
}

bool EntryContains(const TClipHistoryItem& AItem, const TFindText& AFind) noexcept {
  switch (AItem.Kind) {
  case cikText: return AFind.FoundIn(AItem.Text);
  case cikImage: return AFind.FoundIn(AItem.Preview);
  case cikFiles:
    for (const std::u16string& path : AItem.Files)
      if (AFind.FoundIn(path))
        return true;
    return false;
  }
  return false;
}

std::vector<int> FindHistoryEntries(const TClipHistory& AHistory, const TFindText& AFind) {
  std::vector<int> found;
  for (int i = 0; i < AHistory.Count(); ++i)
    if (EntryContains(AHistory.Items(i), AFind))
      found.push_back(i);
  return found;
}

std::vector<int> FindHistoryEntries(const TClipHistory& AHistory, const TFindText& AFind,
                                    const std::vector<int>& ACandidates) {
  std::vector<int> found;
  for (int i : ACandidates)
    if (i >= 0 && i < AHistory.Count() && EntryContains(AHistory.Items(i), AFind))
      found.push_back(i);
  return found;
}

} // namespace tarvel
