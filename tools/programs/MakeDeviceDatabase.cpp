// Makes one device database file from a device table:
//   orvane_mkdevices TABLE.txt OUTPUT.dat
#include "common/SafeFile.h"
#include "tools/PacketWriter.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvane_mkdevices TABLE OUTPUT\n");
    return 2;
  }
  const QString tablePath = QString::fromLocal8Bit(argv[1]);
  const QString outPath = QString::fromLocal8Bit(argv[2]);
  QFile table(tablePath);
  if (!table.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(table.errorString()));
    return 1;
  }
  tools::PacketContent content;
  content.fields = tools::deviceFields();
  QString error;
  if (!tools::parseDeviceTable(QString::fromUtf8(table.readAll()), &content.rows, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
    return 1;
  }
  QByteArray packet;
  if (!tools::writePacket(content, &packet, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
    return 1;
  }
  const common::SaveResult saved = common::SaveWholeFile(outPath, packet);
  if (!saved.ok()) {
    std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(saved.reason));
    return 1;
  }
  return 0;
}
