#include "rindle/app/BufferDialogs.h"

#include <algorithm>

#include "common/HexText.h"
#include "isp/core/FileCommands.h"

namespace rindle {

namespace hex = common::hex;

namespace {

constexpr std::uint32_t kByteMax = 0xFF;

QString EditCaption() { return QStringLiteral("EDIT BUFFER"); }
QString InvalidInput() { return QStringLiteral("Invalid Hex Data Input"); }
QString OutOfRange() { return QStringLiteral("Error Address Out of Range"); }

} // namespace

std::int32_t BufferTotal(const IspEngine &engine) {
  return engine.Device.FlashSize + engine.Device.EepromSize;
}

// ---- Display ----

BufferDisplayModel::BufferDisplayModel(IspEngine &engine, common::Prompter &prompter)
    : engine_(engine), prompter_(prompter) {}

int BufferDisplayModel::ScrollMaximum() const {
  const std::int32_t screen = kRows * kBytesPerRow;
  return std::max(0, (BufferTotal(engine_) - screen) / kBytesPerRow);
}

std::int64_t BufferDisplayModel::RowAddress(int position, int row) const {
  return (static_cast<std::int64_t>(position) + row) * kBytesPerRow;
}

QString BufferDisplayModel::RowHeading(int position, int row) const {
  return QLatin1Char(' ') +
         hex::AtLeast(static_cast<std::uint32_t>(RowAddress(position, row)) & 0xFFFF0u, 5);
}

QString BufferDisplayModel::CellText(int position, int row, int column) const {
  const std::int64_t address = RowAddress(position, row) + column;
  const auto cells = engine_.Buffer.all();
  if (address < 0 || address >= static_cast<std::int64_t>(cells.size()))
    return {};
  return hex::AtLeast(cells[static_cast<std::size_t>(address)], 2);
}

bool BufferDisplayModel::ClearFlash() {
  const ClearQuestion question{QStringLiteral("Confirm"),
                               QStringLiteral("Clear FLASH Data Buffer?"), true};
  if (!ClearProgramCells(prompter_, question,
                         CellRange(engine_.Buffer.all(), 0, engine_.Device.FlashSize),
                         engine_.ProgramFileName))
    return false;
  engine_.BufferChecksum();
  return true;
}

bool BufferDisplayModel::ClearEeprom() {
  if (engine_.Device.EepromSize == 0)
    return false;
  if (!prompter_.question(QStringLiteral("Confirm"), QStringLiteral("Clear EEPROM Data Buffer?"),
                          common::Prompter::Icon::Question, true))
    return false;
  engine_.ClearEepromArea();
  engine_.EepromFileName.clear();
  return true;
}

BufferDisplayModel::FillPreset BufferDisplayModel::FillPresets() const {
  const std::int32_t last = std::max(0, BufferTotal(engine_) - 1);
  return {hex::AtLeast(0, 5), hex::AtLeast(static_cast<std::uint32_t>(last), 5),
          hex::AtLeast(kBlankByte, 2)};
}

BufferDisplayModel::EditPreset BufferDisplayModel::EditPresets() const {
  return {hex::AtLeast(0, 5), hex::AtLeast(engine_.Buffer.all()[0], 2)};
}

// ---- Fill ----

FillBufferFlow::FillBufferFlow(IspEngine &engine, common::Prompter &prompter)
    : engine_(engine), prompter_(prompter) {}

void FillBufferFlow::btnOKClick(const QString &start, const QString &end, const QString &data) {
  if (FillCells(CellRange(engine_.Buffer.all(), 0, BufferTotal(engine_)), start, end, data,
                prompter_))
    BufferEdited = true;
}

// ---- Edit ----

EditBufferFlow::EditBufferFlow(IspEngine &engine, common::Prompter &prompter)
    : engine_(engine), prompter_(prompter) {}

std::optional<std::pair<std::uint32_t, std::uint8_t>>
EditBufferFlow::ReadFields(const QString &address, const QString &data) {
  const auto cell = hex::Parse(address);
  const auto value = hex::Parse(data);
  if (!cell || !value || *value > kByteMax) {
    prompter_.message(EditCaption(), InvalidInput(), common::Prompter::Icon::Error);
    return std::nullopt;
  }
  if (*cell >= static_cast<std::uint32_t>(std::max(0, BufferTotal(engine_)))) {
    prompter_.message(EditCaption(), OutOfRange(), common::Prompter::Icon::Warning);
    return std::nullopt;
  }
  return std::pair{*cell, static_cast<std::uint8_t>(*value)};
}

void EditBufferFlow::Store(std::uint32_t address, std::uint8_t data) {
  std::uint8_t &cell = engine_.Buffer.all()[address];
  if (cell != data) {
    cell = data;
    BufferEdited = true;
  }
}

EditBufferFlow::Fields EditBufferFlow::FieldsAt(std::uint32_t address) const {
  return {hex::AtLeast(address, 5), hex::AtLeast(engine_.Buffer.all()[address], 2)};
}

void EditBufferFlow::btnOKClick(const QString &address, const QString &data) {
  if (const auto fields = ReadFields(address, data))
    Store(fields->first, fields->second);
}

std::optional<EditBufferFlow::Fields> EditBufferFlow::Step(const QString &address,
                                                           const QString &data, int direction) {
  const auto fields = ReadFields(address, data);
  if (!fields)
    return std::nullopt;
  Store(fields->first, fields->second);
  const auto total = static_cast<std::int64_t>(BufferTotal(engine_));
  const std::int64_t next = (static_cast<std::int64_t>(fields->first) + direction + total) % total;
  return FieldsAt(static_cast<std::uint32_t>(next));
}

std::optional<EditBufferFlow::Fields> EditBufferFlow::IncrementAdr(const QString &address,
                                                                   const QString &data) {
  return Step(address, data, +1);
}

std::optional<EditBufferFlow::Fields> EditBufferFlow::DecrementAdr(const QString &address,
                                                                   const QString &data) {
  return Step(address, data, -1);
}

std::optional<EditBufferFlow::Fields> EditBufferFlow::EnterAddress(const QString &address) {
  const std::uint32_t cell = ReadHexOrThrow(address);
  if (cell >= static_cast<std::uint32_t>(std::max(0, BufferTotal(engine_)))) {
    prompter_.message(EditCaption(), OutOfRange(), common::Prompter::Icon::Warning);
    return std::nullopt;
  }
  return FieldsAt(cell);
}

} // namespace rindle
