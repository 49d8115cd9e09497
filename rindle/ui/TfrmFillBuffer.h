#pragma once

#include <memory>

#include "isp/widgets/FillBufferDialog.h"
#include "rindle/app/BufferDialogs.h"

namespace rindle {

// The fill dialog with five-digit addresses, filled through this
// programmer's own flow. The display dialog presets the fields (and clears
// BufferEdited) before each showing.
class TfrmFillBuffer : public FillBufferDialog {
  Q_OBJECT
public:
  TfrmFillBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent = nullptr);

  using FillBufferDialog::Preset;
  void Preset(const BufferDisplayModel::FillPreset &preset);
  FillBufferFlow &Flow() { return *flow_; }

private:
  std::unique_ptr<FillBufferFlow> flow_;
};

} // namespace rindle
