#pragma once

#include "common/Prompter.h"

class QWidget;

namespace common {

// The real dialogs: QMessageBox and QFileDialog, parented to a window.
class QtPrompter : public Prompter {
public:
  explicit QtPrompter(QWidget *parent = nullptr) : parent_(parent) {}
  void setParent(QWidget *parent) { parent_ = parent; }

  void message(const QString &caption, const QString &text, Icon icon) override;
  bool question(const QString &caption, const QString &text, Icon icon, bool defaultYes) override;
  QString openFileName(const QString &caption, const QString &folder,
                       const QString &filter) override;
  QString saveFileName(const QString &caption, const QString &folder, const QString &fileName,
                       const QString &filter) override;
  FileChoice openFile(const QString &caption, const QString &folder, const QString &filters,
                      int startFilter) override;
  FileChoice saveFile(const QString &caption, const QString &folder, const QString &filters,
                      int startFilter) override;

private:
  QWidget *parent_;
};

} // namespace common
