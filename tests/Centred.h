#pragma once

// Whether a shown window stands centred on its screen at the size it shows
// with.

#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <cstdlib>
#include <gtest/gtest.h>

namespace testplace {

inline void ExpectCentredOnScreen(const QWidget &window, const char *what) {
  ASSERT_TRUE(window.isVisible()) << what;
  const QRect screen = window.screen()->availableGeometry();
  const QRect frame = window.frameGeometry();
  // The test platform frames a window only once it is shown, and places the
  // window there without its frame; the test on a real X server measures to
  // the pixel.
  const int slack = 1 + (frame.width() - window.width()) / 2;
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), slack)
      << what << " at x " << frame.x() << ", " << frame.width() << " wide";
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), slack)
      << what << " at y " << frame.y() << ", " << frame.height() << " high";
  if (window.layout() != nullptr)
    EXPECT_EQ(window.size(), window.layout()->totalSizeHint()) << what << ": its final size";
}

} // namespace testplace
