// The chip state file: a text file that a person can read and diff.
//
//   isp-chip-state 1
//   device ATmega8
//   fuses E1 D9 FF
//   lock FF
//   calibration A6 B1 9C 8D
//   flash 8192
//   <the bytes as hexadecimal, 32 to a line>
//   eeprom 512
//   ...
//   usersig 0
//   check 1A2B3C4D        CRC-32 of every line above, newlines included
#include "sim/isp/Bench.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sim::isp {

namespace {

constexpr const char *kMagic = "isp-chip-state 1";
constexpr std::size_t kBytesPerLine = 32;
constexpr std::uintmax_t kLargestFile = 4u << 20;

std::uint32_t Crc32(std::string_view text) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : text) {
    crc ^= c;
    for (int k = 0; k < 8; ++k)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Hex2(std::string &out, std::uint8_t b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[b >> 4];
  out += kDigits[b & 15];
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// Reads the file line by line; every failure throws a message.
class Reader {
public:
  explicit Reader(const std::string &text) : text_(text) {}

  std::string line() {
    if (pos_ >= text_.size())
      throw std::string("the file ends too early");
    const std::size_t end = text_.find('\n', pos_);
    if (end == std::string::npos)
      throw std::string("the last line is incomplete");
    std::string l = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++number_;
    return l;
  }

  // "key value..." with the key checked; returns the rest.
  std::string keyed(const std::string &key) {
    std::string l = line();
    if (l.rfind(key + " ", 0) != 0)
      throw "line " + std::to_string(number_) + " should begin with \"" + key + "\"";
    return l.substr(key.size() + 1);
  }

  std::vector<std::uint8_t> hexBytes(const std::string &text, std::size_t count) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] == ' ') {
        ++i;
        continue;
      }
      const int hi = HexDigit(text[i]);
      const int lo = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
      if (hi < 0 || lo < 0)
        throw "line " + std::to_string(number_) + " holds a value that is not hexadecimal";
      bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
      i += 2;
    }
    if (bytes.size() != count)
      throw "line " + std::to_string(number_) + " should hold " + std::to_string(count) + " values";
    return bytes;
  }

  void memory(const std::string &key, std::span<std::uint8_t> into) {
    const std::string size = keyed(key);
    if (size != std::to_string(into.size()))
      throw "the " + key + " size " + size + " does not fit the chip (" +
          std::to_string(into.size()) + ")";
    for (std::size_t at = 0; at < into.size(); at += kBytesPerLine) {
      const std::size_t n = std::min(kBytesPerLine, into.size() - at);
      const auto bytes = hexBytes(line(), n);
      std::copy(bytes.begin(), bytes.end(), into.begin() + static_cast<std::ptrdiff_t>(at));
    }
  }

  std::size_t position() const { return pos_; }
  bool atEnd() const { return pos_ == text_.size(); }

private:
  const std::string &text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

} // namespace

std::string Bench::saveState(const std::string &path) const {
  if (!chip_)
    return "No chip to save";
  const Chip &c = *chip_;
  std::string text = std::string(kMagic) + "\n";
  text += "device " + std::string(c.model().name) + "\n";
  text += "fuses ";
  for (int i = 0; i < 3; ++i) {
    Hex2(text, c.fuse(static_cast<FuseIndex>(i)));
    text += i < 2 ? " " : "\n";
  }
  text += "lock ";
  Hex2(text, c.lockByte());
  text += "\ncalibration ";
  const auto &cal = c.calibration();
  for (std::size_t i = 0; i < cal.size(); ++i) {
    Hex2(text, cal[i]);
    text += i + 1 < cal.size() ? " " : "\n";
  }
  const std::array<std::pair<const char *, Memory>, 3> areas{
      {{"flash", Memory::Flash}, {"eeprom", Memory::Eeprom}, {"usersig", Memory::UserSignature}}};
  for (const auto &[key, which] : areas) {
    const auto bytes = c.memory(which);
    text += std::string(key) + " " + std::to_string(bytes.size()) + "\n";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      Hex2(text, bytes[i]);
      if (i % kBytesPerLine == kBytesPerLine - 1 || i + 1 == bytes.size())
        text += "\n";
    }
  }
  char check[16];
  std::snprintf(check, sizeof check, "%08X", Crc32(text));
  text += "check " + std::string(check) + "\n";

  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return "Cannot write the chip state file " + path;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return "Cannot write the chip state file " + path;
  }
  return {};
}

std::string Bench::loadState(const std::string &path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error)
    return "Cannot read the chip state file " + path;
  if (size > kLargestFile)
    return "The chip state file " + path + " is damaged: it is too large";
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    if (!in)
      return "Cannot read the chip state file " + path;
    text = all.str();
  }

  std::unique_ptr<Chip> loaded;
  try {
    Reader r(text);
    if (r.line() != kMagic)
      throw std::string("it is not a chip state file");
    const std::string device = r.keyed("device");
    const ChipModel *model = FindChipModel(device);
    if (!model)
      throw "the device \"" + device + "\" is unknown";
    loaded = std::make_unique<Chip>(*model);
    const auto fuses = r.hexBytes(r.keyed("fuses"), 3);
    for (int i = 0; i < 3; ++i)
      loaded->setFuse(static_cast<FuseIndex>(i), fuses[static_cast<std::size_t>(i)]);
    loaded->setLockByte(r.hexBytes(r.keyed("lock"), 1)[0]);
    const auto cal = r.hexBytes(r.keyed("calibration"), 4);
    std::copy(cal.begin(), cal.end(), loaded->calibration().begin());
    r.memory("flash", loaded->flash());
    r.memory("eeprom", loaded->eeprom());
    r.memory("usersig", loaded->userSignature());
    const std::size_t checked = r.position();
    const auto sum = r.hexBytes(r.keyed("check"), 4);
    const std::uint32_t expected = static_cast<std::uint32_t>(sum[0]) << 24 |
                                   static_cast<std::uint32_t>(sum[1]) << 16 |
                                   static_cast<std::uint32_t>(sum[2]) << 8 | sum[3];
    if (Crc32(std::string_view(text).substr(0, checked)) != expected)
      throw std::string("its check sum does not match its contents");
    if (!r.atEnd())
      throw std::string("there is text after the check sum");
  } catch (const std::string &why) {
    return "The chip state file " + path + " is damaged: " + why;
  }
  chip_ = std::move(loaded);
  updateTarget();
  return {};
}

} // namespace sim::isp
