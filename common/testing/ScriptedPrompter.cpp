#include "common/testing/ScriptedPrompter.h"

namespace common {

void ScriptedPrompter::message(const QString &caption, const QString &text, Icon icon) {
  shown.push_back({Shown::Kind::Message, caption, text, icon, false});
}

bool ScriptedPrompter::question(const QString &caption, const QString &text, Icon icon,
                                bool defaultYes) {
  shown.push_back({Shown::Kind::Question, caption, text, icon, defaultYes});
  if (answers.empty())
    return false;
  const bool a = answers.front();
  answers.pop_front();
  return a;
}

QString ScriptedPrompter::openFileName(const QString &caption, const QString &folder,
                                       const QString &) {
  shown.push_back({Shown::Kind::OpenFile, caption, folder, Icon::None, false});
  if (fileNames.empty())
    return {};
  QString f = fileNames.front();
  fileNames.pop_front();
  return f;
}

QString ScriptedPrompter::saveFileName(const QString &caption, const QString &folder,
                                       const QString &, const QString &) {
  shown.push_back({Shown::Kind::SaveFile, caption, folder, Icon::None, false});
  if (fileNames.empty())
    return {};
  QString f = fileNames.front();
  fileNames.pop_front();
  return f;
}

Prompter::FileChoice ScriptedPrompter::openFile(const QString &caption, const QString &folder,
                                                const QString &filters, int startFilter) {
  const QString name = openFileName(caption, folder, filters);
  return {name, pickFilter(filters, startFilter)};
}

Prompter::FileChoice ScriptedPrompter::saveFile(const QString &caption, const QString &folder,
                                                const QString &filters, int startFilter) {
  const QString name = saveFileName(caption, folder, QString(), filters);
  return {name, pickFilter(filters, startFilter)};
}

int ScriptedPrompter::pickFilter(const QString &filters, int startFilter) {
  shown.back().filter = filters;
  shown.back().startFilter = startFilter;
  if (filterChoices.empty())
    return startFilter;
  const int picked = filterChoices.front();
  filterChoices.pop_front();
  return picked;
}

QStringList ScriptedPrompter::messages() const {
  QStringList out;
  for (const auto &s : shown)
    if (s.kind == Shown::Kind::Message)
      out << s.text;
  return out;
}

} // namespace common
