#pragma once

// What every fuzz target shares: a check that stops the run with a reason
// (libFuzzer keeps the input as a crash), the input cut into a few choices
// and the rest, and a Qt application object for the parsers that need one.
#include <QByteArray>
#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#define FUZZ_CHECK(cond, what)                                                                     \
  do {                                                                                             \
    if (!(cond)) {                                                                                 \
      std::fprintf(stderr, "%s:%d: property broken: %s (%s)\n", __FILE__, __LINE__, what, #cond);  \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

// A target's own checks over large buffers are no code to explore: left
// without libFuzzer's comparison tracing they cost a memcmp, not a traced
// call per byte.
#if defined(__clang__)
#define FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))
#else
#define FUZZ_UNTRACED
#endif

namespace fuzz {

// Takes choices from the front of the input; the rest is the file or reply.
class Input {
public:
  Input(const std::uint8_t *data, std::size_t size) : bytes_(data, size) {}

  // One byte, or 0 when the input has run out.
  std::uint8_t byte() {
    if (bytes_.empty())
      return 0;
    const std::uint8_t b = bytes_.front();
    bytes_ = bytes_.subspan(1);
    return b;
  }
  std::uint16_t word() { return std::uint16_t(byte() | byte() << 8); }
  bool flag() { return byte() & 1; }
  // Up to n bytes.
  QByteArray take(std::size_t n) {
    n = std::min(n, bytes_.size());
    const QByteArray out(reinterpret_cast<const char *>(bytes_.data()), qsizetype(n));
    bytes_ = bytes_.subspan(n);
    return out;
  }
  QByteArray rest() { return take(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }

private:
  std::span<const std::uint8_t> bytes_;
};

// A QCoreApplication for the whole run, made on first use.
inline void EnsureApplication() {
  if (QCoreApplication::instance())
    return;
  static int argc = 1;
  static char name[] = "fuzz";
  static char *argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

} // namespace fuzz
