#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/ProgramEntry.h"

namespace tarvel {
namespace {

class TFakeHost : public IProgramHost {
public:
  bool FirstInstance = true;
  bool SessionEndsInTutorial = false;
  std::string FailAt;
  std::vector<std::string> Calls;

  bool AcquireSingleInstance() override {
    Calls.push_back("acquire");
    return FirstInstance;
  }
  void ReleaseSingleInstance() noexcept override { Calls.push_back("release"); }
  void InitializeApplication() override { Step("init"); }
  bool ShowTutorialIfNeeded() override {
    Step("tutorial");
    return !SessionEndsInTutorial;
  }
  void CreateMainWindow() override { Step("main"); }
  void HideApplicationWindow() override { Step("hide"); }
  void RunMessageLoop() override { Step("loop"); }

private:
  void Step(const std::string& AName) {
    Calls.push_back(AName);
    if (AName == FailAt)
      throw std::runtime_error(AName + " failed");
  }
};

TEST(ProgramEntryTest, FirstInstanceRunsTheLoopThenReleasesTheLock) {
  TFakeHost host;
  EXPECT_EQ(RunProgram(host), 0);
  EXPECT_EQ(host.Calls, (std::vector<std::string>{"acquire", "init", "tutorial", "main", "hide", "loop", "release"}));
}

TEST(ProgramEntryTest, SecondInstanceExitsSilentlyWithZero) {
  TFakeHost host;
  host.FirstInstance = false;
  EXPECT_EQ(RunProgram(host), 0);
  EXPECT_EQ(host.Calls, std::vector<std::string>{"acquire"});
}

TEST(ProgramEntryTest, SessionEndingDuringTheTutorialEndsWithoutTheMainWindow) {
  TFakeHost host;
  host.SessionEndsInTutorial = true;
  EXPECT_EQ(RunProgram(host), 0);
  EXPECT_EQ(host.Calls, (std::vector<std::string>{"acquire", "init", "tutorial", "release"}));
}

class ProgramEntryFailureTest : public testing::TestWithParam<const char*> {};

TEST_P(ProgramEntryFailureTest, LockIsReleasedWhenAStepFails) {
  TFakeHost host;
  host.FailAt = GetParam();
  EXPECT_THROW(RunProgram(host), std::runtime_error);
  EXPECT_EQ(host.Calls.back(), "release");
}

INSTANTIATE_TEST_SUITE_P(Steps, ProgramEntryFailureTest, testing::Values("init", "tutorial", "main", "hide", "loop"));

} // namespace
} // namespace tarvel
