#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringDecoder>

namespace common {

// The text of UTF-8 bytes taken from inside a file (one line, or one value),
// written at out, which has room for bytes.size() characters (UTF-8 never
// takes fewer bytes than UTF-16 takes units); returns the end. Broken
// sequences become U+FFFD. A U+FEFF at the start is kept: QString::fromUtf8
// drops it, which suits a whole file but takes a character off a value that
// starts with it, so that the value no longer reads back as it was written.
// The file readers drop the mark in front of a file themselves.
inline QChar *AppendTextFromUtf8(QChar *out, QByteArrayView bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return decoder.appendToBuffer(out, bytes);
}

// The same text as a string.
inline QString TextFromUtf8(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  text.resize(AppendTextFromUtf8(text.data(), bytes) - text.constData());
  return text;
}

} // namespace common
