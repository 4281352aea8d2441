#include "core/Text.h"

#include <algorithm>

#include "core/Errors.h"

namespace tarvel {

std::u16string TrimLeft(std::u16string_view AText) {
  std::size_t b = 0;
  while (b < AText.size() && IsBlankOrControl(AText[b]))
    ++b;
  return std::u16string(AText.substr(b));
}

std::u16string TrimRight(std::u16string_view AText) {
  std::size_t e = AText.size();
  while (e > 0 && IsBlankOrControl(AText[e - 1]))
    --e;
  return std::u16string(AText.substr(0, e));
}

namespace {

// AText without the blanks and control characters at either end.
std::u16string_view TrimmedView(std::u16string_view AText) {
  std::size_t b = 0;
  std::size_t e = AText.size();
  while (b < e && IsBlankOrControl(AText[b]))
    ++b;
  while (e > b && IsBlankOrControl(AText[e - 1]))
    --e;
  return AText.substr(b, e - b);
}

} // namespace

std::u16string Trim(std::u16string_view AText) {
  return std::u16string(TrimmedView(AText));
}

char16_t UpCaseAscii(char16_t AChar) noexcept {
  return (AChar >= u'a' && AChar <= u'z') ? static_cast<char16_t>(AChar - (u'a' - u'A')) : AChar;
}

std::u16string UpperCaseAscii(std::u16string_view AText) {
  std::u16string r(AText);
  for (char16_t& c : r)
    c = UpCaseAscii(c);
  return r;
}

std::u16string ReplaceAll(std::u16string_view AText, std::u16string_view AFrom, std::u16string_view ATo) {
  if (AFrom.empty())
    return std::u16string(AText);
  std::u16string r;
  r.reserve(AText.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = AText.find(AFrom, pos);
    if (hit == std::u16string_view::npos)
      break;
    r.append(AText.substr(pos, hit - pos));
    r.append(ATo);
    pos = hit + AFrom.size();
  }
  r.append(AText.substr(pos));
  return r;
}

std::string ToUtf8(std::u16string_view AText) {
  std::string r;
  r.reserve(AText.size());
  for (std::size_t i = 0; i < AText.size(); ++i) {
    char32_t cp = AText[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < AText.size() && AText[i + 1] >= 0xDC00 && AText[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (AText[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      r += static_cast<char>(cp);
    } else if (cp < 0x800) {
      r += static_cast<char>(0xC0 | (cp >> 6));
      r += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      r += static_cast<char>(0xE0 | (cp >> 12));
      r += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      r += static_cast<char>(0xF0 | (cp >> 18));
      r += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      r += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return r;
}

std::u16string FromUtf8(std::string_view AText) {
  std::u16string r;
  r.reserve(AText.size());
  const auto* s = reinterpret_cast<const unsigned char*>(AText.data());
  const std::size_t n = AText.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    std::size_t need = 0;
    char32_t min = 0;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
      need = 1, cp = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      need = 2, cp = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      need = 3, cp = c & 0x07, min = 0x10000;
    }
    if (need > 0) {
      std::size_t k = 1;
      while (k <= need && i + k < n && (s[i + k] & 0xC0) == 0x80) {
        cp = (cp << 6) | (s[i + k] & 0x3F);
        ++k;
      }
      if (k == need + 1 && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        len = k;
      } else {
        cp = 0xFFFD;
        len = k > 1 ? k : 1; // skip the broken sequence's continuation bytes once
      }
    }
    if (cp >= 0x10000) {
      r += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      r += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      r += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return r;
}

std::u16string UIntToStr(std::uint64_t AValue) {
  char16_t buf[24];
  int n = 0;
  do {
    buf[n++] = static_cast<char16_t>(u'0' + AValue % 10);
    AValue /= 10;
  } while (AValue != 0);
  std::u16string r;
  while (n > 0)
    r += buf[--n];
  return r;
}

bool IsBlank(std::u16string_view AText) noexcept {
  return std::all_of(AText.begin(), AText.end(), IsBlankOrControl);
}

std::u16string MakeOneLinePreview(std::u16string_view AText, std::size_t AMaxLength, bool ATabsToBlanks) {
  const std::u16string_view text = TrimmedView(AText);
  std::u16string r;
  r.reserve(std::min(text.size(), AMaxLength + 1));
  for (std::size_t i = 0; i < text.size() && r.size() <= AMaxLength; ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n' || (ATabsToBlanks && c == u'\t'))
      c = u' ';
    // A CR LF pair becomes one blank, and any run of blanks collapses to one, so every
    // blank after a blank is simply dropped.
    if (c == u' ' && !r.empty() && r.back() == u' ')
      continue;
    r += c;
  }
  if (r.size() > AMaxLength) {
    r.resize(AMaxLength >= 3 ? AMaxLength - 3 : 0);
    r += u"...";
  }
  return r;
}

std::vector<std::uint8_t> ToUtf16LeBytes(std::u16string_view AText) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve((AText.size() + 1) * 2);
  for (const char16_t unit : AText) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::u16string FromUtf16LeBytes(const std::uint8_t* AData, std::size_t ASize) {
  std::u16string text;
  if (!AData)
    return text;
  const std::size_t units = ASize / 2;
  text.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<char16_t>(AData[2 * i] | AData[2 * i + 1] << 8);
    if (unit == 0)
      break;
    text.push_back(unit);
  }
  return text;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view AText) {
  std::vector<std::u16string_view> lines;
  std::size_t start = 0;
  while (start < AText.size()) {
    std::size_t end = AText.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos)
      end = AText.size();
    lines.push_back(AText.substr(start, end - start));
    start = end + 1;
    if (end + 1 < AText.size() && AText[end] == u'\r' && AText[end + 1] == u'\n')
      ++start;
  }
  return lines;
}

std::u16string GroupDigits(std::uint64_t AValue) {
  const std::u16string digits = UIntToStr(AValue);
  std::u16string r;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0)
      r += u',';
    r += digits[i];
  }
  return r;
}

std::u16string IntToStr(std::int64_t AValue) {
  if (AValue >= 0)
    return UIntToStr(static_cast<std::uint64_t>(AValue));
  std::u16string r(1, u'-');
  r += UIntToStr(0 - static_cast<std::uint64_t>(AValue));
  return r;
}

std::u16string Format(std::u16string_view APattern, std::initializer_list<TFormatValue> AArgs) {
  auto fail = [&] {
    return EConvertError(u"Format '" + std::u16string(APattern) + u"' invalid or incompatible with argument");
  };
  std::u16string r;
  r.reserve(APattern.size() + 16);
  auto arg = AArgs.begin();
  for (std::size_t i = 0; i < APattern.size(); ++i) {
    const char16_t c = APattern[i];
    if (c != u'%') {
      r += c;
      continue;
    }
    if (++i >= APattern.size())
      throw fail();
    const char16_t d = APattern[i];
    if (d == u'%') {
      r += u'%';
      continue;
    }
    if (arg == AArgs.end())
      throw fail();
    const TFormatArg& v = arg->Value;
    ++arg;
    switch (d) {
    case u'd':
      if (auto p = std::get_if<std::int64_t>(&v))
        r += IntToStr(*p);
      else if (auto q = std::get_if<std::uint64_t>(&v))
        r += UIntToStr(*q);
      else
        throw fail();
      break;
    case u'u':
      if (auto p = std::get_if<std::uint64_t>(&v))
        r += UIntToStr(*p);
      else if (auto q = std::get_if<std::int64_t>(&v))
        r += UIntToStr(static_cast<std::uint32_t>(*q)); // a negative 32-bit value reads as unsigned
      else
        throw fail();
      break;
    case u's':
      if (auto p = std::get_if<std::u16string>(&v))
        r += *p;
      else
        throw fail();
      break;
    default: throw fail();
    }
  }
  if (arg != AArgs.end())
    throw fail();
  return r;
}

} // namespace tarvel
