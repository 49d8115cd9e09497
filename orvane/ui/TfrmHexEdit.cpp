#include "orvane/ui/TfrmHexEdit.h"

#include "orvane/hexview/AnsiCodePage.h"
#include "orvane/hexview/HexViewError.h"
#include "orvane/hexview/TVelaHexEditor.h"

#include <QCheckBox>
#include <QGroupBox>
#include "orvane/core/LoaderCore.h"
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

namespace {

hexview::TVelaHColors viewColors(const QPalette &palette) {
  hexview::TVelaHColors c = hexview::TVelaHColors::standard(palette);
  c.Background = palette.color(QPalette::Base);
  c.ChangedBackground = QColor(0xFF, 0xFF, 0xA8); // light yellow
  c.ChangedText = QColor(0x80, 0x00, 0x00);       // maroon
  c.CursorFrame = QColor(0x00, 0x00, 0x80);       // navy
  c.NonFocusCursorFrame = QColor(0x00, 0xFF, 0xFF);
  c.Offset = Qt::black;
  c.OffsetBackGround = palette.color(QPalette::Button);
  c.CurrentOffset = palette.color(QPalette::Highlight);
  c.CurrentOffsetBackground = palette.color(QPalette::Dark);
  c.OddColumn = Qt::blue;
  c.EvenColumn = QColor(0x00, 0x00, 0x80);
  c.Grid = palette.color(QPalette::Button);
  c.ActiveFieldBackground = palette.color(QPalette::Base);
  return c;
}

} // namespace

TfrmHexEdit::TfrmHexEdit(common::Prompter &prompter, QWidget *parent)
    : QDialog(parent), prompter_(prompter) {
  setObjectName(QStringLiteral("frmHexEdit"));
  setWindowTitle(QStringLiteral("Buffer View"));

  VelaHexEditor1_ = new hexview::TVelaHexEditor(this);
  VelaHexEditor1_->setObjectName(QStringLiteral("VelaHexEditor1"));
  VelaHexEditor1_->SetBytesPerRow(10);
  VelaHexEditor1_->SetBytesPerColumn(1);
  VelaHexEditor1_->SetOffsetFormat(QStringLiteral("-!10:0x|"));
  VelaHexEditor1_->SetFocusFrame(true);
  VelaHexEditor1_->SetColors(viewColors(palette()));
  VelaHexEditor1_->setMinimumHeight(VelaHexEditor1_->fontMetrics().height() * 20);
  VelaHexEditor1_->setMinimumWidth(VelaHexEditor1_->sizeHint().width());
  connect(VelaHexEditor1_, &hexview::TVelaHexEditor::errorRaised, this, &TfrmHexEdit::errorBox);

  auto *search = new QGroupBox(QStringLiteral("Search"), this);
  chkFindHex_ = new QCheckBox(QStringLiteral("Find HEX"), search);
  chkFindHex_->setObjectName(QStringLiteral("chkFindHex"));
  chkIgnoreCase_ = new QCheckBox(QStringLiteral("Ingore Case"), search);
  chkIgnoreCase_->setObjectName(QStringLiteral("chkIgnoreCase"));
  txtSearch_ = new QLineEdit(search);
  txtSearch_->setObjectName(QStringLiteral("txtSearch"));
  btnSearch_ = new QPushButton(QStringLiteral("Search"), search);
  btnSearch_->setObjectName(QStringLiteral("btnSearch"));
  QFont bold = btnSearch_->font();
  bold.setBold(true);
  btnSearch_->setFont(bold);
  QPalette maroon = btnSearch_->palette();
  maroon.setColor(QPalette::ButtonText, QColor(0x80, 0x00, 0x00));
  btnSearch_->setPalette(maroon);
  auto *searchRow = new QHBoxLayout(search);
  searchRow->addWidget(chkFindHex_);
  searchRow->addWidget(chkIgnoreCase_);
  searchRow->addWidget(txtSearch_, 1);
  searchRow->addWidget(btnSearch_);

  auto *btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  auto *btnOK = new QPushButton(QStringLiteral("&OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  for (QPushButton *b : {btnCancel, btnOK, btnSearch_})
    b->setAutoDefault(false);

  auto *bottom = new QHBoxLayout;
  bottom->addWidget(search, 1);
  auto *buttons = new QVBoxLayout;
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  buttons->addStretch();
  bottom->addLayout(buttons);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(VelaHexEditor1_, 1);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnOK, &QPushButton::clicked, this, &TfrmHexEdit::btnOKClick);
  connect(btnSearch_, &QPushButton::clicked, this, &TfrmHexEdit::btnSearchClick);
  connect(txtSearch_, &QLineEdit::returnPressed, this, &TfrmHexEdit::btnSearchClick);
}

void TfrmHexEdit::errorBox(const QString &text) {
  prompter_.message(LoaderCore::ApplicationTitle(), text, common::Prompter::Icon::Error);
}

bool TfrmHexEdit::execOn(const QString &path) {
  path_ = path;
  try {
    VelaHexEditor1_->LoadDataFile(path);
  } catch (const hexview::HexViewError &e) {
    errorBox(e.text());
    return false;
  }
  VelaHexEditor1_->setFocus();
  return exec() == QDialog::Accepted;
}

void TfrmHexEdit::btnOKClick() {
  try {
    VelaHexEditor1_->SaveDataFile(path_, true);
  } catch (const hexview::HexViewError &e) {
    // The data stays in the view; the user may try again or cancel.
    errorBox(e.text());
    return;
  }
  accept();
}

void TfrmHexEdit::btnSearchClick() {
  const bool findHex = chkFindHex_->isChecked();
  const bool ignoreCase = chkIgnoreCase_->isChecked();
  QByteArray pattern;
  if (findHex) {
    pattern = hexview::TVelaHexEditor::HexTextToBytes(txtSearch_->text(), false);
  } else {
    // The bytes of the text as the character pane shows them.
    const QList<uint> text = txtSearch_->text().toUcs4();
    for (const uint ch : text) {
      const std::optional<std::uint8_t> byte =
          ch <= 0xFFFF ? hexview::ansi::fromChar(QChar(static_cast<char16_t>(ch))) : std::nullopt;
      if (!byte) {
        prompter_.message(LoaderCore::ApplicationTitle(),
                          QStringLiteral("The character \"%1\" has no byte in the character "
                                         "pane's code page; it cannot be searched for.")
                              .arg(QStringView(QChar::fromUcs4(ch)).toString()),
                          common::Prompter::Icon::Warning);
        return;
      }
      pattern.append(static_cast<char>(*byte));
    }
  }
  if (pattern.isEmpty())
    return;
  hexview::TVelaHexEditor &view = *VelaHexEditor1_;
  const qint64 start = std::min(view.SelectionStart(), view.SelectionEnd()) + view.SelectionCount();
  const QByteArray prepared = view.PrepareSearch(pattern, ignoreCase, !findHex);
  const qint64 found =
      view.FindPattern(prepared, prepared.size(), start, view.DataSize() - 1, ignoreCase);
  if (found < 0) {
    prompter_.message(LoaderCore::ApplicationTitle(), QStringLiteral("Not found."),
                      common::Prompter::Icon::Information);
    return;
  }
  view.SetSelectionStart(found);
  view.SetSelectionEnd(found + pattern.size() - 1);
}

} // namespace orvane
