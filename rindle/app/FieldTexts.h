#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "rindle/engine/IspEngine.h"

namespace rindle {

// The texts of the main window's read-only fields and status bar, worked out
// from the engine's records.

inline const QString kNoSignatureText = QStringLiteral("-  -  - ");
inline const QString kNoCalibrationText = QStringLiteral("-  -  -  - ");

// The signature bytes the last read found, as the signature field shows
// them: as many bytes as the device reads, none for a chip without one.
QString SignatureText(const IspEngine &engine);

// The calibration bytes as the calibration field shows them; nothing (the
// field keeps its text) for a device without calibration bytes.
std::optional<QString> CalibrationText(const IspEngine &engine);

// A 24-bit checksum in upper-case hexadecimal, at least six digits.
QString ChecksumText(std::int32_t checksum);

// The status bar: the program file after two blanks, spelled as it is (on a
// file system that tells letter case apart another spelling names another
// file), or the window title when there is none.
QString StatusText(const QString &programFileName, const QString &title);

// The folder part of a file name with its trailing separator; empty when
// the name has no folder.
QString FolderOf(const QString &fileName);

} // namespace rindle
