#include "rindle/data/ElfFile.h"

#include <algorithm>
#include <memory>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <gelf.h>
#include <libelf.h>

#include "rindle/data/IspBuffer.h"

namespace rindle::files {

namespace {

// One loadable segment with bytes in the file.
struct Segment {
  std::uint64_t address; // physical
  std::uint64_t size;
  std::uint64_t offset;
};

QString Hex(std::uint64_t value) {
  return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

QString Count(std::int64_t value) {
  return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(value));
}

QString Byte(std::uint8_t value) {
  return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

ElfRead Refused(QString reason) { return {std::move(reason), {}}; }

struct ElfCloser {
  void operator()(Elf *elf) const { elf_end(elf); }
};

std::int64_t ChunkBytes(const std::vector<ElfChunk> &chunks) {
  std::int64_t total = 0;
  for (const ElfChunk &c : chunks)
    total += static_cast<std::int64_t>(c.bytes.size());
  return total;
}

std::int64_t ChunkEnd(const std::vector<ElfChunk> &chunks) {
  std::int64_t end = 0;
  for (const ElfChunk &c : chunks)
    end = std::max(end, static_cast<std::int64_t>(c.address) +
                            static_cast<std::int64_t>(c.bytes.size()));
  return end;
}

void WriteChunks(const std::vector<ElfChunk> &chunks, std::span<std::uint8_t> area) {
  for (const ElfChunk &c : chunks) {
    const auto target = CellRange(area, c.address, static_cast<std::int64_t>(c.bytes.size()));
    std::copy_n(c.bytes.begin(), target.size(), target.begin());
  }
}

// Places one segment's bytes in the image by its physical address; a reason
// when the segment belongs to no memory or does not fit its region.
QString Place(ElfImage &image, const Segment &s, const std::uint8_t *data) {
  const std::uint64_t end = s.address + s.size;
  const auto bytes = [&] { return std::vector<std::uint8_t>(data, data + s.size); };
  const QString where = QStringLiteral("%1 to %2").arg(Hex(s.address), Hex(end - 1));
  if (end <= kElfFlashEnd) {
    image.flash.push_back({static_cast<std::uint32_t>(s.address), bytes()});
    return {};
  }
  if (s.address >= kElfEepromBase && end <= kElfEepromBase + kElfEepromRoom) {
    image.eeprom.push_back({static_cast<std::uint32_t>(s.address - kElfEepromBase), bytes()});
    return {};
  }
  if (s.address >= kElfFuseBase && s.address < kElfLockBase) {
    if (end > kElfFuseBase + kElfFuseBytes)
      return QStringLiteral("the fuse data (%1) hold more than the three fuse bytes low, high "
                            "and extended")
          .arg(where);
    for (std::uint64_t i = 0; i < s.size; ++i)
      image.fuses.at(s.address - kElfFuseBase + i) = data[i];
    return {};
  }
  if (s.address >= kElfLockBase && s.address < kElfSignatureBase) {
    if (s.address != kElfLockBase || s.size != 1)
      return QStringLiteral("the lock data (%1) are not the one lock byte at %2")
          .arg(where, Hex(kElfLockBase));
    image.lock = data[0];
    return {};
  }
  if (s.address >= kElfSignatureBase && s.address < kElfSignatureBase + 0x10000) {
    if (s.address != kElfSignatureBase || s.size != 3)
      return QStringLiteral("the signature data (%1) are not the three signature bytes at %2")
          .arg(where, Hex(kElfSignatureBase));
    // The C library writes the signature last byte first.
    image.signature = std::array<std::uint8_t, 3>{data[2], data[1], data[0]};
    return {};
  }
  return QStringLiteral("the data at %1 belong to no memory this programmer writes (flash, "
                        "EEPROM, fuses, lock bits or signature)")
      .arg(where);
}

// Why data up to `end` do not fit a memory of `size` bytes; empty when they do.
QString Beyond(std::int64_t end, std::int64_t size, const QString &memory, const QString &device) {
  if (end <= size)
    return {};
  return QStringLiteral("its %1 data reach %2, beyond the %3 bytes of the %4's %1")
      .arg(memory, Hex(static_cast<std::uint64_t>(end - 1)), Count(size), device);
}

// The area blank, then the chunks in it.
void FillArea(std::span<std::uint8_t> area, const std::vector<ElfChunk> &chunks) {
  std::ranges::fill(area, kBlankByte);
  WriteChunks(chunks, area);
}

// libelf's own words for what it could not read.
QString DamagedHeaders() {
  const char *why = elf_errmsg(-1);
  return QStringLiteral("its headers are damaged or cut short (%1)")
      .arg(why != nullptr ? QString::fromLocal8Bit(why) : QStringLiteral("no details"));
}

} // namespace

// ---- Image ----

std::int64_t ElfImage::FlashBytes() const { return ChunkBytes(flash); }
std::int64_t ElfImage::EepromBytes() const { return ChunkBytes(eeprom); }
std::int64_t ElfImage::FlashEnd() const { return ChunkEnd(flash); }
std::int64_t ElfImage::EepromEnd() const { return ChunkEnd(eeprom); }

std::size_t ElfImage::FuseBytesUsed() const {
  for (std::size_t n = fuses.size(); n > 0; --n)
    if (fuses[n - 1])
      return n;
  return 0;
}

std::int32_t ElfImage::PackedSignature() const {
  if (!signature)
    return 0;
  const auto &s = *signature;
  return (std::int32_t{s[0]} << 16) | (std::int32_t{s[1]} << 8) | std::int32_t{s[2]};
}

// ---- Reading ----

ElfRead ReadElf(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < EI_NIDENT || !std::equal(bytes.begin(), bytes.begin() + SELFMAG, ELFMAG))
    return Refused(QStringLiteral("it is not an ELF file"));
  if (bytes[EI_CLASS] != ELFCLASS32 || bytes[EI_DATA] != ELFDATA2LSB)
    return Refused(QStringLiteral("it is not a 32-bit little-endian ELF file, as AVR programs are"));

  // libelf may convert data in the image it is given; it gets a copy.
  std::vector<char> copy(bytes.begin(), bytes.end());
  elf_version(EV_CURRENT);
  const std::unique_ptr<Elf, ElfCloser> elf(elf_memory(copy.data(), copy.size()));
  if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
    return Refused(DamagedHeaders());
  GElf_Ehdr header;
  if (gelf_getehdr(elf.get(), &header) == nullptr)
    return Refused(DamagedHeaders());
  if (header.e_machine != EM_AVR)
    return Refused(QStringLiteral("it is a program for another machine than the AVR (ELF machine %1)")
                       .arg(header.e_machine));
  std::size_t headers = 0;
  if (elf_getphdrnum(elf.get(), &headers) != 0)
    return Refused(DamagedHeaders());

  std::vector<Segment> segments;
  for (std::size_t i = 0; i < headers; ++i) {
    GElf_Phdr ph;
    if (gelf_getphdr(elf.get(), static_cast<int>(i), &ph) == nullptr)
      return Refused(DamagedHeaders());
    if (ph.p_type != PT_LOAD || ph.p_filesz == 0)
      continue; // nothing in the file to program
    if (ph.p_offset > bytes.size() || ph.p_filesz > bytes.size() - ph.p_offset)
      return Refused(QStringLiteral("it is cut short: a segment for %1 needs bytes up to %2, the "
                                    "file has %3")
                         .arg(Hex(ph.p_paddr), Count(static_cast<std::int64_t>(ph.p_offset) +
                                                     static_cast<std::int64_t>(ph.p_filesz)),
                              Count(static_cast<std::int64_t>(bytes.size()))));
    if (ph.p_paddr > UINT32_MAX || ph.p_filesz > UINT32_MAX - ph.p_paddr)
      return Refused(QStringLiteral("a segment at %1 reaches past the AVR's address space")
                         .arg(Hex(ph.p_paddr)));
    segments.push_back({ph.p_paddr, ph.p_filesz, ph.p_offset});
  }
  if (segments.empty())
    return Refused(QStringLiteral("it holds no loadable data"));

  std::ranges::sort(segments, {}, &Segment::address);
  for (std::size_t i = 1; i < segments.size(); ++i) {
    const Segment &a = segments[i - 1];
    const Segment &b = segments[i];
    if (a.address + a.size > b.address)
      return Refused(QStringLiteral("its segments at %1 (%2 bytes) and %3 (%4 bytes) overlap")
                         .arg(Hex(a.address), Count(static_cast<std::int64_t>(a.size)),
                              Hex(b.address), Count(static_cast<std::int64_t>(b.size))));
  }
  ElfRead read;
  for (const Segment &s : segments) {
    if (QString reason = Place(read.image, s, bytes.data() + s.offset); !reason.isEmpty())
      return Refused(std::move(reason));
  }
  return read;
}

ElfRead ReadElfFile(const QString &fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return Refused(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
  if (file.size() > kElfMaxFileBytes)
    return Refused(QStringLiteral("it is %1 bytes long, too long for an AVR program")
                       .arg(Count(file.size())));
  const QByteArray content = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return Refused(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
  return ReadElf(std::span(reinterpret_cast<const std::uint8_t *>(content.constData()),
                           static_cast<std::size_t>(content.size())));
}

// ---- Fitting and taking ----

QString ElfPartRefusal(const ElfImage &image, ElfPart part, const ElfTarget &target) {
  switch (part) {
  case ElfPart::Flash:
    return Beyond(image.FlashEnd(), target.flashSize, QStringLiteral("flash"), target.device);
  case ElfPart::Eeprom:
    if (image.eeprom.empty())
      return {};
    if (target.eepromSize == 0)
      return QStringLiteral("it has EEPROM data, and the %1 has no EEPROM").arg(target.device);
    return Beyond(image.EepromEnd(), target.eepromSize, QStringLiteral("EEPROM"), target.device);
  case ElfPart::Fuses:
    if (image.FuseBytesUsed() > target.fuseCount)
      return QStringLiteral("it has %1 fuse bytes, and the %2 has %3")
          .arg(image.FuseBytesUsed())
          .arg(target.device)
          .arg(target.fuseCount);
    return {};
  case ElfPart::Lock: return {};
  }
  return {};
}

QString ElfRefusal(const ElfImage &image, const ElfTarget &target, std::span<const ElfPart> parts) {
  for (ElfPart part : parts)
    if (QString reason = ElfPartRefusal(image, part, target); !reason.isEmpty())
      return reason;
  return {};
}

void TakeElfFlash(const ElfImage &image, std::span<std::uint8_t> buffer, std::int64_t flashSize) {
  FillArea(CellRange(buffer, 0, flashSize), image.flash);
}

void TakeElfEeprom(const ElfImage &image, std::span<std::uint8_t> buffer, std::int64_t flashSize,
                   std::int64_t eepromSize) {
  if (image.eeprom.empty())
    return;
  FillArea(CellRange(buffer, flashSize, eepromSize), image.eeprom);
}

// ---- Texts ----

QString ElfTakenText(const ElfImage &image) {
  const QString none = QStringLiteral("-");
  QStringList fuses;
  for (std::size_t i = 0; i < image.FuseBytesUsed(); ++i)
    fuses << (image.fuses[i] ? Byte(*image.fuses[i]) : none);
  return QStringLiteral("flash %1, EEPROM %2, fuses %3, lock %4")
      .arg(image.flash.empty() ? none : Count(image.FlashBytes()) + QStringLiteral(" bytes"),
           image.eeprom.empty() ? none : Count(image.EepromBytes()),
           fuses.isEmpty() ? none : fuses.join(u' '), image.lock ? Byte(*image.lock) : none);
}

QString ElfNotLoaded(const QString &fileName, const QString &reason) {
  return QStringLiteral("%1 not loaded:\r%2").arg(QFileInfo(fileName).fileName(), reason);
}

QString SignatureBytesText(std::int32_t packed) {
  return QStringLiteral("%1 %2 %3")
      .arg(Byte(static_cast<std::uint8_t>(packed >> 16)),
           Byte(static_cast<std::uint8_t>(packed >> 8)), Byte(static_cast<std::uint8_t>(packed)));
}

} // namespace rindle::files
