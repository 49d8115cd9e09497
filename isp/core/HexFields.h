#pragma once

#include <cstdint>
#include <stdexcept>

#include <QChar>
#include <QString>

// The hexadecimal fields of both programmers' dialogs: what a typed
// character does and how a field's text is read.
namespace rindle {

// A field that cannot be read as a number; the message is the one the
// general error box shows (it adds the full stop).
class ConversionError : public std::runtime_error {
public:
  explicit ConversionError(const QString &fieldText);
  QString message() const { return QString::fromUtf8(what()); }
};

// A field's text as a hexadecimal number (one to eight hex digits of either
// case, nothing else); throws ConversionError("'$<text>' ...") when it
// cannot be read.
std::uint32_t ReadHexOrThrow(const QString &text);

// What a dialog's key filter does with one typed character.
enum class TypedKey { Pass, Swallow, Enter };
// Enter is reported for the dialog to handle (and is never typed into a
// field); Backspace and the hex digits of either case pass; every other
// character is swallowed.
TypedKey FilterHexKey(QChar typed);

} // namespace rindle
