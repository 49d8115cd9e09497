#pragma once

#include "orvane/core/LoaderBuffer.h"

#include <QString>
#include <functional>

namespace orvane {

// The buffer view's round trip through a temporary file: the whole image is
// written to tempPath, showDialog(tempPath) shows it and returns true for OK
// (the dialog has then saved its data back to the file), and the file is
// read back into the image from address 0, up to its end or the image's end;
// a shorter file leaves the rest of the image as it was. The file is deleted
// whatever happens. When it cannot be written the dialog is not shown and
// the result is "I/O error N" with the system's error number.
struct BufferRoundTripResult {
  bool shown = false;    // the dialog was shown
  bool accepted = false; // it closed with OK and the file was read back
  QString error;         // empty when nothing failed
};

BufferRoundTripResult ViewBufferThroughFile(LoaderBuffer &buffer, const QString &tempPath,
                                            const std::function<bool(const QString &)> &showDialog);

} // namespace orvane
