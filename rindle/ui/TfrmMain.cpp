#include "rindle/ui/TfrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/widgets/Centre.h"
#include "isp/core/DeviceCatalogue.h"
#include "isp/widgets/TfrmAbout.h"
#include "isp/widgets/TfrmCmdSts.h"
#include "rindle/ui/TfrmHelp.h"
#include "isp/widgets/TfrmSplash.h"

namespace rindle::ui {

namespace {

// "Courier New" where it is installed, else the system's fixed-pitch font.
QFont FieldFont() {
  const QString courier = QStringLiteral("Courier New");
  QFont font = QFontDatabase::hasFamily(courier)
                   ? QFont(courier)
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  // As large as the window's other texts.
  font.setPointSizeF(QApplication::font().pointSizeF());
  return font;
}

QLineEdit *ReadOnlyField(const char *name, QWidget *parent) {
  auto *field = new QLineEdit(parent);
  field->setObjectName(QLatin1String(name));
  field->setReadOnly(true);
  field->setFont(FieldFont());
  field->setFocusPolicy(Qt::ClickFocus);
  const QFontMetrics metrics(field->font());
  field->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("-  -  -  - ")) * 3 / 2 + 12);
  return field;
}

// The status bar's file name: when the bar is too narrow for it, the
// middle of the folder gives way, so that the file's own name stays in view.
class FileNameLabel : public QLabel {
public:
  using QLabel::QLabel;

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width()));
  }
};

} // namespace

TfrmMain::TfrmMain(IspApp &app, bool simulated, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      app_(app) {
  setObjectName(QStringLiteral("frmMain"));
  QString title = app_.Texts().windowTitle;
  if (simulated)
    title += QStringLiteral("   (simulated hardware)");
  setWindowTitle(title);
  buildMenus();
  buildControls();
  app_.setView(this);
  // FormCreate: the engine's start-up and the fields it restored.
  app_.FormCreate();
  cboType_->setCurrentIndex(app_.Engine().Device.DeviceIndex & 0xFF);
  edtCalib_->setToolTip(QStringLiteral("Osc calibration bytes\nat address 0 to 3"));
  showFields();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  // Sized now, not by the window system: without a window manager nothing
  // would shrink it from the default size to what its layout asks.
  setFixedSize(sizeHint());
}

void TfrmMain::setWindows(TfrmAbout *about, TfrmSplash *splash, TfrmCmdSts *progress,
                          TfrmHelp *help) {
  about_ = about;
  splash_ = splash;
  progress_ = progress;
  help_ = help;
  if (progress_)
    progress_->onCancel = [this] { app_.CancelOperation(); };
}

void TfrmMain::buildMenus() {
  QMenu *file = menuBar()->addMenu(QStringLiteral(" &File "));
  file->setObjectName(QStringLiteral("mnuFile"));
  const auto item = [this, file](const char *name, const QString &caption, auto slot) {
    QAction *action = file->addAction(caption);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, slot);
  };
  item("mnuFileOpen", QStringLiteral("&Open File"), &TfrmMain::mnuFileOpenClick);
  item("mnuFileSave", QStringLiteral("&Save File"), &TfrmMain::mnuFileSaveClick);
  file->addSeparator();
  item("mnuFileOpenE2", QStringLiteral("O&pen Eeprom File"), &TfrmMain::mnuFileOpenE2Click);
  item("mnuFileSaveE2", QStringLiteral("S&ave Eeprom File"), &TfrmMain::mnuFileSaveE2Click);
  file->addSeparator();
  item("mnuFileExit", QStringLiteral("&Exit"), &TfrmMain::mnuFileExitClick);
  // Options and Help act on a click of their title.
  QAction *options = menuBar()->addAction(QStringLiteral(" &Options "));
  options->setObjectName(QStringLiteral("mnuOpt"));
  connect(options, &QAction::triggered, this, &TfrmMain::mnuOptClick);
  QAction *help = menuBar()->addAction(QStringLiteral(" &Help "));
  help->setObjectName(QStringLiteral("mnuHelp"));
  connect(help, &QAction::triggered, this, &TfrmMain::mnuHelpClick);
}

QPushButton *TfrmMain::button(const char *name, const QString &caption, const QString &hint) {
  auto *b = new QPushButton(caption, centralWidget());
  b->setObjectName(QLatin1String(name));
  b->setToolTip(hint);
  b->setAutoDefault(false);
  b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return b;
}

void TfrmMain::buildControls() {
  setCentralWidget(new QWidget(this));
  auto *grid = new QGridLayout(centralWidget());
  grid->setHorizontalSpacing(10);

  struct Command {
    const char *name;
    QString caption;
    QString hint;
    void (TfrmMain::*slot)();
  };
  const Command left[] = {
      {"cmdRead", "&Read", "Read uController", &TfrmMain::cmdReadClick},
      {"cmdWrite", "&Program", "Program uController", &TfrmMain::cmdWriteClick},
      {"cmdErase", "&Erase", "Erase uController", &TfrmMain::cmdEraseClick},
      {"cmdBlank", "&Blank Chk", "uController Blank Check", &TfrmMain::cmdBlankClick},
      {"cmdOpenFile", "&Open File", "Open Program File", &TfrmMain::cmdOpenFileClick},
      {"cmdDispBuffer", "Disp &Buffer", "Display, Edit Buffer", &TfrmMain::cmdDispBufferClick},
  };
  const Command right[] = {
      {"cmdVerify", "&Verify", "Compare uController with Buffer", &TfrmMain::cmdVerifyClick},
      {"cmdLockBits", "Write &LBs", "Program Lock & Fuse Bits", &TfrmMain::cmdLockBitsClick},
      {"cmdSignature", "&Signature", "Read ID & Fuses Data", &TfrmMain::cmdSignatureClick},
      {"cmdReset", "Reset &Chip", "Reset uController", nullptr},
      {"cmdReloadFile", "Reloa&d File", "Reload Program File", &TfrmMain::cmdReloadFileClick},
      {"cmdAbout", "Abo&ut", "About Rindle", &TfrmMain::cmdAboutClick},
  };
  QWidget *previous = nullptr;
  const auto place = [&](const Command &command, int row, int column) {
    QPushButton *b = button(command.name, command.caption, command.hint);
    grid->addWidget(b, row, column);
    if (command.slot != nullptr)
      connect(b, &QPushButton::clicked, this, command.slot);
    if (previous != nullptr)
      setTabOrder(previous, b);
    previous = b;
    return b;
  };
  for (int i = 0; i < 6; ++i)
    place(left[i], i, 0);
  for (int i = 0; i < 6; ++i) {
    QPushButton *b = place(right[i], i, 1);
    if (i == 3)
      cmdReset_ = b;
  }
  // Reset Chip answers the mouse only: held down, the chip stays in reset.
  cmdReset_->installEventFilter(this);

  // Third column: device list, lock-bit frame with the Fuse Bytes button.
  auto *third = new QVBoxLayout;
  cboType_ = new QComboBox(centralWidget());
  cboType_->setObjectName(QStringLiteral("cboType"));
  cboType_->setToolTip(QStringLiteral("Select uController"));
  cboType_->setFocusPolicy(Qt::ClickFocus);
  cboType_->setMaxVisibleItems(static_cast<int>(kDeviceListRows));
  for (const DeviceEntry &entry : kDeviceList)
    cboType_->addItem(
        QString::fromLatin1(entry.entry.data(), static_cast<qsizetype>(entry.entry.size())));
  connect(cboType_, &QComboBox::activated, this, &TfrmMain::cboTypeChange);
  third->addWidget(cboType_);

  auto *frame = new QGroupBox(QStringLiteral(" Lock Bits "), centralWidget());
  frame->setObjectName(QStringLiteral("fraProgBits"));
  auto *bits = new QVBoxLayout(frame);
  const auto box = [frame, bits](const char *name, const QString &caption) {
    auto *b = new QCheckBox(caption, frame);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::ClickFocus);
    bits->addWidget(b);
    return b;
  };
  chkLB1_ = box("chkLB1", QStringLiteral("   Lock Bit-1"));
  chkLB2_ = box("chkLB2", QStringLiteral("   Lock Bit-2"));
  chkLB3_ = box("chkLB3", QStringLiteral("   Lock Bit-3"));
  connect(chkLB1_, &QCheckBox::clicked, this, &TfrmMain::chkLB1Click);
  connect(chkLB2_, &QCheckBox::clicked, this, &TfrmMain::chkLB2Click);
  connect(chkLB3_, &QCheckBox::clicked, this, &TfrmMain::chkLB3Click);
  bits->addStretch(1);
  cmdFuseBytes_ = new QPushButton(QStringLiteral("&Fuse Bytes"), frame);
  cmdFuseBytes_->setObjectName(QStringLiteral("cmdFuseBytes"));
  cmdFuseBytes_->setToolTip(QStringLiteral("Set Configuration Bits"));
  cmdFuseBytes_->setFocusPolicy(Qt::ClickFocus);
  cmdFuseBytes_->setAutoDefault(false);
  cmdFuseBytes_->setEnabled(false);
  connect(cmdFuseBytes_, &QPushButton::clicked, this, &TfrmMain::cmdFuseBytesClick);
  bits->addWidget(cmdFuseBytes_);
  third->addWidget(frame, 1);
  grid->addLayout(third, 0, 2, 7, 1);

  // The three read-only fields under the buttons.
  auto *fields = new QGridLayout;
  fields->setHorizontalSpacing(8);
  const auto field = [this, fields](int row, const QString &label, const char *name) {
    auto *caption = new QLabel(label, centralWidget());
    QLineEdit *edit = ReadOnlyField(name, centralWidget());
    caption->setBuddy(edit);
    fields->addWidget(caption, row, 0);
    fields->addWidget(edit, row, 1);
    return edit;
  };
  edtCSdata_ = field(0, QStringLiteral("Buffer CheckSum"), "edtCSdata");
  edtCSdata_->setToolTip(QStringLiteral("24 Bit Checksum"));
  edtSig_ = field(1, QStringLiteral("Device Signature"), "edtSig");
  edtCalib_ = field(2, QStringLiteral("Calibration Bytes"), "edtCalib");
  fields->setColumnStretch(1, 1);
  grid->addLayout(fields, 6, 0, 1, 2);

  statusBar()->setObjectName(QStringLiteral("stsBar"));
  statusBar()->setSizeGripEnabled(false);
  status_ = new FileNameLabel(statusBar());
  status_->setObjectName(QStringLiteral("stsBarText"));
  // A long file name gives way to what was taken from an ELF file.
  status_->setMinimumWidth(1);
  statusBar()->addWidget(status_, 1);
  statusTaken_ = new QLabel(statusBar());
  statusTaken_->setObjectName(QStringLiteral("stsBarTaken"));
  statusTaken_->setContentsMargins(4, 0, 4, 0);
  statusTaken_->hide();
  statusBar()->addPermanentWidget(statusTaken_);
}

void TfrmMain::showFields() {
  edtSig_->setText(app_.SigText());
  edtCalib_->setText(app_.OscText());
  edtCSdata_->setText(app_.ChecksumShown());
  status_->setText(app_.Status());
  status_->setToolTip(app_.Status().trimmed());
  statusTaken_->setText(app_.StatusTaken());
  statusTaken_->setVisible(!app_.StatusTaken().isEmpty());
  const LockBitDisplay &lb = app_.LockBits();
  chkLB1_->setChecked(lb.lb1);
  chkLB2_->setChecked(lb.lb2);
  if (lb.deviceRow) {
    chkLB3_->setEnabled(lb.lb3Enabled);
    if (lb.lb3Enabled)
      chkLB3_->setChecked(lb.lb3Checked);
    chkLB3_->setText(lb.lb3Caption);
    cmdFuseBytes_->setEnabled(lb.fuseBytesEnabled);
  }
}

// ---------------------------------------------------------------- OperationView

void TfrmMain::showProgress(const QString &title, int maximum) {
  // What the device check has just read.
  showFields();
  if (progress_)
    progress_->start(title, maximum);
}

void TfrmMain::setProgress(int position) {
  if (progress_)
    progress_->gauge()->setProgress(position);
}

void TfrmMain::closeProgress() {
  if (progress_)
    progress_->hide();
}

void TfrmMain::setMainEnabled(bool enabled) { setEnabled(enabled); }

void TfrmMain::setBusyCursor(bool busy) {
  if (busy) {
    showFields();
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TfrmMain::processEvents() { QCoreApplication::processEvents(); }

// ---------------------------------------------------------------- handlers

void TfrmMain::run(void (IspApp::*command)()) {
  (app_.*command)();
  showFields();
}

void TfrmMain::cboTypeChange(int row) {
  if (!app_.SelectRow(row))
    cboType_->setCurrentIndex(app_.Engine().Device.DeviceIndex & 0xFF);
  showFields();
}

void TfrmMain::lockBoxClicked(int bit, QCheckBox *box) {
  app_.SetLockBit(bit, box->isChecked());
  showFields();
}

void TfrmMain::chkLB1Click() { lockBoxClicked(0, chkLB1_); }
void TfrmMain::chkLB2Click() { lockBoxClicked(1, chkLB2_); }
void TfrmMain::chkLB3Click() { lockBoxClicked(2, chkLB3_); }

void TfrmMain::cmdReadClick() { run(&IspApp::ReadChip); }

void TfrmMain::cmdWriteClick() { run(&IspApp::ProgramChip); }

void TfrmMain::cmdVerifyClick() { run(&IspApp::VerifyChip); }

void TfrmMain::cmdSignatureClick() { run(&IspApp::ReadSignature); }

void TfrmMain::cmdLockBitsClick() { run(&IspApp::WriteLockBits); }

void TfrmMain::cmdEraseClick() { run(&IspApp::EraseChip); }

void TfrmMain::cmdBlankClick() { run(&IspApp::BlankCheckChip); }

void TfrmMain::cmdDispBufferClick() {
  if (showDispBuffer)
    showDispBuffer();
  showFields();
}

void TfrmMain::bufferEditedByDialog() { run(&IspApp::BufferEditedByDialog); }

void TfrmMain::cmdReloadFileClick() { run(&IspApp::ReloadFile); }

void TfrmMain::cmdOpenFileClick() { run(&IspApp::OpenFile); }

void TfrmMain::cmdResetMouseDown() { app_.HoldReset(); }
void TfrmMain::cmdResetMouseUp() { app_.ReleaseReset(); }

void TfrmMain::cmdAboutClick() {
  if (!about_)
    return;
  common::CentreOnScreen(*about_);
  about_->exec();
}

void TfrmMain::cmdFuseBytesClick() {
  if (showFuseBytes)
    showFuseBytes();
  if (updateConfigFuseBytes)
    updateConfigFuseBytes();
  app_.UpdateLbDisp();
  showFields();
}

void TfrmMain::mnuFileOpenClick() { cmdOpenFileClick(); }

void TfrmMain::mnuFileSaveClick() { run(&IspApp::SaveFile); }

void TfrmMain::mnuFileOpenE2Click() { run(&IspApp::OpenEepromFile); }

void TfrmMain::mnuFileSaveE2Click() { run(&IspApp::SaveEepromFile); }

void TfrmMain::mnuFileExitClick() { close(); }

void TfrmMain::mnuHelpClick() {
  if (!help_)
    return;
  common::CentreOnScreen(*help_);
  help_->exec();
}

void TfrmMain::mnuOptClick() {
  if (showOptions)
    showOptions();
  showFields();
}

// ---------------------------------------------------------------- events

void TfrmMain::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (!splashShown_) {
    splashShown_ = true;
    common::CentreOnScreen(*this);
    if (splash_)
      splash_->show();
  }
}

void TfrmMain::closeEvent(QCloseEvent *event) {
  // Not while an operation runs (the window is disabled then): the engine
  // is still using the port and the buffer.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  // FormClose, once, however the window is closed.
  if (!closed_) {
    closed_ = true;
    app_.FormClose();
  }
  // A splash still up would keep the program running.
  if (splash_)
    splash_->close();
  event->accept();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event) {
  if (watched == cmdReset_ && cmdReset_->isEnabled()) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
      cmdResetMouseDown();
    else if (event->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
      cmdResetMouseUp();
  }
  return QMainWindow::eventFilter(watched, event);
}

} // namespace rindle::ui
