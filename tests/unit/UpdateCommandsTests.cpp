#include <atomic>
#include <chrono>
#include <thread>

#include "core/Text.h"
#include "unit/MainFormFixture.h"
#include "update/UpdateCheck.h"

namespace tarvel {
namespace {

// The server's answer, shared by the clients the form makes; Released tells that the
// check's client is gone, that is, the worker has finished.
struct TUpdateServer {
  std::string Body = "1.3";
  std::vector<std::u16string> Requests;
  std::atomic<int> Released = 0;
};

class TServerClient : public IUpdateHttpClient {
public:
  explicit TServerClient(TUpdateServer& AServer) : FServer(AServer) {}
  ~TServerClient() override { ++FServer.Released; }
  std::unique_ptr<TUpdateHttpResponse> Get(const std::u16string& AUrl, const TUpdateHttpOptions&) override {
    FServer.Requests.push_back(AUrl);
    return std::make_unique<TUpdateHttpResponse>(
        TUpdateHttpResponse{200, u"OK", std::vector<std::uint8_t>(FServer.Body.begin(), FServer.Body.end())});
  }
  TSecureFailureReasons SecureFailureReasons() const override { return 0; }

private:
  TUpdateServer& FServer;
};

class UpdateCommandsTest : public MainFormTest {
protected:
  UpdateCommandsTest() : MainFormTest(false) {
    FForm.UpdateHttpFactory = [this] { return std::make_unique<TServerClient>(FServer); };
  }

  // Runs what the worker hands over until its check has ended.
  bool RunCheck(int AChecks = 1) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (FServer.Released < AChecks) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      FDispatcher.RunPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FDispatcher.JoinBackground();
    FDispatcher.RunPending();
    return true;
  }

  // The log's texts after the start line, without their time stamps.
  std::vector<std::u16string> UpdateLog() const {
    std::vector<std::u16string> texts;
    for (const std::u16string& line : FForm.LogLines()) {
      const std::size_t at = line.find(u" - ");
      const std::u16string text = at == std::u16string::npos ? line : line.substr(at + 3);
      if (text.find(u"pdate") != std::u16string::npos || text.find(u"version") != std::u16string::npos)
        texts.push_back(text);
    }
    return texts;
  }

  TUpdateServer FServer;
};

TEST_F(UpdateCommandsTest, ManualCheckAsksOnTheMainThreadAndOpensTheSiteOnYes) {
  Start();
  ASSERT_TRUE(RunCheck());
  // The automatic check at start: one start in ten reaches the server, and only the
  // download question may show; here the server has a newer version, so a box may show.
  const std::size_t automaticBoxes = FDialogs.Shown.size();
  FDialogs.Answers = {mrYes};
  FForm.chkUpdate.Click();
  ASSERT_TRUE(RunCheck(2));
  const std::vector<std::u16string> log = UpdateLog();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector<std::u16string>(log.end() - 5, log.end()),
            (std::vector<std::u16string>{u"Manual update check...", u"Update check started, current version: 1.2.0.2",
                                         u"Checking update at: http://updates.tarvel.app/versions/tarvel.latest",
                                         u"Update site version: 1.3", u"New version available: 1.3"}));
  ASSERT_EQ(FDialogs.Shown.size(), automaticBoxes + 1);
  EXPECT_EQ(FDialogs.Shown.back().Text, UpdateDownloadText(u"1.2.0.2", u"1.3"));
  EXPECT_EQ(FDialogs.Shown.back().Type, mtConfirmation);
  EXPECT_EQ(FDialogs.Shown.back().Buttons, unsigned{mbYes | mbNo});
  EXPECT_EQ(FShell.OpenedUrls.back(), u"http://updates.tarvel.app/");
}

TEST_F(UpdateCommandsTest, TheOverrideReplacesTheVersionUrlAndTheSite) {
  FRegistry.PutString(SettingsKeyPath, UpdateUrlValueName, u" http://127.0.0.1:8080/versions/tarvel.latest ");
  Start();
  ASSERT_TRUE(RunCheck());
  FServer.Body = "1.2.0.2";
  FForm.chkUpdate.Click();
  ASSERT_TRUE(RunCheck(2));
  EXPECT_EQ(FServer.Requests.back(), u"http://127.0.0.1:8080/versions/tarvel.latest");
  const std::vector<std::u16string> log = UpdateLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(std::vector<std::u16string>(log.end() - 4, log.end()),
            (std::vector<std::u16string>{u"Update check started, current version: 1.2.0.2",
                                         u"Checking update at: http://127.0.0.1:8080/versions/tarvel.latest",
                                         u"Update site version: 1.2.0.2", u"No newer version available"}));
  ASSERT_FALSE(FDialogs.Shown.empty());
  EXPECT_EQ(FDialogs.Shown.back().Text, UpdateNoNewerText(u"1.2.0.2", u"1.2.0.2"));
  EXPECT_EQ(FDialogs.Shown.back().Type, mtInformation);
  EXPECT_EQ(FDialogs.Shown.back().Buttons, unsigned{mbOK});

  FServer.Body = "2.0";
  FDialogs.Answers = {mrYes};
  FForm.chkUpdate.Click();
  ASSERT_TRUE(RunCheck(3));
  EXPECT_EQ(FShell.OpenedUrls.back(), u"http://127.0.0.1:8080/");
}

TEST_F(UpdateCommandsTest, ACheckWaitingWhenTheWindowGoesEndsWithoutShowingAnything) {
  Start();
  ASSERT_TRUE(RunCheck());
  const std::size_t boxes = FDialogs.Shown.size();
  const std::size_t lines = FForm.LogLines().size();
  FForm.chkUpdate.Click();
  // The worker waits in its first hand-over; the window starts to go.
  ASSERT_TRUE(FDispatcher.WaitForPending(1));
  FDispatcher.Shutdown();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (FServer.Released < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(FServer.Released, 2);
  FDispatcher.JoinBackground();
  EXPECT_EQ(FDialogs.Shown.size(), boxes);
  EXPECT_EQ(FForm.LogLines().size(), lines + 1); // "Manual update check..." only
  EXPECT_TRUE(FShell.OpenedUrls.empty());
}

TEST(UpdateCommandsWithoutClientTest, NoFactoryNoCheck) {
  // The fixture's form has no client factory: starting leaves only the start-up log.
  class T : public MainFormTest {
  public:
    void TestBody() override {}
    bool Only() const { return OnlyStartupLog(); }
    std::size_t Workers() { return FDispatcher.PendingCount(); }
  } form;
  EXPECT_TRUE(form.Only());
  EXPECT_EQ(form.Workers(), 0u);
}

} // namespace
} // namespace tarvel
