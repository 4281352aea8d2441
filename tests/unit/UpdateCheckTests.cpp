#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "core/Text.h"
#include "update/UpdateCheck.h"

namespace tarvel {
namespace {

using TLines = std::vector<std::u16string>;

std::vector<std::uint8_t> Bytes(std::string_view AText) {
  return {AText.begin(), AText.end()};
}

// Answers with a given response or error and records what was asked; it may report a
// certificate failure to the options' handler before answering.
class TFakeUpdateHttp : public IUpdateHttpClient {
public:
  std::optional<TUpdateHttpResponse> Response;
  std::optional<std::u16string> Error;
  std::vector<std::u16string> Requests;
  std::optional<TUpdateHttpOptions> Options;
  // A certificate failure reported before answering; a rejection fails the request.
  std::optional<TUpdateCertificate> FailingCertificate;
  TSecureFailureReasons Reasons = 0;

  std::unique_ptr<TUpdateHttpResponse> Get(const std::u16string& AUrl, const TUpdateHttpOptions& AOptions) override {
    Requests.push_back(AUrl);
    Options = AOptions;
    if (FailingCertificate) {
      bool accepted = false;
      AOptions.ValidateServerCertificate(this, AUrl, *FailingCertificate, accepted);
      if (!accepted)
        throw EUpdateHttpError(u"The server certificate was rejected");
    }
    if (Error)
      throw EUpdateHttpError(*Error);
    if (!Response)
      return nullptr;
    return std::make_unique<TUpdateHttpResponse>(*Response);
  }
  TSecureFailureReasons SecureFailureReasons() const override { return Reasons; }
};

struct TShownBox {
  TUpdateBox Kind;
  std::u16string Text;
  bool operator==(const TShownBox&) const = default;
  friend void PrintTo(const TShownBox& ABox, std::ostream* AOut) {
    *AOut << static_cast<int>(ABox.Kind) << " " << ToUtf8(ABox.Text);
  }
};

// One check against the fake server, with what it logged, showed and opened.
struct TCheckRun {
  TFakeUpdateHttp Http;
  TLines Log;
  std::vector<TShownBox> Boxes;
  std::vector<std::u16string> Opened;
  bool AnswerYes = false;
  int Draw = 0;
  int DrawRange = -1;
  std::u16string Current = u"1.2.0.2";

  bool Run(bool AManual) {
    TUpdateCheckEnv env{Http, Current, [this](TUpdateBox AKind, const std::u16string& AText) {
                          Boxes.push_back({AKind, AText});
                          return AnswerYes;
                        }};
    env.Random = [this](int ARange) {
      DrawRange = ARange;
      return Draw;
    };
    return UpdateCheck(
        env, [this](const std::u16string& AMsg) { Log.push_back(AMsg); },
        [this](const std::u16string& AUrl) { Opened.push_back(AUrl); }, AManual);
  }
  void Reply(int AStatus, std::u16string AText, std::string_view ABody) {
    Http.Response = TUpdateHttpResponse{AStatus, std::move(AText), Bytes(ABody)};
  }
};

const std::u16string Started = u"Update check started, current version: 1.2.0.2";
const std::u16string Checking = u"Checking update at: http://updates.tarvel.app/versions/tarvel.latest";
const std::u16string Unavailable = u"Update check: remote version unavailable";

TEST(UpdateCheckTest, AutomaticCheckContactsTheServerOnlyOnADrawOfZero) {
  TCheckRun skipped;
  skipped.Draw = 3;
  skipped.Reply(200, u"OK", "9.9");
  EXPECT_FALSE(skipped.Run(false));
  EXPECT_EQ(skipped.DrawRange, 10);
  EXPECT_EQ(skipped.Log, (TLines{Started, u"Update check skipped (sampling)"}));
  EXPECT_TRUE(skipped.Http.Requests.empty());
  EXPECT_TRUE(skipped.Boxes.empty());

  TCheckRun drawn;
  drawn.Reply(200, u"OK", "1.2.0.2");
  EXPECT_FALSE(drawn.Run(false));
  EXPECT_EQ(drawn.Http.Requests, TLines{UpdateVersionUrl});
  // The automatic check shows no box when nothing is newer.
  EXPECT_EQ(drawn.Log, (TLines{Started, Checking, u"Update site version: 1.2.0.2", u"No newer version available"}));
  EXPECT_TRUE(drawn.Boxes.empty());
}

TEST(UpdateCheckTest, ManualCheckNeverSamples) {
  TCheckRun run;
  run.Draw = 7;
  run.Reply(200, u"OK", "1.2.0.2\r\n");
  run.Run(true);
  EXPECT_EQ(run.DrawRange, -1);
  EXPECT_EQ(run.Http.Requests.size(), 1u);
  EXPECT_EQ(run.Boxes,
            (std::vector<TShownBox>{{TUpdateBox::NoNewer, u"Current app version: 1.2.0.2\r\nSite version: "
                                                          u"1.2.0.2\r\n\r\nNo newer version is available."}}));
}

TEST(UpdateCheckTest, RequestUsesTheTimeOutsRedirectLimitAndAValidator) {
  TCheckRun run;
  run.Reply(200, u"OK", "1.0");
  run.Run(true);
  ASSERT_TRUE(run.Http.Options);
  EXPECT_EQ(run.Http.Options->ConnectTimeoutMs, 2500u);
  EXPECT_EQ(run.Http.Options->ResponseTimeoutMs, 2500u);
  EXPECT_EQ(run.Http.Options->MaxRedirects, 5);
  EXPECT_TRUE(run.Http.Options->ValidateServerCertificate);
}

// Replies that yield no version: the line of the failure, then the unavailable line; the
// manual check shows the unavailable box, the automatic one nothing.
struct TFailureCase {
  const char* Name;
  std::optional<TUpdateHttpResponse> Response;
  std::optional<std::u16string> Error;
  std::u16string Line;
};

class UpdateFailureTest : public testing::TestWithParam<TFailureCase> {};

TEST_P(UpdateFailureTest, LogsTheFailureAndOnlyTheManualCheckSaysSo) {
  for (const bool manual : {false, true}) {
    TCheckRun run;
    run.Http.Response = GetParam().Response;
    run.Http.Error = GetParam().Error;
    EXPECT_FALSE(run.Run(manual));
    EXPECT_EQ(run.Log, (TLines{Started, Checking, GetParam().Line, Unavailable}));
    if (manual)
      EXPECT_EQ(run.Boxes, (std::vector<TShownBox>{{TUpdateBox::Unavailable,
                                                    u"Current app version: 1.2.0.2\r\nSite version: unavailable\r\n\r\n"
                                                    u"Unable to retrieve the version published on the site."}}));
    else
      EXPECT_TRUE(run.Boxes.empty());
    EXPECT_TRUE(run.Opened.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, UpdateFailureTest,
    testing::Values(TFailureCase{"NotFound", TUpdateHttpResponse{404, u"Not Found", Bytes("1.9")}, std::nullopt,
                                 u"Update check HTTP status: 404 Not Found"},
                    TFailureCase{"Informational", TUpdateHttpResponse{199, u"", {}}, std::nullopt,
                                 u"Update check HTTP status: 199 "},
                    TFailureCase{"ServerError", TUpdateHttpResponse{300, u"Multiple Choices", {}}, std::nullopt,
                                 u"Update check HTTP status: 300 Multiple Choices"},
                    TFailureCase{"Letters", TUpdateHttpResponse{200, u"OK", Bytes("no version here")}, std::nullopt,
                                 u"Update check: empty version received"},
                    TFailureCase{"EmptyBody", TUpdateHttpResponse{200, u"OK", {}}, std::nullopt,
                                 u"Update check: empty version received"},
                    TFailureCase{"Invalid UTF-8", TUpdateHttpResponse{200, u"OK", {0xFF, 0xFE, 0x80}}, std::nullopt,
                                 u"Update check: empty version received"},
                    TFailureCase{"NoResponse", std::nullopt, std::nullopt, u"Update check HTTP error: empty response"},
                    TFailureCase{"Timeout", std::nullopt, std::u16string(u"The operation timed out"),
                                 u"Update check HTTP error: The operation timed out"}),
    [](const auto& AInfo) {
      std::string name = AInfo.param.Name;
      std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
      return name;
    });

// Remote against current version: whether it is newer, in both modes.
struct TCompareCase {
  std::string Body;
  std::u16string Current;
  bool Newer;
  std::u16string Remote;
};

class UpdateCompareTest : public testing::TestWithParam<TCompareCase> {};

TEST_P(UpdateCompareTest, OnlyAStrictlyHigherVersionIsOffered) {
  const TCompareCase& c = GetParam();
  for (const bool manual : {false, true}) {
    TCheckRun run;
    run.Current = c.Current;
    run.Reply(200, u"OK", c.Body);
    EXPECT_EQ(run.Run(manual), c.Newer);
    ASSERT_GE(run.Log.size(), 4u);
    EXPECT_EQ(run.Log[2], u"Update site version: " + c.Remote);
    EXPECT_EQ(run.Log.back(), c.Newer ? u"New version available: " + c.Remote : u"No newer version available");
    if (c.Newer)
      EXPECT_EQ(run.Boxes, (std::vector<TShownBox>{{TUpdateBox::Download, UpdateDownloadText(c.Current, c.Remote)}}));
    else
      EXPECT_EQ(run.Boxes.size(), manual ? 1u : 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, UpdateCompareTest,
                         testing::Values(TCompareCase{"1.3", u"1.2.0.2", true, u"1.3"},
                                         TCompareCase{"1.2.0.2\r\n", u"1.2.0.2", false, u"1.2.0.2"},
                                         TCompareCase{"1.2", u"1.2.0.0", false, u"1.2"},
                                         TCompareCase{"1.2.0.1", u"1.2.0.2", false, u"1.2.0.1"},
                                         TCompareCase{"1.2.9", u"1.2.8", true, u"1.2.9"},
                                         TCompareCase{"1.2.8", u"1.2.9", false, u"1.2.8"},
                                         TCompareCase{"\xEF\xBB\xBF"
                                                      "1.10\n",
                                                      u"1.9.9.9", true, u"1.10"},
                                         TCompareCase{"version 2.0 is out", u"1.2.0.2", true, u"2.0"}));

TEST(UpdateCheckTest, TheDownloadQuestionOpensTheSiteOnlyOnYes) {
  TCheckRun no;
  no.Reply(200, u"OK", "1.3");
  EXPECT_TRUE(no.Run(false));
  EXPECT_EQ(no.Boxes, (std::vector<TShownBox>{{TUpdateBox::Download, u"Current app version: 1.2.0.2\r\nSite version: "
                                                                     u"1.3\r\n\r\nA new version 1.3 is available. "
                                                                     u"Download now?"}}));
  EXPECT_TRUE(no.Opened.empty());

  TCheckRun yes;
  yes.AnswerYes = true;
  yes.Reply(200, u"OK", "1.3");
  EXPECT_TRUE(yes.Run(true));
  EXPECT_EQ(yes.Opened, TLines{u"http://updates.tarvel.app/"});
}

TEST(UpdateCheckTest, OnlyTheStartOfALongBodyIsRead) {
  TCheckRun within;
  within.Reply(200, u"OK", std::string(UpdateMaxBodyBytes - 3, 'x') + "1.3" + std::string(10000, 'y'));
  within.Run(true);
  EXPECT_EQ(within.Log[2], u"Update site version: 1.3");

  TCheckRun beyond;
  beyond.Reply(200, u"OK", std::string(UpdateMaxBodyBytes, 'x') + "1.3");
  beyond.Run(true);
  EXPECT_EQ(beyond.Log[2], u"Update check: empty version received");
}

TEST(UpdateCheckTest, TheVersionShownHasAtMostFourShortNumbers) {
  // The version followed by as many zeros as the server likes, and one with a fifth
  // number: the log and the question show the numbers that were compared, in both modes.
  const struct {
    std::string Body;
    std::u16string Shown;
  } cases[] = {{"1.3.0.0" + std::string(100000, '0'), u"1.3.0.0"}, {"2.0.1.0.7\r\n", u"2.0.1.0"}};
  for (const auto& c : cases)
    for (const bool manual : {false, true}) {
      TCheckRun run;
      run.Reply(200, u"OK", c.Body);
      EXPECT_TRUE(run.Run(manual));
      EXPECT_EQ(run.Log,
                (TLines{Started, Checking, u"Update site version: " + c.Shown, u"New version available: " + c.Shown}));
      EXPECT_EQ(run.Boxes, (std::vector<TShownBox>{{TUpdateBox::Download, UpdateDownloadText(u"1.2.0.2", c.Shown)}}));
    }
}

TEST(UpdateCheckTest, AFailingLogEndsTheCheckQuietly) {
  TFakeUpdateHttp http;
  http.Response = TUpdateHttpResponse{200, u"OK", Bytes("1.3")};
  bool asked = false;
  const TUpdateCheckEnv env{http, u"1.0", [&](TUpdateBox, const std::u16string&) { return asked = true; }};
  EXPECT_FALSE(UpdateCheck(
      env, [](const std::u16string&) { throw EError(u"window gone"); }, nullptr, true));
  EXPECT_FALSE(asked);
}

TEST(UpdateCheckTest, ValuesOfTheVersionAreStored) {
  TFakeUpdateHttp http;
  http.Response = TUpdateHttpResponse{200, u"OK", Bytes("3.4.5.6.7")};
  TVersion version;
  version.Version = u"stale";
  FetchRemoteVersion(http, u"http://h/v", u"3.4.5.6", nullptr, version);
  EXPECT_EQ(version.Version, u"3.4.5.6");
  EXPECT_EQ((std::vector<int>{version.Major, version.Minor, version.Patch, version.Build}),
            (std::vector<int>{3, 4, 5, 6}));
  EXPECT_FALSE(version.NewVersion);

  http.Error = u"refused";
  FetchRemoteVersion(http, u"http://h/v", u"3.4.5.6", nullptr, version);
  EXPECT_TRUE(version.Version.empty());
  EXPECT_EQ(version.Major, 0);
}

TEST(UpdateCheckTest, PassesSampling) {
  EXPECT_TRUE(PassesSampling(1, [](int) -> int { throw EError(u"not drawn"); }));
  EXPECT_TRUE(PassesSampling(-5, [](int) -> int { throw EError(u"not drawn"); }));
  EXPECT_TRUE(PassesSampling(10, [](int) { return 0; }));
  EXPECT_FALSE(PassesSampling(10, [](int) { return 9; }));
  // The real generator stays in range and is not stuck on one value.
  int zeros = 0;
  for (int i = 0; i < 2000; ++i) {
    const int draw = DefaultRandom(10);
    ASSERT_GE(draw, 0);
    ASSERT_LT(draw, 10);
    zeros += draw == 0;
  }
  EXPECT_GT(zeros, 100);
  EXPECT_LT(zeros, 320);
}

// Certificate validation: which failures, hosts and certificates are let through.
struct TCertCase {
  const char* Name;
  std::u16string Host;
  TSecureFailureReasons Reasons;
  TUpdateCertificate Certificate;
  bool Accepted;
  std::u16string Failures;
};

class UpdateCertificateTest : public testing::TestWithParam<TCertCase> {};

TEST_P(UpdateCertificateTest, AcceptsOnlyTheParentDomainForANameMismatch) {
  const TCertCase& c = GetParam();
  TFakeUpdateHttp http;
  http.Reasons = c.Reasons;
  TLines log;
  const TUpdateHttpValidator validator(c.Host, [&](const std::u16string& AMsg) { log.push_back(AMsg); });
  bool accepted = false;
  validator.ValidateServerCertificate(&http, u"GET", c.Certificate, accepted);
  EXPECT_EQ(accepted, c.Accepted);
  EXPECT_EQ(
      log,
      TLines{Format(c.Accepted ? u"Update check TLS exception accepted: host=%s failures=%s cert=%s subject=%s"
                               : u"Update check TLS rejected: host=%s failures=%s cert=%s subject=%s",
                    {UrlHost(u"http://" + c.Host + u"/"), c.Failures, c.Certificate.CertName, c.Certificate.Subject})});
}

const TSecureFailureReasons CN = ReasonBit(CertCNInvalid);

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateCertificateTest,
    testing::Values(
        TCertCase{"ParentDomainName", u" Updates.Tarvel.APP ", CN, {u"TARVEL.app", u""}, true, u"CertCNInvalid"},
        TCertCase{"ParentDomainSubject",
                  u"updates.tarvel.app",
                  CN,
                  {u"other", u"O=Nusk, CN = tarvel.app, C=DE"},
                  true,
                  u"CertCNInvalid"},
        TCertCase{"AlsoOutOfDate",
                  u"updates.tarvel.app",
                  CN | ReasonBit(CertDateInvalid),
                  {u"tarvel.app", u""},
                  false,
                  u"CertCNInvalid,CertDateInvalid"},
        TCertCase{"NoFailures", u"updates.tarvel.app", 0, {u"tarvel.app", u""}, false, u"none"},
        TCertCase{
            "UntrustedRoot", u"updates.tarvel.app", ReasonBit(InvalidCA), {u"tarvel.app", u""}, false, u"InvalidCA"},
        TCertCase{"OtherHost", u"evil.example", CN, {u"tarvel.app", u"CN=tarvel.app"}, false, u"CertCNInvalid"},
        TCertCase{"OtherCertificate",
                  u"updates.tarvel.app",
                  CN,
                  {u"evil.example", u"CN=tarvel.app.evil.example"},
                  false,
                  u"CertCNInvalid"},
        TCertCase{"AllReasons",
                  u"updates.tarvel.app",
                  0x1FF,
                  {u"tarvel.app", u""},
                  false,
                  u"CertRevFailed,InvalidCert,CertRevoked,InvalidCA,CertCNInvalid,CertDateInvalid,CertWrongUsage,"
                  u"SecurityChannelError,CertNotAccepted"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST(UpdateCertificateTest, AnAlreadyAcceptedCertificateIsNotLoggedAndNoClientMeansNoFailures) {
  TLines log;
  const TUpdateHttpValidator validator(u"updates.tarvel.app", [&](const std::u16string& AMsg) { log.push_back(AMsg); });
  bool accepted = true;
  validator.ValidateServerCertificate(nullptr, u"GET", {u"x", u"y"}, accepted);
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(log.empty());
  accepted = false;
  validator.ValidateServerCertificate(nullptr, u"GET", {u"tarvel.app", u""}, accepted);
  EXPECT_FALSE(accepted);
  EXPECT_EQ(log, TLines{u"Update check TLS rejected: host=updates.tarvel.app failures=none cert=tarvel.app subject="});
}

TEST(UpdateCertificateTest, ARejectedCertificateFailsTheRequest) {
  TCheckRun run;
  run.Reply(200, u"OK", "9.9");
  run.Http.FailingCertificate = TUpdateCertificate{u"tarvel.app", u"CN=tarvel.app"};
  run.Http.Reasons = CN | ReasonBit(CertDateInvalid);
  run.Run(true);
  EXPECT_EQ(run.Log,
            (TLines{Started, Checking,
                    u"Update check TLS rejected: host=updates.tarvel.app failures=CertCNInvalid,CertDateInvalid "
                    u"cert=tarvel.app subject=CN=tarvel.app",
                    u"Update check HTTP error: The server certificate was rejected", Unavailable}));

  TCheckRun accepted;
  accepted.Reply(200, u"OK", "1.2.0.2");
  accepted.Http.FailingCertificate = TUpdateCertificate{u"tarvel.app", u"CN=tarvel.app"};
  accepted.Http.Reasons = CN;
  accepted.Run(true);
  EXPECT_EQ(accepted.Log[2], u"Update check TLS exception accepted: host=updates.tarvel.app failures=CertCNInvalid "
                             u"cert=tarvel.app subject=CN=tarvel.app");
  EXPECT_EQ(accepted.Log.back(), u"No newer version available");
}

TEST(UpdateCertificateTest, ReasonNames) {
  EXPECT_EQ(SecureFailureReasonName(0), u"CertRevFailed");
  EXPECT_EQ(SecureFailureReasonName(8), u"CertNotAccepted");
  EXPECT_EQ(SecureFailureReasonName(9), u"Unknown");
  EXPECT_EQ(SecureFailureReasonName(-1), u"Unknown");
  EXPECT_EQ(SecureFailureReasonsText(0), u"none");
  EXPECT_EQ(SecureFailureReasonsText(ReasonBit(CertDateInvalid) | ReasonBit(CertRevFailed)),
            u"CertRevFailed,CertDateInvalid");
}

TEST(UpdateCertificateTest, ExtractCommonName) {
  EXPECT_EQ(ExtractCommonName(u"CN=tarvel.app"), u"tarvel.app");
  EXPECT_EQ(ExtractCommonName(u"C=DE, O=Nusk, CN = Tarvel.App , OU=x"), u"Tarvel.App");
  EXPECT_EQ(ExtractCommonName(u"cn==tarvel.app/O=x"), u"tarvel.app");
  EXPECT_EQ(ExtractCommonName(u"CN=a.tarvel.app;O=x"), u"a.tarvel.app");
  EXPECT_EQ(ExtractCommonName(u"CN=\ttarvel.app\r\n"), u"tarvel.app");
  EXPECT_EQ(ExtractCommonName(u"O=Nusk, C=DE"), u"");
  EXPECT_EQ(ExtractCommonName(u"CN="), u"");
  EXPECT_EQ(ExtractCommonName(u""), u"");
}

TEST(UpdateCheckTest, UrlHostAndRoot) {
  EXPECT_EQ(UrlHost(u" HTTP://Updates.Tarvel.App:8080/versions/x "), u"updates.tarvel.app");
  EXPECT_EQ(UrlHost(u"http://user@127.0.0.1:5/"), u"127.0.0.1");
  EXPECT_EQ(UrlHost(u"no url"), u"");
  EXPECT_EQ(UrlRoot(u"http://127.0.0.1:8080/versions/tarvel.latest"), u"http://127.0.0.1:8080/");
  EXPECT_EQ(UrlRoot(u"https://h"), u"https://h/");
  EXPECT_EQ(UrlRoot(u"garbage"), u"");
}

} // namespace
} // namespace tarvel
