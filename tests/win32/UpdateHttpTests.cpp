#include <gtest/gtest.h>

#include "win32/UpdateTestServer.h"

#include <psapi.h>
#include <winhttp.h>

#include <chrono>
#include <cstdio>

#include "core/Text.h"
#include "update/win32/WinHttpUpdateClient.h"

namespace tarvel {
namespace {

using updatetest::TUpdateTestServer;

std::u16string U16(const std::string& AText) {
  return FromUtf8(AText);
}

TUpdateTestServer::TReply Serve(const std::string& APath) {
  if (APath == "/ok")
    return TUpdateTestServer::Answer(200, "OK", "1.3.0.0\r\n");
  if (APath == "/bom")
    return TUpdateTestServer::Answer(200, "OK",
                                     "\xEF\xBB\xBF"
                                     "1.3.0.0");
  if (APath == "/letters")
    return TUpdateTestServer::Answer(200, "OK", "no version here");
  if (APath == "/silent")
    return {"", true};
  if (APath == "/huge") {
    const std::uint64_t size = 100ull * 1024 * 1024;
    const std::string start = "1.3.0.0\r\n";
    return {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\nConnection: close\r\n\r\n" + start,
            false, size - start.size()};
  }
  // Slow servers: the headers after the status line, or the body, one byte at a time.
  if (APath == "/slow-headers")
    return TUpdateTestServer::TrickledHeaders(
        TUpdateTestServer::Answer(200, "OK", "1.3.0.0", "X-Padding: " + std::string(40, 'a') + "\r\n"), 100);
  if (APath == "/slow-body")
    return TUpdateTestServer::TrickledBody(TUpdateTestServer::Answer(200, "OK", "1.3.0.0\r\n" + std::string(31, ' ')),
                                           200);
  // Replies that end before their declared length.
  if (APath == "/cut-before-body")
    return TUpdateTestServer::CutShort(10, "");
  if (APath == "/cut-in-version")
    return TUpdateTestServer::CutShort(100, "1.3.0.0\r\n");
  if (APath == "/zeros")
    return TUpdateTestServer::Huge("1.3.0.0", 100ull * 1024 * 1024, '0');
  // /r/N redirects N times before the version.
  if (APath.rfind("/r/", 0) == 0) {
    const int left = std::stoi(APath.substr(3));
    return left == 0 ? TUpdateTestServer::Answer(200, "OK", "1.3.0.0")
                     : TUpdateTestServer::Redirect("/r/" + std::to_string(left - 1));
  }
  return TUpdateTestServer::Answer(404, "Not Found", "nothing here");
}

// The version a check of AUrl logs, or the failure line; with the elapsed time.
struct TFetch {
  TVersion Version;
  std::vector<std::u16string> Log;
  double Seconds = 0;
};

TFetch Fetch(const std::string& AUrl) {
  TWinHttpUpdateClient client;
  TFetch result;
  const auto start = std::chrono::steady_clock::now();
  FetchRemoteVersion(
      client, U16(AUrl), u"1.2.0.2", [&](const std::u16string& AMsg) { result.Log.push_back(AMsg); }, result.Version);
  result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

// A check by hand against AUrl: what it logged and the boxes it showed.
struct TCheck {
  std::vector<std::u16string> Log;
  std::vector<std::u16string> Boxes;
  double Seconds = 0;
};

TCheck CheckByHand(const std::string& AUrl) {
  TWinHttpUpdateClient client;
  TCheck result;
  TUpdateCheckEnv env{client, u"1.2.0.2", [&](TUpdateBox, const std::u16string& AText) {
                        result.Boxes.push_back(AText);
                        return false;
                      }};
  env.VersionUrl = U16(AUrl);
  const auto start = std::chrono::steady_clock::now();
  UpdateCheck(
      env, [&](const std::u16string& AMsg) { result.Log.push_back(AMsg); }, nullptr, true);
  result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

class UpdateHttpTest : public ::testing::Test {
protected:
  TUpdateTestServer FServer{Serve};
};

TEST_F(UpdateHttpTest, ReadsTheVersionWithAndWithoutAByteOrderMark) {
  for (const char* path : {"/ok", "/bom"}) {
    const TFetch fetch = Fetch(FServer.Url(path));
    EXPECT_TRUE(fetch.Log.empty()) << path;
    EXPECT_EQ(fetch.Version.Version, u"1.3.0.0") << path;
    EXPECT_TRUE(fetch.Version.NewVersion) << path;
  }
}

TEST_F(UpdateHttpTest, StatusAndBodyFailuresAreLogged) {
  EXPECT_EQ(Fetch(FServer.Url("/missing")).Log,
            std::vector<std::u16string>{u"Update check HTTP status: 404 Not Found"});
  EXPECT_EQ(Fetch(FServer.Url("/letters")).Log, std::vector<std::u16string>{u"Update check: empty version received"});
}

TEST_F(UpdateHttpTest, FollowsFiveRedirectsButNotSix) {
  const TFetch five = Fetch(FServer.Url("/r/5"));
  EXPECT_TRUE(five.Log.empty());
  EXPECT_EQ(five.Version.Version, u"1.3.0.0");

  const TFetch six = Fetch(FServer.Url("/r/6"));
  ASSERT_EQ(six.Log.size(), 1u);
  EXPECT_EQ(six.Log[0].rfind(u"Update check HTTP error: ", 0), 0u) << ToUtf8(six.Log[0]);
  EXPECT_TRUE(six.Version.Version.empty());
  std::printf("six redirects: %s\n", ToUtf8(six.Log[0]).c_str());
}

TEST_F(UpdateHttpTest, ASilentServerTimesOut) {
  const TFetch fetch = Fetch(FServer.Url("/silent"));
  std::printf("silent server: %.2f s, %s\n", fetch.Seconds, fetch.Log.empty() ? "" : ToUtf8(fetch.Log[0]).c_str());
  ASSERT_EQ(fetch.Log.size(), 1u);
  EXPECT_EQ(fetch.Log[0].rfind(u"Update check HTTP error: ", 0), 0u);
  // Only a hang is caught here; the time itself is printed above.
  EXPECT_LT(fetch.Seconds, 10.0);
}

TEST_F(UpdateHttpTest, ASlowServerIsGivenUpOneDeadlineAfterTheConnection) {
  for (const char* path : {"/slow-headers", "/slow-body"}) {
    const std::string url = FServer.Url(path);
    const TCheck check = CheckByHand(url);
    std::printf("%s: %.2f s, %s\n", path, check.Seconds, check.Log.size() > 2 ? ToUtf8(check.Log[2]).c_str() : "");
    EXPECT_EQ(check.Log, (std::vector<std::u16string>{u"Update check started, current version: 1.2.0.2",
                                                      u"Checking update at: " + U16(url),
                                                      u"Update check HTTP error: The operation timed out (12002)",
                                                      u"Update check: remote version unavailable"}))
        << path;
    EXPECT_EQ(check.Boxes, std::vector<std::u16string>{UpdateUnavailableText(u"1.2.0.2")}) << path;
    // The deadline is 2.5 s; only a wait far beyond it is caught here.
    EXPECT_LT(check.Seconds, 6.0) << path;
  }
}

TEST_F(UpdateHttpTest, AReplyShorterThanItsDeclaredLengthIsAnError) {
  const struct {
    const char* Path;
    std::u16string Line;
  } cases[] = {{"/cut-before-body", u"Update check HTTP error: The reply ended after 0 of its 10 bytes"},
               {"/cut-in-version", u"Update check HTTP error: The reply ended after 9 of its 100 bytes"}};
  for (const auto& c : cases) {
    const TCheck check = CheckByHand(FServer.Url(c.Path));
    ASSERT_EQ(check.Log.size(), 4u) << c.Path;
    EXPECT_EQ(check.Log[2], c.Line);
    EXPECT_EQ(check.Log[3], u"Update check: remote version unavailable");
    EXPECT_EQ(check.Boxes, std::vector<std::u16string>{UpdateUnavailableText(u"1.2.0.2")}) << c.Path;
  }
}

TEST_F(UpdateHttpTest, AVersionFollowedByEndlessZerosIsShownShort) {
  const TCheck check = CheckByHand(FServer.Url("/zeros"));
  std::printf("version and 100 MB of zeros: %.2f s\n", check.Seconds);
  ASSERT_EQ(check.Log.size(), 4u);
  EXPECT_EQ(check.Log[2], u"Update site version: 1.3.0.0");
  EXPECT_EQ(check.Boxes, std::vector<std::u16string>{UpdateDownloadText(u"1.2.0.2", u"1.3.0.0")});
}

// A redirect to HTTPS on a server that answers the handshake in plain HTTP: the system
// rejects the secure channel, and the log says so.
TEST(UpdateHttpTlsTest, ARejectedSecureChannelIsLoggedWithItsReason) {
  TUpdateTestServer* self = nullptr;
  TUpdateTestServer server([&](const std::string&) {
    return TUpdateTestServer::Redirect("https://127.0.0.1:" + std::to_string(self->Port()) + "/");
  });
  self = &server;
  const TFetch fetch = Fetch(server.Url("/versions/tarvel.latest"));
  EXPECT_EQ(fetch.Log, (std::vector<std::u16string>{
                           u"Update check TLS rejected: host=127.0.0.1 failures=SecurityChannelError cert= subject=",
                           u"Update check HTTP error: The server certificate was rejected"}));
  EXPECT_TRUE(fetch.Version.Version.empty());
}

TEST(UpdateHttpRefusedTest, ARefusedConnectionIsAnError) {
  const TFetch fetch =
      Fetch("http://127.0.0.1:" + std::to_string(TUpdateTestServer::RefusedPort()) + "/versions/tarvel.latest");
  std::printf("refused: %.2f s, %s\n", fetch.Seconds, fetch.Log.empty() ? "" : ToUtf8(fetch.Log[0]).c_str());
  ASSERT_EQ(fetch.Log.size(), 1u);
  EXPECT_EQ(fetch.Log[0].rfind(u"Update check HTTP error: ", 0), 0u);
  EXPECT_LT(fetch.Seconds, 10.0);
}

TEST_F(UpdateHttpTest, AHugeBodyIsReadOnlyAsFarAsTheVersion) {
  PROCESS_MEMORY_COUNTERS before{};
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
  const TFetch fetch = Fetch(FServer.Url("/huge"));
  PROCESS_MEMORY_COUNTERS after{};
  GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
  std::printf("100 MB body: %.2f s, peak working set %lu KB before, %lu KB after\n", fetch.Seconds,
              static_cast<unsigned long>(before.PeakWorkingSetSize / 1024),
              static_cast<unsigned long>(after.PeakWorkingSetSize / 1024));
  EXPECT_TRUE(fetch.Log.empty());
  EXPECT_EQ(fetch.Version.Version, u"1.3.0.0");
  EXPECT_LT(fetch.Seconds, 10.0);
}

TEST(UpdateHttpFlagsTest, SecureFailureFlagsMapToReasons) {
  EXPECT_EQ(SecureFailureReasonsText(ReasonsFromSecureFailureFlags(0x10 | 0x20)), u"CertCNInvalid,CertDateInvalid");
  EXPECT_EQ(SecureFailureReasonsText(ReasonsFromSecureFailureFlags(0x80000000ul | 0x1 | 0x40)),
            u"CertRevFailed,CertWrongUsage,SecurityChannelError");
  EXPECT_EQ(SecureFailureReasonsText(ReasonsFromSecureFailureFlags(0)), u"none");
}

// A failed TLS request's reasons: the flags reported with the failure, else what the
// call's error says, else none.
TEST(UpdateHttpFlagsTest, WithoutReportedFlagsTheErrorGivesTheReason) {
  const struct {
    unsigned long Flags, Error;
    std::u16string Reasons;
  } cases[] = {
      {0x10 | 0x20, ERROR_WINHTTP_SECURE_FAILURE, u"CertCNInvalid,CertDateInvalid"},
      {0x10, ERROR_WINHTTP_SECURE_INVALID_CA, u"CertCNInvalid"},
      {0, ERROR_WINHTTP_SECURE_FAILURE, u"none"},
      {0, ERROR_WINHTTP_SECURE_CERT_REV_FAILED, u"CertRevFailed"},
      {0, ERROR_WINHTTP_SECURE_INVALID_CERT, u"InvalidCert"},
      {0, ERROR_WINHTTP_SECURE_CERT_REVOKED, u"CertRevoked"},
      {0, ERROR_WINHTTP_SECURE_INVALID_CA, u"InvalidCA"},
      {0, ERROR_WINHTTP_SECURE_CERT_CN_INVALID, u"CertCNInvalid"},
      {0, ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, u"CertDateInvalid"},
      {0, ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE, u"CertWrongUsage"},
      {0, ERROR_WINHTTP_SECURE_CHANNEL_ERROR, u"SecurityChannelError"},
      {0, ERROR_WINHTTP_TIMEOUT, u"none"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SecureFailureReasonsText(ReasonsFromSecureFailureFlags(SecureFailureFlags(c.Flags, c.Error))), c.Reasons)
        << c.Flags << " " << c.Error;
}

} // namespace
} // namespace tarvel
