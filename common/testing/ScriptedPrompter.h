#pragma once

#include "common/Prompter.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace common {

// A Prompter for tests: records every message and question and answers from
// queues the test fills. An unexpected question or file dialog (empty queue)
// answers No / cancel and is still recorded, so a test sees it.
class ScriptedPrompter : public Prompter {
public:
  struct Shown {
    enum class Kind { Message, Question, OpenFile, SaveFile } kind;
    QString caption;
    QString text; // message text, or the folder for file dialogs
    Icon icon = Icon::None;
    bool defaultYes = false;
    QString filter; // file dialogs: the filter list offered
    int startFilter = 0;
  };

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

  std::deque<bool> answers;
  std::deque<QString> fileNames;
  // The filter picked in each openFile/saveFile; when empty the start one.
  std::deque<int> filterChoices;
  std::vector<Shown> shown;

  // The texts of the message boxes shown so far, in order.
  QStringList messages() const;

private:
  // Records the filters of the dialog just shown; the next scripted choice.
  int pickFilter(const QString &filters, int startFilter);
};

} // namespace common
