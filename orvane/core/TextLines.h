#pragma once

#include <QByteArray>
#include <QList>

namespace orvane {

// Text split into lines at CR LF, LF or CR. A final line break ends the last
// line and does not start another.
struct TextLines {
  QList<QByteArray> lines;  // without their line breaks
  QList<QByteArray> breaks; // each line's own break; empty for a last line without one
  QByteArray firstBreak;    // the first line break met; empty when none
  bool finalBreak = false;  // the text ends with a line break
};

TextLines splitLines(const QByteArray &data);

} // namespace orvane
