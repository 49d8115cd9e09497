#include "isp/core/FuseBoxes.h"

#include <stdexcept>
#include <utility>

namespace rindle {

namespace {

constexpr int kBootLockTopBit = 5;
constexpr int kFuseTopBit = 7;
constexpr std::uint16_t kLb1 = 0x01;
constexpr std::uint16_t kLb2 = 0x02;

QString Prefix(FuseBoxes::Column column) {
  switch (column) {
  case FuseBoxes::Column::BootLock: return QStringLiteral("chkBL");
  case FuseBoxes::Column::Extended: return QStringLiteral("chkEF");
  case FuseBoxes::Column::High: return QStringLiteral("chkHF");
  case FuseBoxes::Column::Low: break;
  }
  return QStringLiteral("chkLF");
}

std::uint16_t &ByteOf(FuseBoxes::Bytes &bytes, FuseBoxes::Column column) {
  switch (column) {
  case FuseBoxes::Column::BootLock: return bytes.lock;
  case FuseBoxes::Column::Extended: return bytes.extended;
  case FuseBoxes::Column::High: return bytes.high;
  case FuseBoxes::Column::Low: break;
  }
  return bytes.low;
}

} // namespace

FuseBoxes::Column FuseBoxes::ColumnOf(std::size_t index) {
  if (index < kBootLockBoxes)
    return Column::BootLock;
  return static_cast<Column>(1 + (index - kBootLockBoxes) / kFuseBits);
}

int FuseBoxes::RowOf(std::size_t index) {
  if (index < kBootLockBoxes)
    return static_cast<int>(index);
  return static_cast<int>((index - kBootLockBoxes) % kFuseBits);
}

int FuseBoxes::BitOf(std::size_t index) {
  return (index < kBootLockBoxes ? kBootLockTopBit : kFuseTopBit) - RowOf(index);
}

std::size_t FuseBoxes::IndexOf(Column column, int bit) {
  if (column == Column::BootLock) {
    if (bit < kBootLockTopBit - int(kBootLockBoxes) + 1 || bit > kBootLockTopBit)
      throw std::out_of_range("no boot lock box for this bit");
    return static_cast<std::size_t>(kBootLockTopBit - bit);
  }
  if (bit < 0 || bit > kFuseTopBit)
    throw std::out_of_range("no fuse box for this bit");
  return kBootLockBoxes + (static_cast<std::size_t>(column) - 1) * kFuseBits +
         static_cast<std::size_t>(kFuseTopBit - bit);
}

FuseBoxes::FuseBoxes() {
  for (std::size_t i = 0; i < kBoxCount; ++i) {
    boxes_[i].name = Prefix(ColumnOf(i)) + QString::number(BitOf(i));
    boxes_[i].caption = QStringLiteral(" -");
  }
  const std::array<const char *, kBootLockBoxes> bootLock{" BLB12", " BLB11", " BLB02", " BLB01"};
  for (std::size_t i = 0; i < kBootLockBoxes; ++i)
    boxes_[i].caption = QString::fromLatin1(bootLock[i]);
}

void FuseBoxes::ShowBit(Column column, int bit, const QString &name, bool enabled) {
  Box &box = at(column, bit);
  box.caption = QLatin1Char(' ') + (name.isEmpty() ? QStringLiteral("-") : name);
  box.enabled = enabled && !name.isEmpty();
}

void FuseBoxes::EnableBootLock(bool enabled) {
  for (std::size_t i = 0; i < kBootLockBoxes; ++i)
    boxes_[i].enabled = enabled;
}

void FuseBoxes::Refresh(const Bytes &bytes) {
  Bytes values = bytes;
  for (std::size_t i = 0; i < kBoxCount; ++i)
    boxes_[i].checked = (ByteOf(values, ColumnOf(i)) & (1u << BitOf(i))) == 0;
}

FuseBoxes::Bytes FuseBoxes::Build(std::uint16_t lockBits) const {
  Bytes bytes{0, 0, 0, 0};
  for (std::size_t i = 0; i < kBoxCount; ++i) {
    if (!boxes_[i].checked) {
      std::uint16_t &byte = ByteOf(bytes, ColumnOf(i));
      byte = static_cast<std::uint16_t>(byte | (1u << BitOf(i)));
    }
  }
  if ((lockBits & kLb2) == 0)
    bytes.lock |= kLb2;
  if ((lockBits & kLb1) == 0)
    bytes.lock |= kLb1;
  return bytes;
}

void FuseBoxes::ShowLayout(const DeviceFuseLayout &layout) {
  for (const auto &[column, bits] :
       {std::pair<Column, const FuseByteLayout &>{Column::Extended, layout.extended},
        {Column::High, layout.high},
        {Column::Low, layout.low}}) {
    for (int b = 0; b < int(kFuseBits); ++b) {
      const FuseBit &bit = bits[static_cast<std::size_t>(b)];
      ShowBit(column, b,
              QString::fromLatin1(bit.name.data(), static_cast<qsizetype>(bit.name.size())),
              bit.enabled);
    }
  }
  EnableBootLock(layout.bootLockEnabled);
}

} // namespace rindle
