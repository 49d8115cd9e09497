#pragma once

// Hand-made AVR program files for the ELF reader's tests: an ELF header, the
// program header table and the segments' bytes, nothing else.

#include <elf.h>

#include <QByteArray>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rindle::testing {

struct ElfSegment {
  std::uint32_t address; // physical
  QByteArray bytes;
  std::uint32_t type = PT_LOAD;
};

inline QByteArray Bytes(int count, char first = 1) {
  QByteArray bytes(count, 0);
  for (int i = 0; i < count; ++i)
    bytes[i] = static_cast<char>(first + i);
  return bytes;
}

inline QByteArray MakeElf(const std::vector<ElfSegment> &segments,
                          std::uint16_t machine = EM_AVR) {
  Elf32_Ehdr header{};
  std::memcpy(header.e_ident, ELFMAG, SELFMAG);
  header.e_ident[EI_CLASS] = ELFCLASS32;
  header.e_ident[EI_DATA] = ELFDATA2LSB;
  header.e_ident[EI_VERSION] = EV_CURRENT;
  header.e_type = ET_EXEC;
  header.e_machine = machine;
  header.e_version = EV_CURRENT;
  header.e_phoff = sizeof header;
  header.e_ehsize = sizeof header;
  header.e_phentsize = sizeof(Elf32_Phdr);
  header.e_phnum = static_cast<Elf32_Half>(segments.size());
  QByteArray file(reinterpret_cast<const char *>(&header), sizeof header);
  auto offset = static_cast<std::uint32_t>(sizeof header + segments.size() * sizeof(Elf32_Phdr));
  QByteArray data;
  for (const ElfSegment &s : segments) {
    Elf32_Phdr ph{};
    ph.p_type = s.type;
    ph.p_offset = offset;
    ph.p_vaddr = s.address;
    ph.p_paddr = s.address;
    ph.p_filesz = static_cast<Elf32_Word>(s.bytes.size());
    ph.p_memsz = ph.p_filesz;
    ph.p_flags = PF_R;
    ph.p_align = 1;
    file.append(reinterpret_cast<const char *>(&ph), sizeof ph);
    data.append(s.bytes);
    offset += ph.p_filesz;
  }
  return file + data;
}

} // namespace rindle::testing
