#include "platform/readable_file.h"

#include <algorithm>

namespace tolvern {
namespace {

class Bytes : public ReadableFile {
 public:
  explicit Bytes(std::string bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, size_t size, std::string* data, std::string*) override {
    data->clear();
    if (offset < bytes_.size())
      data->assign(bytes_, static_cast<size_t>(offset),
                   std::min<std::uint64_t>(size, bytes_.size() - offset));
    return true;
  }

 private:
  std::string bytes_;
};

}  // namespace

std::unique_ptr<ReadableFile> ReadableBytes(std::string bytes) {
  return std::make_unique<Bytes>(std::move(bytes));
}

}  // namespace tolvern
