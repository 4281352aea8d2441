#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "history/uHistory.h"

namespace tarvel {

// The simple case folding of one UTF-16 unit, as a search that ignores case needs it: the
// capital letters of the Latin, Greek, Cyrillic and Armenian alphabets (and the full-width
// Latin ones) become their small letters, and the few small letters with a second form (the
// long s, the final sigma) their usual one. Every other unit stays as it is.
char16_t FoldCase(char16_t AChar) noexcept;

// A text to look for, ignoring case, folded once for all the entries it is looked for in.
class TFindText {
public:
  explicit TFindText(std::u16string_view AText);

  bool Empty() const noexcept { return FFolded.empty(); }
  const std::u16string& Folded() const noexcept { return FFolded; }
  // Whether AText contains it (the empty text is in every text).
  bool FoundIn(std::u16string_view AText) const noexcept;
  // Whether everything that contains this also contains AOther: then a search for this one
  // need only look among what AOther found.
  bool Narrows(const TFindText& AOther) const noexcept { return FFolded.find(AOther.FFolded) != std::u16string::npos; }

private:
  bool RestMatches(const char16_t* AAt) const noexcept;

  std::u16string FFolded;
  // Every unit that folds to the first one: the scan looks for these, then compares the rest.
  std::vector<char16_t> FFirst;
};

// Whether an entry holds the text: a text entry in its text, a file entry in one of its paths,
// an image in its preview ("Image 1920x1080").
bool EntryContains(const TClipHistoryItem& AItem, const TFindText& AFind) noexcept;

// The indices of the entries that hold AFind, oldest first.
std::vector<int> FindHistoryEntries(const TClipHistory& AHistory, const TFindText& AFind);
// The same among ACandidates only (indices, ascending), for a text that narrows the one that
// found them.
std::vector<int> FindHistoryEntries(const TClipHistory& AHistory, const TFindText& AFind,
                                    const std::vector<int>& ACandidates);

} // namespace tarvel
