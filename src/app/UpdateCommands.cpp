// TMainForm: the update check, started at every start and by the info card's button. The
// check runs on a worker; what it logs, asks and opens is done on this thread.
#include <memory>

#include "app/uMain.h"
#include "core/Text.h"
#include "settings/Registry.h"

namespace tarvel {

namespace {

// The longest override of the version URL that is read.
constexpr std::size_t MaxUpdateUrlLength = 2048;

// The version URL the administrator set in the settings key, or empty.
std::u16string ReadUpdateUrlOverride(IRegistry& ARegistry) {
  try {
    if (const auto key = ARegistry.OpenKeyReadOnly(SettingsKeyPath))
      if (const auto value = ReadString(*key, UpdateUrlValueName, MaxUpdateUrlLength))
        return Trim(*value);
  } catch (const EError&) {
    // An unreadable value counts as none.
  }
  return {};
}

} // namespace

void TMainForm::chkUpdateClick(TControl&) {
  AddLogLine(u"Manual update check...");
  StartUpdateCheck(true);
}

void TMainForm::StartUpdateCheck(bool AManual) {
  if (!UpdateHttpFactory)
    return;
  std::u16string versionUrl = UpdateVersionUrl;
  std::u16string siteUrl = UpdateSiteUrl;
  const std::u16string custom = ReadUpdateUrlOverride(FServices.Registry);
  if (!custom.empty() && !UrlRoot(custom).empty()) {
    versionUrl = custom;
    siteUrl = UrlRoot(custom);
  }
  // The worker keeps what it uses in its own state; it reaches the form, the boxes and
  // the shell only through tasks on this thread, which stop running once the window goes.
  struct TState {
    IDispatcher& Dispatcher;
    IDialogs& Dialogs;
    IShell& Shell;
    TMainForm* Form;
    std::function<std::unique_ptr<IUpdateHttpClient>()> Factory;
    std::u16string Current, VersionUrl, SiteUrl;
    bool Manual;
  };
  const auto state = std::make_shared<TState>(TState{FServices.Dispatcher, FServices.Dialogs, FServices.Shell, this,
                                                     UpdateHttpFactory, FAppVersion, versionUrl, siteUrl, AManual});
  FServices.Dispatcher.RunInBackground([state] {
    const std::unique_ptr<IUpdateHttpClient> http = state->Factory();
    if (!http)
      return;
    TUpdateCheckEnv env{*http, state->Current,
                        [state](TUpdateBox AKind, const std::u16string& AText) {
                          bool yes = false;
                          state->Dispatcher.Send([&] {
                            const bool question = AKind == TUpdateBox::Download;
                            yes = state->Dialogs.MessageDlg(AText, question ? mtConfirmation : mtInformation,
                                                            question ? mbYes | mbNo : mbOK) == mrYes;
                          });
                          return yes;
                        },
                        state->VersionUrl, state->SiteUrl};
    UpdateCheck(
        env, [state](const std::u16string& AMsg) { state->Dispatcher.Send([&] { state->Form->AddLogLine(AMsg); }); },
        [state](const std::u16string& AUrl) { state->Dispatcher.Send([&] { state->Shell.OpenUrl(AUrl); }); },
        state->Manual);
  });
}

} // namespace tarvel
