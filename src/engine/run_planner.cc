#include "engine/run_planner.h"

#include <algorithm>
#include <unordered_map>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "base/string_list.h"
#include "base/system_texts.h"
#include "platform/disk.h"

namespace tolvern {

namespace {
bool IsUnitOrProject(const std::string& name) {
  const std::string ext = UpperCase(ExtractFileExt(name));
  return ext == ".PAS" || ext == ".DPR";
}
}  // namespace

std::vector<PlannedFile> RunPlanner::Plan() {
  plan_.clear();
  if (options_.Dest == RunSource::kProject)
    AddProjectUnits();
  else
    AddFolderUnits(options_.Directory, options_.IncludeSubDirs);
  return std::move(plan_);
}

void RunPlanner::AddProjectUnits() {
  StringList chosen;
  chosen.SetText(options_.Units);
  // Each line takes the next project module of its name, so that two units
  // of one name in different folders are both found; the lines of each name
  // are found in constant time for large projects.
  std::unordered_map<std::string, std::vector<int>> lines_of;
  for (int i = chosen.Count() - 1; i >= 0; --i) lines_of[UpperCase(chosen[i])].push_back(i);
  std::vector<std::string> paths(static_cast<size_t>(chosen.Count()));
  const int count = project_ ? project_->ProjectModuleCount() : 0;
  for (int m = 0; m < count; ++m) {
    const std::string module = project_->ProjectModuleFileName(m);
    if (module.size() < 4 || UpperCase(module.substr(module.size() - 4)) != ".PAS") continue;
    auto line = lines_of.find(UpperCase(ExtractFileName(module)));
    if (line == lines_of.end() || line->second.empty()) continue;
    paths[static_cast<size_t>(line->second.back())] = module;
    line->second.pop_back();
  }
  for (int i = 0; i < chosen.Count(); ++i) {
    const std::string& path = paths[static_cast<size_t>(i)];
    // A name that is no module of the project is not looked for in the
    // current folder, where an unrelated file of that name may stand.
    if (path.empty())
      plan_.push_back({chosen[i], res::kNotInProject});
    else
      plan_.push_back({path, ""});
  }
  // The project file itself, after the units: its uses clause and its code
  // name the source classes as a unit's do.
  const std::string project_file = project_ ? project_->ProjectFileName() : std::string();
  if (!project_file.empty()) plan_.push_back({project_file, ""});
}

void RunPlanner::AddFolderUnits(const std::string& folder, bool recursive) {
  std::vector<DirEntry> entries;
  std::string why;
  // A listing that fails part way is no listing: none of the folder's units
  // is taken (the forms of those it gave could not be looked for), and the
  // folder is named.
  if (!disk_.List(folder, &entries, &why)) {
    if (why.empty()) why = "cannot be read";
    plan_.push_back({folder, res::Format(res::kCannotListFolder, {why}), false});
    return;
  }
  // The system lists a folder in an order of its own (the order of creation,
  // of a hash): taken by name, letter case ignored, the same tree gives the
  // same log, to-do list and undo file on every machine. Names that differ
  // only in case (on a system that tells them apart) keep a fixed order too.
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    const int c = CompareText(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  for (const DirEntry& e : entries) {
    std::string path = PathJoin(folder, e.name);
    if (e.is_dir) {
      if (recursive) AddFolderUnits(path, true);
    } else if (IsUnitOrProject(e.name)) {
      plan_.push_back({path, ""});
    }
  }
}

}  // namespace tolvern
