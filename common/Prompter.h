#pragma once

#include <QString>

namespace common {

// Every message box, question and file dialog of the three programs goes
// through this interface, so that windows and their flows can be driven by a
// test with scripted answers instead of a person clicking.
class Prompter {
public:
  enum class Icon { None, Information, Warning, Error, Question };

  virtual ~Prompter() = default;

  // A message box with one OK button.
  virtual void message(const QString &caption, const QString &text, Icon icon) = 0;

  // A Yes/No question; returns true for Yes. defaultYes chooses the default
  // button.
  virtual bool question(const QString &caption, const QString &text, Icon icon,
                        bool defaultYes) = 0;

  // File dialogs; an empty result means the user cancelled.
  virtual QString openFileName(const QString &caption, const QString &folder,
                               const QString &filter) = 0;
  virtual QString saveFileName(const QString &caption, const QString &folder,
                               const QString &fileName, const QString &filter) = 0;

  // File dialogs whose filter list ("Name (*.x);;Name (*.y)") chooses what
  // the file is read or written as: the chosen name (empty: cancelled) and
  // the index of the filter the user picked. startFilter is selected when
  // the dialog opens. Without an override the picked filter is the start one.
  struct FileChoice {
    QString name;
    int filter = 0;
  };
  virtual FileChoice openFile(const QString &caption, const QString &folder, const QString &filters,
                              int startFilter) {
    return {openFileName(caption, folder, filters), startFilter};
  }
  virtual FileChoice saveFile(const QString &caption, const QString &folder, const QString &filters,
                              int startFilter) {
    return {saveFileName(caption, folder, QString(), filters), startFilter};
  }
};

} // namespace common
