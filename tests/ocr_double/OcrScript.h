#pragma once

// Scripting the Windows Runtime OCR double (tarvel_ocr_double.dll) from a test program.
//
// Wine has no OCR classes, so the test programs register a runtime component of their own in
// the test prefix (TOcrDoubleRegistration) before they start Tarvel. It stands for four
// classes: Windows.Media.Ocr.OcrEngine, Windows.Globalization.Language,
// Windows.Graphics.Imaging.SoftwareBitmap and Windows.Storage.Streams.DataWriter. Tarvel
// loads it into its own process through RoGetActivationFactory / RoActivateInstance; the test
// program is another process, and the two meet through two files named by environment
// variables that Tarvel inherits from the program that starts it (TOcrScript sets them):
//
// TARVEL_OCR_SCRIPT names the script, read again whenever the engine statics, CreateLanguage
// or RecognizeAsync are called, so a test may change it between recognitions. UTF-8, one
// key=value per line; blank lines and lines starting with '#' are skipped. A key given twice
// keeps its last value, except line and fail_language, which add up. Without the variable,
// the file or a key, the default below holds.
//
//   languages=<tag>|<name>;<tag>|<name>   the installed recognizer languages, in order; a
//                                         missing |<name> is the tag; empty: none installed
//                                         (default en-US|English (United States))
//   profile=<tag>                         the language of the profile languages' engine;
//                                         empty: no such engine (default: the first installed
//                                         language, none when there is none)
//   line=<text>                           one recognized line, its words split at blanks; the
//                                         line's text is its words joined by one blank
//   boxes=<x>,<y>,<w>,<h>;...             the rectangles of the previous line's words, one
//                                         per word, in whole pixels (default: word i of line
//                                         n at 10 + 60 i, 10 + 30 n, 50 wide, 20 high)
//   text=<text>                           OcrResult.Text (default: the lines' texts joined by
//                                         CR LF)
//   delay_ms=<n>                          the operation stays Started for n ms after
//                                         RecognizeAsync (GetTickCount64; default 0)
//   status=completed|error|canceled       what it turns into then (default completed)
//   error_code=<hresult>                  its ErrorCode, and GetResults' failure, when it ends
//                                         in error (default 0x80004005)
//   fail_recognize=<hresult>              RecognizeAsync itself fails with it (default 0: no)
//   fail_language=<tag>|<hresult>         CreateLanguage fails with it for that tag
//   max_image_dimension=<n>               OcrEngine.MaxImageDimension (default 10000);
//                                         RecognizeAsync refuses a larger bitmap (E_INVALIDARG)
//
// In line and text, \\ \r \n \t stand for a backslash, CR, LF and a tab. An HRESULT is 0x and
// hexadecimal digits, or decimal. Tags are compared without regard to case.
//
// TARVEL_OCR_RECORD, when set, names a file the double appends one UTF-8 line to (in one
// write) for each of these calls:
//
//   bitmap width=<w> height=<h> format=<n> alpha=<n> length=<bytes> checksum=<hex> grey=<0|1>
//          opaque=<0|1>       (on one line) CreateCopyWithAlphaFromBuffer, before it checks its
//                             arguments: checksum is the FNV-1a 64 of the buffer's bytes in
//                             16 lower-case digits (OcrChecksum), grey=1 when every 4-byte
//                             pixel has B=G=R, opaque=1 when every 4th byte is 255
//   language tag=<tag>        CreateLanguage, also when it fails
//   engine for=<tag>          TryCreateFromLanguage, whether or not it gives an engine
//   engine for=profile        TryCreateFromUserProfileLanguages, likewise
//   recognize                 RecognizeAsync, also when it fails
//   cancel                    IAsyncInfo::Cancel
//   script-error <what>       a script line the double did not understand (at each reading)
//
// The operation answers Started until the delay has passed, then the scripted status;
// Cancel while it is Started makes it Canceled at once. GetResults answers
// E_ILLEGAL_METHOD_CALL unless it completed (the error code when it ended in error). The
// test program's target must depend on tarvel_ocr_double.
//
//   TOcrDoubleRegistration registration;            // before Tarvel starts
//   TWineVersionFor version(L"tarvel.exe", L"win10"); // OCR needs Windows 10
//   TOcrScript script;                              // sets the two variables
//   script.Languages({{L"en-US", L"English"}, {L"it-IT", L"Italiano"}}).Lines({L"Hello OCR"});
//   ... start Tarvel and let it recognize ...
//   EXPECT_THAT(script.Records(), Contains("engine for=it-IT"));

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "doubles/RegistryValues.h"

namespace tarvel::ocr_double {

using test::TRegistryValues;

inline constexpr wchar_t DllName[] = L"tarvel_ocr_double.dll";
inline constexpr wchar_t ScriptVariable[] = L"TARVEL_OCR_SCRIPT";
inline constexpr wchar_t RecordVariable[] = L"TARVEL_OCR_RECORD";

inline constexpr wchar_t OcrEngineClass[] = L"Windows.Media.Ocr.OcrEngine";
inline constexpr wchar_t LanguageClass[] = L"Windows.Globalization.Language";
inline constexpr wchar_t SoftwareBitmapClass[] = L"Windows.Graphics.Imaging.SoftwareBitmap";
inline constexpr wchar_t DataWriterClass[] = L"Windows.Storage.Streams.DataWriter";
inline constexpr const wchar_t* Classes[] = {OcrEngineClass, LanguageClass, SoftwareBitmapClass, DataWriterClass};

// ---- Text helpers -------------------------------------------------------------------------

inline std::string ToUtf8(std::wstring_view AText) {
  if (AText.empty())
    return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, AText.data(), static_cast<int>(AText.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, AText.data(), static_cast<int>(AText.size()), text.data(), size, nullptr, nullptr);
  return text;
}

inline std::wstring FromUtf8(std::string_view AText) {
  if (AText.empty())
    return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, AText.data(), static_cast<int>(AText.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, AText.data(), static_cast<int>(AText.size()), text.data(), size);
  return text;
}

inline bool SameTag(std::wstring_view ALeft, std::wstring_view ARight) {
  return CompareStringOrdinal(ALeft.data(), static_cast<int>(ALeft.size()), ARight.data(),
                              static_cast<int>(ARight.size()), TRUE) == CSTR_EQUAL;
}

// FNV-1a 64 of the bytes, as 16 lower-case hexadecimal digits: the checksum of a bitmap record.
inline std::string OcrChecksum(const void* ABytes, std::size_t ASize) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  const auto* bytes = static_cast<const unsigned char*>(ABytes);
  for (std::size_t i = 0; i < ASize; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4)
    text[static_cast<std::size_t>(i)] = "0123456789abcdef"[hash & 15];
  return text;
}

// The value of "AKey=" in a record line, if it has the field.
inline std::optional<std::string> OcrRecordField(std::string_view ARecord, std::string_view AKey) {
  std::size_t start = 0;
  while (start < ARecord.size()) {
    std::size_t end = ARecord.find(' ', start);
    if (end == std::string_view::npos)
      end = ARecord.size();
    const std::string_view field = ARecord.substr(start, end - start);
    if (field.size() > AKey.size() && field.substr(0, AKey.size()) == AKey && field[AKey.size()] == '=')
      return std::string(field.substr(AKey.size() + 1));
    start = end + 1;
  }
  return std::nullopt;
}

// ---- The script ---------------------------------------------------------------------------

struct TOcrLanguage {
  std::wstring Tag;
  std::wstring Name;
  bool operator==(const TOcrLanguage&) const = default;
};

enum class TOcrOutcome { Completed, Error, Canceled };

// A word's rectangle on the recognized image, as OcrWord.BoundingRect reports it.
struct TOcrBox {
  float X, Y, Width, Height;
  bool operator==(const TOcrBox&) const = default;
};

struct TOcrLanguageFailure {
  std::wstring Tag;
  HRESULT Result;
  bool operator==(const TOcrLanguageFailure&) const = default;
};

// A script as the double reads it; the members' defaults are the script's.
struct TOcrScriptData {
  std::vector<TOcrLanguage> Languages{{L"en-US", L"English (United States)"}};
  std::optional<std::wstring> Profile; // nothing: the first installed language
  std::vector<std::wstring> Lines;
  std::vector<std::vector<TOcrBox>> Boxes; // per line; missing or empty: the default places
  std::optional<std::wstring> Text;        // nothing: the lines' texts joined by CR LF
  DWORD DelayMs = 0;
  TOcrOutcome Outcome = TOcrOutcome::Completed;
  HRESULT ErrorCode = E_FAIL;
  HRESULT FailRecognize = S_OK;
  std::vector<TOcrLanguageFailure> FailLanguages;
  UINT32 MaxImageDimension = 10000;
  std::vector<std::wstring> Problems; // the lines not understood, as "line <n>: <text>"

  bool operator==(const TOcrScriptData&) const = default;

  // The profile engine's language; empty: none.
  std::wstring ProfileTag() const {
    if (Profile)
      return *Profile;
    return Languages.empty() ? std::wstring() : Languages.front().Tag;
  }
  const TOcrLanguage* Installed(std::wstring_view ATag) const {
    for (const TOcrLanguage& language : Languages)
      if (SameTag(language.Tag, ATag))
        return &language;
    return nullptr;
  }
  // The display name of a tag: the installed language's, else the tag itself.
  std::wstring NameOf(const std::wstring& ATag) const {
    const TOcrLanguage* language = Installed(ATag);
    return language ? language->Name : ATag;
  }
  HRESULT LanguageFailure(std::wstring_view ATag) const {
    for (const TOcrLanguageFailure& failure : FailLanguages)
      if (SameTag(failure.Tag, ATag))
        return failure.Result;
    return S_OK;
  }
  // A line's words: its pieces between blanks.
  static std::vector<std::wstring> Words(std::wstring_view ALine) {
    std::vector<std::wstring> words;
    std::size_t start = 0;
    while (start <= ALine.size()) {
      std::size_t end = ALine.find(L' ', start);
      if (end == std::wstring_view::npos)
        end = ALine.size();
      if (end > start)
        words.emplace_back(ALine.substr(start, end - start));
      start = end + 1;
    }
    return words;
  }
  // The rectangles of line ALine's words: the scripted ones, else the default places.
  std::vector<TOcrBox> WordBoxes(std::size_t ALine) const {
    if (ALine < Boxes.size() && !Boxes[ALine].empty())
      return Boxes[ALine];
    std::vector<TOcrBox> boxes;
    const std::size_t count = ALine < Lines.size() ? Words(Lines[ALine]).size() : 0;
    for (std::size_t i = 0; i < count; ++i)
      boxes.push_back({10.0f + 60.0f * static_cast<float>(i), 10.0f + 30.0f * static_cast<float>(ALine), 50.0f, 20.0f});
    return boxes;
  }
  static std::wstring LineText(std::wstring_view ALine) {
    std::wstring text;
    for (const std::wstring& word : Words(ALine))
      text += (text.empty() ? L"" : L" ") + word;
    return text;
  }
  std::wstring ResultText() const {
    if (Text)
      return *Text;
    std::wstring text;
    for (std::size_t i = 0; i < Lines.size(); ++i)
      text += (i ? L"\r\n" : L"") + LineText(Lines[i]);
    return text;
  }
};

inline std::wstring EscapeScriptText(std::wstring_view AText) {
  std::wstring text;
  for (wchar_t c : AText) {
    switch (c) {
    case L'\\': text += L"\\\\"; break;
    case L'\r': text += L"\\r"; break;
    case L'\n': text += L"\\n"; break;
    case L'\t': text += L"\\t"; break;
    default: text += c;
    }
  }
  return text;
}

inline std::optional<std::wstring> UnescapeScriptText(std::wstring_view AText) {
  std::wstring text;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] != L'\\') {
      text += AText[i];
      continue;
    }
    if (++i == AText.size())
      return std::nullopt;
    switch (AText[i]) {
    case L'\\': text += L'\\'; break;
    case L'r': text += L'\r'; break;
    case L'n': text += L'\n'; break;
    case L't': text += L'\t'; break;
    default: return std::nullopt;
    }
  }
  return text;
}

inline std::optional<unsigned long long> ParseScriptNumber(std::wstring_view AText, unsigned long long AMax) {
  int base = 10;
  if (AText.size() > 2 && AText[0] == L'0' && (AText[1] == L'x' || AText[1] == L'X')) {
    base = 16;
    AText.remove_prefix(2);
  }
  if (AText.empty() || AText.size() > 20)
    return std::nullopt;
  unsigned long long value = 0;
  for (wchar_t c : AText) {
    int digit;
    if (c >= L'0' && c <= L'9')
      digit = c - L'0';
    else if (base == 16 && c >= L'a' && c <= L'f')
      digit = c - L'a' + 10;
    else if (base == 16 && c >= L'A' && c <= L'F')
      digit = c - L'A' + 10;
    else
      return std::nullopt;
    if (value > (AMax - static_cast<unsigned>(digit)) / static_cast<unsigned>(base))
      return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
  }
  return value;
}

inline std::optional<HRESULT> ParseScriptResult(std::wstring_view AText) {
  const auto value = ParseScriptNumber(AText, 0xFFFFFFFFull);
  if (!value)
    return std::nullopt;
  return static_cast<HRESULT>(static_cast<std::uint32_t>(*value));
}

// 0x and eight upper-case hexadecimal digits.
inline std::wstring HResultText(HRESULT AResult) {
  std::wstring text = L"0x";
  const auto value = static_cast<std::uint32_t>(AResult);
  for (int shift = 28; shift >= 0; shift -= 4)
    text += L"0123456789ABCDEF"[value >> shift & 15];
  return text;
}

// "<x>,<y>,<w>,<h>;..." in whole pixels, each number possibly negative.
inline std::optional<std::vector<TOcrBox>> ParseScriptBoxes(std::wstring_view AText) {
  std::vector<TOcrBox> boxes;
  std::size_t from = 0;
  while (from < AText.size()) {
    std::size_t to = AText.find(L';', from);
    if (to == std::wstring_view::npos)
      to = AText.size();
    std::wstring_view entry = AText.substr(from, to - from);
    from = to + 1;
    float values[4];
    for (float& value : values) {
      const std::size_t comma = entry.find(L',');
      std::wstring_view number = entry.substr(0, comma);
      entry = comma == std::wstring_view::npos ? std::wstring_view() : entry.substr(comma + 1);
      const bool negative = !number.empty() && number.front() == L'-';
      if (negative)
        number.remove_prefix(1);
      const auto magnitude = ParseScriptNumber(number, 1000000);
      if (!magnitude)
        return std::nullopt;
      value = static_cast<float>(*magnitude) * (negative ? -1.0f : 1.0f);
    }
    if (!entry.empty())
      return std::nullopt;
    boxes.push_back({values[0], values[1], values[2], values[3]});
  }
  return boxes;
}

inline std::wstring BoxNumber(float AValue) {
  return std::to_wstring(static_cast<long>(AValue));
}

// Reads a script's text (UTF-8, a byte-order mark allowed); what it does not understand goes
// to Problems and changes nothing.
inline TOcrScriptData ParseOcrScript(std::string_view AText) {
  if (AText.substr(0, 3) == "\xEF\xBB\xBF")
    AText.remove_prefix(3);
  const std::wstring text = FromUtf8(AText);
  TOcrScriptData script;
  std::size_t start = 0;
  for (int lineNumber = 1; start < text.size(); ++lineNumber) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos)
      end = text.size();
    std::wstring_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r')
      line.remove_suffix(1);
    if (line.empty() || line.front() == L'#')
      continue;
    const std::size_t equals = line.find(L'=');
    const std::wstring_view key = line.substr(0, equals == std::wstring_view::npos ? 0 : equals);
    const std::wstring_view value = equals == std::wstring_view::npos ? std::wstring_view() : line.substr(equals + 1);
    bool understood = true;
    if (key == L"languages") {
      std::vector<TOcrLanguage> languages;
      std::size_t from = 0;
      while (understood && from < value.size()) {
        std::size_t to = value.find(L';', from);
        if (to == std::wstring_view::npos)
          to = value.size();
        const std::wstring_view entry = value.substr(from, to - from);
        from = to + 1;
        const std::size_t bar = entry.find(L'|');
        TOcrLanguage language{std::wstring(entry.substr(0, bar)), std::wstring(entry.substr(0, bar))};
        if (bar != std::wstring_view::npos)
          language.Name = entry.substr(bar + 1);
        understood = !language.Tag.empty();
        languages.push_back(std::move(language));
      }
      if (understood)
        script.Languages = std::move(languages);
    } else if (key == L"profile") {
      script.Profile = std::wstring(value);
    } else if (key == L"line" || key == L"text") {
      auto unescaped = UnescapeScriptText(value);
      understood = unescaped.has_value();
      if (understood && key == L"text")
        script.Text = std::move(*unescaped);
      else if (understood)
        script.Lines.push_back(std::move(*unescaped));
    } else if (key == L"boxes") {
      auto boxes = ParseScriptBoxes(value);
      understood = boxes && !script.Lines.empty() && boxes->size() == TOcrScriptData::Words(script.Lines.back()).size();
      if (understood) {
        script.Boxes.resize(script.Lines.size());
        script.Boxes.back() = std::move(*boxes);
      }
    } else if (key == L"delay_ms" || key == L"max_image_dimension") {
      const auto number = ParseScriptNumber(value, 0xFFFFFFFFull);
      understood = number.has_value();
      if (understood && key == L"delay_ms")
        script.DelayMs = static_cast<DWORD>(*number);
      else if (understood)
        script.MaxImageDimension = static_cast<UINT32>(*number);
    } else if (key == L"status") {
      if (value == L"completed")
        script.Outcome = TOcrOutcome::Completed;
      else if (value == L"error")
        script.Outcome = TOcrOutcome::Error;
      else if (value == L"canceled")
        script.Outcome = TOcrOutcome::Canceled;
      else
        understood = false;
    } else if (key == L"error_code" || key == L"fail_recognize") {
      const auto result = ParseScriptResult(value);
      understood = result.has_value();
      if (understood)
        (key == L"error_code" ? script.ErrorCode : script.FailRecognize) = *result;
    } else if (key == L"fail_language") {
      const std::size_t bar = value.rfind(L'|');
      const auto result = bar == std::wstring_view::npos ? std::nullopt : ParseScriptResult(value.substr(bar + 1));
      understood = result.has_value() && bar > 0;
      if (understood)
        script.FailLanguages.push_back({std::wstring(value.substr(0, bar)), *result});
    } else {
      understood = false;
    }
    if (!understood)
      script.Problems.push_back(L"line " + std::to_wstring(lineNumber) + L": " + std::wstring(line));
  }
  return script;
}

// The text of a script that reads back as AScript (its Problems aside).
inline std::string FormatOcrScript(const TOcrScriptData& AScript) {
  std::wstring text = L"languages=";
  for (std::size_t i = 0; i < AScript.Languages.size(); ++i)
    text += (i ? L";" : L"") + AScript.Languages[i].Tag + L"|" + AScript.Languages[i].Name;
  text += L"\n";
  if (AScript.Profile)
    text += L"profile=" + *AScript.Profile + L"\n";
  for (std::size_t i = 0; i < AScript.Lines.size(); ++i) {
    text += L"line=" + EscapeScriptText(AScript.Lines[i]) + L"\n";
    if (i < AScript.Boxes.size() && !AScript.Boxes[i].empty()) {
      text += L"boxes=";
      for (const TOcrBox& box : AScript.Boxes[i])
        text += (&box == AScript.Boxes[i].data() ? L"" : L";") + BoxNumber(box.X) + L"," + BoxNumber(box.Y) + L"," +
                BoxNumber(box.Width) + L"," + BoxNumber(box.Height);
      text += L"\n";
    }
  }
  if (AScript.Text)
    text += L"text=" + EscapeScriptText(*AScript.Text) + L"\n";
  text += L"delay_ms=" + std::to_wstring(AScript.DelayMs) + L"\n";
  text += L"status=";
  text += AScript.Outcome == TOcrOutcome::Completed ? L"completed"
          : AScript.Outcome == TOcrOutcome::Error   ? L"error"
                                                    : L"canceled";
  text += L"\nerror_code=" + HResultText(AScript.ErrorCode) + L"\n";
  text += L"fail_recognize=" + HResultText(AScript.FailRecognize) + L"\n";
  for (const TOcrLanguageFailure& failure : AScript.FailLanguages)
    text += L"fail_language=" + failure.Tag + L"|" + HResultText(failure.Result) + L"\n";
  text += L"max_image_dimension=" + std::to_wstring(AScript.MaxImageDimension) + L"\n";
  return ToUtf8(text);
}

// ---- Files ----------------------------------------------------------------------------------

// The file's bytes; nothing when it cannot be read.
inline std::optional<std::string> ReadOcrFile(const std::wstring& APath) {
  HANDLE file = CreateFileW(APath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  bool ok;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0)
    bytes.append(chunk, read);
  CloseHandle(file);
  if (!ok)
    return std::nullopt;
  return bytes;
}

inline std::wstring OcrVariable(const wchar_t* AName) {
  std::wstring value(256, L'\0');
  DWORD length = GetEnvironmentVariableW(AName, value.data(), static_cast<DWORD>(value.size()));
  if (length >= value.size()) {
    value.resize(length);
    length = GetEnvironmentVariableW(AName, value.data(), static_cast<DWORD>(value.size()));
  }
  value.resize(length < value.size() ? length : 0);
  return value;
}

// The record file's lines as the double appended them, CR and LF taken off.
inline std::vector<std::string> ReadOcrRecords(const std::wstring& APath) {
  std::vector<std::string> records;
  const std::optional<std::string> bytes = ReadOcrFile(APath);
  if (!bytes)
    return records;
  std::size_t start = 0;
  while (start < bytes->size()) {
    std::size_t end = bytes->find('\n', start);
    if (end == std::string::npos)
      end = bytes->size();
    std::string line = bytes->substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    records.push_back(std::move(line));
    start = end + 1;
  }
  return records;
}

// A script and a record file in the temporary folder while the object lives, named to the
// double through TARVEL_OCR_SCRIPT and TARVEL_OCR_RECORD in this process's environment
// (children started later inherit them). Each setter rewrites the whole script, replacing
// the file at once, so the double never reads half of one. One object at a time: the
// destructor deletes both files and puts the variables back as they were. Raises
// std::runtime_error when a file cannot be made.
class TOcrScript {
public:
  TOcrScript() {
    FScriptPath = TemporaryFile(L"ocs");
    try {
      FRecordPath = TemporaryFile(L"ocr");
      Write();
    } catch (...) {
      DeleteFileW(FScriptPath.c_str());
      if (!FRecordPath.empty())
        DeleteFileW(FRecordPath.c_str());
      throw;
    }
    FOldScript = Variable(ScriptVariable);
    FOldRecord = Variable(RecordVariable);
    SetEnvironmentVariableW(ScriptVariable, FScriptPath.c_str());
    SetEnvironmentVariableW(RecordVariable, FRecordPath.c_str());
  }
  ~TOcrScript() {
    SetEnvironmentVariableW(ScriptVariable, FOldScript ? FOldScript->c_str() : nullptr);
    SetEnvironmentVariableW(RecordVariable, FOldRecord ? FOldRecord->c_str() : nullptr);
    DeleteFileW(FScriptPath.c_str());
    DeleteFileW((FScriptPath + L".new").c_str());
    DeleteFileW(FRecordPath.c_str());
  }
  TOcrScript(const TOcrScript&) = delete;
  TOcrScript& operator=(const TOcrScript&) = delete;

  // The installed languages; {} for none. A tag or name must not hold ';' or '|'.
  TOcrScript& Languages(std::vector<TOcrLanguage> ALanguages) {
    for (const TOcrLanguage& language : ALanguages)
      if (language.Tag.empty() || language.Tag.find_first_of(L";|\r\n") != std::wstring::npos ||
          language.Name.find_first_of(L";|\r\n") != std::wstring::npos)
        throw std::invalid_argument("TOcrScript: a language's tag or name cannot be written");
    FData.Languages = std::move(ALanguages);
    return Write();
  }
  // The profile engine's language: std::nullopt the first installed one, L"" none.
  TOcrScript& Profile(std::optional<std::wstring> ATag) {
    if (ATag && ATag->find_first_of(L"\r\n") != std::wstring::npos)
      throw std::invalid_argument("TOcrScript: the profile tag cannot be written");
    FData.Profile = std::move(ATag);
    return Write();
  }
  TOcrScript& Lines(std::vector<std::wstring> ALines) {
    FData.Lines = std::move(ALines);
    FData.Boxes.clear();
    return Write();
  }
  // Lines with their words where a screen in a fixed-width font would show ARows: the
  // character in column c of row r lies at 10 + 8 c, 10 + 20 r, 8 wide and 16 high. A blank
  // row gives no line, only the space between the rows around it.
  TOcrScript& Page(const std::vector<std::wstring>& ARows) {
    FData.Lines.clear();
    FData.Boxes.clear();
    for (std::size_t row = 0; row < ARows.size(); ++row) {
      const std::wstring& text = ARows[row];
      std::vector<TOcrBox> boxes;
      for (std::size_t at = 0; at < text.size();) {
        if (text[at] == L' ') {
          ++at;
          continue;
        }
        const std::size_t end = std::min(text.find(L' ', at), text.size());
        boxes.push_back({10.0f + 8.0f * static_cast<float>(at), 10.0f + 20.0f * static_cast<float>(row),
                         8.0f * static_cast<float>(end - at), 16.0f});
        at = end;
      }
      if (boxes.empty())
        continue;
      FData.Lines.push_back(text);
      FData.Boxes.push_back(std::move(boxes));
    }
    return Write();
  }
  // OcrResult.Text; std::nullopt: the lines' texts joined by CR LF.
  TOcrScript& Text(std::optional<std::wstring> AText) {
    FData.Text = std::move(AText);
    return Write();
  }
  TOcrScript& Delay(DWORD AMilliseconds) {
    FData.DelayMs = AMilliseconds;
    return Write();
  }
  // How the operation ends after the delay; AErrorCode counts for TOcrOutcome::Error.
  TOcrScript& Outcome(TOcrOutcome AOutcome, HRESULT AErrorCode = E_FAIL) {
    FData.Outcome = AOutcome;
    FData.ErrorCode = AErrorCode;
    return Write();
  }
  // RecognizeAsync fails with AResult (S_OK: it does not).
  TOcrScript& FailRecognize(HRESULT AResult) {
    FData.FailRecognize = AResult;
    return Write();
  }
  // CreateLanguage fails with AResult for ATag.
  TOcrScript& FailLanguage(std::wstring ATag, HRESULT AResult) {
    if (ATag.empty() || ATag.find_first_of(L"\r\n") != std::wstring::npos)
      throw std::invalid_argument("TOcrScript: the tag cannot be written");
    FData.FailLanguages.push_back({std::move(ATag), AResult});
    return Write();
  }
  TOcrScript& MaxImageDimension(UINT32 AValue) {
    FData.MaxImageDimension = AValue;
    return Write();
  }

  const TOcrScriptData& Data() const { return FData; }
  const std::wstring& ScriptPath() const { return FScriptPath; }
  const std::wstring& RecordPath() const { return FRecordPath; }

  std::vector<std::string> Records() const { return ReadOcrRecords(FRecordPath); }
  // Empties the record file.
  void ForgetRecords() {
    HANDLE file =
        CreateFileW(FRecordPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
      CloseHandle(file);
  }

private:
  TOcrScriptData FData;
  std::wstring FScriptPath;
  std::wstring FRecordPath;
  std::optional<std::wstring> FOldScript;
  std::optional<std::wstring> FOldRecord;

  static std::wstring TemporaryFile(const wchar_t* APrefix) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, APrefix, 0, path))
      throw std::runtime_error("TOcrScript: cannot create a temporary file");
    return path;
  }
  static std::optional<std::wstring> Variable(const wchar_t* AName) {
    if (GetEnvironmentVariableW(AName, nullptr, 0) == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
      return std::nullopt;
    return OcrVariable(AName);
  }

  // Writes the script beside the file, then puts it in the file's place.
  TOcrScript& Write() {
    const std::string text = FormatOcrScript(FData);
    const std::wstring fresh = FScriptPath + L".new";
    HANDLE file = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      throw std::runtime_error("TOcrScript: cannot write the script");
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    for (int attempt = 0; ok && attempt < 200; ++attempt) {
      if (MoveFileExW(fresh.c_str(), FScriptPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        return *this;
      Sleep(5); // the double has the file open this moment
    }
    DeleteFileW(fresh.c_str());
    throw std::runtime_error("TOcrScript: cannot write the script");
  }
};

// ---- Registration -------------------------------------------------------------------------

// Registers the double for its four classes in the whole prefix (HKLM, where the runtime
// looks: DllPath, and ActivationType 0 (in process) and Threading 0 (both), which Wine 8 does
// not read) while the object lives, from beside the running program, and puts back exactly
// what was there before. Raises std::runtime_error when it cannot.
class TOcrDoubleRegistration {
public:
  TOcrDoubleRegistration() {
    const std::wstring path = DllPath();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
      throw std::runtime_error("TOcrDoubleRegistration: tarvel_ocr_double.dll is not beside the program");
    try {
      for (std::size_t i = 0; i < std::size(Classes); ++i) {
        FKeys[i] = std::make_unique<TRegistryValues>(HKEY_LOCAL_MACHINE, ClassKey(Classes[i]));
        FKeys[i]->Set(L"DllPath", TRegistryValues::String(path));
        FKeys[i]->Set(L"ActivationType", TRegistryValues::Dword(0));
        FKeys[i]->Set(L"Threading", TRegistryValues::Dword(0));
      }
    } catch (...) {
      Restore();
      throw;
    }
  }
  ~TOcrDoubleRegistration() { Restore(); }
  TOcrDoubleRegistration(const TOcrDoubleRegistration&) = delete;
  TOcrDoubleRegistration& operator=(const TOcrDoubleRegistration&) = delete;

  static std::wstring DllPath() { return test::FileBesideProgram(DllName); }
  static std::wstring ClassKey(const wchar_t* AClass) {
    return std::wstring(L"Software\\Microsoft\\WindowsRuntime\\ActivatableClassId\\") + AClass;
  }

private:
  std::unique_ptr<TRegistryValues> FKeys[std::size(Classes)];

  // The last class first, so that keys created on the way go last.
  void Restore() {
    for (std::size_t i = std::size(Classes); i-- > 0;)
      FKeys[i].reset();
  }
};

// Makes Wine report a Windows version (such as L"win10") to the programs of one file name
// started while the object lives, through HKCU\Software\Wine\AppDefaults\<name>\Version, and
// puts back what was there. A new 32-bit Wine 8 prefix reports Windows 7, where Tarvel does
// not offer OCR. Windows itself does not read the key. Raises std::runtime_error when it
// cannot write it.
class TWineVersionFor {
public:
  TWineVersionFor(const std::wstring& AExeName, const std::wstring& AVersion)
      : FKey(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + AExeName) {
    FKey.Set(L"Version", TRegistryValues::String(AVersion));
  }

private:
  TRegistryValues FKey;
};

} // namespace tarvel::ocr_double
