#include "update/UpdateCheck.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>

#include "core/Text.h"

namespace tarvel {

namespace {

constexpr const char16_t* ReasonNames[SecureFailureReasonCount] = {
    u"CertRevFailed",   u"InvalidCert",    u"CertRevoked",          u"InvalidCA",       u"CertCNInvalid",
    u"CertDateInvalid", u"CertWrongUsage", u"SecurityChannelError", u"CertNotAccepted",
};

char16_t LowCaseAscii(char16_t AChar) noexcept {
  return AChar >= u'A' && AChar <= u'Z' ? static_cast<char16_t>(AChar - u'A' + u'a') : AChar;
}

bool SameTextAscii(std::u16string_view A, std::u16string_view B) {
  return UpperCaseAscii(A) == UpperCaseAscii(B);
}

void Log(const TUpdateLogProc& ALogProc, const std::u16string& AMsg) {
  if (ALogProc)
    ALogProc(AMsg);
}

const std::u16string CrLf = u"\r\n";

} // namespace

std::u16string SecureFailureReasonName(int AReason) {
  if (AReason < 0 || AReason >= SecureFailureReasonCount)
    return u"Unknown";
  return ReasonNames[AReason];
}

std::u16string SecureFailureReasonsText(TSecureFailureReasons AReasons) {
  std::u16string text;
  for (int i = 0; i < SecureFailureReasonCount; ++i) {
    if (!(AReasons & (TSecureFailureReasons{1} << i)))
      continue;
    if (!text.empty())
      text += u",";
    text += ReasonNames[i];
  }
  return text.empty() ? u"none" : text;
}

std::u16string ExtractCommonName(std::u16string_view ASubject) {
  const std::u16string upper = UpperCaseAscii(ASubject);
  std::size_t at = upper.find(u"CN=");
  if (at == std::u16string::npos)
    at = upper.find(u"CN =");
  if (at == std::u16string::npos)
    return {};
  std::size_t i = at + 2;
  while (i < ASubject.size() && (ASubject[i] == u' ' || ASubject[i] == u'='))
    ++i;
  const std::size_t end = ASubject.find_first_of(u",/;", i);
  return Trim(ASubject.substr(i, end == std::u16string_view::npos ? std::u16string_view::npos : end - i));
}

bool CertificateMatchesUpdateDomain(const TUpdateCertificate& ACertificate) {
  if (SameTextAscii(Trim(ACertificate.CertName), UpdateCertificateDomain))
    return true;
  return SameTextAscii(ExtractCommonName(ACertificate.Subject), UpdateCertificateDomain);
}

TUpdateHttpValidator::TUpdateHttpValidator(const std::u16string& AExpectedHost, TUpdateLogProc ALogProc)
    : FExpectedHost(Trim(AExpectedHost)), FLogProc(std::move(ALogProc)) {
  for (char16_t& c : FExpectedHost)
    c = LowCaseAscii(c);
}

void TUpdateHttpValidator::ValidateServerCertificate(IUpdateHttpClient* Sender, const std::u16string&,
                                                     const TUpdateCertificate& Certificate, bool& Accepted) const {
  if (Accepted)
    return;
  const TSecureFailureReasons reasons = Sender ? Sender->SecureFailureReasons() : 0;
  Accepted = SameTextAscii(FExpectedHost, UpdateServerHost) && reasons == ReasonBit(CertCNInvalid) &&
             CertificateMatchesUpdateDomain(Certificate);
  Log(FLogProc, Format(Accepted ? u"Update check TLS exception accepted: host=%s failures=%s cert=%s subject=%s"
                                : u"Update check TLS rejected: host=%s failures=%s cert=%s subject=%s",
                       {FExpectedHost, SecureFailureReasonsText(reasons), Certificate.CertName, Certificate.Subject}));
}

namespace {

// The authority of a URL: what lies between "://" and the path.
std::u16string_view UrlAuthority(std::u16string_view AUrl, std::size_t& AStart) {
  const std::size_t scheme = AUrl.find(u"://");
  if (scheme == std::u16string_view::npos)
    return {};
  AStart = scheme + 3;
  const std::size_t end = AUrl.find_first_of(u"/?#", AStart);
  return AUrl.substr(AStart, end == std::u16string_view::npos ? std::u16string_view::npos : end - AStart);
}

} // namespace

std::u16string UrlHost(std::u16string_view AUrl) {
  const std::u16string url = Trim(AUrl);
  std::size_t start = 0;
  std::u16string_view authority = UrlAuthority(url, start);
  const std::size_t user = authority.rfind(u'@');
  if (user != std::u16string_view::npos)
    authority.remove_prefix(user + 1);
  const std::size_t port = authority.rfind(u':');
  if (port != std::u16string_view::npos && authority.find(u']', port) == std::u16string_view::npos)
    authority = authority.substr(0, port);
  std::u16string host = Trim(authority);
  for (char16_t& c : host)
    c = LowCaseAscii(c);
  return host;
}

std::u16string UrlRoot(std::u16string_view AUrl) {
  const std::u16string url = Trim(AUrl);
  std::size_t start = 0;
  const std::u16string_view authority = UrlAuthority(url, start);
  if (start == 0)
    return {};
  return url.substr(0, start) + std::u16string(authority) + u"/";
}

void FetchRemoteVersion(IUpdateHttpClient& AClient, const std::u16string& AUrl, const std::u16string& ACurrentVersion,
                        const TUpdateLogProc& ALogProc, TVersion& AVersion) {
  AVersion = TVersion{};
  const auto validator = std::make_shared<TUpdateHttpValidator>(UrlHost(AUrl), ALogProc);
  TUpdateHttpOptions options;
  options.ValidateServerCertificate = [validator](IUpdateHttpClient* ASender, const std::u16string& ARequest,
                                                  const TUpdateCertificate& ACertificate, bool& AAccepted) {
    validator->ValidateServerCertificate(ASender, ARequest, ACertificate, AAccepted);
  };
  std::unique_ptr<TUpdateHttpResponse> response;
  try {
    response = AClient.Get(AUrl, options);
  } catch (const EError& e) {
    Log(ALogProc, u"Update check HTTP error: " + e.Message());
    return;
  } catch (const std::bad_alloc&) {
    Log(ALogProc, u"Update check HTTP error: " + OutOfMemoryText);
    return;
  } catch (const std::exception& e) {
    Log(ALogProc, u"Update check HTTP error: " + FromUtf8(e.what()));
    return;
  }
  if (!response) {
    Log(ALogProc, u"Update check HTTP error: empty response");
    return;
  }
  if (response->StatusCode < 200 || response->StatusCode > 299) {
    Log(ALogProc, Format(u"Update check HTTP status: %d %s", {response->StatusCode, response->StatusText}));
    return;
  }
  // Only the start of the body counts, whatever the client was given.
  const std::size_t size = std::min(response->Body.size(), UpdateMaxBodyBytes);
  const std::string_view bytes(reinterpret_cast<const char*>(response->Body.data()), size);
  // Only what is compared is kept: a server may send any number of digits and dots.
  AVersion.Version = ShortVersionText(ExtractVersionText(FromUtf8(bytes)));
  if (AVersion.Version.empty()) {
    Log(ALogProc, u"Update check: empty version received");
    return;
  }
  const std::vector<std::int32_t> remote = ParseVersionParts(AVersion.Version, 4);
  AVersion.Major = remote[0];
  AVersion.Minor = remote[1];
  AVersion.Patch = remote[2];
  AVersion.Build = remote[3];
  AVersion.NewVersion = CompareVersionParts(remote, ParseVersionParts(ACurrentVersion, 4)) > 0;
}

int DefaultRandom(int ARange) {
  static std::mutex lock;
  static std::mt19937 generator(
      static_cast<std::mt19937::result_type>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  const std::lock_guard<std::mutex> hold(lock);
  return std::uniform_int_distribution<int>(0, ARange - 1)(generator);
}

bool PassesSampling(int ARange, const TRandomProc& ARandom) {
  if (ARange <= 1)
    return true;
  return (ARandom ? ARandom(ARange) : DefaultRandom(ARange)) == 0;
}

std::u16string UpdateUnavailableText(const std::u16string& ACurrent) {
  return u"Current app version: " + ACurrent + CrLf + u"Site version: unavailable" + CrLf + CrLf +
         u"Unable to retrieve the version published on the site.";
}

std::u16string UpdateNoNewerText(const std::u16string& ACurrent, const std::u16string& ARemote) {
  return u"Current app version: " + ACurrent + CrLf + u"Site version: " + ARemote + CrLf + CrLf +
         u"No newer version is available.";
}

std::u16string UpdateDownloadText(const std::u16string& ACurrent, const std::u16string& ARemote) {
  return u"Current app version: " + ACurrent + CrLf + u"Site version: " + ARemote + CrLf + CrLf + u"A new version " +
         ARemote + u" is available. Download now?";
}

bool UpdateCheck(const TUpdateCheckEnv& AEnv, const TUpdateLogProc& ALogProc, const TUpdateOpenUrlProc& AOpenUrlProc,
                 bool AManual) {
  try {
    const std::u16string current = AEnv.CurrentVersion;
    Log(ALogProc, u"Update check started, current version: " + current);
    if (!AManual && !PassesSampling(UpdateSamplingRange, AEnv.Random)) {
      Log(ALogProc, u"Update check skipped (sampling)");
      return false;
    }
    Log(ALogProc, u"Checking update at: " + AEnv.VersionUrl);
    TVersion version;
    FetchRemoteVersion(AEnv.Http, AEnv.VersionUrl, current, ALogProc, version);
    if (version.Version.empty()) {
      Log(ALogProc, u"Update check: remote version unavailable");
      if (AManual && AEnv.ShowBox)
        AEnv.ShowBox(TUpdateBox::Unavailable, UpdateUnavailableText(current));
      return false;
    }
    Log(ALogProc, u"Update site version: " + version.Version);
    if (version.NewVersion) {
      Log(ALogProc, u"New version available: " + version.Version);
      const bool yes = AEnv.ShowBox && AEnv.ShowBox(TUpdateBox::Download, UpdateDownloadText(current, version.Version));
      if (yes && AOpenUrlProc)
        AOpenUrlProc(AEnv.SiteUrl);
      return true;
    }
    Log(ALogProc, u"No newer version available");
    if (AManual && AEnv.ShowBox)
      AEnv.ShowBox(TUpdateBox::NoNewer, UpdateNoNewerText(current, version.Version));
    return false;
  } catch (...) {
    // A failing log or box hand-over (the program is going away) ends the check quietly.
    return false;
  }
}

} // namespace tarvel
