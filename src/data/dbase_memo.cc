#include "data/dbase_memo.h"

#include "data/byte_reading.h"

namespace tolvern::data {

DbaseMemo::DbaseMemo(DbaseFlavor flavor, FileWindow file)
    : flavor_(flavor), file_(std::move(file)) {
  std::string_view head;
  std::string error;
  if (!file_.View(0, 22, &head, &error)) return;  // each value's read names the failure
  if (flavor_ == DbaseFlavor::kFoxPro && head.size() >= 8) {
    block_size_ = BigEndian(head, 6, 2);
    if (block_size_ == 0) block_size_ = 64;
  } else if (flavor_ != DbaseFlavor::kDbase3 && head.size() >= 22) {
    block_size_ = Le16(head, 20);
    if (block_size_ == 0) block_size_ = 512;
  }
}

bool DbaseMemo::Read(std::uint64_t block, std::string* value, std::string* error) {
  value->clear();
  std::uint64_t at = block * block_size_;
  auto fail = [&](const std::string& what) {
    *error = "memo offset " + std::to_string(at) + ": " + what;
    return false;
  };
  std::string why;
  std::string_view head;
  if (block == 0 || at >= file_.Size()) return fail("past the end of the memo file");
  if (!file_.View(at, 8, &head, &why)) return fail("cannot be read: " + why);
  if (flavor_ == DbaseFlavor::kFoxPro) {
    if (head.size() < 8) return fail("the value's header is cut short");
    std::string wrong = Take(at + 8, Be32(head, 4), value);
    return wrong.empty() || fail(wrong);
  }
  if (flavor_ != DbaseFlavor::kDbase3 && head.size() == 8 && Le32(head, 0) == 0x0008FFFF) {
    std::uint64_t length = Le32(head, 4);
    if (length < 8) return fail("the value is cut short");
    std::string wrong = Take(at + 8, length - 8, value);
    return wrong.empty() || fail(wrong);
  }
  // dBASE III: the text runs to the first end-of-file byte.
  for (std::uint64_t from = at; from < file_.Size();) {
    std::string_view piece;
    if (!file_.View(from, 4096, &piece, &why)) return fail("cannot be read: " + why);
    size_t end = piece.find('\x1A');
    value->append(piece.substr(0, end));
    if (end != std::string_view::npos || piece.empty()) break;
    from += piece.size();
  }
  return true;
}

std::string DbaseMemo::Take(std::uint64_t at, std::uint64_t length, std::string* value) {
  std::string_view bytes;
  std::string why;
  if (at + length > file_.Size()) return "the value is cut short";
  if (!file_.View(at, static_cast<size_t>(length), &bytes, &why)) return "cannot be read: " + why;
  if (bytes.size() < length) return "the value is cut short";
  value->assign(bytes);
  return "";
}

}  // namespace tolvern::data
