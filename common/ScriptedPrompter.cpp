#include "common/ScriptedPrompter.h"

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

QStringList ScriptedPrompter::messages() const {
  QStringList out;
  for (const auto &s : shown)
    if (s.kind == Shown::Kind::Message)
      out << s.text;
  return out;
}

} // namespace common
