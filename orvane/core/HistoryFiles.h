#pragma once

#include "common/Prompter.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

class IniFile;

enum class TSeparatorStyle { sepNone, sepTop, sepBottom, sepBoth };

// One entry of a recent list as a menu shows it.
struct HistoryItem {
  int key = 0;     // its key in the list file, also its accelerator number
  QString entry;   // the text stored
  QString caption; // the text shown
};

// A most-recently-used list kept in an INI file (keys "1", "2", ... of section
// IniKey, "1" the most recent). It keeps the entries to show, with their
// captions; a menu adapter of the window mirrors them and reports clicks
// back through Click. Nothing here needs a menu or an application object.
class THistoryFiles {
public:
  // caption: the title of its message boxes; the loader's title when empty.
  explicit THistoryFiles(common::Prompter &prompter, QString caption = {});
  THistoryFiles(const THistoryFiles &) = delete;
  THistoryFiles &operator=(const THistoryFiles &) = delete;

  std::uint8_t MaxItems = 5;
  QString IniKey = QStringLiteral("History Files");
  QString LocalPath;
  // Read afresh by every AddToHistory and RebuildMenu.
  QString IniFile = QStringLiteral("History.ini");
  TSeparatorStyle Separator = TSeparatorStyle::sepNone;
  bool ShowFullPath = true;
  bool FileMustExist = false;
  bool Sorted = false;
  bool ShowNumber = true;
  // The entries are file paths. A list of names (devices such as
  // "AT89C51/LV") sets this off, so that a "/" in a name is not taken for a
  // folder: the caption shows the whole name.
  bool EntriesArePaths = true;

  std::function<void(THistoryFiles *sender, const QString &entry)> OnClickHistoryItem;
  // The shown items changed; the menu adapter rebuilds its items.
  std::function<void()> OnChanged;

  void AddToHistory(const QString &entry);
  // The list in a document in memory with entry put first: what
  // AddToHistory saves before it rebuilds the list.
  void AddToList(orvane::IniFile &ini, const QString &entry) const;
  // Reads the list file afresh (dropping missing files when FileMustExist).
  void RebuildMenu();
  // Empties the shown list (the list file keeps its entries).
  void ClearMenuItems();
  // The shown item at index was clicked.
  void Click(int index);

  const std::vector<HistoryItem> &items() const { return items_; }
  // The entries shown now, in menu order.
  QStringList shownEntries() const;
  // Separator lines around the shown items; none for an empty list.
  bool separatorBefore() const;
  bool separatorAfter() const;

private:
  void showError(const QString &text);
  QString captionFor(int key, const QString &entry) const;
  void changed();

  common::Prompter &prompter_;
  QString caption_;
  std::vector<HistoryItem> items_;
};

} // namespace orvane
