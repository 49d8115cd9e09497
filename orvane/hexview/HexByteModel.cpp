#include "orvane/hexview/HexByteModel.h"

#include "orvane/hexview/HexViewError.h"

#include "common/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace orvane::hexview {

namespace {

QString cannotOpen(const QString &path, const QString &reason) {
  return QStringLiteral("Cannot open %1.\r\n(%2.)").arg(path, reason);
}

QString cannotCreate(const QString &path, const QString &reason) {
  return QStringLiteral("Cannot create %1.\r\n(%2.)").arg(path, reason);
}

// A file without any write permission bit counts as read-only even for a
// user whom the system would let write it.
bool isWritableFile(const QString &path) {
  // The "user" bits tell what this process may do, so only the file's own
  // bits are asked.
  constexpr auto kWriteBits =
      QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
  if (!(QFile::permissions(path) & kWriteBits))
    return false;
  QFile probe(path);
  return probe.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

bool samePath(const QString &a, const QString &b) {
  return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

} // namespace

bool HexByteModel::overwrite(qint64 position, std::uint8_t value) {
  if (at(position) == value)
    return false;
  const std::size_t words = static_cast<std::size_t>((size() + 63) / 64);
  if (marks_.size() < words)
    marks_.resize(words, 0);
  recordUndo(position, 1, 1);
  bytes_[static_cast<std::size_t>(position)] = value;
  marks_[static_cast<std::size_t>(position / 64)] |= std::uint64_t{1} << (position % 64);
  modified_ = true;
  return true;
}

void HexByteModel::replace(qint64 position, qint64 count, const QByteArray &bytes) {
  // Room first, so that nothing has changed when memory runs out.
  bytes_.reserve(bytes_.size() - static_cast<std::size_t>(count) +
                 static_cast<std::size_t>(bytes.size()));
  recordUndo(position, count, bytes.size());
  const auto first = bytes_.begin() + position;
  bytes_.erase(first, first + count);
  bytes_.insert(bytes_.begin() + position, bytes.begin(), bytes.end());
  modified_ = true;
  clearMarksFrom(position);

  const qint64 added = bytes.size();
  for (Bookmark &mark : bookmarks_) {
    if (!mark.isSet() || mark.position < position)
      continue;
    mark.position = mark.position >= position + count ? mark.position - count : position;
    mark.position += added;
    if (mark.position >= size())
      mark = Bookmark{};
  }
}

bool HexByteModel::isChanged(qint64 position) const {
  const auto word = static_cast<std::size_t>(position / 64);
  return word < marks_.size() && (marks_[word] >> (position % 64) & 1);
}

void HexByteModel::clearChangeMarks() { marks_.clear(); }

void HexByteModel::clearMarksFrom(qint64 position) {
  const auto word = static_cast<std::size_t>(position / 64);
  if (word >= marks_.size())
    return;
  marks_[word] &= (std::uint64_t{1} << (position % 64)) - 1;
  marks_.resize(word + 1);
}

void HexByteModel::recordUndo(qint64 position, qint64 count, qint64 newCount) {
  try {
    const auto *from = reinterpret_cast<const char *>(bytes_.data() + position);
    undo_.push_back(UndoRecord{position, QByteArray(from, count), newCount});
  } catch (const std::bad_alloc &) {
    throw HexViewError(QStringLiteral("Cannot update undo storage"));
  }
}

int HexByteModel::checkedBookmark(int index) {
  if (index < 0 || index >= kBookmarkCount)
    throw HexViewError(QStringLiteral("Invalid bookmark index"));
  return index;
}

Bookmark HexByteModel::bookmark(int index) const {
  return bookmarks_[static_cast<std::size_t>(checkedBookmark(index))];
}

void HexByteModel::setBookmark(int index, Bookmark mark) {
  bookmarks_[static_cast<std::size_t>(checkedBookmark(index))] = mark;
}

void HexByteModel::loadFile(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw HexViewError(cannotOpen(path, file.errorString()));
  const bool readOnly = !isWritableFile(path);

  // Read straight into a block of the file's size, growing it only for a
  // file that grows while it is read.
  ByteBuffer loaded;
  try {
    const auto expected = static_cast<std::size_t>(std::max<qint64>(file.size(), 0));
    loaded.reserve(expected + static_cast<std::size_t>(kFileChunk));
    loaded.resize(expected);
    std::size_t at = 0;
    for (;;) {
      if (loaded.size() - at < static_cast<std::size_t>(kFileChunk))
        loaded.resize(at + static_cast<std::size_t>(kFileChunk));
      const qint64 got = file.read(reinterpret_cast<char *>(loaded.data() + at), kFileChunk);
      if (got < 0)
        throw HexViewError(cannotOpen(path, file.errorString()));
      at += static_cast<std::size_t>(got);
      if (got == 0)
        break;
    }
    loaded.resize(at);
  } catch (const std::bad_alloc &) {
    throw HexViewError(cannotOpen(path, QString::fromLocal8Bit(std::strerror(ENOMEM))));
  }

  bytes_.swap(loaded);
  marks_.clear();
  modified_ = false;
  undo_.clear();
  fileName_ = path;
  readOnlyFile_ = readOnly;
}

void HexByteModel::saveFile(const QString &path, bool markSaved) {
  if (readOnlyFile_ && samePath(path, fileName_))
    throw HexViewError(QStringLiteral("Cannot save readonly file %1.").arg(path));
  if (QFileInfo::exists(path) && !isWritableFile(path))
    throw HexViewError(cannotCreate(path, QString::fromLocal8Bit(std::strerror(EACCES))));

  const QByteArray content =
      QByteArray::fromRawData(reinterpret_cast<const char *>(bytes_.data()), size());
  const common::SaveResult saved = common::SaveWholeFile(path, content, {.block = kFileChunk});
  if (!saved.ok())
    throw HexViewError(cannotCreate(path, saved.reason));

  if (markSaved) {
    marks_.clear();
    modified_ = false;
    readOnlyFile_ = false;
    fileName_ = path;
    undo_.clear();
  }
}

} // namespace orvane::hexview
