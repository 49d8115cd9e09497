#include "isp/core/HexFields.h"

#include <optional>

#include "common/HexText.h"

namespace rindle {

namespace hex = common::hex;

namespace {

constexpr QChar kEnter = QChar(u'\r');
constexpr QChar kBackspace = QChar(u'\b');

} // namespace

ConversionError::ConversionError(const QString &fieldText)
    : std::runtime_error(
          QStringLiteral("'$%1' is not a valid integer value").arg(fieldText).toStdString()) {}

std::uint32_t ReadHexOrThrow(const QString &text) {
  const std::optional<std::uint32_t> value = hex::Parse(text);
  if (!value)
    throw ConversionError(text);
  return *value;
}

TypedKey FilterHexKey(QChar typed) {
  if (typed == kEnter || typed == QChar(u'\n'))
    return TypedKey::Enter;
  if (typed == kBackspace || hex::Parse(QString(typed)))
    return TypedKey::Pass;
  return TypedKey::Swallow;
}

} // namespace rindle
