#include "tollen/ui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/widgets/Centre.h"
#include "isp/widgets/FillBufferDialog.h"
#include "isp/widgets/TfrmAbout.h"
#include "isp/widgets/TfrmCmdSts.h"
#include "isp/widgets/TfrmSplash.h"
#include "tollen/ui/BufferGrid.h"
#include "tollen/ui/FuseBitsDialog.h"

namespace tollen::ui {

namespace {

// The credit lines are kept scrambled in the program and unscrambled when
// shown.
constexpr char kScramble = 0x35;
template <std::size_t N>
struct Scrambled {
  std::array<char, N> bytes{};
  consteval explicit Scrambled(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
      bytes[i] = static_cast<char>(text[i] ^ kScramble);
    }
  }
  QString Text() const {
    QByteArray out(static_cast<qsizetype>(N - 1), '\0');
    for (std::size_t i = 0; i + 1 < N; ++i) {
      out[static_cast<qsizetype>(i)] = static_cast<char>(bytes[i] ^ kScramble);
    }
    return QString::fromLatin1(out);
  }
};

constexpr Scrambled kCredit1("In-circuit programmer for AT89S and AVR chips");
constexpr Scrambled kCredit2("Parallel port cable, older edition");
constexpr Scrambled kCredit3("Free to use and to pass on");

// "\r" breaks the line of a tooltip.
QString Hint(const char *text) { return QString::fromLatin1(text).replace(u'\r', u'\n'); }

QLineEdit *ReadOnlyField(const char *name, int chars, QWidget *parent) {
  auto *edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(true);
  edit->setAlignment(Qt::AlignCenter);
  const QFontMetrics metrics(edit->font());
  edit->setMinimumWidth(metrics.horizontalAdvance(QString(chars, u'0')) + 16);
  return edit;
}

} // namespace

std::array<QString, 3> CreditLines() { return {kCredit1.Text(), kCredit2.Text(), kCredit3.Text()}; }

namespace {

QString CreditLine(int line) {
  const std::array<QString, 3> lines = CreditLines();
  return line >= 1 && line <= 3 ? lines[static_cast<std::size_t>(line - 1)] : QString();
}

std::vector<rindle::ui::CreditLineLook> ThreeLines(QColor third, bool thirdBold) {
  return {{QStringLiteral("lblAboutM1"), 1, {}, false, 0},
          {QStringLiteral("lblAboutM2"), 2, {}, false, 0},
          {QStringLiteral("lblAboutM3"), 3, third, thirdBold, 0}};
}

} // namespace

rindle::ui::CreditsLook SplashLook() {
  return {QStringLiteral("Tollen"),
          QStringLiteral("Version ") + QLatin1String(TOLLEN_VERSION),
          QColor(0x00, 0x80, 0x80),
          Qt::white,
          ThreeLines(QColor(0x00, 0xFF, 0xFF), false),
          CreditLine};
}

rindle::ui::CreditsLook AboutLook() {
  return {QStringLiteral("Tollen"),
          QStringLiteral("Version ") + QLatin1String(TOLLEN_VERSION),
          QColor(),
          QColor(0x00, 0x00, 0x80),
          ThreeLines(QColor(0x00, 0x80, 0x00), true),
          CreditLine};
}

MainWindow::MainWindow(Session &session, Options options, QWidget *parent)
    : QMainWindow(parent), engine_(session.Engine()), commands_(session, *this),
      options_(std::move(options)) {
  Build();
}

MainWindow::MainWindow(TollenEngine &engine, common::Prompter &prompter, Options options,
                       QWidget *parent)
    : QMainWindow(parent), engine_(engine), commands_(engine, prompter, *this),
      options_(std::move(options)) {
  Build();
}

void MainWindow::Build() {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("  Tollen  ") + QLatin1String(TOLLEN_VERSION));
  auto *central = new QWidget(this);
  setCentralWidget(central);

  // Device, lock bits and the three read-only fields on the left.
  cboType_ = new QComboBox(central);
  cboType_->setObjectName(QStringLiteral("cboType"));
  cboType_->setToolTip(QStringLiteral("Select uController"));
  for (const std::string_view text : DeviceListTexts()) {
    cboType_->addItem(QString::fromLatin1(text.data(), qsizetype(text.size())));
  }
  // The separator row can be neither clicked nor reached with the keys.
  if (auto *model = qobject_cast<QStandardItemModel *>(cboType_->model())) {
    for (std::uint16_t row = 0; row < kDeviceRows; ++row)
      if (FindDevice(row) == nullptr)
        model->item(row)->setEnabled(false);
  }
  auto *lockGroup = new QGroupBox(QStringLiteral(" Lock Bits "), central);
  lockGroup->setObjectName(QStringLiteral("grpLockBits"));
  auto *lockLayout = new QVBoxLayout(lockGroup);
  for (int i = 0; i < 3; ++i) {
    auto *box = new QCheckBox(QStringLiteral(" Lock Bit-%1").arg(i + 1), lockGroup);
    box->setObjectName(QStringLiteral("chkLB%1").arg(i + 1));
    lockLayout->addWidget(box);
    chkLB_[static_cast<std::size_t>(i)] = box;
    connect(box, &QCheckBox::clicked, this,
            [this, i](bool checked) { commands_.chkLBClick(i, checked); });
  }
  edtCSdata_ = ReadOnlyField("edtCSdata", 8, central);
  edtCSdata_->setToolTip(QStringLiteral("24 Bit Checksum"));
  edtSig_ = ReadOnlyField("edtSig", 8, central);
  edtCalib_ = ReadOnlyField("edtCalib", 11, central);
  auto *fields = new QFormLayout;
  fields->addRow(QStringLiteral("Buffer CheckSum"), edtCSdata_);
  fields->addRow(QStringLiteral("Device Signature"), edtSig_);
  fields->addRow(QStringLiteral("Calibration Bytes"), edtCalib_);
  auto *left = new QVBoxLayout;
  left->addWidget(cboType_);
  left->addWidget(lockGroup);
  left->addLayout(fields);
  left->addStretch();

  // The commands on the right: chip commands, then file and window commands.
  struct Command {
    const char *name, *caption, *hint;
    void (MainWindow::*slot)();
    int row, column;
  };
  // The window commands line up with the lock and fuse commands.
  const Command commands[] = {
      {"cmdRead", "&Read", "Read uController", &MainWindow::cmdReadClick, 0, 0},
      {"cmdWrite", "&Write", "Program uController", &MainWindow::cmdWriteClick, 1, 0},
      {"cmdVerify", "&Verify", "Compare uController with Buffer", &MainWindow::cmdVerifyClick, 2,
       0},
      {"cmdSignature", "&Signature", "Read ID & Fuse Data", &MainWindow::cmdSignatureClick, 3, 0},
      {"cmdLockBits", "Write &LBs", "Program Lock & Fuse Bits", &MainWindow::cmdLockBitsClick, 4,
       0},
      {"cmdConfigBits", "&Fuse Bytes", "Set Fuse Bits", &MainWindow::cmdConfigBitsClick, 5, 0},
      {"cmdOpenFile", "&Open File", "Open Hex File", &MainWindow::cmdOpenFileClick, 0, 1},
      {"cmdReloadFile", "Reloa&d File", "Reload Current Hex File", &MainWindow::cmdReloadFileClick,
       1, 1},
      {"cmdSaveFile", "S&ave File", "Save Buffer to Hex File", &MainWindow::cmdSaveFileClick, 2, 1},
      {"cmdDispBuffer", "Disp &Buffer", "Display Buffer Contents", &MainWindow::cmdDispBufferClick,
       4, 1},
      {"cmdAbout", "Abo&ut", "About Tollen", &MainWindow::cmdAboutClick, 5, 1},
  };
  auto *buttons = new QGridLayout;
  for (const Command &command : commands) {
    QPushButton *button = Button(command.name, command.caption, command.hint, command.slot);
    buttons->addWidget(button, command.row, command.column);
    if (command.slot == &MainWindow::cmdConfigBitsClick) {
      cmdConfigBits_ = button;
    }
  }
  buttons->setRowStretch(6, 1);

  auto *top = new QHBoxLayout(central);
  top->addLayout(left);
  top->addSpacing(12);
  top->addLayout(buttons);

  stsBar_ = new QLabel(this);
  stsBar_->setObjectName(QStringLiteral("stsBar"));
  statusBar()->addWidget(stsBar_, 1);
  statusBar()->setSizeGripEnabled(false);

  connect(cboType_, &QComboBox::activated, this, &MainWindow::cboTypeChange);

  // The engine starts with the window, before the other windows exist.
  commands_.FormCreate();
  edtCalib_->setToolTip(Hint("Osc calibration bytes\rat address 0 to 3"));

  about_ = new rindle::ui::TfrmAbout(QStringLiteral(" About Tollen"), AboutLook(),
                                     rindle::ui::TfrmAbout::OkButton::Shown, this);
  if (options_.beep) {
    about_->beep = options_.beep;
  }
  splash_ = new rindle::ui::TfrmSplash(SplashLook(), kSplashMilliseconds, this);
  fuses_ = new FuseBitsDialog(QStringLiteral(" AVR  Configuration Fuses"), commands_.Fuses, this);
  buffer_ = new BufferGrid(
      QStringLiteral(" Buffer Hex Display"),
      [this](int a) { return engine_.Cells.cells[static_cast<std::size_t>(a) % kBufferCells]; },
      this);
  buffer_->SetScrollMaximum(commands_.ScrollMaximum());
  connect(buffer_->AddButton(QStringLiteral("cmdClrBuffer"), QStringLiteral("Clear &Buffer")),
          &QPushButton::clicked, this, [this] {
            commands_.ClearBufferClick();
            buffer_->Redraw();
          });
  connect(buffer_->AddButton(QStringLiteral("cmdFillBuffer"), QStringLiteral("&Fill Buffer")),
          &QPushButton::clicked, this, [this] {
            commands_.FillBufferClick();
            buffer_->Redraw();
          });
  connect(buffer_->AddButton(QStringLiteral("cmdClose"), QStringLiteral("&Close")),
          &QPushButton::clicked, buffer_, &QDialog::accept);
  fill_ = new rindle::FillBufferDialog(
      4,
      [this](const QString &s, const QString &e, const QString &d) {
        commands_.FillOkClick(s, e, d);
      },
      this);
  progress_ = new rindle::ui::TfrmCmdSts(rindle::ui::TfrmCmdSts::Percentage::Hidden, this);
  progress_->onCancel = [this] { commands_.CancelClick(); };

  Refresh();
  setFixedSize(sizeHint());
}

MainWindow::~MainWindow() {
  // A quit that came while an operation ran left the window open: the
  // settings are saved all the same.
  if (!closed_) {
    commands_.FormClose();
  }
}

rindle::ui::TfrmSplash *MainWindow::Splash() const { return splash_.data(); }

QPushButton *MainWindow::Button(const char *name, const char *caption, const char *hint,
                                void (MainWindow::*slot)()) {
  auto *b = new QPushButton(QString::fromLatin1(caption), centralWidget());
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, slot);
  return b;
}

void MainWindow::cboTypeChange(int row) {
  const int shown = commands_.cboTypeChange(row);
  buffer_->SetScrollMaximum(commands_.ScrollMaximum());
  cboType_->setCurrentIndex(shown);
}

void MainWindow::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    common::CentreOnScreen(*this);
    if (options_.splash && splash_ != nullptr) {
      splash_->show();
    }
  }
}

void MainWindow::closeEvent(QCloseEvent *event) {
  if (commands_.Busy()) {
    // The window cannot go while the engine runs inside one of its
    // handlers: closing cancels the operation instead.
    commands_.CancelClick();
    event->ignore();
    return;
  }
  if (!closed_) {
    closed_ = true;
    progress_->hide();
    commands_.FormClose();
  }
  event->accept();
}

void MainWindow::ShowProgress(const QString &caption, int maximum) {
  progress_->start(caption, maximum);
}

void MainWindow::SetProgress(int position) { progress_->gauge()->setProgress(position); }

void MainWindow::CloseProgress() { progress_->hide(); }

void MainWindow::ProcessEvents() { QCoreApplication::processEvents(); }

void MainWindow::SetBusyCursor(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::ShowFuseDialog() {
  fuses_->ShowBoxes();
  fuses_->adjustSize();
  common::CentreOnScreen(*fuses_);
  fuses_->exec();
}

void MainWindow::ShowBufferDisplay() {
  buffer_->Redraw();
  common::CentreOnScreen(*buffer_);
  buffer_->exec();
}

void MainWindow::ShowFillDialog() {
  fill_->Preset(commands_.FillStart, commands_.FillEnd, commands_.FillData);
  fill_->exec();
}

void MainWindow::ShowAbout() {
  common::CentreOnScreen(*about_);
  about_->exec();
}

void MainWindow::Refresh() {
  edtCSdata_->setText(commands_.ChecksumText);
  edtSig_->setText(commands_.SigText);
  edtCalib_->setText(commands_.CalibText);
  for (std::size_t i = 0; i < chkLB_.size(); ++i) {
    chkLB_[i]->setChecked(commands_.LockBoxes[i]);
  }
  chkLB_[2]->setText(commands_.Lb3Caption);
  chkLB_[2]->setEnabled(commands_.Lb3Enabled);
  cmdConfigBits_->setEnabled(commands_.ConfigBitsEnabled);
  stsBar_->setText(commands_.StatusText);
  cboType_->setCurrentIndex(engine_.DeviceIndex);
}

} // namespace tollen::ui
