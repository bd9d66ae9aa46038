#include "data/dbase_memo.h"

#include "data/byte_reading.h"

namespace tolvern::data {

DbaseMemo::DbaseMemo(DbaseFlavor flavor, std::string file)
    : flavor_(flavor), file_(std::move(file)) {
  if (flavor_ == DbaseFlavor::kFoxPro && file_.size() >= 8) {
    block_size_ = BigEndian(file_, 6, 2);
    if (block_size_ == 0) block_size_ = 64;
  } else if (flavor_ != DbaseFlavor::kDbase3 && file_.size() >= 22) {
    block_size_ = Le16(file_, 20);
    if (block_size_ == 0) block_size_ = 512;
  }
}

bool DbaseMemo::Read(std::uint64_t block, std::string* value, std::string* error) const {
  value->clear();
  std::uint64_t at = block * block_size_;
  auto fail = [&](const std::string& what) {
    *error = "memo offset " + std::to_string(at) + ": " + what;
    return false;
  };
  if (block == 0 || at >= file_.size()) return fail("past the end of the memo file");
  if (flavor_ == DbaseFlavor::kFoxPro) {
    if (at + 8 > file_.size()) return fail("the value's header is cut short");
    std::uint64_t length = Be32(file_, at + 4);
    if (at + 8 + length > file_.size()) return fail("the value is cut short");
    value->assign(file_, at + 8, length);
    return true;
  }
  if (flavor_ != DbaseFlavor::kDbase3 && at + 8 <= file_.size() && Le32(file_, at) == 0x0008FFFF) {
    std::uint64_t length = Le32(file_, at + 4);
    if (length < 8 || at + length > file_.size()) return fail("the value is cut short");
    value->assign(file_, at + 8, length - 8);
    return true;
  }
  // dBASE III: the text runs to the first end-of-file byte.
  size_t end = file_.find('\x1A', at);
  if (end == std::string::npos) end = file_.size();
  value->assign(file_, at, end - at);
  return true;
}

}  // namespace tolvern::data
