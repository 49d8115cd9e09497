#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include <QString>
#include <QStringList>

#include "rindle/engine/IspEngine.h"

namespace rindle {

// What the options dialog's controls hold, without the widgets. A list row
// of -1 means no row is selected.
struct OptionsForm {
  enum Line { Sck, Mosi, Rst, Ben, Ss, Miso, LineCount };
  static constexpr int kOutputLines = 5; // Sck .. Ss use the data bits

  int port = -1; // cbPort: LPT1, LPT2, LPT3, Custom
  QString portText;
  bool portTextEnabled = false;
  std::array<int, LineCount> pin{-1, -1, -1, -1, -1, -1}; // data bit rows; MISO: I3..I7
  std::array<bool, LineCount> invert{};
  QString data;
  QString ctrl;
  bool verify = false;
  bool oscFlash = false;
  bool oscE2 = false;
};

// The rows of the lists, as the dialog shows them.
QStringList PortRows();
QStringList OutputPinRows();
QStringList MisoPinRows();

// The options dialog's logic: shows the stored port settings and options,
// applies or restores the wiring, and takes the three option boxes on close.
class OptionsModel {
public:
  static constexpr int kCustomRow = 3;

  explicit OptionsModel(IspEngine &engine);

  // Fills the form from the stored values. A stored mask that matches no
  // row leaves that list's row as it was.
  void FormShow(OptionsForm &form) const;
  // A new port row: the standard ports show their address in a locked
  // field; Custom shows the stored address, editable. Nothing is stored.
  void cbPortChange(OptionsForm &form) const;
  // Stores port, presets, pins and inversions in that order and writes the
  // presets to the port. A field that cannot be read throws ConversionError
  // with what was stored before it kept and nothing written to the port.
  void cmdApplyClick(OptionsForm &form);
  // Restores the default wiring and presets, writes the presets, and shows
  // them; the option boxes stay.
  void cmdDefaultClick(OptionsForm &form);
  // Closing, however it happens: the three option boxes are stored.
  void FormClose(const OptionsForm &form);

private:
  IspEngine &engine_;
};

// ---- What a port address reaches on this machine ----

// Where the diagnosis looks, and two hooks for tests: how the device file is
// opened (0 or an errno value), and whether this program itself holds the
// port at an address (the parport then lists it as claimed).
struct PortProbe {
  std::string procRoot = "/proc/sys/dev/parport";
  std::string deviceRoot = "/dev";
  std::function<int(const std::string &path)> tryOpen;
  std::function<bool(std::uint16_t base)> heldHere;
};

// One line: the device file that serves `base` and "ready", or why it cannot
// be used: "no such port", "permission denied (join the group <group> that
// owns <file>)" or "busy". Never blocks.
QString DiagnoseParallelPort(std::uint16_t base, const PortProbe &probe = {});

} // namespace rindle
