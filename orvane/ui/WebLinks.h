#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace orvane {

// Every web address the loader opens, in one place.
namespace weblinks {
inline const QString kMakerHome = QStringLiteral("https://www.kelmora.example/");
inline const QString kProjectsSite = QStringLiteral("https://projects.kelmora.example/");
inline const QString kSupportForum = QStringLiteral("https://forum.kelmora.example/");
inline const QString kOrvanePage = QStringLiteral("https://projects.kelmora.example/orvane/");
// Followed by the model's ID from the program ini.
inline const QString kProductPagePrefix =
    QStringLiteral("https://www.kelmora.example/index.php?main_page=product_info&products_id=");
} // namespace weblinks

// Opens an address or a local document with the desktop's default handler;
// false when that failed. Tests put a recorder here.
using UrlOpener = std::function<bool(const QUrl &)>;

// The desktop's own opener.
UrlOpener desktopOpener();

} // namespace orvane
