// The real disk's files opened for reading at offsets, on POSIX systems.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/disk.h"
#include "platform/posix_io.h"

namespace tolvern {
namespace {

class PosixReadable : public ReadableFile {
 public:
  PosixReadable(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~PosixReadable() override { ::close(fd_); }
  PosixReadable(const PosixReadable&) = delete;
  PosixReadable& operator=(const PosixReadable&) = delete;
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, size_t size, std::string* data, std::string* error) override {
    data->resize(size);
    size_t len = 0;
    while (len < size) {
      ssize_t n = ::pread(fd_, data->data() + len, size - len, static_cast<off_t>(offset + len));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        if (error) *error = posix::ErrnoText();
        data->clear();
        return false;
      }
      if (n == 0) break;
      len += static_cast<size_t>(n);
    }
    data->resize(len);
    return true;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

}  // namespace

std::unique_ptr<ReadableFile> RealDisk::OpenRead(const std::string& path, std::string* error) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer forever.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = posix::ErrnoText();
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    if (error) *error = posix::ErrnoText();
    ::close(fd);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    if (error) *error = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixReadable>(fd, static_cast<std::uint64_t>(st.st_size));
}

}  // namespace tolvern
#endif  // !_WIN32
