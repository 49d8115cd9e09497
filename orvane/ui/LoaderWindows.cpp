#include "orvane/ui/LoaderWindows.h"

#include "common/widgets/Centre.h"
#include "orvane/ui/TAboutBox.h"
#include "orvane/ui/TfrmDevices.h"
#include "orvane/ui/TfrmHexEdit.h"

namespace orvane {

LoaderWindows::LoaderWindows(const QString &programPath, common::Prompter &prompter,
                             LoaderOptions options)
    : LoaderWindows(std::make_unique<LoaderSession>(LoaderPaths::ForProgram(programPath), prompter),
                    prompter, std::move(options)) {}

LoaderWindows::LoaderWindows(std::unique_ptr<LoaderSession> session, common::Prompter &prompter,
                             LoaderOptions options)
    : main_(std::make_unique<TSDIAppForm>(std::move(session), prompter, std::move(options))),
      // The dialogs belong to the main window, so they open centred on it.
      about_(new TAboutBox(main_.get())), hexEdit_(new TfrmHexEdit(prompter, main_.get())),
      devices_(new TfrmDevices(main_.get())) {
  for (QWidget *dialog : std::initializer_list<QWidget *>{about_, hexEdit_, devices_})
    common::CentreWhenShown(*dialog);
  main_->attachWindows(about_, hexEdit_, devices_);
}

LoaderWindows::~LoaderWindows() = default;

} // namespace orvane
