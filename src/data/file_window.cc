#include "data/file_window.h"

#include <algorithm>

namespace tolvern::data {
namespace {

constexpr std::uint64_t kWindow = 64 * 1024;
constexpr std::uint64_t kPiece = 256;

}  // namespace

FileWindow::FileWindow(std::unique_ptr<ReadableFile> file, Decipher decipher)
    : file_(std::move(file)), decipher_(std::move(decipher)), size_(file_->Size()) {}

bool FileWindow::View(std::uint64_t offset, size_t size, std::string_view* bytes,
                      std::string* error) {
  *bytes = {};
  if (offset >= size_ || size == 0) return true;
  std::uint64_t end = std::min<std::uint64_t>(offset + size, size_);
  if (offset < start_ || end > start_ + window_.size()) {
    std::uint64_t from = offset / kPiece * kPiece;
    std::uint64_t length = std::max(end - from, kWindow);
    length = (length + kPiece - 1) / kPiece * kPiece;
    if (!file_->ReadAt(from, static_cast<size_t>(length), &window_, error)) {
      window_.clear();
      return false;
    }
    start_ = from;
    if (decipher_) decipher_(&window_);
    // A file that shrank since it was opened ends where the read ended.
    end = std::min<std::uint64_t>(end, start_ + window_.size());
    if (offset >= end) return true;
  }
  *bytes = std::string_view(window_).substr(static_cast<size_t>(offset - start_),
                                            static_cast<size_t>(end - offset));
  return true;
}

}  // namespace tolvern::data
