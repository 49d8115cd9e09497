// Speed of the hex view: loading and painting must not depend on the data's
// size beyond the load itself, and a search for an absent pattern must run
// at memory speed. Run with QT_QPA_PLATFORM=offscreen (set when unset).

#include "orvane/hexview/HexSearch.h"
#include "orvane/hexview/TVelaHexEditor.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

using orvane::hexview::TVelaHexEditor;

constexpr qint64 k64KiB = 64 * 1024;
constexpr qint64 k256MiB = 256LL * 1024 * 1024;
constexpr int kViewRows = 30;

// Bytes that look like a firmware image: no long runs, every value present.
QByteArray variedBytes(qint64 size) {
  QByteArray bytes(size, '\0');
  std::uint32_t x = 12345;
  auto *p = reinterpret_cast<std::uint8_t *>(bytes.data());
  for (qint64 i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    p[i] = static_cast<std::uint8_t>(x >> 24);
  }
  return bytes;
}

// One data file per size, written once for the whole run.
class Files {
public:
  static QString path(qint64 size) {
    static Files files;
    auto it = files.paths_.find(size);
    if (it == files.paths_.end()) {
      const QString name = files.dir_.filePath(QStringLiteral("data-%1.bin").arg(size));
      QFile file(name);
      if (!file.open(QIODevice::WriteOnly) || file.write(variedBytes(size)) != size)
        return {};
      it = files.paths_.emplace(size, name).first;
    }
    return it->second;
  }

private:
  QTemporaryDir dir_;
  std::map<qint64, QString> paths_;
};

// A control as the buffer dialog shows it, thirty rows high.
std::unique_ptr<TVelaHexEditor> makeEditor() {
  auto editor = std::make_unique<TVelaHexEditor>();
  editor->SetBytesPerRow(10);
  editor->SetBytesPerColumn(1);
  editor->resize(640, kViewRows * editor->layout().rowHeight() + 2 * editor->frameWidth());
  editor->show();
  editor->setFocus();
  return editor;
}

// Paints the visible rows into an image through the widget's own paint event.
void paintScreen(TVelaHexEditor &editor, QImage &image) {
  editor.viewport()->render(&image);
  benchmark::DoNotOptimize(image.constBits());
}

QImage screenImage(const TVelaHexEditor &editor) {
  QImage image(editor.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  return image;
}

void BM_LoadAndPaintFirstScreen(benchmark::State &state) {
  const qint64 size = state.range(0);
  const QString file = Files::path(size);
  if (file.isEmpty()) {
    state.SkipWithError("cannot write the data file");
    return;
  }
  auto editor = makeEditor();
  QImage image = screenImage(*editor);
  for (auto _ : state) {
    editor->LoadDataFile(file);
    paintScreen(*editor, image);
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_LoadAndPaintFirstScreen)->Arg(k64KiB)->Arg(k256MiB)->Unit(benchmark::kMillisecond);

void BM_PaintFirstScreen(benchmark::State &state) {
  auto editor = makeEditor();
  editor->LoadDataFile(Files::path(state.range(0)));
  QImage image = screenImage(*editor);
  for (auto _ : state)
    paintScreen(*editor, image);
}
BENCHMARK(BM_PaintFirstScreen)->Arg(k64KiB)->Arg(k256MiB)->Unit(benchmark::kMillisecond);

void BM_JumpToEndAndPaint(benchmark::State &state) {
  auto editor = makeEditor();
  editor->LoadDataFile(Files::path(state.range(0)));
  QImage image = screenImage(*editor);
  for (auto _ : state) {
    state.PauseTiming();
    editor->SetSelectionStart(0);
    state.ResumeTiming();
    editor->SetSelectionStart(editor->DataSize() - 1);
    paintScreen(*editor, image);
  }
  if (editor->state().topRow() == 0)
    state.SkipWithError("the view did not move to the end");
}
BENCHMARK(BM_JumpToEndAndPaint)->Arg(k64KiB)->Arg(k256MiB)->Unit(benchmark::kMillisecond);

// A pattern that never occurs, so every byte is looked at.
void BM_FindPatternAbsent(benchmark::State &state) {
  const bool ignoreCase = state.range(0) != 0;
  const QByteArray data = variedBytes(k256MiB);
  const QByteArray pattern =
      orvane::hexview::PrepareSearch(QByteArray("Zq#7!kW"), ignoreCase, true);
  const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.constData());
  const auto *wanted = reinterpret_cast<const std::uint8_t *>(pattern.constData());
  for (auto _ : state) {
    const qint64 found = orvane::hexview::FindPattern(bytes, data.size(), wanted, pattern.size(), 0,
                                                      data.size() - 1, ignoreCase);
    if (found != -1) {
      state.SkipWithError("the pattern occurs in the data");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * data.size());
  state.SetLabel(ignoreCase ? "ignore case" : "case-sensitive");
}
BENCHMARK(BM_FindPatternAbsent)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
