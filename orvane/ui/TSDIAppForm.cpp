#include "orvane/ui/TSDIAppForm.h"

#include "common/widgets/Centre.h"
#include "orvane/core/IniFile.h"
#include "orvane/ui/BufferRoundTrip.h"
#include "orvane/ui/TAboutBox.h"
#include "orvane/ui/THyperlinkLabel.h"
#include "orvane/ui/TfrmDevices.h"
#include "orvane/ui/TfrmHexEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace orvane {

namespace {

const QColor kGrey(0x80, 0x80, 0x80);

// A hint of the form "short|long": the short part as tooltip, the long part
// in the status bar; without "|" both are the whole text.
void setHint(QWidget *w, const QString &hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  w->setToolTip(bar < 0 ? hint : hint.left(bar));
  w->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void setHint(QAction *a, const QString &hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  a->setToolTip(bar < 0 ? hint : hint.left(bar));
  a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QGroupBox *namedGroup(const QString &caption, const char *name, QWidget *parent) {
  auto *box = new QGroupBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QLabel *valueLabel(const QString &name, QWidget *parent) {
  auto *l = new QLabel(parent);
  l->setObjectName(name);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

} // namespace

TSDIAppForm::TSDIAppForm(const QString &programPath, common::Prompter &prompter,
                         LoaderOptions options)
    : TSDIAppForm(std::make_unique<LoaderSession>(LoaderPaths::ForProgram(programPath), prompter),
                  prompter, std::move(options)) {}

TSDIAppForm::TSDIAppForm(std::unique_ptr<LoaderSession> session, common::Prompter &prompter,
                         LoaderOptions options)
    : prompter_(prompter), options_(std::move(options)), session_(std::move(session)),
      core_(session_->core()), recentFilesMenu_(core_.HistoryFiles1, prompter),
      recentDevicesMenu_(core_.HistoryFiles2, prompter) {
  setObjectName(QStringLiteral("SDIAppForm"));
  session_->SetStatusLog(this);
  if (!options_.simulatedPort.isEmpty())
    session_->UseSimulatedPort(options_.simulatedPort);
  core_.examplesFolder = options_.examplesFolder;
  buildWindow();
  FormCreate();
}

TSDIAppForm::~TSDIAppForm() {
  session_->port().Close();
  session_->SetStatusLog(nullptr);
}

void TSDIAppForm::attachWindows(TAboutBox *about, TfrmHexEdit *hexEdit, TfrmDevices *devices) {
  about_ = about;
  hexEdit_ = hexEdit;
  devices_ = devices;
  if (about_)
    about_->setOpener(options_.opener);
}

// ---------------------------------------------------------------- building

void TSDIAppForm::buildWindow() {
  buildMenus();
  auto *central = new QWidget(this);
  auto *grid = new QGridLayout(central);
  grid->addWidget(buildTopBar(), 0, 0, 1, 2);

  auto *left = new QVBoxLayout;
  left->addWidget(buildDeviceGroup());
  left->addWidget(buildPositionGroup(), 1);
  grid->addLayout(left, 1, 0);

  auto *right = new QVBoxLayout;
  right->addWidget(buildFileGroup());
  auto *lower = new QHBoxLayout;
  lower->addWidget(buildStatusGroup(), 1);
  auto *side = new QVBoxLayout;
  side->addWidget(buildCommandsGroup(), 1);
  side->addWidget(buildOptionsGroup());
  lower->addLayout(side);
  right->addLayout(lower, 1);
  grid->addLayout(right, 1, 1);
  grid->setColumnStretch(1, 1);
  setCentralWidget(central);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->setSizeGripEnabled(false);

  core_.OnFileChanged = [this] { showFile(); };
  core_.OnDeviceChanged = [this] { showDevice(); };
}

void TSDIAppForm::buildMenus() {
  QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  setHint(file->menuAction(), QStringLiteral("File related commands"));
  auto item = [this](QMenu *menu, const char *name, const QString &caption,
                     const QKeySequence &keys, const QString &hint, void (TSDIAppForm::*slot)()) {
    QAction *a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty())
      a->setShortcut(keys);
    if (!hint.isEmpty())
      setHint(a, hint);
    if (slot)
      connect(a, &QAction::triggered, this, slot);
    return a;
  };
  item(file, "FileOpen1", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
       QStringLiteral("Open|Open a file"), &TSDIAppForm::btnBrowseClick);
  recentFiles_ = file->addMenu(QStringLiteral("Open &Recent Files"));
  recentFiles_->setObjectName(QStringLiteral("OpenRecentFiles1"));
  QAction *recentAction = recentFiles_->menuAction();
  recentAction->setObjectName(QStringLiteral("OpenRecentFiles1Action"));
  recentAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  setHint(recentAction, QStringLiteral("Open recent loaded files"));
  // The shortcut of a submenu opens it where the File menu would.
  connect(recentAction, &QAction::triggered, this, [this] {
    if (!recentFiles_->isVisible())
      recentFiles_->popup(mapToGlobal(QPoint(0, menuBar()->height())));
  });
  file->addSeparator();
  item(file, "FileSave1", QStringLiteral("Save &Buffer as HEX file..."),
       QKeySequence(Qt::CTRL | Qt::Key_S), QStringLiteral("Save loaded buffer as HEX file"),
       &TSDIAppForm::FileSave1Execute);
  item(file, "ViewBuffer1", QStringLiteral("&View Buffer..."), QKeySequence(Qt::CTRL | Qt::Key_M),
       QStringLiteral("View and Edit Buffer loaded into memory from HEX file"),
       &TSDIAppForm::btnBufferViewClick);
  file->addSeparator();
  item(file, "FileExit1", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X),
       QStringLiteral("Exit|Exit application"), &TSDIAppForm::FileExit1Execute);

  recentDevices_ = menuBar()->addMenu(QStringLiteral("&Recent Devices"));
  recentDevices_->setObjectName(QStringLiteral("RecentDevices1"));
  QAction *hidden = recentDevices_->addAction(QString());
  hidden->setObjectName(QStringLiteral("N1"));
  hidden->setVisible(false);
  item(recentDevices_, "SelectDevice1", QStringLiteral("&Select Device..."),
       QKeySequence(Qt::CTRL | Qt::Key_D), QStringLiteral("Browse Device Database"),
       &TSDIAppForm::SelectDevice1Click);
  item(recentDevices_, "ClearRecentDevices1", QStringLiteral("&Clear List"), {}, {},
       &TSDIAppForm::ClearRecentDevices1Click);

  QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Help1"));
  setHint(help->menuAction(), QStringLiteral("Help topics"));
  item(help, "HelpTopics1", QStringLiteral("&Help Topics"), QKeySequence(Qt::Key_F1),
       QStringLiteral("Open Help Manual"), &TSDIAppForm::HelpTopics1Click);
  help->addSeparator();
  item(help, "MicrocontrollerDesignProjects1", QStringLiteral("&Microcontroller Design Projects"),
       {}, QStringLiteral("Various Microcontroller Based Design Projects"),
       &TSDIAppForm::MicrocontrollerDesignProjects1Click);
  item(help, "Inter1", QStringLiteral("&Internet Support Forum"), {},
       QStringLiteral("Support Forum on the Internet"), &TSDIAppForm::Inter1Click);
  item(help, "KelmorasHomePage1", QStringLiteral("&Kelmora's Home Page"), {},
       QStringLiteral("Kelmora Technologies Home Page"), &TSDIAppForm::KelmorasHomePage1Click);
  help->addSeparator();
  item(help, "OrvanePage1", QStringLiteral("Orvane's Home Page"), {},
       QStringLiteral("Software(\"Orvane\") Home Page"), &TSDIAppForm::OrvanePage1Click);
  item(help, "HelpAbout1", QStringLiteral("&About Orvane..."), {}, {},
       &TSDIAppForm::HelpAbout1Execute);

  recentFilesMenu_.setParentMenu(recentFiles_);
  recentFilesMenu_.setPosition(0);
  recentDevicesMenu_.setParentMenu(recentDevices_);
  // After the hidden item and "&Select Device...".
  recentDevicesMenu_.setPosition(2);
}

QWidget *TSDIAppForm::buildTopBar() {
  auto *bar = new QWidget(this);
  auto *row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto *modelCaption = new QLabel(QStringLiteral("Hardware Model"), bar);
  cmbModel_ = new QComboBox(bar);
  cmbModel_->setObjectName(QStringLiteral("cmbModel"));
  cmbModel_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  modelCaption->setBuddy(cmbModel_);
  lblModel_ = new THyperlinkLabel(QString(), bar);
  lblModel_->setObjectName(QStringLiteral("lblModel"));
  lblModel_->setColor(Qt::red);
  lblModel_->setBold(true);
  lblModel_->setUnderline(false);
  lblModel_->ClickedHyperlinkColor = Qt::red;
  lblModel_->HoverColor = Qt::red;
  setHint(lblModel_, QStringLiteral("Click to visit Product's Page"));
  auto *portCaption = new QLabel(QStringLiteral("Com Port"), bar);
  SerialCombo_ = new QComboBox(bar);
  SerialCombo_->setObjectName(QStringLiteral("SerialCombo"));
  SerialCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  SerialCombo_->setMinimumContentsLength(12);
  portCaption->setBuddy(SerialCombo_);

  auto *orvaneLink = new THyperlinkLabel(QStringLiteral("Orvane's WebPage"), bar);
  orvaneLink->setObjectName(QStringLiteral("lblOrvaneWebPage"));
  orvaneLink->TargetURL = weblinks::kOrvanePage;
  setHint(orvaneLink, QStringLiteral("Click to visit Orvane's Page"));
  auto *makerLink = new THyperlinkLabel(QStringLiteral("Kelmora Technologies"), bar);
  makerLink->setObjectName(QStringLiteral("lblKelmoraHomePage"));
  makerLink->TargetURL = weblinks::kMakerHome;
  setHint(makerLink, QStringLiteral("Click to visit Kelmora's Home Page"));
  for (THyperlinkLabel *l : {orvaneLink, makerLink}) {
    l->setColor(kGrey);
    l->ClickedHyperlinkColor = Qt::black;
    l->HoverColor = Qt::red;
  }
  for (THyperlinkLabel *l : {lblModel_, orvaneLink, makerLink})
    l->setOpener(options_.opener);

  row->addWidget(modelCaption);
  row->addWidget(cmbModel_);
  row->addWidget(lblModel_);
  row->addSpacing(16);
  row->addWidget(portCaption);
  row->addWidget(SerialCombo_);
  row->addStretch(1);
  row->addWidget(orvaneLink);
  row->addSpacing(12);
  row->addWidget(makerLink);

  connect(cmbModel_, &QComboBox::activated, this, &TSDIAppForm::cmbModelChange);
  connect(SerialCombo_, &QComboBox::activated, this, &TSDIAppForm::SerialComboChange);
  return bar;
}

QWidget *TSDIAppForm::buildDeviceGroup() {
  QGroupBox *box = namedGroup(QStringLiteral("Device"), "grpDevice", this);
  auto *grid = new QGridLayout(box);
  lblType_ = valueLabel(QStringLiteral("lblType"), box);
  lblDevice_ = valueLabel(QStringLiteral("lblDevice"), box);
  lblFlash_ = valueLabel(QStringLiteral("lblFlash"), box);
  lblEEPROM_ = valueLabel(QStringLiteral("lblEEPROM"), box);
  const std::pair<const char *, QLabel *> rows[] = {{"Type :", lblType_},
                                                    {"Device :", lblDevice_},
                                                    {"Flash Size :", lblFlash_},
                                                    {"EEPROM Size :", lblEEPROM_}};
  int r = 0;
  for (const auto &[caption, value] : rows) {
    grid->addWidget(new QLabel(QString::fromLatin1(caption), box), r, 0, Qt::AlignRight);
    grid->addWidget(value, r, 1);
    ++r;
  }
  QFont bold = lblDevice_->font();
  bold.setBold(true);
  lblDevice_->setFont(bold);
  auto *select = new QPushButton(QStringLiteral("Device Select"), box);
  select->setObjectName(QStringLiteral("BitBtn1"));
  setHint(select, QStringLiteral("Select a Device (CTRL+D)"));
  connect(select, &QPushButton::clicked, this, &TSDIAppForm::BitBtn1Click);
  grid->addWidget(select, r, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  // Room for a long device type without the window changing size.
  grid->setColumnMinimumWidth(1,
                              fontMetrics().horizontalAdvance(QStringLiteral("8051 Core MCU   ")));
  return box;
}

QWidget *TSDIAppForm::buildPositionGroup() {
  QGroupBox *box = namedGroup(QStringLiteral("Device Position"), "grpPosition", this);
  auto *layout = new QVBoxLayout(box);
  imgDevice_ = new QLabel(box);
  imgDevice_->setObjectName(QStringLiteral("imgDevice"));
  imgDevice_->setAlignment(Qt::AlignCenter);
  imgDevice_->setMinimumSize(128, 240);
  layout->addWidget(imgDevice_, 1);
  return box;
}

QWidget *TSDIAppForm::buildFileGroup() {
  QGroupBox *box = namedGroup(QStringLiteral("File"), "grpFile", this);
  auto *grid = new QGridLayout(box);
  txtFileName_ = new QLineEdit(box);
  txtFileName_->setObjectName(QStringLiteral("txtFileName"));
  txtFileName_->setReadOnly(true);
  setHint(txtFileName_, QStringLiteral("Browse and Select a HEX file"));
  auto *browse = new QPushButton(QStringLiteral("Browse..."), box);
  browse->setObjectName(QStringLiteral("btnBrowse"));
  setHint(browse, QStringLiteral("Browse and Select a HEX file"));
  auto *buffer = new QPushButton(QStringLiteral("Buffer"), box);
  buffer->setObjectName(QStringLiteral("btnBufferView"));
  setHint(buffer, QStringLiteral("View and Edit Buffer Loaded in Memory"));
  lblModified_ = valueLabel(QStringLiteral("lblModified"), box);
  setHint(lblModified_, QStringLiteral("Shows Last File Modification Date"));
  lblBytesLoaded_ = valueLabel(QStringLiteral("lblBytesLoaded"), box);
  chkReloadFile_ = new QCheckBox(QStringLiteral("&Reload File before Programming"), box);
  chkReloadFile_->setObjectName(QStringLiteral("chkReloadFile"));

  grid->addWidget(txtFileName_, 0, 0, 1, 2);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(buffer, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("Modified :"), box), 1, 0, Qt::AlignRight);
  grid->addWidget(lblModified_, 1, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Flash Size :"), box), 2, 0, Qt::AlignRight);
  grid->addWidget(lblBytesLoaded_, 2, 1, 1, 3);
  grid->addWidget(chkReloadFile_, 3, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(
                                     QStringLiteral("Wednesday, September 30, 2026, 12:00:00 pm")));

  connect(browse, &QPushButton::clicked, this, &TSDIAppForm::btnBrowseClick);
  connect(buffer, &QPushButton::clicked, this, &TSDIAppForm::btnBufferViewClick);
  connect(chkReloadFile_, &QCheckBox::clicked, this, &TSDIAppForm::chkReloadFileClick);
  return box;
}

QWidget *TSDIAppForm::buildStatusGroup() {
  QGroupBox *box = namedGroup(QStringLiteral("Status"), "grpStatus", this);
  auto *layout = new QVBoxLayout(box);
  ctlStatus_ = new QTextEdit(box);
  ctlStatus_->setObjectName(QStringLiteral("ctlStatus"));
  ctlStatus_->setReadOnly(true);
  ctlStatus_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ctlStatus_->setLineWrapMode(QTextEdit::WidgetWidth);
  ctlStatus_->setMinimumSize(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 44,
                             fontMetrics().lineSpacing() * 10);
  layout->addWidget(ctlStatus_);
  return box;
}

QWidget *TSDIAppForm::buildCommandsGroup() {
  QGroupBox *box = namedGroup(QStringLiteral("Commands"), "grpCommands", this);
  auto *layout = new QVBoxLayout(box);
  functionList_ = new QListWidget(box);
  functionList_->setObjectName(QStringLiteral("functionList"));
  setHint(functionList_, QStringLiteral("Select a function (Double Click to Execute)"));
  functionList_->setSelectionMode(QAbstractItemView::SingleSelection);
  functionList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  functionList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  functionList_->setMinimumWidth(
      functionList_->fontMetrics().horizontalAdvance(QStringLiteral("Auto Program")) + 32);
  functionList_->installEventFilter(this);
  layout->addWidget(functionList_);

  // The two buttons share one place: the Auto Program one, with its picture,
  // lies on top while "Auto Program" is selected.
  auto *place = new QWidget(box);
  auto *stack = new QGridLayout(place);
  stack->setContentsMargins(0, 0, 0, 0);
  btnFunction_ = new QPushButton(QStringLiteral("Auto Program"), place);
  btnFunction_->setObjectName(QStringLiteral("btnFunction"));
  btnAuto_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay),
                             QStringLiteral("Auto Program"), place);
  btnAuto_->setObjectName(QStringLiteral("btnAuto"));
  for (QPushButton *b : {btnFunction_, btnAuto_}) {
    b->setMinimumHeight(b->sizeHint().height() * 3 / 2);
    stack->addWidget(b, 0, 0);
    connect(b, &QPushButton::clicked, this, &TSDIAppForm::btnFunctionClick);
  }
  btnFunction_->hide();
  layout->addWidget(place);
  layout->addStretch(1);

  connect(functionList_, &QListWidget::currentRowChanged, this, &TSDIAppForm::functionListClick);
  connect(functionList_, &QListWidget::itemDoubleClicked, this, &TSDIAppForm::functionListDblClick);
  return box;
}

QWidget *TSDIAppForm::buildOptionsGroup() {
  QGroupBox *box = namedGroup(QStringLiteral("Options"), "grpOptions", this);
  auto *outer = new QVBoxLayout(box);
  auto *inAuto = new QGroupBox(QStringLiteral("In Auto Program"), box);
  auto *row = new QHBoxLayout(inAuto);
  chkVerify_ = new QCheckBox(QStringLiteral("&Verify"), inAuto);
  chkVerify_->setObjectName(QStringLiteral("chkVerify"));
  chkLock_ = new QCheckBox(QStringLiteral("&Lock"), inAuto);
  chkLock_->setObjectName(QStringLiteral("chkLock"));
  row->addWidget(chkVerify_);
  row->addWidget(chkLock_);
  outer->addWidget(inAuto);
  connect(chkVerify_, &QCheckBox::clicked, this, &TSDIAppForm::chkVerifyClick);
  connect(chkLock_, &QCheckBox::clicked, this, &TSDIAppForm::chkLockClick);
  return box;
}

// ---------------------------------------------------------------- start and exit

void TSDIAppForm::FormCreate() {
  setWindowTitle(LoaderCore::ApplicationTitle());
  core_.Start();
  chkVerify_->setChecked(core_.settings.Verify != 0);
  chkLock_->setChecked(core_.settings.Lock != 0);
  chkReloadFile_->setChecked(core_.settings.ReloadFile != 0);
  showFile();
  showDevice();
  LoadCombo();
  firstActivation_ = true;
  // Fixed size: whatever the font, every caption has the room its layout asks.
  setFixedSize(sizeHint());
  common::CentreOnScreen(*this);
}

void TSDIAppForm::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (firstActivation_)
    FormActivate();
}

void TSDIAppForm::FormActivate() {
  if (!firstActivation_)
    return;
  firstActivation_ = false;
  core_.FirstActivation();
}

void TSDIAppForm::closeEvent(QCloseEvent *event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TSDIAppForm::FormClose() {
  if (closed_)
    return;
  closed_ = true;
  session_->port().Close();
  QString error;
  if (!core_.SaveSettings(&error))
    errorBox(error);
}

void TSDIAppForm::LoadCombo() {
  const QString simulated = session_->SimulatedPort();
  QStringList ports = ComPort::PortList();
  if (!simulated.isEmpty() && !ports.contains(simulated))
    ports << simulated;
  SerialCombo_->clear();
  SerialCombo_->addItems(ports);
  // The dry run talks to the emulated box; the saved port stays as it was.
  SerialCombo_->setCurrentIndex(
      ports.indexOf(simulated.isEmpty() ? core_.settings.comPort : simulated));
  session_->ChoosePort();

  cmbModel_->clear();
  const IniFile catalogue(core_.settings.programIniPath());
  int widestName = 0;
  for (int i = 0; i < core_.settings.ModelCount; ++i) {
    const QString model = core_.settings.GetModelName(i);
    cmbModel_->addItem(model);
    // The window keeps its size: room for the longest display name.
    const QString name = catalogue.readString(model, QStringLiteral("Name"));
    widestName = std::max(widestName, lblModel_->fontMetrics().horizontalAdvance(name));
  }
  lblModel_->setMinimumWidth(widestName);
  cmbModel_->setCurrentIndex(cmbModel_->findText(core_.settings.programmerModel,
                                                 Qt::MatchFixedString | Qt::MatchCaseSensitive));
  ModelChange();

  const QSignalBlocker quiet(functionList_);
  functionList_->clear();
  functionList_->addItems(FunctionNames());
  functionList_->setCurrentRow(core_.settings.FunctionIndex);
  // Every function in sight, no scrolling.
  functionList_->setFixedHeight(functionList_->sizeHintForRow(0) * functionList_->count() +
                                2 * functionList_->frameWidth());
}

void TSDIAppForm::cmbModelChange() {
  core_.settings.programmerModel = cmbModel_->currentText();
  ModelChange();
}

void TSDIAppForm::ModelChange() {
  session_->ModelChange(core_.settings.programmerModel);
  lblModel_->setText(core_.settings.ReadModelValue(QStringLiteral("Name")));
  lblModel_->TargetURL =
      weblinks::kProductPagePrefix + core_.settings.ReadModelValue(QStringLiteral("ID"));
}

void TSDIAppForm::SerialComboChange() { session_->SelectPort(SerialCombo_->currentText()); }

// ---------------------------------------------------------------- labels

void TSDIAppForm::showFile() {
  txtFileName_->setText(core_.fileLabels.txtFileName);
  lblModified_->setText(core_.fileLabels.lblModified);
  lblBytesLoaded_->setText(core_.fileLabels.lblBytesLoaded);
}

void TSDIAppForm::showDevice() {
  const DeviceLabels &d = core_.deviceLabels;
  lblDevice_->setText(d.Device);
  lblFlash_->setText(d.Flash);
  lblEEPROM_->setText(d.EEPROM);
  lblType_->setText(d.Type);
  if (d.Picture.isEmpty())
    imgDevice_->clear();
  else
    imgDevice_->setPixmap(QPixmap(d.Picture));
  if (devices_ && devices_->isVisible())
    devices_->refresh();
}

// ---------------------------------------------------------------- status log

void TSDIAppForm::AddStatus(const QString &text, bool result) {
  QTextCharFormat format;
  format.setForeground(result ? QColor(Qt::black) : kGrey);
  QTextCursor cursor(ctlStatus_->document());
  cursor.movePosition(QTextCursor::End);
  const QString line = result ? QStringLiteral("   ") + text : text;
  // A CR inside a message starts a new line on screen.
  const QStringList parts = line.split(QLatin1Char('\r'));
  for (const QString &part : parts) {
    if (statusLines_++ > 0)
      cursor.insertBlock();
    cursor.insertText(part, format);
  }
  QScrollBar *bar = ctlStatus_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void TSDIAppForm::ClearStatus() {
  ctlStatus_->clear();
  statusLines_ = 0;
}

void TSDIAppForm::SelectFunction(int index) { functionList_->setCurrentRow(index); }

void TSDIAppForm::BusyChanged(bool busy) {
  if (busy)
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- functions

void TSDIAppForm::functionListClick() {
  const int index = functionList_->currentRow();
  if (index < 0)
    return;
  btnFunction_->setText(functionList_->item(index)->text());
  const bool autoProgram = index == kAutoProgram;
  btnAuto_->setVisible(autoProgram);
  btnFunction_->setVisible(!autoProgram);
}

void TSDIAppForm::executeSelected() { session_->Execute(functionList_->currentRow()); }

void TSDIAppForm::functionListDblClick() { executeSelected(); }

void TSDIAppForm::btnFunctionClick() { executeSelected(); }

bool TSDIAppForm::eventFilter(QObject *watched, QEvent *event) {
  if (watched == functionList_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      executeSelected();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- file and device

void TSDIAppForm::btnBrowseClick() {
  if (Busy())
    return;
  const QString name =
      prompter_.openFileName(QStringLiteral("Open"), core_.OpenDialogFolder(), kHexFileFilter);
  if (!name.isEmpty())
    core_.LoadFileToBuffer(name);
}

void TSDIAppForm::btnBufferViewClick() {
  if (Busy() || !hexEdit_)
    return;
  const BufferRoundTripResult r =
      ViewBufferThroughFile(core_.buffer, core_.paths.tempFile(),
                            [this](const QString &path) { return hexEdit_->execOn(path); });
  if (!r.error.isEmpty())
    errorBox(r.error);
}

void TSDIAppForm::DeviceSelect() {
  if (!devices_)
    return;
  core_.DeviceSelect([this](DeviceDatabase &db) { return devices_->execFor(db); });
}

void TSDIAppForm::BitBtn1Click() {
  if (!Busy())
    DeviceSelect();
}

void TSDIAppForm::SelectDevice1Click() { DeviceSelect(); }

void TSDIAppForm::ClearRecentDevices1Click() { core_.ClearRecentDevices(); }

void TSDIAppForm::chkVerifyClick() { core_.settings.Verify = chkVerify_->isChecked() ? 1 : 0; }

void TSDIAppForm::chkLockClick() { core_.settings.Lock = chkLock_->isChecked() ? 1 : 0; }

void TSDIAppForm::chkReloadFileClick() {
  core_.settings.ReloadFile = chkReloadFile_->isChecked() ? 1 : 0;
}

void TSDIAppForm::FileSave1Execute() { core_.FileSave1Execute(); }

void TSDIAppForm::FileExit1Execute() { close(); }

// ---------------------------------------------------------------- help and links

void TSDIAppForm::open(const QString &address) {
  // Nothing is reported when the desktop cannot open it.
  if (options_.opener)
    options_.opener(QUrl(address));
}

void TSDIAppForm::HelpTopics1Click() {
  if (options_.opener)
    options_.opener(QUrl::fromLocalFile(core_.paths.guide()));
}

void TSDIAppForm::HelpAbout1Execute() {
  if (about_)
    about_->exec();
}

void TSDIAppForm::KelmorasHomePage1Click() { open(weblinks::kMakerHome); }

void TSDIAppForm::Inter1Click() { open(weblinks::kSupportForum); }

void TSDIAppForm::MicrocontrollerDesignProjects1Click() { open(weblinks::kProjectsSite); }

void TSDIAppForm::OrvanePage1Click() { open(weblinks::kOrvanePage); }

void TSDIAppForm::errorBox(const QString &text) {
  prompter_.message(LoaderCore::ApplicationTitle(), text, common::Prompter::Icon::Error);
}

} // namespace orvane
