#pragma once

#include <optional>
#include <vector>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace common {

// Exit status of a command line that cannot be used, in every program.
inline constexpr int kExitUsage = 2;

// The option parser of every program: QCommandLineParser with --help and
// --version, a help text of the program's own synopsis and notes, and one
// way of ending on a wrong option ("PROGRAM: reason" and a pointer to --help
// on stderr, exit status 2). It needs no application object, so a program
// reads its options before anything needs a display.
class ProgramOptions {
public:
  // synopsis: what follows the program's name on the usage line.
  ProgramOptions(QString program, QString version, QString synopsis, QString description);

  // An option shown in the help text in the order added.
  void add(const QCommandLineOption &option);
  // An option whose value may be left out: "--NAME" alone is "--NAME=".
  void addOptionalValue(const QCommandLineOption &option);
  // Text after the option list: exit statuses, examples.
  void setNotes(const QString &notes) { notes_ = notes; }
  // Words after the options (commands, files) are allowed.
  void allowPositional() { positional_ = true; }

  // Reads `arguments`, the program's name first. Returns the exit status
  // when the program is to stop now: 0 after --help or --version (printed on
  // stdout), kExitUsage after a wrong option (reported on stderr).
  std::optional<int> parse(const QStringList &arguments);

  bool isSet(const QString &name) const { return parser_.isSet(name); }
  QString value(const QString &name) const { return parser_.value(name); }
  QStringList values(const QString &name) const { return parser_.values(name); }
  QStringList positional() const { return parser_.positionalArguments(); }

  QString helpText() const;
  QString versionText() const;
  // Reports a usage error found after parsing; returns kExitUsage.
  int usageError(const QString &reason) const;

private:
  QString program_;
  QString version_;
  QString synopsis_;
  QString description_;
  QString notes_;
  bool positional_ = false;
  std::vector<QCommandLineOption> options_;
  QStringList optionalValue_;
  QCommandLineParser parser_;
};

} // namespace common
