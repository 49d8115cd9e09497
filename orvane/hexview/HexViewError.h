#pragma once

#include <QString>

#include <stdexcept>

namespace orvane::hexview {

// The control's errors carry the exact text the dialog shows the user; the
// std::runtime_error part holds the same text in UTF-8.
class HexViewError : public std::runtime_error {
public:
  explicit HexViewError(const QString &text)
      : std::runtime_error(text.toStdString()), text_(text) {}

  const QString &text() const { return text_; }

private:
  QString text_;
};

} // namespace orvane::hexview
