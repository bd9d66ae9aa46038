#include "engine/originals_check.h"

#include <functional>
#include <set>
#include <string_view>
#include <vector>

#include "base/system_texts.h"
#include "platform/worker_pool.h"

namespace tolvern {

std::string OriginalsCheck::ChangedSinceRead(int i, const FileStamp& now) const {
  const RunFile& f = files_[i];
  if (!now.Matches(f.read)) return res::kChangedDuringRun;
  if (!f.hashed) return "";
  std::string bytes, why;
  if (!disk_.ReadFile(paths_[i], &bytes, &why))
    return "Cannot open file \"" + paths_[i] + "\" again. " + why;
  return std::hash<std::string_view>{}(bytes) == f.hash ? "" : res::kChangedDuringRun;
}

void OriginalsCheck::LeaveOutChanged(int threads) {
  // Each original is looked at on its own (on the pool when there is one);
  // the files left out are then named in the order of the list.
  std::vector<std::string> why(static_cast<size_t>(files_.Count()));
  auto look = [this, &why](int i) {
    FileStamp now;
    disk_.Stat(paths_[i], &now);
    why[static_cast<size_t>(i)] = ChangedSinceRead(i, now);
  };
  if (threads > 1) {
    WorkerPool pool(threads);
    files_.ForEachPending(
        [&pool, &look](int i, RunFile&) { pool.Submit([&look, i](int) { look(i); }); });
    pool.Finish();
  } else {
    files_.ForEachPending([&look](int i, RunFile&) { look(i); });
  }
  for (int i = 0; i < files_.Count(); ++i)
    if (!why[static_cast<size_t>(i)].empty()) skip_(i, why[static_cast<size_t>(i)]);
}

void OriginalsCheck::KeepGroupsTogether() {
  std::set<int> broken;
  for (int i = 0; i < files_.Count(); ++i)
    if (files_[i].skipped) broken.insert(files_.GroupOf(i));
  if (broken.empty()) return;
  files_.ForEachPending([this, &broken](int i, RunFile&) {
    if (!broken.count(files_.GroupOf(i))) return;
    // Name the first member that was left out.
    std::string other;
    for (int j = 0; j < files_.Count() && other.empty(); ++j)
      if (files_[j].skipped && files_.GroupOf(j) == files_.GroupOf(i)) other = paths_[j];
    skip_(i, res::Format(res::kPartnerNotMigrated, {other}));
  });
}

}  // namespace tolvern
