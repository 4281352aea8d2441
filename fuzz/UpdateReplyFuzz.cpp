// libFuzzer target: any body the update server may send (the client keeps at most 4096
// bytes of it) is evaluated into a version without an error escaping. A version found is
// short: at most four numbers of digits only, each of at most ten digits, stored as the
// numbers it is compared by; a body without one is logged as such. A check by hand shows
// exactly one box, whose text stays short.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "update/UpdateCheck.h"
#include "update/UpdateHelper.h"

namespace {

class TReplyClient : public tarvel::IUpdateHttpClient {
public:
  TReplyClient(const std::uint8_t* AData, std::size_t ASize) : FBody(AData, AData + ASize) {}
  std::unique_ptr<tarvel::TUpdateHttpResponse> Get(const std::u16string&, const tarvel::TUpdateHttpOptions&) override {
    return std::make_unique<tarvel::TUpdateHttpResponse>(tarvel::TUpdateHttpResponse{200, u"OK", FBody});
  }
  tarvel::TSecureFailureReasons SecureFailureReasons() const override { return 0; }

private:
  std::vector<std::uint8_t> FBody;
};

void CheckVersion(const tarvel::TVersion& AVersion) {
  std::size_t numbers = 1;
  std::size_t digits = 0;
  for (const char16_t c : AVersion.Version) {
    if (c == u'.') {
      ++numbers;
      digits = 0;
    } else if (c >= u'0' && c <= u'9') {
      if (++digits > tarvel::MaxVersionNumberDigits)
        std::abort();
    } else {
      std::abort();
    }
  }
  if (numbers > 4 || tarvel::ShortVersionText(AVersion.Version) != AVersion.Version)
    std::abort();
  const std::vector<std::int32_t> parts = tarvel::ParseVersionParts(AVersion.Version, 4);
  if (parts != std::vector<std::int32_t>{AVersion.Major, AVersion.Minor, AVersion.Patch, AVersion.Build})
    std::abort();
  const std::vector<std::int32_t> current = tarvel::ParseVersionParts(u"1.2.0.2", 4);
  const int order = tarvel::CompareVersionParts(parts, current);
  if (AVersion.NewVersion != (order > 0) || tarvel::CompareVersionParts(current, parts) != -order)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  TReplyClient client(AData, ASize);
  std::vector<std::u16string> log;
  tarvel::TVersion version;
  tarvel::FetchRemoteVersion(
      client, tarvel::UpdateVersionUrl, u"1.2.0.2", [&](const std::u16string& AMsg) { log.push_back(AMsg); }, version);
  if (version.Version.empty()) {
    if (log != std::vector<std::u16string>{u"Update check: empty version received"} || version.Major != 0 ||
        version.NewVersion)
      std::abort();
  } else {
    if (!log.empty())
      std::abort();
    CheckVersion(version);
  }

  std::vector<std::u16string> boxes;
  const tarvel::TUpdateCheckEnv env{client, u"1.2.0.2", [&](tarvel::TUpdateBox, const std::u16string& AText) {
                                      boxes.push_back(AText);
                                      return false;
                                    }};
  const bool newer = tarvel::UpdateCheck(env, nullptr, nullptr, true);
  if (newer != version.NewVersion || boxes.size() != 1 || boxes[0].size() > 200)
    std::abort();
  return 0;
}
