// The update check of the real program against a local server named by the UpdateUrl value.
#include "win32/UpdateTestServer.h"

#include <mutex>
#include <optional>

#include "Scenario.h"
#include "WindowChecks.h"

namespace tarvel::e2e {
namespace {

using tarvel::updatetest::TUpdateTestServer;

// The log's texts without their time stamps.
std::vector<std::wstring> LogTexts(const std::wstring& ALog) {
  std::vector<std::wstring> texts;
  std::size_t start = 0;
  while (start < ALog.size()) {
    std::size_t end = ALog.find(L"\r\n", start);
    if (end == std::wstring::npos)
      end = ALog.size();
    const std::wstring line = ALog.substr(start, end - start);
    const std::size_t at = line.find(L" - ");
    texts.push_back(at == std::wstring::npos ? line : line.substr(at + 3));
    start = end + 2;
  }
  return texts;
}

// Tarvel with its log shown, asking a local server whose answer the scenario sets. The
// server says "not found" until then, so that the automatic check at start shows nothing.
class UpdateTest : public TScenario {
protected:
  void SetUp() override {
    TScenario::SetUp();
    StoreSetting(L"ShowLog", 1);
  }

  void Start(const std::string& AUrl) {
    StoreUpdateUrl(std::wstring(AUrl.begin(), AUrl.end()));
    StartTarvel();
    ShowApp();
    ShowCard(idBtnCard3, idMemoInfoLog);
    // The automatic check has ended (most starts skip it).
    ASSERT_TRUE(WaitUntil(
        [&] {
          const std::wstring log = Log();
          return log.find(L"Update check skipped (sampling)") != std::wstring::npos ||
                 log.find(L"Update check: remote version unavailable") != std::wstring::npos;
        },
        15s))
        << Log();
    const std::wstring log = Log();
    const std::wstring prefix = L"Update check started, current version: ";
    const std::size_t at = log.find(prefix);
    ASSERT_NE(at, std::wstring::npos);
    FCurrent = log.substr(at + prefix.size(), log.find(L"\r\n", at) - at - prefix.size());
  }

  std::wstring Log() { return TextOf(Control(idMemoInfoLog)); }
  // The log's texts once the last one is ALast.
  std::vector<std::wstring> LogEndingWith(const std::wstring& ALast) {
    std::vector<std::wstring> texts;
    WaitUntil(
        [&] {
          texts = LogTexts(Log());
          return !texts.empty() && texts.back() == ALast;
        },
        10s);
    return texts;
  }

  void SetBody(const std::string& ABody) {
    const std::lock_guard<std::mutex> hold(FLock);
    FBody = ABody;
  }
  void SetReply(const TUpdateTestServer::TReply& AReply) {
    const std::lock_guard<std::mutex> hold(FLock);
    FReply = AReply;
  }

  // Clicks "Check updates" and waits for the box that ends the check.
  HWND CheckByHand() {
    ClickControl(Control(idChkUpdate));
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = FindMessageBox(FTarvel.Id())) != nullptr; }, 15s)) << Log();
    return box;
  }

  void Answer(HWND ABox, int AButton) {
    PostMessageW(ABox, WM_COMMAND, AButton, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindMessageBox(FTarvel.Id()) == nullptr; }, 10s));
  }

  std::wstring FCurrent;
  std::mutex FLock;
  std::string FBody;
  std::optional<TUpdateTestServer::TReply> FReply;
  TUpdateTestServer FServer{[this](const std::string& APath) {
    const std::lock_guard<std::mutex> hold(FLock);
    if (APath == "/silent")
      return TUpdateTestServer::TReply{"", true};
    if (FReply && APath == "/versions/tarvel.latest")
      return *FReply;
    if (FBody.empty() || APath != "/versions/tarvel.latest")
      return TUpdateTestServer::Answer(404, "Not Found", "");
    return TUpdateTestServer::Answer(200, "OK", FBody);
  }};
};

TEST_F(UpdateTest, ANewerVersionIsOfferedAndNoLeavesEverythingAsItWas) {
  const std::string address = FServer.Url("/versions/tarvel.latest");
  const std::wstring url(address.begin(), address.end());
  Start(address);
  SetBody("99.0\r\n");
  const HWND box = CheckByHand();
  ASSERT_NE(box, nullptr);
  SaveScreenshot(GetDesktopWindow(), L"update-question");
  EXPECT_TRUE(HasChildText(box, L"Current app version: " + FCurrent +
                                    L"\r\nSite version: 99.0\r\n\r\nA new version 99.0 is available. Download now?"))
      << ChildTexts(box).size();
  Answer(box, IDNO);
  Sleep(500);
  const std::vector<std::wstring> log = LogEndingWith(L"New version available: 99.0");
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector<std::wstring>(log.end() - 5, log.end()),
            (std::vector<std::wstring>{L"Manual update check...", L"Update check started, current version: " + FCurrent,
                                       L"Checking update at: " + url, L"Update site version: 99.0",
                                       L"New version available: 99.0"}));
  EXPECT_TRUE(FTarvel.Running());
  EXPECT_TRUE(IsWindowVisible(FMain));
  EXPECT_EQ(FindMessageBox(FTarvel.Id()), nullptr);
}

// A window lies whole within the work area of the monitor it is on.
TEST_F(UpdateTest, AVersionFollowedByEndlessZerosIsAskedAboutInABoxOnTheScreen) {
  Start(FServer.Url("/versions/tarvel.latest"));
  SetReply(TUpdateTestServer::Huge("1.3.0.0", 100ull * 1024 * 1024, '0'));
  const HWND box = CheckByHand();
  ASSERT_NE(box, nullptr);
  SaveScreenshot(GetDesktopWindow(), L"update-question-long-reply");
  EXPECT_TRUE(HasChildText(box, L"Current app version: " + FCurrent +
                                    L"\r\nSite version: 1.3.0.0\r\n\r\nA new version 1.3.0.0 is available. Download "
                                    L"now?"));
  EXPECT_TRUE(test::InWorkArea(box));
  for (const int button : {IDYES, IDNO}) {
    const HWND control = GetDlgItem(box, button);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_TRUE(test::InWorkArea(control)) << button;
  }
  Answer(box, IDNO);
  EXPECT_EQ(LogEndingWith(L"New version available: 1.3.0.0").back(), L"New version available: 1.3.0.0");
}

TEST_F(UpdateTest, AnEqualVersionIsNotNewer) {
  Start(FServer.Url("/versions/tarvel.latest"));
  SetBody(std::string(FCurrent.begin(), FCurrent.end()));
  const HWND box = CheckByHand();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(HasChildText(box, L"Current app version: " + FCurrent + L"\r\nSite version: " + FCurrent +
                                    L"\r\n\r\nNo newer version is available."));
  Answer(box, IDOK);
  EXPECT_EQ(LogEndingWith(L"No newer version available").back(), L"No newer version available");
}

TEST_F(UpdateTest, AServerThatIsDownMakesTheVersionUnavailable) {
  const std::string url =
      "http://127.0.0.1:" + std::to_string(TUpdateTestServer::RefusedPort()) + "/versions/tarvel.latest";
  Start(url);
  const HWND box = CheckByHand();
  ASSERT_NE(box, nullptr);
  SaveScreenshot(GetDesktopWindow(), L"update-unavailable");
  EXPECT_TRUE(HasChildText(box, L"Current app version: " + FCurrent +
                                    L"\r\nSite version: unavailable\r\n\r\nUnable to retrieve the version published "
                                    L"on the site."));
  Answer(box, IDOK);
  const std::vector<std::wstring> log = LogEndingWith(L"Update check: remote version unavailable");
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[log.size() - 5], L"Manual update check...");
  EXPECT_EQ(log[log.size() - 4], L"Update check started, current version: " + FCurrent);
  EXPECT_EQ(log[log.size() - 3], L"Checking update at: " + std::wstring(url.begin(), url.end()));
  EXPECT_EQ(log[log.size() - 2].rfind(L"Update check HTTP error: ", 0), 0u) << log[log.size() - 2];
  EXPECT_EQ(log[log.size() - 1], L"Update check: remote version unavailable");
}

TEST_F(UpdateTest, QuitWhileACheckWaitsEndsCleanly) {
  Start(FServer.Url("/silent"));
  ClickControl(Control(idChkUpdate));
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Log().find(L"Checking update at: ") != Log().rfind(L"Checking update at: ") ||
               LogTexts(Log()).back().rfind(L"Checking update at: ", 0) == 0;
      },
      10s))
      << Log();
  const auto start = std::chrono::steady_clock::now();
  ClickControl(Control(idBtnQuit));
  AnswerQuit(IDYES);
  ASSERT_TRUE(FTarvel.WaitForExit(10000)) << "Tarvel kept running after Yes";
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("quit during a check: the process ended after %.2f s\n", seconds);
  EXPECT_EQ(FTarvel.ExitCode(), 0u);
}

} // namespace
} // namespace tarvel::e2e
