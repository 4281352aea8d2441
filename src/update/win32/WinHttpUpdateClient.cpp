#include "update/win32/WinHttpUpdateClient.h"

#include <windows.h>

#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

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

using TClock = std::chrono::steady_clock;

// What WinHTTP reports for one request, shared by the thread that waits for it and the
// threads WinHTTP calls back on. The request handle holds one reference as its context
// value and drops it with its last notification (HANDLE_CLOSING), so a request given up
// at the deadline may still complete into it, its read buffer included.
struct TRequestState {
  std::mutex Lock;
  std::condition_variable Changed;
  DWORD SecureFailureFlags = 0;
  // When the first connection was made (or an open one was taken up): the deadline for
  // the answer counts from there.
  std::optional<TClock::time_point> ConnectedAt;
  // The completion of the one call in progress.
  bool Completed = false;
  DWORD Error = ERROR_SUCCESS;
  DWORD Count = 0;
  std::vector<std::uint8_t> Buffer;
};
using TStateRef = std::shared_ptr<TRequestState>;

constexpr DWORD NotificationFlags = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_SECURE_FAILURE |
                                    WINHTTP_CALLBACK_FLAG_HANDLES | WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER |
                                    WINHTTP_CALLBACK_FLAG_SEND_REQUEST;

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR AContext, DWORD AStatus, LPVOID AInfo, DWORD AInfoLength) {
  auto* ref = reinterpret_cast<TStateRef*>(AContext);
  if (!ref)
    return;
  if (AStatus == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
    delete ref;
    return;
  }
  TRequestState& state = **ref;
  {
    const std::lock_guard<std::mutex> hold(state.Lock);
    switch (AStatus) {
    case WINHTTP_CALLBACK_STATUS_SECURE_FAILURE:
      if (AInfo && AInfoLength >= sizeof(DWORD))
        state.SecureFailureFlags |= *static_cast<const DWORD*>(AInfo);
      return;
    case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
    case WINHTTP_CALLBACK_STATUS_SENDING_REQUEST:
      if (state.ConnectedAt)
        return;
      state.ConnectedAt = TClock::now();
      break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE: state.Completed = true; break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      state.Count = AInfo && AInfoLength >= sizeof(DWORD) ? *static_cast<const DWORD*>(AInfo) : 0;
      state.Completed = true;
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      state.Count = AInfoLength;
      state.Completed = true;
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      state.Error = AInfo && AInfoLength >= sizeof(WINHTTP_ASYNC_RESULT)
                        ? static_cast<const WINHTTP_ASYNC_RESULT*>(AInfo)->dwError
                        : static_cast<DWORD>(ERROR_WINHTTP_INTERNAL_ERROR);
      state.Completed = true;
      break;
    default: return;
    }
  }
  state.Changed.notify_all();
}

// How one asynchronous call ended: its error (ERROR_WINHTTP_TIMEOUT when the deadline
// passed first) and the count it reported.
struct TCompletion {
  DWORD Error = ERROR_SUCCESS;
  DWORD Count = 0;
};

// Starts one asynchronous call and waits for its completion, until AConnectBy while no
// connection is made and until the answer's deadline (AAnswerMs after the connection)
// once it is.
TCompletion Run(TRequestState& AState, TClock::time_point AConnectBy, std::uint32_t AAnswerMs,
                const std::function<BOOL()>& AStart) {
  {
    const std::lock_guard<std::mutex> hold(AState.Lock);
    AState.Completed = false;
    AState.Error = ERROR_SUCCESS;
    AState.Count = 0;
  }
  // A call that fails at once reports no completion.
  if (!AStart())
    return {GetLastError(), 0};
  std::unique_lock<std::mutex> hold(AState.Lock);
  for (;;) {
    if (AState.Completed)
      return {AState.Error, AState.Count};
    const TClock::time_point deadline =
        AState.ConnectedAt ? *AState.ConnectedAt + std::chrono::milliseconds(AAnswerMs) : AConnectBy;
    if (TClock::now() >= deadline)
      return {static_cast<DWORD>(ERROR_WINHTTP_TIMEOUT), 0};
    AState.Changed.wait_until(hold, deadline);
  }
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

// One header of the reply as text; empty when it is missing.
std::u16string QueryHeaderText(HINTERNET ARequest, DWORD ALevel) {
  DWORD size = 0;
  WinHttpQueryHeaders(ARequest, ALevel, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(ARequest, ALevel, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
    return {};
  text.resize(size / sizeof(wchar_t));
  return ToU16(text);
}

// The length of the body the reply declares; none for a chunked body, whose declared
// length does not count, or when the header is missing or not a number.
std::optional<std::uint64_t> DeclaredLength(HINTERNET ARequest) {
  if (UpperCaseAscii(QueryHeaderText(ARequest, WINHTTP_QUERY_TRANSFER_ENCODING)).find(u"CHUNKED") !=
      std::u16string::npos)
    return std::nullopt;
  const std::u16string text = Trim(QueryHeaderText(ARequest, WINHTTP_QUERY_CONTENT_LENGTH));
  if (text.empty() || text.size() > 19)
    return std::nullopt;
  std::uint64_t length = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9')
      return std::nullopt;
    length = length * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  return length;
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

unsigned long SecureFailureFlags(unsigned long AReportedFlags, unsigned long AError) {
  if (AReportedFlags)
    return AReportedFlags;
  switch (AError) {
  case ERROR_WINHTTP_SECURE_CERT_REV_FAILED: return WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED;
  case ERROR_WINHTTP_SECURE_INVALID_CERT: return WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT;
  case ERROR_WINHTTP_SECURE_CERT_REVOKED: return WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED;
  case ERROR_WINHTTP_SECURE_INVALID_CA: return WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA;
  case ERROR_WINHTTP_SECURE_CERT_CN_INVALID: return WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID;
  case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID: return WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID;
  case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: return 0x00000040; // WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE
  case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR;
  default: return 0;
  }
}

// The request runs on an asynchronous session so that one deadline can bound the whole
// answer: WinHTTP's own receive time-outs restart with every byte, so a server sending
// one byte now and then holds a synchronous call as long as it likes, and closing the
// handle of a synchronous request from another thread races with the call that uses it.
// Closing an asynchronous request's handle is the documented way to end it at any point;
// the state its notifications go to lives until its last one.
std::unique_ptr<TUpdateHttpResponse> TWinHttpUpdateClient::Get(const std::u16string& AUrl,
                                                               const TUpdateHttpOptions& AOptions) {
  FReasons = 0;
  const TClock::time_point connectBy = TClock::now() + std::chrono::milliseconds(AOptions.ConnectTimeoutMs);
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

  const THttpHandle session(CheckHandle(WinHttpOpen(L"Tarvel", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC)));
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

  const TStateRef state = std::make_shared<TRequestState>();
  state->Buffer.resize(AOptions.MaxBodyBytes);
  if (WinHttpSetStatusCallback(request.Get(), StatusCallback, NotificationFlags, 0) == WINHTTP_INVALID_STATUS_CALLBACK)
    RaiseHttpError(GetLastError());
  // From here the request handle owns this reference.
  auto* ref = new TStateRef(state);
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(ref);
  if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context))) {
    const DWORD error = GetLastError();
    delete ref;
    RaiseHttpError(error);
  }
  const auto run = [&](const std::function<BOOL()>& AStart) {
    return Run(*state, connectBy, AOptions.ResponseTimeoutMs, AStart);
  };

  // A rejected certificate is shown to the handler once; when it accepts, the request
  // goes again with those failures ignored.
  bool asked = false;
  for (;;) {
    {
      const std::lock_guard<std::mutex> hold(state->Lock);
      state->SecureFailureFlags = 0;
    }
    TCompletion done = run([&] {
      return WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                context);
    });
    if (done.Error == ERROR_SUCCESS)
      done = run([&] { return WinHttpReceiveResponse(request.Get(), nullptr); });
    if (done.Error == ERROR_SUCCESS)
      break;
    if (!IsCertificateError(done.Error) || asked || !AOptions.ValidateServerCertificate)
      RaiseHttpError(done.Error);
    asked = true;
    DWORD reported = 0;
    {
      const std::lock_guard<std::mutex> hold(state->Lock);
      reported = state->SecureFailureFlags;
    }
    // Some systems give the reason only as the error of the call, not as flags.
    const DWORD flags = SecureFailureFlags(reported, done.Error);
    FReasons = ReasonsFromSecureFailureFlags(flags);
    bool accepted = false;
    AOptions.ValidateServerCertificate(this, AUrl, ServerCertificate(request.Get()), accepted);
    const DWORD ignore = IgnoreFlagsFor(flags);
    if (!accepted || !ignore)
      throw EUpdateHttpError(u"The server certificate was rejected");
    DWORD securityFlags = 0;
    DWORD size = sizeof(securityFlags);
    WinHttpQueryOption(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, &securityFlags, &size);
    SetDwordOption(request.Get(), WINHTTP_OPTION_SECURITY_FLAGS, securityFlags | ignore);
  }

  auto response = std::make_unique<TUpdateHttpResponse>();
  DWORD status = 0;
  DWORD size = sizeof(status);
  CheckHttp(WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX));
  response->StatusCode = static_cast<int>(status);
  response->StatusText = QueryHeaderText(request.Get(), WINHTTP_QUERY_STATUS_TEXT);
  // A redirect still pending here is one beyond the limit.
  if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308)
    RaiseHttpError(ERROR_WINHTTP_REDIRECT_FAILED);
  if (status < 200 || status > 299)
    return response;

  // Only the start of the body is read, each time no more than is there; closing the
  // request drops the rest.
  const std::optional<std::uint64_t> declared = DeclaredLength(request.Get());
  const std::size_t limit = state->Buffer.size();
  std::size_t filled = 0;
  bool ended = false;
  while (filled < limit && !ended) {
    const TCompletion available = run([&] { return WinHttpQueryDataAvailable(request.Get(), nullptr); });
    if (available.Error != ERROR_SUCCESS)
      RaiseHttpError(available.Error);
    if (available.Count == 0) {
      ended = true;
      break;
    }
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(available.Count, limit - filled));
    const TCompletion read =
        run([&] { return WinHttpReadData(request.Get(), state->Buffer.data() + filled, want, nullptr); });
    if (read.Error != ERROR_SUCCESS)
      RaiseHttpError(read.Error);
    ended = read.Count == 0;
    filled += std::min<std::size_t>(read.Count, want);
  }
  // The connection closed before the body had the length the reply declared.
  if (ended && declared && filled < *declared)
    throw EUpdateHttpError(
        Format(u"The reply ended after %d of its %d bytes",
               {static_cast<unsigned long long>(filled), static_cast<unsigned long long>(*declared)}));
  response->Body.assign(state->Buffer.begin(), state->Buffer.begin() + static_cast<std::ptrdiff_t>(filled));
  return response;
}

} // namespace tarvel
