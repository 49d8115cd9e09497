#pragma once

#include "orvane/hexview/HexByteModel.h"
#include "orvane/hexview/HexEditState.h"
#include "orvane/hexview/HexLayout.h"
#include "orvane/hexview/HexMouseController.h"
#include "orvane/hexview/HexPainter.h"
#include "orvane/hexview/OffsetFormat.h"
#include "orvane/hexview/TVelaHColors.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QTimer>

namespace orvane::hexview {

// The hex view and edit control: rows of hex digit pairs beside the same
// bytes as characters, with a caret in either pane, overwrite and insert
// typing, keyboard and mouse selection, ten bookmarks, file load and save and
// a pattern search. Operations called by the dialog throw HexViewError with
// the text to show; errors met while handling keys are reported through
// errorRaised instead, since they must not cross the event loop.
class TVelaHexEditor : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit TVelaHexEditor(QWidget *parent = nullptr);

  // Files.
  void LoadDataFile(const QString &path);
  void SaveDataFile(const QString &path, bool markSaved);

  // Data and selection.
  qint64 DataSize() const { return model_.size(); }
  qint64 SelectionStart() const { return state_.SelectionStart(); }
  qint64 SelectionEnd() const { return state_.SelectionEnd(); }
  qint64 SelectionCount() const { return state_.SelectionCount(); }
  void SetSelectionStart(qint64 position);
  void SetSelectionEnd(qint64 position);

  // Search.
  QByteArray PrepareSearch(const QByteArray &text, bool ignoreCase, bool isText) const;
  qint64 FindPattern(const QByteArray &pattern, qint64 length, qint64 start, qint64 end,
                     bool ignoreCase) const;
  static QByteArray HexTextToBytes(const QString &text, bool swapNibbles);

  // Settings.
  int BytesPerRow() const { return state_.bytesPerRow(); }
  void SetBytesPerRow(int count);
  int BytesPerColumn() const { return state_.bytesPerColumn(); }
  void SetBytesPerColumn(int count);
  QString OffsetFormatText() const { return offsetFormat_.text(); }
  void SetOffsetFormat(const QString &text);
  bool FocusFrame() const { return focusFrame_; }
  void SetFocusFrame(bool on);
  const TVelaHColors &Colors() const { return colors_; }
  void SetColors(const TVelaHColors &colors);
  QChar MaskChar() const { return maskChar_; }
  void SetMaskChar(QChar ch);
  bool InsertMode() const { return state_.insertMode(); }
  void SetInsertMode(bool on);

  // State for whoever holds the control: the bytes, marks, bookmarks, undo
  // records and file name.
  const HexByteModel &model() const { return model_; }
  const HexEditState &state() const { return state_; }
  const HexLayout &layout() const { return layout_; }

  QSize sizeHint() const override;

signals:
  void errorRaised(const QString &text);

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent *event) override;
  void keyReleaseEvent(QKeyEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void changeEvent(QEvent *event) override;
  bool focusNextPrevChild(bool next) override;

private:
  // Whether key events carry the desktop's key codes as scan codes.
  static bool desktopKeyCodes();
  HexLayout::Hit hitAt(QPoint viewportPoint, bool clampToPanes) const;
  void pressAt(QMouseEvent *event, bool doubleClick);
  void autoScrollStep();
  // Characters of the last row's offset, which set the offset column's width.
  int lastOffsetLength() const;
  void relayout();
  // Brings scroll bars, layout and picture in line with the state.
  void sync();
  template <typename Action>
  void guarded(Action action);

  HexByteModel model_;
  HexEditState state_{model_};
  HexLayout layout_;
  HexPainter painter_;
  HexMouseController mouse_;
  OffsetFormat offsetFormat_;
  TVelaHColors colors_;
  bool focusFrame_ = true;
  QChar maskChar_ = u'.';
  int offsetTextLength_ = -1;
  int wheelRemainder_ = 0;
  QTimer autoScroll_;
  QPoint lastDragPoint_;
};

} // namespace orvane::hexview
