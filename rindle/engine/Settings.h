#pragma once

#include <QString>

// The pieces of the settings file and the fuse database that need no engine.
namespace rindle::settings {

inline const QString kSettingsFileName = QStringLiteral("Rindle37.set");
inline constexpr int kSettingsLines = 28;
inline constexpr int kFuseDatabaseLines = 6;

inline const QString kSettingsError = QStringLiteral("Settings file error . . .");
inline const QString kFuseDatabaseError = QStringLiteral("Fuse database error . . .");

// The settings file in a program's folder; empty for an empty folder.
QString SettingsFilePath(const QString &programFolder);

// The fuse database of a program file: the extension of the file's own name
// replaced by ".fdb", or ".fdb" appended when the name has no extension.
// Dots in folder names do not count.
QString FuseDatabaseName(const QString &programFileName);

} // namespace rindle::settings
