// Draws placement pictures into a folder, one per name ("40pin", "20pin"...):
//   orvane_mkpictures FOLDER NAME...
#include "tools/PlacementPicture.h"

#include <QDir>

#include <cstdio>

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: orvane_mkpictures FOLDER NAME...\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "%s: cannot create the folder\n", argv[1]);
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const QString name = QString::fromLocal8Bit(argv[i]);
    const int pins = tools::pinsFromPlacementName(name);
    if (pins == 0) {
      std::fprintf(stderr, "%s: not a placement name like 40pin\n", argv[i]);
      return 1;
    }
    const QString path = folder.filePath(name + QStringLiteral(".bmp"));
    if (!tools::drawPlacement(pins).save(path, "BMP")) {
      std::fprintf(stderr, "%s: cannot write\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
