#include "rindle/app/OptionsModel.h"

#include "common/DeviceGroup.h"

#include <cerrno>
#include <fstream>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/HexText.h"
#include "common/PpdevPort.h"
#include "rindle/app/BufferDialogs.h"

namespace rindle {

namespace hex = common::hex;

namespace {

constexpr std::array<std::uint16_t, 3> kStandardBases{kLpt1Base, kLpt2Base, kLpt3Base};
constexpr int kDataBits = 8;
constexpr std::uint16_t kFirstMisoMask = 0x08; // I3
constexpr int kMisoRows = 5;                   // I3 .. I7
constexpr std::uint16_t kControlBits = 0x0F;

std::uint16_t MaskOfRow(OptionsForm::Line line, int row) {
  const std::uint16_t first = line == OptionsForm::Miso ? kFirstMisoMask : 1;
  return static_cast<std::uint16_t>(first << row);
}

int RowOfMask(OptionsForm::Line line, std::uint16_t mask) {
  const int rows = line == OptionsForm::Miso ? kMisoRows : kDataBits;
  for (int row = 0; row < rows; ++row)
    if (MaskOfRow(line, row) == mask)
      return row;
  return -1;
}

int RowOfBase(std::uint16_t base) {
  for (std::size_t i = 0; i < kStandardBases.size(); ++i)
    if (kStandardBases[i] == base)
      return static_cast<int>(i);
  return OptionsModel::kCustomRow;
}

// Where each line's mask and invert value live, in the order of
// OptionsForm::Line.
struct LineFields {
  std::uint16_t PortSettings::*mask;
  std::uint16_t PortSettings::*invert;
};
constexpr std::array<LineFields, OptionsForm::LineCount> kLineFields{{
    {&PortSettings::SckMask, &PortSettings::SckInvert},
    {&PortSettings::MosiMask, &PortSettings::MosiInvert},
    {&PortSettings::RstMask, &PortSettings::RstInvert},
    {&PortSettings::BenMask, &PortSettings::BenInvert},
    {&PortSettings::SsMask, &PortSettings::SsInvert},
    {&PortSettings::MisoMask, &PortSettings::MisoInvert},
}};

template <class Settings>
auto &MaskIn(Settings &p, OptionsForm::Line line) {
  return p.*kLineFields[static_cast<std::size_t>(line)].mask;
}

template <class Settings>
auto &InvertIn(Settings &p, OptionsForm::Line line) {
  return p.*kLineFields[static_cast<std::size_t>(line)].invert;
}

} // namespace

QStringList PortRows() {
  return {QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
          QStringLiteral("Custom")};
}

QStringList OutputPinRows() {
  QStringList rows;
  for (int bit = 0; bit < kDataBits; ++bit)
    rows << QStringLiteral("D%1  (%2)").arg(bit).arg(bit + 2);
  return rows;
}

QStringList MisoPinRows() {
  return {QStringLiteral("I3   (15)"), QStringLiteral("I4   (13)"), QStringLiteral("I5   (12)"),
          QStringLiteral("I6   (10)"), QStringLiteral("I7   (11)")};
}

OptionsModel::OptionsModel(IspEngine &engine) : engine_(engine) {}

void OptionsModel::FormShow(OptionsForm &form) const {
  const PortSettings &p = engine_.Port;
  form.port = RowOfBase(p.PortBase);
  form.portText = hex::AtLeast(p.PortBase, 4);
  form.portTextEnabled = form.port == kCustomRow;
  form.data = hex::AtLeast(p.DataPortValue, 2);
  form.ctrl = hex::AtLeast(p.ControlPortValue, 2);
  for (int i = 0; i < OptionsForm::LineCount; ++i) {
    const auto line = static_cast<OptionsForm::Line>(i);
    const std::uint16_t mask = MaskIn(p, line);
    if (const int row = RowOfMask(line, mask); row >= 0)
      form.pin[i] = row;
    form.invert[i] =
        line == OptionsForm::Miso ? MisoInvertTicked(mask, p.MisoInvert) : InvertIn(p, line) != 0;
  }
  form.verify = engine_.AutoVerify;
  form.oscFlash = engine_.SaveOscCalToFlash;
  form.oscE2 = engine_.SaveOscCalToEeprom;
}

void OptionsModel::cbPortChange(OptionsForm &form) const {
  const bool custom = form.port < 0 || form.port >= static_cast<int>(kStandardBases.size());
  form.portText = hex::AtLeast(
      custom ? engine_.Port.PortBase : kStandardBases[static_cast<std::size_t>(form.port)], 4);
  form.portTextEnabled = custom;
}

void OptionsModel::cmdApplyClick(OptionsForm &form) {
  PortSettings &p = engine_.Port;
  if (form.port == kCustomRow)
    p.PortBase = static_cast<std::uint16_t>(ReadHexOrThrow(form.portText));
  else if (form.port >= 0 && form.port < kCustomRow)
    p.PortBase = kStandardBases[static_cast<std::size_t>(form.port)];
  p.DataPortValue = static_cast<std::uint16_t>(ReadHexOrThrow(form.data));
  p.ControlPortValue = static_cast<std::uint16_t>(ReadHexOrThrow(form.ctrl) & kControlBits);
  form.ctrl = hex::AtLeast(p.ControlPortValue, 2);
  for (int i = 0; i < OptionsForm::LineCount; ++i) {
    const auto line = static_cast<OptionsForm::Line>(i);
    const int rows = line == OptionsForm::Miso ? kMisoRows : kDataBits;
    if (form.pin[i] >= 0 && form.pin[i] < rows)
      MaskIn(p, line) = MaskOfRow(line, form.pin[i]);
  }
  for (int i = 0; i < OptionsForm::LineCount; ++i) {
    const auto line = static_cast<OptionsForm::Line>(i);
    const std::uint16_t mask = MaskIn(p, line);
    InvertIn(p, line) = line == OptionsForm::Miso ? MisoInvertFor(mask, form.invert[i])
                                                  : (form.invert[i] ? mask : 0);
  }
  engine_.ApplyPortOptions();
}

void OptionsModel::cmdDefaultClick(OptionsForm &form) {
  engine_.DefaultPortOptions();
  OptionsForm shown = form;
  FormShow(shown);
  // The option boxes are not the wiring: they keep what the user ticked.
  shown.verify = form.verify;
  shown.oscFlash = form.oscFlash;
  shown.oscE2 = form.oscE2;
  form = shown;
}

void OptionsModel::FormClose(const OptionsForm &form) {
  engine_.AutoVerify = form.verify;
  engine_.SaveOscCalToFlash = form.oscFlash;
  engine_.SaveOscCalToEeprom = form.oscE2;
}

// ---- Port diagnosis ----

namespace {

int OpenForProbe(const std::string &path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return errno;
  ::close(fd);
  return 0;
}

// The pardevice holding the port, as the kernel lists it; empty when unknown.
std::string ActiveClaimant(const std::string &procRoot, int number) {
  std::ifstream in(procRoot + "/parport" + std::to_string(number) + "/devices/active");
  std::string name;
  in >> name;
  return name;
}

} // namespace

QString DiagnoseParallelPort(std::uint16_t base, const PortProbe &probe) {
  const std::optional<int> number = common::PpdevPort::ParportNumberFor(base, probe.procRoot);
  if (!number)
    return hex::AtLeast(base, 4) + QStringLiteral(": no such port");
  const std::string path = probe.deviceRoot + "/parport" + std::to_string(*number);
  const QString file = QString::fromStdString(path);
  const int error = probe.tryOpen ? probe.tryOpen(path) : OpenForProbe(path);
  switch (error) {
  case 0: break;
  case EACCES:
  case EPERM:
    return file + QStringLiteral(": permission denied (join the group %1 that owns %2)")
                      .arg(QString::fromStdString(common::DeviceGroup(path)), file);
  case EBUSY: return file + QStringLiteral(": busy");
  default: // ENOENT, ENXIO, ENODEV: no port behind the name
    return file + QStringLiteral(": no such port");
  }
  const std::string claimant = ActiveClaimant(probe.procRoot, *number);
  const bool heldHere = probe.heldHere && probe.heldHere(base);
  if (!claimant.empty() && claimant != "none" && !heldHere)
    return file + QStringLiteral(": busy");
  return file + QStringLiteral(": ready");
}

} // namespace rindle
