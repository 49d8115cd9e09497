#include "orvane/hexview/TVelaHexEditor.h"

#include "orvane/hexview/HexKeyController.h"
#include "orvane/hexview/HexSearch.h"
#include "orvane/hexview/HexViewError.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace orvane::hexview {

namespace {

constexpr int kFontPixels = 15;
constexpr int kAutoScrollMs = 50;
constexpr int kWheelNotch = 120;
const QString kStartOffsetFormat = QStringLiteral("-!10:0x|");

QFont standardFont() {
  QFont font;
  if (QFontDatabase::families().contains(QStringLiteral("Courier New")))
    font = QFont(QStringLiteral("Courier New"));
  else
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(kFontPixels);
  return font;
}

// The hourglass of long operations, restored on every way out.
class BusyCursor {
public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor &) = delete;
  BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

TVelaHexEditor::TVelaHexEditor(QWidget *parent)
    : QAbstractScrollArea(parent), offsetFormat_(OffsetFormat::parse(kStartOffsetFormat)),
      colors_(TVelaHColors::standard(palette())) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::IBeamCursor);
  verticalScrollBar()->setTracking(true);
  setFont(standardFont());
  // A child by name, so that whoever drives the control sees it run.
  autoScroll_.setParent(this);
  autoScroll_.setObjectName(QStringLiteral("autoScrollTimer"));
  autoScroll_.setInterval(kAutoScrollMs);
  connect(&autoScroll_, &QTimer::timeout, this, &TVelaHexEditor::autoScrollStep);
  relayout();
}

template <typename Action>
void TVelaHexEditor::guarded(Action action) {
  try {
    action();
  } catch (const HexViewError &error) {
    emit errorRaised(error.text());
  } catch (const std::bad_alloc &) {
    emit errorRaised(QStringLiteral("Cannot update undo storage"));
  }
  sync();
}

void TVelaHexEditor::LoadDataFile(const QString &path) {
  {
    BusyCursor busy;
    model_.loadFile(path);
  }
  state_.resetAfterLoad();
  sync();
}

void TVelaHexEditor::SaveDataFile(const QString &path, bool markSaved) {
  {
    BusyCursor busy;
    model_.saveFile(path, markSaved);
  }
  sync();
}

void TVelaHexEditor::SetSelectionStart(qint64 position) {
  state_.SetSelectionStart(position);
  sync();
}

void TVelaHexEditor::SetSelectionEnd(qint64 position) {
  state_.SetSelectionEnd(position);
  sync();
}

QByteArray TVelaHexEditor::PrepareSearch(const QByteArray &text, bool ignoreCase,
                                         bool isText) const {
  return hexview::PrepareSearch(text, ignoreCase, isText);
}

qint64 TVelaHexEditor::FindPattern(const QByteArray &pattern, qint64 length, qint64 start,
                                   qint64 end, bool ignoreCase) const {
  // Never read past the pattern the caller has.
  length = std::min<qint64>(length, pattern.size());
  BusyCursor busy;
  return hexview::FindPattern(model_.data(), model_.size(),
                              reinterpret_cast<const std::uint8_t *>(pattern.constData()), length,
                              start, end, ignoreCase);
}

QByteArray TVelaHexEditor::HexTextToBytes(const QString &text, bool swapNibbles) {
  return hexview::HexTextToBytes(text, swapNibbles);
}

void TVelaHexEditor::SetBytesPerRow(int count) {
  state_.setBytesPerRow(count);
  relayout();
}

void TVelaHexEditor::SetBytesPerColumn(int count) {
  state_.setBytesPerColumn(count);
  relayout();
}

void TVelaHexEditor::SetOffsetFormat(const QString &text) {
  offsetFormat_ = OffsetFormat::parse(text);
  relayout();
}

void TVelaHexEditor::SetFocusFrame(bool on) {
  focusFrame_ = on;
  viewport()->update();
}

void TVelaHexEditor::SetColors(const TVelaHColors &colors) {
  colors_ = colors;
  viewport()->update();
}

void TVelaHexEditor::SetMaskChar(QChar ch) {
  maskChar_ = ch;
  painter_.setFont(font(), maskChar_);
  viewport()->update();
}

void TVelaHexEditor::SetInsertMode(bool on) {
  state_.setInsertMode(on);
  sync();
}

QSize TVelaHexEditor::sizeHint() const {
  const int frame = 2 * frameWidth();
  return {layout_.totalWidth() + verticalScrollBar()->sizeHint().width() + frame,
          layout_.rowHeight() * 20 + frame};
}

int TVelaHexEditor::lastOffsetLength() const {
  const qint64 lastRow = state_.rowStart(state_.rowCount() - 1);
  return static_cast<int>(
      offsetFormat_.format(lastRow, lastRow, state_.bytesPerRow(), state_.bytesPerColumn()).size());
}

void TVelaHexEditor::relayout() {
  offsetTextLength_ = lastOffsetLength();
  layout_.update(QFontMetrics(font()), state_.bytesPerRow(), state_.bytesPerColumn(),
                 offsetTextLength_);
  painter_.setFont(font(), maskChar_);
  state_.setVisibleRows(viewport()->height() / layout_.rowHeight());
  updateGeometry();
  sync();
}

void TVelaHexEditor::sync() {
  // Edits can add a digit to the offsets and so widen the offset column.
  if (lastOffsetLength() != offsetTextLength_) {
    relayout();
    return;
  }
  // A new range may clamp the bar's old value and scroll the state with it,
  // so the state's row is taken first.
  const qint64 top = state_.topRow();
  QScrollBar *vertical = verticalScrollBar();
  vertical->setRange(0, static_cast<int>(state_.maxTopRow()));
  vertical->setPageStep(state_.visibleRows());
  vertical->setValue(static_cast<int>(top));
  state_.scrollTo(top);
  QScrollBar *horizontal = horizontalScrollBar();
  horizontal->setRange(0, std::max(layout_.totalWidth() - viewport()->width(), 0));
  horizontal->setPageStep(viewport()->width());
  viewport()->update();
}

void TVelaHexEditor::paintEvent(QPaintEvent *event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const int dx = horizontalScrollBar()->value();
  painter.translate(-dx, 0);
  HexPainter::Options options;
  options.focused = hasFocus();
  options.focusFrame = focusFrame_;
  painter_.paint(painter, state_, layout_, offsetFormat_, colors_, options,
                 event->rect().translated(dx, 0));
}

void TVelaHexEditor::resizeEvent(QResizeEvent *event) {
  QAbstractScrollArea::resizeEvent(event);
  state_.setVisibleRows(viewport()->height() / layout_.rowHeight());
  sync();
}

void TVelaHexEditor::scrollContentsBy(int /*dx*/, int /*dy*/) {
  state_.scrollTo(verticalScrollBar()->value());
  viewport()->update();
}

bool TVelaHexEditor::desktopKeyCodes() {
  // The Linux desktops report a key's place as the kernel's scan code plus
  // 8; the off-screen platform passes on whatever the event was given.
  const QString platform = QGuiApplication::platformName();
  return platform == u"xcb" || platform.startsWith(u"wayland") || platform == u"offscreen";
}

void TVelaHexEditor::keyPressEvent(QKeyEvent *event) {
  bool handled = false;
  guarded([&] {
    handled = HexKeyController::keyPress(state_, event->key(), event->modifiers(), event->text(),
                                         desktopKeyCodes() ? event->nativeScanCode() : 0);
  });
  if (!handled)
    QAbstractScrollArea::keyPressEvent(event);
}

void TVelaHexEditor::keyReleaseEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Shift)
    state_.endTracking();
  QAbstractScrollArea::keyReleaseEvent(event);
}

void TVelaHexEditor::focusInEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TVelaHexEditor::focusOutEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusOutEvent(event);
  if (!mouse_.selecting())
    state_.endTracking();
  viewport()->update();
}

bool TVelaHexEditor::focusNextPrevChild(bool /*next*/) {
  // Tab switches panes inside the view.
  return false;
}

HexLayout::Hit TVelaHexEditor::hitAt(QPoint point, bool clampToPanes) const {
  int x = point.x() + horizontalScrollBar()->value();
  int y = point.y();
  if (clampToPanes) {
    x = std::clamp(x, layout_.hexPaneLeft(), layout_.totalWidth() - 1);
    y = std::clamp(y, 0, std::max(state_.visibleRows() * layout_.rowHeight() - 1, 0));
  }
  return layout_.hitTest(x, y);
}

void TVelaHexEditor::pressAt(QMouseEvent *event, bool doubleClick) {
  if (event->button() != Qt::LeftButton)
    return;
  guarded([&] { mouse_.press(state_, hitAt(event->position().toPoint(), false), doubleClick); });
  lastDragPoint_ = event->position().toPoint();
}

void TVelaHexEditor::mousePressEvent(QMouseEvent *event) { pressAt(event, false); }

void TVelaHexEditor::mouseDoubleClickEvent(QMouseEvent *event) { pressAt(event, true); }

void TVelaHexEditor::mouseMoveEvent(QMouseEvent *event) {
  const QPoint point = event->position().toPoint();
  if (!(event->buttons() & Qt::LeftButton) || !mouse_.selecting()) {
    viewport()->setCursor(HexMouseController::cursorShape(state_, hitAt(point, false)));
    return;
  }
  lastDragPoint_ = point;
  const bool outside = point.y() < 0 || point.y() >= viewport()->height();
  if (outside && !autoScroll_.isActive())
    autoScroll_.start();
  else if (!outside)
    autoScroll_.stop();
  guarded([&] { mouse_.drag(state_, hitAt(point, true)); });
}

void TVelaHexEditor::autoScrollStep() {
  if (!mouse_.selecting()) {
    autoScroll_.stop();
    return;
  }
  if (lastDragPoint_.y() < 0)
    state_.scrollBy(-1);
  else if (lastDragPoint_.y() >= viewport()->height())
    state_.scrollBy(1);
  guarded([&] { mouse_.drag(state_, hitAt(lastDragPoint_, true)); });
}

void TVelaHexEditor::mouseReleaseEvent(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton)
    return;
  autoScroll_.stop();
  guarded([&] { mouse_.release(state_); });
}

void TVelaHexEditor::wheelEvent(QWheelEvent *event) {
  if (event->modifiers() != Qt::NoModifier) {
    event->ignore();
    return;
  }
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ -= notches * kWheelNotch;
  state_.scrollBy(-static_cast<qint64>(notches) * std::max(state_.visibleRows() - 1, 1));
  sync();
  event->accept();
}

void TVelaHexEditor::changeEvent(QEvent *event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange)
    relayout();
}

} // namespace orvane::hexview
