#include "engine/run_files.h"

#include <utility>

namespace tolvern {

int RunFiles::Add(StringList& paths, const std::string& path) {
  if (paths.Count() != Count()) {
    files_.assign(static_cast<size_t>(paths.Count()), RunFile{});
    index_.clear();
    for (int i = 0; i < paths.Count(); ++i) {
      files_[static_cast<size_t>(i)].group = i;
      index_.emplace(paths[i], i);
    }
  }
  auto [at, added] = index_.emplace(path, paths.Count());
  if (!added) return at->second;
  paths.Add(path);
  RunFile f;
  f.group = at->second;
  files_.push_back(std::move(f));
  return at->second;
}

void RunFiles::Clear() {
  files_.clear();
  index_.clear();
}

int RunFiles::GroupOf(int i) {
  while ((*this)[i].group != i) {
    int& up = (*this)[i].group;
    up = (*this)[up].group;  // halves the path
    i = up;
  }
  return i;
}

void RunFiles::JoinGroups(int a, int b) {
  a = GroupOf(a);
  b = GroupOf(b);
  if (a != b) (*this)[b].group = a;
}

void RunFiles::ForEachPending(const std::function<void(int i, RunFile& f)>& visit) {
  for (int i = 0; i < Count(); ++i) {
    RunFile& f = (*this)[i];
    if (f.changed && !f.skipped) visit(i, f);
  }
}

}  // namespace tolvern
