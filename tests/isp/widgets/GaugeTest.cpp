// The progress window's gauge, which both ISP programmers show.

#include <gtest/gtest.h>

#include <QImage>

#include "isp/widgets/TfrmCmdSts.h"

namespace rindle::ui {
namespace {

struct GaugeCase {
  const char *name;
  int maximum;
  int position;
  const char *text;
};
void PrintTo(const GaugeCase &c, std::ostream *os) { *os << c.name; }
class GaugeTable : public ::testing::TestWithParam<GaugeCase> {};

TEST_P(GaugeTable, ShowsTheWholePercentDone) {
  TGauge gauge;
  gauge.setMaxValue(GetParam().maximum);
  gauge.setProgress(GetParam().position);
  EXPECT_EQ(gauge.text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Gauge, GaugeTable,
                         ::testing::Values(GaugeCase{"Half", 4096, 2048, "50%"},
                                           GaugeCase{"Truncated", 3, 2, "66%"},
                                           GaugeCase{"Done", 135168, 135168, "100%"},
                                           GaugeCase{"NoMaximum", 0, 10, "0%"},
                                           // 131072 x 100 overflows 32 bits
                                           GaugeCase{"LargeFlash", 135168, 131072, "96%"}),
                         [](const auto &info) { return std::string(info.param.name); });

// Pixels darker than the gauge's frame: only its text is painted that dark.
int TextPixels(TGauge &gauge) {
  const QImage image = gauge.grab().toImage();
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      dark += qGray(image.pixel(x, y)) < 64 ? 1 : 0;
  return dark;
}

TEST(Gauge, WithoutTextItPaintsOnlyTheBar) {
  TGauge gauge;
  gauge.resize(gauge.sizeHint());
  gauge.setMaxValue(100);
  gauge.setProgress(0);
  EXPECT_GT(TextPixels(gauge), 0) << "0% is written";
  gauge.setTextVisible(false);
  EXPECT_EQ(TextPixels(gauge), 0);
  EXPECT_EQ(gauge.text(), "0%") << "the gauge still knows how far it is";
}

} // namespace
} // namespace rindle::ui
