#include "orvane/ui/BufferRoundTrip.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

namespace {

// Writes all of data; the system's error number on failure, else 0.
int writeWhole(const QString &path, const std::uint8_t *data, std::size_t size) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    return errno;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      const int code = errno;
      ::close(fd);
      return code;
    }
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 ? 0 : errno;
}

// Deletes the file when it goes out of scope, however the scope is left.
class RemoveOnExit {
public:
  explicit RemoveOnExit(QString path) : path_(std::move(path)) {}
  ~RemoveOnExit() { QFile::remove(path_); }
  RemoveOnExit(const RemoveOnExit &) = delete;
  RemoveOnExit &operator=(const RemoveOnExit &) = delete;

private:
  QString path_;
};

} // namespace

BufferRoundTripResult
ViewBufferThroughFile(LoaderBuffer &buffer, const QString &tempPath,
                      const std::function<bool(const QString &)> &showDialog) {
  BufferRoundTripResult result;
  const RemoveOnExit cleanup(tempPath);
  if (const int code = writeWhole(tempPath, buffer.ImageArea.data(), buffer.ImageArea.size())) {
    result.error = QStringLiteral("I/O error %1").arg(code);
    return result;
  }
  result.shown = true;
  if (!showDialog(tempPath))
    return result;
  QFile f(tempPath);
  if (!f.open(QIODevice::ReadOnly)) {
    result.error = QStringLiteral("Cannot read \"%1\". %2").arg(tempPath, f.errorString());
    return result;
  }
  const QByteArray back = f.read(kImageSize);
  std::copy(back.begin(), back.end(), buffer.ImageArea.begin());
  result.accepted = true;
  return result;
}

} // namespace orvane
