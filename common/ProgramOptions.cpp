#include "common/ProgramOptions.h"

#include <cstdio>

#include "common/ConsoleOutput.h"

namespace common {

namespace {

// "-p, --part DEVICE" as the help text's left column.
QString OptionColumn(const QCommandLineOption &option, bool optionalValue) {
  QStringList names;
  for (const QString &name : option.names())
    names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
  QString column = names.join(QStringLiteral(", "));
  if (!option.valueName().isEmpty())
    column += optionalValue ? QStringLiteral("[=%1]").arg(option.valueName())
                            : u' ' + option.valueName();
  return column;
}

constexpr int kColumn = 24;

} // namespace

ProgramOptions::ProgramOptions(QString program, QString version, QString synopsis,
                               QString description)
    : program_(std::move(program)), version_(std::move(version)), synopsis_(std::move(synopsis)),
      description_(std::move(description)) {
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  add(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                         QStringLiteral("show this text and exit")));
  add(QCommandLineOption(QStringLiteral("version"), QStringLiteral("show the version and exit")));
}

void ProgramOptions::add(const QCommandLineOption &option) {
  options_.push_back(option);
  parser_.addOption(option);
}

void ProgramOptions::addOptionalValue(const QCommandLineOption &option) {
  optionalValue_ << option.names();
  add(option);
}

std::optional<int> ProgramOptions::parse(const QStringList &arguments) {
  QStringList args = arguments;
  if (args.isEmpty())
    args << program_;
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--"))
      break;
    for (const QString &name : optionalValue_) {
      if (args[i] == QStringLiteral("--") + name)
        args[i] += u'=';
    }
  }
  if (!parser_.parse(args)) {
    // The option as it was typed, with its dashes.
    const QStringList unknown = parser_.unknownOptionNames();
    if (!unknown.isEmpty()) {
      const QString &name = unknown.constFirst();
      return usageError(QStringLiteral("Unknown option '%1%2'.")
                            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"),
                                 name));
    }
    return usageError(parser_.errorText());
  }
  if (parser_.isSet(QStringLiteral("help"))) {
    Print(stdout, helpText());
    return 0;
  }
  if (parser_.isSet(QStringLiteral("version"))) {
    Print(stdout, versionText());
    return 0;
  }
  if (!positional_ && !parser_.positionalArguments().isEmpty())
    return usageError(
        QStringLiteral("unexpected argument \"%1\"").arg(parser_.positionalArguments().first()));
  return std::nullopt;
}

QString ProgramOptions::helpText() const {
  QString text = QStringLiteral("Usage: %1 %2\n").arg(program_, synopsis_);
  if (!description_.isEmpty())
    text += description_ + u'\n';
  text += QStringLiteral("\nOptions:\n");
  for (const QCommandLineOption &option : options_) {
    if (option.flags() & QCommandLineOption::HiddenFromHelp)
      continue;
    const QString column =
        OptionColumn(option, optionalValue_.contains(option.names().constFirst()));
    QString line = QStringLiteral("  ") + column;
    const QStringList description = option.description().split(u'\n');
    for (qsizetype i = 0; i < description.size(); ++i) {
      if (i == 0 && line.size() < kColumn)
        line = line.leftJustified(kColumn);
      else
        line += u'\n' + QString(kColumn, u' ');
      line += description[i];
    }
    text += line + u'\n';
  }
  if (!notes_.isEmpty())
    text += u'\n' + notes_ + (notes_.endsWith(u'\n') ? QString() : QStringLiteral("\n"));
  return text;
}

QString ProgramOptions::versionText() const {
  return QStringLiteral("%1 %2\n").arg(program_, version_);
}

int ProgramOptions::usageError(const QString &reason) const {
  Print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                    .arg(program_, reason));
  return kExitUsage;
}

} // namespace common
