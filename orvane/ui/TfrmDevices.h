#pragma once

#include "orvane/core/DeviceDatabase.h"

#include <QAbstractTableModel>
#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableView;

namespace orvane {

// The rows of a device database that pass its filter, as a read-only table
// whose column titles are the field names. The last two fields are carried
// but not shown.
class DeviceTableModel : public QAbstractTableModel {
  Q_OBJECT
public:
  static constexpr int kShownColumns = 5;

  explicit DeviceTableModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

  void setDatabase(const DeviceDatabase *db);
  // The database's rows or filter changed.
  void refresh();

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  const DeviceDatabase *db_ = nullptr;
};

// "Device Database": a filter box over the device grid. Enter in the filter
// box moves to the grid; Enter or a double-click in the grid takes the row.
class TfrmDevices : public QDialog {
  Q_OBJECT
public:
  explicit TfrmDevices(QWidget *parent = nullptr);

  // Shows the database modally, the filter box emptied; true for OK. The
  // database's current row follows the grid's.
  bool execFor(DeviceDatabase &db);
  // The database changed under the open dialog.
  void refresh();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void txtFilterChange(const QString &text);
  void selectCurrentRow();
  void gridRowChanged();

  DeviceDatabase *db_ = nullptr;
  bool syncing_ = false; // the grid is being reset, not moved by the user
  DeviceTableModel model_;
  QLineEdit *txtFilter_;
  QTableView *DBGrid1_;
  QPushButton *btnCancel_;
  QPushButton *btnOK_;
};

} // namespace orvane
