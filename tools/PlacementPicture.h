#pragma once

#include <QImage>

namespace tools {

// The "Device Position" picture: a 40-pin ZIF socket seen from above with its
// lever at the top left, and a DIP chip of chipPins pins seated at the lever
// end with pin 1 at the top left (its notch and pin-1 dot towards the lever).
// Drawn without text, so no fonts are needed at build time.
inline constexpr int kSocketPins = 40;
QImage drawPlacement(int chipPins);

// "40pin" -> 40; 0 when the name does not say a pin count the socket takes.
int pinsFromPlacementName(const QString &name);

} // namespace tools
