#pragma once

#include <QString>

namespace rindle::files {

// The results of the load and save operations, as the windows show them.
inline const QString kOk = QStringLiteral("OK");
inline const QString kInvalidHex = QStringLiteral("Invalid Hex File Format . . .");
inline const QString kChecksumError = QStringLiteral("Data Checksum Error . . .");
inline const QString kInvalidRom = QStringLiteral("Invalid Rom File Format . . .");
inline const QString kAddressOutOfRange = QStringLiteral("Address out of range . . .");
inline const QString kFileAccessError = QStringLiteral("File access error . . .");
inline const QString kFileCreateError = QStringLiteral("File create error . . .");
inline const QString kFileWriteError = QStringLiteral("File write error . . .");
inline const QString kHexTooLarge = QStringLiteral("Use BIN or ROM format for saving files > 64K");

// Details appended, after a CR, to a format error whose cause the plain
// text would not tell.
QString NotHexDetail(int line, const QByteArray &field);
QString TooShortDetail(int line);

} // namespace rindle::files
