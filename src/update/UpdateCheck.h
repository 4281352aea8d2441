#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"
#include "update/UpdateHelper.h"

namespace tarvel {

// The update server. The version file is plain HTTP; the certificate exception below only
// matters when the server redirects to HTTPS.
inline constexpr char16_t UpdateCertificateDomain[] = u"tarvel.app";
inline constexpr char16_t UpdateVersionUrl[] = u"http://updates.tarvel.app/versions/tarvel.latest";

// A REG_SZ value of the program's settings key: when set, the version URL used in place of
// UpdateVersionUrl, and its scheme and host (with "/") in place of UpdateSiteUrl.
inline constexpr char16_t UpdateUrlValueName[] = u"UpdateUrl";

inline constexpr std::uint32_t UpdateConnectTimeoutMs = 2500;
inline constexpr std::uint32_t UpdateResponseTimeoutMs = 2500;
inline constexpr int UpdateMaxRedirects = 5;
// The most of a reply's body that is read: the version is at its start, and a server
// sending more must not make the program allocate it.
inline constexpr std::size_t UpdateMaxBodyBytes = 4096;
// One automatic check in this many really contacts the server.
inline constexpr int UpdateSamplingRange = 10;

using TUpdateLogProc = std::function<void(const std::u16string& AMsg)>;
using TUpdateOpenUrlProc = std::function<void(const std::u16string& AUrl)>;

// Why the platform rejected a server certificate, in bit order.
enum TSecureFailureReason : int {
  CertRevFailed = 0,
  InvalidCert,
  CertRevoked,
  InvalidCA,
  CertCNInvalid,
  CertDateInvalid,
  CertWrongUsage,
  SecurityChannelError,
  CertNotAccepted,
};
inline constexpr int SecureFailureReasonCount = 9;

// A set of TSecureFailureReason: bit n is reason n.
using TSecureFailureReasons = std::uint32_t;
constexpr TSecureFailureReasons ReasonBit(TSecureFailureReason AReason) noexcept {
  return TSecureFailureReasons{1} << AReason;
}

std::u16string SecureFailureReasonName(int AReason);
// The names in bit order joined by ","; "none" for the empty set.
std::u16string SecureFailureReasonsText(TSecureFailureReasons AReasons);

// What a validation handler learns of the server certificate.
struct TUpdateCertificate {
  std::u16string CertName;
  std::u16string Subject;
};

// The value after "CN=" (or "CN =") of a certificate subject, up to a comma, slash or
// semicolon, trimmed; empty when there is none.
std::u16string ExtractCommonName(std::u16string_view ASubject);
bool CertificateMatchesUpdateDomain(const TUpdateCertificate& ACertificate);

class IUpdateHttpClient;

// Called by the client only when the platform rejected the server certificate; the
// request proceeds exactly when Accepted is true afterwards.
using TCertificateValidationProc = std::function<void(IUpdateHttpClient* ASender, const std::u16string& ARequest,
                                                      const TUpdateCertificate& ACertificate, bool& AAccepted)>;

struct TUpdateHttpOptions {
  std::uint32_t ConnectTimeoutMs = UpdateConnectTimeoutMs;
  std::uint32_t ResponseTimeoutMs = UpdateResponseTimeoutMs;
  // More redirects than this fail the request.
  int MaxRedirects = UpdateMaxRedirects;
  // The client reads at most this many bytes of the body and drops the rest.
  std::size_t MaxBodyBytes = UpdateMaxBodyBytes;
  TCertificateValidationProc ValidateServerCertificate;
};

struct TUpdateHttpResponse {
  int StatusCode = 0;
  std::u16string StatusText;
  std::vector<std::uint8_t> Body;
};

// A failed request (no connection, time-out, unknown name, too many redirects, a rejected
// certificate); the message says which.
TARVEL_DECLARE_ERROR(EUpdateHttpError, EError);

// One GET request at a time, made on the calling thread.
class IUpdateHttpClient {
public:
  virtual ~IUpdateHttpClient() = default;
  // Raises EUpdateHttpError; null when no response came back.
  virtual std::unique_ptr<TUpdateHttpResponse> Get(const std::u16string& AUrl, const TUpdateHttpOptions& AOptions) = 0;
  // The failures the platform reported for the current request's server certificate.
  virtual TSecureFailureReasons SecureFailureReasons() const = 0;
};

// Decides whether a rejected server certificate may be used anyway: only for the update
// host, only for a name mismatch, and only when the certificate is the parent domain's.
class TUpdateHttpValidator {
public:
  TUpdateHttpValidator(const std::u16string& AExpectedHost, TUpdateLogProc ALogProc);
  void ValidateServerCertificate(IUpdateHttpClient* Sender, const std::u16string& ARequest,
                                 const TUpdateCertificate& Certificate, bool& Accepted) const;

private:
  std::u16string FExpectedHost;
  TUpdateLogProc FLogProc;
};

// The host name of a URL, trimmed and lower-cased; empty when there is none.
std::u16string UrlHost(std::u16string_view AUrl);
// The scheme, host and port of a URL followed by "/"; empty when AUrl has no "://".
std::u16string UrlRoot(std::u16string_view AUrl);

// One request for the version file and its evaluation; every failure is one log line and
// leaves AVersion reset.
void FetchRemoteVersion(IUpdateHttpClient& AClient, const std::u16string& AUrl, const std::u16string& ACurrentVersion,
                        const TUpdateLogProc& ALogProc, TVersion& AVersion);

// A uniform draw from 0 to ARange - 1.
using TRandomProc = std::function<int(int ARange)>;
// The process's generator, seeded once from a high-resolution clock; safe on any thread.
int DefaultRandom(int ARange);
// True when ARange is 1 or less, else when a draw of ARandom is 0.
bool PassesSampling(int ARange, const TRandomProc& ARandom = DefaultRandom);

enum class TUpdateBox { Unavailable, NoNewer, Download };
// Shows a box on the main thread and waits; true when the question was answered Yes.
using TUpdateBoxProc = std::function<bool(TUpdateBox AKind, const std::u16string& AText)>;

std::u16string UpdateUnavailableText(const std::u16string& ACurrent);
std::u16string UpdateNoNewerText(const std::u16string& ACurrent, const std::u16string& ARemote);
std::u16string UpdateDownloadText(const std::u16string& ACurrent, const std::u16string& ARemote);

// What a check needs besides its callbacks.
struct TUpdateCheckEnv {
  IUpdateHttpClient& Http;
  std::u16string CurrentVersion;
  TUpdateBoxProc ShowBox;
  std::u16string VersionUrl = UpdateVersionUrl;
  std::u16string SiteUrl = UpdateSiteUrl;
  TRandomProc Random = DefaultRandom;
};

// One check on the calling (worker) thread; true when a newer version was found. Nothing
// escapes it.
bool UpdateCheck(const TUpdateCheckEnv& AEnv, const TUpdateLogProc& ALogProc, const TUpdateOpenUrlProc& AOpenUrlProc,
                 bool AManual);

} // namespace tarvel
