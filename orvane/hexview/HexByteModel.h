#pragma once

#include "orvane/hexview/ByteBuffer.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace orvane::hexview {

enum class Pane { Hex, Char };

struct Bookmark {
  qint64 position = -1; // -1: not set
  Pane pane = Pane::Hex;

  bool isSet() const { return position >= 0; }
  friend bool operator==(const Bookmark &, const Bookmark &) = default;
};

// One edit as it can be taken back: at position, oldBytes were replaced by
// newCount bytes.
struct UndoRecord {
  qint64 position = 0;
  QByteArray oldBytes;
  qint64 newCount = 0;
};

// The bytes a hex view shows, with what belongs to them and not to a view:
// change marks, the modified flag, undo records, bookmarks and the file they
// came from. No widget code, so every edit rule is testable on its own.
class HexByteModel {
public:
  static constexpr int kBookmarkCount = 10;
  static constexpr qint64 kFileChunk = 61440;

  qint64 size() const { return static_cast<qint64>(bytes_.size()); }
  const std::uint8_t *data() const { return bytes_.data(); }
  std::uint8_t at(qint64 position) const { return bytes_[static_cast<std::size_t>(position)]; }

  // Replaces one byte and marks it changed; a byte given its own value stays
  // as it is, unmarked, and false is returned.
  bool overwrite(qint64 position, std::uint8_t value);

  // Replaces count bytes at position by bytes (an insertion when count is 0,
  // a removal when bytes is empty). Marks from position on are cleared,
  // bookmarks behind position shift and those past the end are removed.
  void replace(qint64 position, qint64 count, const QByteArray &bytes);

  bool isChanged(qint64 position) const;
  void clearChangeMarks();

  bool modified() const { return modified_; }
  const std::vector<UndoRecord> &undoRecords() const { return undo_; }

  // Bookmark index 0 to 9, else HexViewError "Invalid bookmark index".
  Bookmark bookmark(int index) const;
  void setBookmark(int index, Bookmark mark);

  // Replaces the data with the file's bytes; on failure nothing changes.
  void loadFile(const QString &path);
  // Writes all bytes through a temporary file renamed over path, so a failed
  // save leaves the old file whole.
  void saveFile(const QString &path, bool markSaved);

  const QString &fileName() const { return fileName_; }
  bool readOnlyFile() const { return readOnlyFile_; }

private:
  void recordUndo(qint64 position, qint64 count, qint64 newCount);
  void clearMarksFrom(qint64 position);
  static int checkedBookmark(int index);

  ByteBuffer bytes_;
  // One bit per byte, allocated at the first mark and never longer than
  // the data.
  std::vector<std::uint64_t> marks_;
  bool modified_ = false;
  std::vector<UndoRecord> undo_;
  std::array<Bookmark, kBookmarkCount> bookmarks_{};
  QString fileName_ = QStringLiteral("Untitled");
  bool readOnlyFile_ = false;
};

} // namespace orvane::hexview
