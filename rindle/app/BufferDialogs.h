#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "common/Prompter.h"
#include "isp/core/HexFields.h"
#include "rindle/engine/IspEngine.h"

namespace rindle {

// Buffer cells of the selected device that the dialogs can reach: its flash
// and its EEPROM.
std::int32_t BufferTotal(const IspEngine &engine);

// ---- Display dialog ----

class BufferDisplayModel {
public:
  static constexpr int kRows = 16;
  static constexpr int kBytesPerRow = 16;

  BufferDisplayModel(IspEngine &engine, common::Prompter &prompter);

  // The scroll bar's maximum for the selected device: one step per row, the
  // last position showing the last full screen.
  int ScrollMaximum() const;
  // Row r (0..15) at a scroll position: " " and its address, and its bytes.
  QString RowHeading(int position, int row) const;
  QString CellText(int position, int row, int column) const;

  // Both ask first; true when they cleared. Clearing the flash drops the
  // program file name and recomputes the checksum; clearing the EEPROM drops
  // the EEPROM file name. A device without EEPROM is not asked about it.
  bool ClearFlash();
  bool ClearEeprom();

  // What the fill and edit dialogs start with.
  struct FillPreset {
    QString start, end, data;
  };
  FillPreset FillPresets() const;
  struct EditPreset {
    QString address, data;
  };
  EditPreset EditPresets() const;

private:
  std::int64_t RowAddress(int position, int row) const;

  IspEngine &engine_;
  common::Prompter &prompter_;
};

// ---- Fill dialog ----

class FillBufferFlow {
public:
  FillBufferFlow(IspEngine &engine, common::Prompter &prompter);

  // The OK button: fills start..end with data, or says why not.
  void btnOKClick(const QString &start, const QString &end, const QString &data);

  // Set when the buffer was filled; the display dialog clears it first.
  bool BufferEdited = false;

private:
  IspEngine &engine_;
  common::Prompter &prompter_;
};

// ---- Edit dialog ----

class EditBufferFlow {
public:
  EditBufferFlow(IspEngine &engine, common::Prompter &prompter);

  // What the two fields show after a step or an address entry.
  struct Fields {
    QString address, data;
  };

  // The OK button: stores the byte (when it differs) or says why not.
  void btnOKClick(const QString &address, const QString &data);
  // Stores the byte and steps one cell forward (after the last cell: to 0)
  // or back (before 0: the last cell). Nothing when a field cannot be used;
  // the reason has been shown.
  std::optional<Fields> IncrementAdr(const QString &address, const QString &data);
  std::optional<Fields> DecrementAdr(const QString &address, const QString &data);
  // Enter in the address field: the address rewritten and its byte, or
  // nothing when the address is out of range (shown; the dialog closes).
  // An unreadable address throws ConversionError.
  std::optional<Fields> EnterAddress(const QString &address);

  // Set when a byte that differs from the buffer was stored.
  bool BufferEdited = false;

private:
  // The address and data when both can be used; the reason shown otherwise.
  std::optional<std::pair<std::uint32_t, std::uint8_t>> ReadFields(const QString &address,
                                                                   const QString &data);
  void Store(std::uint32_t address, std::uint8_t data);
  std::optional<Fields> Step(const QString &address, const QString &data, int direction);
  Fields FieldsAt(std::uint32_t address) const;

  IspEngine &engine_;
  common::Prompter &prompter_;
};

} // namespace rindle
