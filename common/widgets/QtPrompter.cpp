#include "common/widgets/QtPrompter.h"

#include "common/widgets/Centre.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace common {
namespace {

QMessageBox::Icon toQt(Prompter::Icon icon) {
  switch (icon) {
  case Prompter::Icon::Information: return QMessageBox::Information;
  case Prompter::Icon::Warning: return QMessageBox::Warning;
  case Prompter::Icon::Error: return QMessageBox::Critical;
  case Prompter::Icon::Question: return QMessageBox::Question;
  case Prompter::Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

// Message texts separate their lines with a single carriage return.
QString lines(const QString &text) {
  QString t = text;
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

} // namespace

void QtPrompter::message(const QString &caption, const QString &text, Icon icon) {
  QMessageBox box(toQt(icon), caption, lines(text), QMessageBox::Ok, parent_);
  CentreWhenShown(box);
  box.exec();
}

bool QtPrompter::question(const QString &caption, const QString &text, Icon icon, bool defaultYes) {
  QMessageBox box(toQt(icon), caption, lines(text), QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  CentreWhenShown(box);
  return box.exec() == QMessageBox::Yes;
}

namespace {

Prompter::FileChoice runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode,
                                   const QString &caption, const QString &folder,
                                   const QString &filters, int startFilter,
                                   const QString &fileName = {}) {
  QFileDialog dialog(parent, caption, folder, filters);
  CentreWhenShown(dialog);
  if (!fileName.isEmpty())
    dialog.selectFile(fileName);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  // The commands ask their own overwrite question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList list = filters.split(QStringLiteral(";;"));
  if (startFilter >= 0 && startFilter < list.size())
    dialog.selectNameFilter(list[startFilter]);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {QString(), startFilter};
  const int picked = static_cast<int>(list.indexOf(dialog.selectedNameFilter()));
  return {dialog.selectedFiles().first(), picked < 0 ? startFilter : picked};
}

} // namespace

QString QtPrompter::openFileName(const QString &caption, const QString &folder,
                                 const QString &filter) {
  return runFileDialog(parent_, QFileDialog::AcceptOpen, caption, folder, filter, 0).name;
}

QString QtPrompter::saveFileName(const QString &caption, const QString &folder,
                                 const QString &fileName, const QString &filter) {
  return runFileDialog(parent_, QFileDialog::AcceptSave, caption, folder, filter, 0, fileName)
      .name;
}

Prompter::FileChoice QtPrompter::openFile(const QString &caption, const QString &folder,
                                          const QString &filters, int startFilter) {
  return runFileDialog(parent_, QFileDialog::AcceptOpen, caption, folder, filters, startFilter);
}

Prompter::FileChoice QtPrompter::saveFile(const QString &caption, const QString &folder,
                                          const QString &filters, int startFilter) {
  return runFileDialog(parent_, QFileDialog::AcceptSave, caption, folder, filters, startFilter);
}

} // namespace common
