#include "orvane/ui/TfrmDevices.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace orvane {

namespace {

// Column widths of the grid, in pixels at the standard font.
constexpr int kColumnWidths[DeviceTableModel::kShownColumns] = {100, 80, 64, 64, 110};
// The titles the shipped databases give the columns, for the widths only.
const char *const kColumnTitles[DeviceTableModel::kShownColumns] = {"Device", "Manufacturer",
                                                                    "Flash", "EEPROM", "Type"};

bool isEnter(QEvent *event) {
  if (event->type() != QEvent::KeyPress)
    return false;
  const int key = static_cast<QKeyEvent *>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void DeviceTableModel::setDatabase(const DeviceDatabase *db) {
  beginResetModel();
  db_ = db;
  endResetModel();
}

void DeviceTableModel::refresh() {
  beginResetModel();
  endResetModel();
}

int DeviceTableModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() || !db_ ? 0 : db_->visibleCount();
}

int DeviceTableModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : kShownColumns;
}

QVariant DeviceTableModel::data(const QModelIndex &index, int role) const {
  if (!db_ || role != Qt::DisplayRole || !index.isValid() || index.row() >= db_->visibleCount())
    return {};
  const DeviceRecord &r = db_->visibleRow(index.row());
  auto text = [](const std::optional<QString> &v) { return QVariant(v.value_or(QString())); };
  auto number = [](const std::optional<std::int32_t> &v) {
    return v ? QVariant(*v) : QVariant(QString());
  };
  switch (index.column()) {
  case 0: return text(r.Device);
  case 1: return text(r.Manufacturer);
  case 2: return number(r.Flash);
  case 3: return number(r.EEPROM);
  case 4: return text(r.Type);
  default: return {};
  }
}

QVariant DeviceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !db_ ||
      section >= db_->fieldNames().size())
    return QAbstractTableModel::headerData(section, orientation, role);
  return db_->fieldNames()[section];
}

TfrmDevices::TfrmDevices(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDevices"));
  setWindowTitle(QStringLiteral("Device Database"));

  auto *search = new QLabel(QStringLiteral("Device Search"), this);
  txtFilter_ = new QLineEdit(this);
  txtFilter_->setObjectName(QStringLiteral("txtFilter"));
  search->setBuddy(txtFilter_);
  auto *top = new QHBoxLayout;
  top->addWidget(search);
  top->addWidget(txtFilter_, 1);

  DBGrid1_ = new QTableView(this);
  DBGrid1_->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1_->setModel(&model_);
  DBGrid1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1_->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  DBGrid1_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  DBGrid1_->horizontalHeader()->setStretchLastSection(true);
  int gridWidth = DBGrid1_->verticalHeader()->sizeHint().width() + 24;
  const QFontMetrics header(DBGrid1_->horizontalHeader()->font());
  for (int c = 0; c < DeviceTableModel::kShownColumns; ++c) {
    // Never narrower than the title or a device name at the font in use.
    const int width = std::max(
        {kColumnWidths[c], header.horizontalAdvance(QString::fromLatin1(kColumnTitles[c])) + 24,
         fontMetrics().horizontalAdvance(QStringLiteral("AT89S8253XX"))});
    DBGrid1_->setColumnWidth(c, width);
    gridWidth += width;
  }
  DBGrid1_->setMinimumSize(gridWidth, 18 * (fontMetrics().height() + 4));
  DBGrid1_->installEventFilter(this);
  txtFilter_->installEventFilter(this);

  auto *note = new QLabel(
      QStringLiteral("* Press Enter Key or Mouse Double click Device to Select and Close"), this);
  note->setObjectName(QStringLiteral("lblNote"));

  btnCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  btnOK_ = new QPushButton(QStringLiteral("&OK"), this);
  btnOK_->setObjectName(QStringLiteral("btnOK"));
  // Enter belongs to the filter box and the grid, never to a button.
  for (QPushButton *b : {btnCancel_, btnOK_}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(note, 1);
  buttons->addWidget(btnCancel_);
  buttons->addWidget(btnOK_);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(DBGrid1_, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(txtFilter_, &QLineEdit::textEdited, this, &TfrmDevices::txtFilterChange);
  connect(DBGrid1_, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
    if (index.isValid())
      accept();
  });
  connect(DBGrid1_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &TfrmDevices::gridRowChanged);
}

bool TfrmDevices::execFor(DeviceDatabase &db) {
  db_ = &db;
  syncing_ = true;
  model_.setDatabase(&db);
  syncing_ = false;
  txtFilter_->clear();
  selectCurrentRow();
  const bool ok = exec() == QDialog::Accepted;
  return ok;
}

void TfrmDevices::refresh() {
  const int row = db_ ? db_->currentIndex() : -1;
  syncing_ = true;
  model_.refresh();
  syncing_ = false;
  if (db_)
    db_->setCurrentIndex(row);
  selectCurrentRow();
}

void TfrmDevices::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  activateWindow();
  txtFilter_->setFocus();
}

void TfrmDevices::selectCurrentRow() {
  const int row = db_ ? db_->currentIndex() : -1;
  if (row >= 0) {
    DBGrid1_->setCurrentIndex(model_.index(row, 0));
    DBGrid1_->selectRow(row);
  } else {
    DBGrid1_->clearSelection();
  }
}

void TfrmDevices::gridRowChanged() {
  if (db_ && !syncing_)
    db_->setCurrentIndex(DBGrid1_->currentIndex().isValid() ? DBGrid1_->currentIndex().row() : -1);
}

void TfrmDevices::txtFilterChange(const QString &text) {
  if (!db_)
    return;
  db_->setFilterContains(text);
  refresh();
}

bool TfrmDevices::eventFilter(QObject *watched, QEvent *event) {
  if (isEnter(event)) {
    if (watched == txtFilter_) {
      DBGrid1_->setFocus();
      return true;
    }
    if (watched == DBGrid1_) {
      accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

} // namespace orvane
