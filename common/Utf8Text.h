#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>

namespace common {

// The text of UTF-8 bytes taken from inside a file: one line, or one value.
// QString::fromUtf8 drops a byte-order mark at the start of the bytes it is
// given, which suits a whole file but takes a character off a value that
// starts with U+FEFF, so that the value no longer reads back as it was
// written. The file readers drop the mark in front of a file themselves.
inline QString TextFromUtf8(QByteArrayView bytes) {
  QString text = QString::fromUtf8(bytes);
  if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF")))
    text.prepend(QChar(0xFEFF));
  return text;
}

} // namespace common
