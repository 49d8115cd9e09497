#include "rindle/data/TextLines.h"

#include <algorithm>
#include <cstring>

namespace rindle::files {

namespace {
constexpr qint64 kChunk = 65536;
}

TextLines::TextLines(QIODevice &device, qsizetype cap) : device_(device), cap_(cap) {}

bool TextLines::fill() {
  if (eof_ || failed_)
    return false;
  // Read into the same array each time, and no more than a file has left:
  // a short file then costs no 64 KiB buffer. A sequential device may not
  // know what is coming, so it is asked for a whole chunk.
  qint64 want = kChunk;
  if (!device_.isSequential())
    want = std::clamp<qint64>(device_.bytesAvailable(), 1, kChunk);
  chunk_.resize(qsizetype(want));
  const qint64 got = device_.read(chunk_.data(), want);
  chunk_.resize(qsizetype(std::max<qint64>(got, 0)));
  pos_ = 0;
  nextCr_ = nextLf_ = -1;
  if (chunk_.isEmpty()) {
    // Nothing read before the end of the device is a read error.
    if (got < 0 || !device_.atEnd())
      failed_ = true;
    eof_ = true;
    return false;
  }
  return true;
}

qsizetype TextLines::lineEnd() {
  // The next CR and the next LF in the chunk, each found with memchr and
  // kept until the lines pass it; the chunk's size when there is none.
  const char *data = chunk_.constData();
  const qsizetype size = chunk_.size();
  const auto find = [&](char c) {
    const void *at = std::memchr(data + pos_, c, std::size_t(size - pos_));
    return at ? static_cast<const char *>(at) - data : size;
  };
  if (nextCr_ < pos_)
    nextCr_ = find('\r');
  if (nextLf_ < pos_)
    nextLf_ = find('\n');
  return std::min(nextCr_, nextLf_);
}

bool TextLines::next(QByteArray &line) {
  // The array keeps its room from line to line; a line with nothing in it
  // comes back as a null array, as ever.
  line.resize(0);
  const auto done = [&line](bool result) {
    if (line.isEmpty())
      line.clear();
    return result;
  };
  bool any = false;
  for (;;) {
    if (pos_ >= chunk_.size() && !fill())
      break;
    if (skipLf_) {
      skipLf_ = false;
      if (chunk_[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    any = true;
    const char *data = chunk_.constData();
    const qsizetype end = lineEnd();
    const qsizetype room = cap_ - line.size();
    if (room > 0)
      line.append(data + pos_, std::min(end - pos_, room));
    if (end < chunk_.size()) {
      skipLf_ = data[end] == '\r';
      pos_ = end + 1;
      ++lineNumber_;
      return done(true);
    }
    pos_ = end;
  }
  if (failed_ || !any)
    return done(false);
  ++lineNumber_; // a last line without a line end
  return done(true);
}

} // namespace rindle::files
