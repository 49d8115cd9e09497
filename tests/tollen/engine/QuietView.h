#pragma once

// The main window's commands without a window: nothing is drawn, the redraw
// requests are counted.

#include "tollen/engine/MainCommands.h"

namespace tollen::testing {

struct QuietView : MainView {
  int refreshes = 0;
  void ShowProgress(const QString &, int) override {}
  void SetProgress(int) override {}
  void CloseProgress() override {}
  void ProcessEvents() override {}
  void SetBusyCursor(bool) override {}
  void ShowFuseDialog() override {}
  void ShowBufferDisplay() override {}
  void ShowFillDialog() override {}
  void ShowAbout() override {}
  void Refresh() override { ++refreshes; }
};

} // namespace tollen::testing
