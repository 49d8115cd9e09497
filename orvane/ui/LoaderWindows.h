#pragma once

#include "common/Prompter.h"
#include "orvane/ui/TSDIAppForm.h"

#include <memory>

namespace orvane {

class TAboutBox;
class TfrmDevices;
class TfrmHexEdit;

// The loader's four windows, created in their start-up order (the main
// window, the About box, the buffer view and the device dialog) and kept
// for the whole run.
class LoaderWindows {
public:
  LoaderWindows(const QString &programPath, common::Prompter &prompter, LoaderOptions options = {});
  // On a session already made (a dry run's box started).
  LoaderWindows(std::unique_ptr<LoaderSession> session, common::Prompter &prompter,
                LoaderOptions options = {});
  ~LoaderWindows();

  TSDIAppForm &main() { return *main_; }
  TAboutBox &about() { return *about_; }
  TfrmHexEdit &hexEdit() { return *hexEdit_; }
  TfrmDevices &devices() { return *devices_; }

private:
  std::unique_ptr<TSDIAppForm> main_;
  TAboutBox *about_;
  TfrmHexEdit *hexEdit_;
  TfrmDevices *devices_;
};

} // namespace orvane
