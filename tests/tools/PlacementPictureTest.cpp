#include "tools/PlacementPicture.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace tools {
namespace {

TEST(PlacementPicture, PinCountFromTheName) {
  const std::pair<const char *, int> cases[] = {{"40pin", 40}, {"20pin", 20}, {"8pin", 8},
                                                {"42pin", 0},  {"21pin", 0},  {"2pin", 0},
                                                {"pin", 0},    {"40PIN", 0},  {"x40pin", 0}};
  for (const auto &[name, pins] : cases)
    EXPECT_EQ(pinsFromPlacementName(QString::fromLatin1(name)), pins) << name;
}

TEST(PlacementPicture, ChipSitsAtTheLeverEnd) {
  const QImage forty = drawPlacement(40);
  const QImage twenty = drawPlacement(20);
  ASSERT_EQ(forty.size(), twenty.size());
  // Middle of the socket near the top: chip body in both.
  const QPoint top(forty.width() / 2, 40);
  EXPECT_EQ(forty.pixelColor(top), twenty.pixelColor(top));
  EXPECT_LT(forty.pixelColor(top).lightness(), 60);
  // Near the far end only the 40-pin chip covers the socket.
  const QPoint bottom(forty.width() / 2, forty.height() - 30);
  EXPECT_EQ(forty.pixelColor(bottom), forty.pixelColor(top));
  EXPECT_NE(twenty.pixelColor(bottom), twenty.pixelColor(top));

  // Written and read back as BMP without loss.
  QBuffer file;
  file.open(QIODevice::ReadWrite);
  ASSERT_TRUE(twenty.save(&file, "BMP"));
  QImage back;
  ASSERT_TRUE(back.loadFromData(file.data(), "BMP"));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), twenty);
}

} // namespace
} // namespace tools
