// The real disk's files opened for reading at offsets, on Windows.
#include "platform/disk.h"

#ifdef _WIN32

#include <algorithm>

#include "platform/disk_win_io.h"
#include "platform/windows_api.h"

namespace tolvern {
namespace {

class WinReadable : public ReadableFile {
 public:
  WinReadable(HANDLE h, std::uint64_t size) : h_(h), size_(size) {}
  ~WinReadable() override { ::CloseHandle(h_); }
  WinReadable(const WinReadable&) = delete;
  WinReadable& operator=(const WinReadable&) = delete;
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, size_t size, std::string* data, std::string* error) override {
    data->resize(size);
    size_t len = 0;
    while (len < size) {
      // The offset goes with each read, so no file position is shared.
      OVERLAPPED at{};
      std::uint64_t from = offset + len;
      at.Offset = static_cast<DWORD>(from);
      at.OffsetHigh = static_cast<DWORD>(from >> 32);
      DWORD n = 0;
      DWORD want = static_cast<DWORD>(std::min<size_t>(size - len, 1u << 30));
      if (!::ReadFile(h_, data->data() + len, want, &n, &at)) {
        DWORD code = ::GetLastError();
        if (code == ERROR_HANDLE_EOF) break;
        data->clear();
        return win::Fail(error, code);
      }
      if (n == 0) break;
      len += n;
    }
    data->resize(len);
    return true;
  }

 private:
  HANDLE h_;
  std::uint64_t size_;
};

}  // namespace

std::unique_ptr<ReadableFile> RealDisk::OpenRead(const std::string& path, std::string* error) {
  std::wstring wide = WidePath(path);
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (error) *error = "is a folder";
    return nullptr;
  }
  // Others may go on reading, writing or renaming the file meanwhile, as
  // they could while an editor has it open.
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    win::Fail(error, ::GetLastError());
    return nullptr;
  }
  // A device (CON, NUL, a serial port) or a pipe is no table.
  LARGE_INTEGER size{};
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    if (error) *error = "not a regular file";
    return nullptr;
  }
  if (!::GetFileSizeEx(h, &size)) {
    DWORD code = ::GetLastError();
    ::CloseHandle(h);
    win::Fail(error, code);
    return nullptr;
  }
  return std::make_unique<WinReadable>(h, static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace tolvern
#endif  // _WIN32
