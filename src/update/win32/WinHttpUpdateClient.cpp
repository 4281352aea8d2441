#include "update/win32/WinHttpUpdateClient.h"

#include <windows.h>

#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>

#include "core/Text.h"
#include "core/win32/Check.h"

namespace tarvel {

namespace {

class THttpHandle {
public:
  explicit THttpHandle(HINTERNET AHandle = nullptr) noexcept : FHandle(AHandle) {}
  ~THttpHandle() {
    if (FHandle)
      WinHttpCloseHandle(FHandle);
  }
  THttpHandle(const THttpHandle&) = delete;
  THttpHandle& operator=(const THttpHandle&) = delete;
  HINTERNET Get() const noexcept { return FHandle; }

private:
  HINTERNET FHandle;
};

std::u16string HttpErrorText(DWORD ACode) {
  const wchar_t* text = nullptr;
  switch (ACode) {
  case ERROR_WINHTTP_TIMEOUT:
  case WSAETIMEDOUT: text = L"The operation timed out"; break;
  case ERROR_WINHTTP_NAME_NOT_RESOLVED: text = L"The server name could not be resolved"; break;
  case ERROR_WINHTTP_CANNOT_CONNECT: text = L"A connection with the server could not be established"; break;
  case ERROR_WINHTTP_CONNECTION_ERROR: text = L"The connection with the server was reset"; break;
  case ERROR_WINHTTP_REDIRECT_FAILED: text = L"Too many redirects"; break;
  case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: text = L"The server returned an invalid response"; break;
  case ERROR_WINHTTP_INVALID_URL: text = L"The URL is invalid"; break;
  case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: text = L"The URL scheme is not supported"; break;
  case ERROR_WINHTTP_SECURE_FAILURE: text = L"The server certificate is not valid"; break;
  default: break;
  }
  if (text)
    return ToU16(text) + Format(u" (%d)", {static_cast<unsigned long>(ACode)});
  return SystemErrorMessage(ACode) + Format(u" (%d)", {static_cast<unsigned long>(ACode)});
}

[[noreturn]] void RaiseHttpError(DWORD ACode) {
  throw EUpdateHttpError(HttpErrorText(ACode));
}

void CheckHttp(BOOL AResult) {
  if (!AResult)
    RaiseHttpError(GetLastError());
}

HINTERNET CheckHandle(HINTERNET AHandle) {
  if (!AHandle)
    RaiseHttpError(GetLastError());
  return AHandle;
}

void SetDwordOption(HINTERNET AHandle, DWORD AOption, DWORD AValue) {
  CheckHttp(WinHttpSetOption(AHandle, AOption, &AValue, sizeof(AValue)));
}

// What the status callback records for one request.
struct TRequestState {
  DWORD SecureFailureFlags = 0;
};

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR AContext, DWORD AStatus, LPVOID AInfo, DWORD AInfoLength) {
  if (AStatus != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || !AContext || !AInfo || AInfoLength < sizeof(DWORD))
    return;
  reinterpret_cast<TRequestState*>(AContext)->SecureFailureFlags |= *static_cast<const DWORD*>(AInfo);
}

bool IsCertificateError(DWORD ACode) {
  switch (ACode) {
  case ERROR_WINHTTP_SECURE_FAILURE:
  case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
  case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
  case ERROR_WINHTTP_SECURE_INVALID_CA:
  case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
  case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
  case ERROR_WINHTTP_SECURE_INVALID_CERT:
  case ERROR_WINHTTP_SECURE_CERT_REVOKED:
  case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: return true;
  default: return false;
  }
}

TUpdateCertificate ServerCertificate(HINTERNET ARequest) {
  TUpdateCertificate result;
  PCCERT_CONTEXT context = nullptr;
  DWORD size = sizeof(context);
  if (!WinHttpQueryOption(ARequest, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &context, &size) || !context)
    return result;
  wchar_t buffer[1024];
  if (CertGetNameStringW(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, buffer, 1024) > 1)
    result.CertName = ToU16(buffer);
  if (CertNameToStrW(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, buffer, 1024) > 1)
    result.Subject = ToU16(buffer);
  CertFreeCertificateContext(context);
  return result;
}

// The flags that make WinHTTP ignore the given failures; 0 when one of them cannot be
// ignored.
DWORD IgnoreFlagsFor(DWORD AFailureFlags) {
  DWORD ignore = 0;
  DWORD rest = AFailureFlags;
  const struct {
    DWORD Failure, Ignore;
  } map[] = {
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, SECURITY_FLAG_IGNORE_CERT_CN_INVALID},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, SECURITY_FLAG_IGNORE_UNKNOWN_CA},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE, SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE},
  };
  for (const auto& m : map)
    if (rest & m.Failure) {
      ignore |= m.Ignore;
      rest &= ~m.Failure;
    }
  return rest ? 0 : ignore;
}

std::u16string QueryStatusText(HINTERNET ARequest) {
  DWORD size = 0;
  WinHttpQueryHeaders(ARequest, WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(ARequest, WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                           WINHTTP_NO_HEADER_INDEX))
    return {};
  text.resize(size / sizeof(wchar_t));
  return ToU16(text);
}

} // namespace

TSecureFailureReasons ReasonsFromSecureFailureFlags(unsigned long AFlags) {
  const struct {
    DWORD Flag;
    TSecureFailureReason Reason;
  } map[] = {
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, CertRevFailed},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, InvalidCert},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, CertRevoked},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, InvalidCA},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, CertCNInvalid},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, CertDateInvalid},
      {0x00000040 /* WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE */, CertWrongUsage},
      {WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, SecurityChannelError},
  };
  TSecureFailureReasons reasons = 0;
  for (const auto& m : map)
    if (AFlags & m.Flag)
      reasons |= ReasonBit(m.Reason);
  return reasons;
}

std::unique_ptr<TUpdateHttpResponse> TWinHttpUpdateClient::Get(const std::u16string& AUrl,
                                                               const TUpdateHttpOptions& AOptions) {
  FReasons = 0;
  std::wstring url = ToWide(Trim(AUrl));
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  CheckHttp(WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts));
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath ? std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) : std::wstring());
  if (parts.lpszExtraInfo)
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty())
    path = L"/";

  const THttpHandle session(CheckHandle(
      WinHttpOpen(L"Tarvel", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)));
  const int connectMs = static_cast<int>(AOptions.ConnectTimeoutMs);
  const int responseMs = static_cast<int>(AOptions.ResponseTimeoutMs);
  CheckHttp(WinHttpSetTimeouts(session.Get(), connectMs, connectMs, responseMs, responseMs));
  const THttpHandle connection(CheckHandle(WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0)));
  const THttpHandle request(CheckHandle(WinHttpOpenRequest(
      connection.Get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0)));
  SetDwordOption(request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, AOptions.ResponseTimeoutMs);
  SetDwordOption(request.Get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS,
                 static_cast<DWORD>(std::max(AOptions.MaxRedirects, 0)));
  TRequestState state;
  WinHttpSetStatusCallback(request.Get(), StatusCallback, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);

  // A rejected certificate is shown to the handler once; when it accepts, the request
  // goes again with those failures ignored.
  bool asked = false;
  for (;;) {
    state.SecureFailureFlags = 0;
    const bool sent = WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                         reinterpret_cast<DWORD_PTR>(&state)) &&
                      WinHttpReceiveResponse(request.Get(), nullptr);
    if (sent)
      break;
    const DWORD error = GetLastError();
    if (!IsCertificateError(error) || asked || !AOptions.ValidateServerCertificate)
      RaiseHttpError(error);
    asked = true;
    FReasons = ReasonsFromSecureFailureFlags(state.SecureFailureFlags);
    bool accepted = false;
    AOptions.ValidateServerCertificate(this, AUrl, ServerCertificate(request.Get()), accepted);
    const DWORD ignore = IgnoreFlagsFor(state.SecureFailureFlags);
    if (!accepted || !ignore)
      throw EUpdateHttpError(u"The server certificate was rejected");
    DWORD flags = 0;
    DWORD size = sizeof(flags);
    WinHttpQueryOption(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, &size);
    SetDwordOption(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, flags | ignore);
  }

  auto response = std::make_unique<TUpdateHttpResponse>();
  DWORD status = 0;
  DWORD size = sizeof(status);
  CheckHttp(WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX));
  response->StatusCode = static_cast<int>(status);
  response->StatusText = QueryStatusText(request.Get());
  // A redirect still pending here is one beyond the limit.
  if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308)
    RaiseHttpError(ERROR_WINHTTP_REDIRECT_FAILED);
  if (status < 200 || status > 299)
    return response;

  // Only the start of the body is read; closing the request drops the rest.
  std::vector<std::uint8_t>& body = response->Body;
  body.resize(AOptions.MaxBodyBytes);
  std::size_t filled = 0;
  while (filled < body.size()) {
    DWORD read = 0;
    CheckHttp(WinHttpReadData(request.Get(), body.data() + filled, static_cast<DWORD>(body.size() - filled), &read));
    if (read == 0)
      break;
    filled += read;
  }
  body.resize(filled);
  return response;
}

} // namespace tarvel
