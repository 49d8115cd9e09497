#include "rindle/ui/TfrmFillBuffer.h"

namespace rindle {

TfrmFillBuffer::TfrmFillBuffer(IspEngine &engine, common::Prompter &prompter, QWidget *parent)
    : FillBufferDialog(5, {}, parent), flow_(std::make_unique<FillBufferFlow>(engine, prompter)) {
  SetOkHandler([this](const QString &start, const QString &end, const QString &data) {
    flow_->btnOKClick(start, end, data);
  });
}

void TfrmFillBuffer::Preset(const BufferDisplayModel::FillPreset &preset) {
  Preset(preset.start, preset.end, preset.data);
}

} // namespace rindle
