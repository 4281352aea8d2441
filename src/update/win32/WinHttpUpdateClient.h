#pragma once

#include "update/UpdateCheck.h"

namespace tarvel {

// The update request over WinHTTP; the calling thread waits for it. The connection must be
// made within the connection time-out, and the whole answer (headers and body) must
// arrive within the response time-out after it, or the request fails with a time-out. A
// body shorter than its declared length fails too. A server certificate the system
// rejects goes to the options' handler; when that accepts it, the request is sent again
// with exactly the reported failures ignored.
class TWinHttpUpdateClient final : public IUpdateHttpClient {
public:
  std::unique_ptr<TUpdateHttpResponse> Get(const std::u16string& AUrl, const TUpdateHttpOptions& AOptions) override;
  TSecureFailureReasons SecureFailureReasons() const override { return FReasons; }

private:
  TSecureFailureReasons FReasons = 0;
};

// The reasons for a set of WinHTTP secure-failure flags.
TSecureFailureReasons ReasonsFromSecureFailureFlags(unsigned long AFlags);
// The secure-failure flags of a request that failed with AError: the flags reported
// with the failure, or when there were none, the one flag the error stands for (none
// for ERROR_WINHTTP_SECURE_FAILURE and other errors).
unsigned long SecureFailureFlags(unsigned long AReportedFlags, unsigned long AError);

} // namespace tarvel
