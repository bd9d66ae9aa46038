#include "ide/project_host.h"

#include "files/file_utils.h"
#include "parsing/pascal_scanner.h"
#include "platform/disk.h"

namespace tolvern {

std::vector<std::string> ProjectHost::UnitPathsOf(const std::string& project_text) {
  std::vector<std::string> paths;
  TPasParser scanner(project_text);
  scanner.KeepQuotes = false;
  std::string token;
  int code;
  // Find the first uses clause.
  while ((code = scanner.GetNext(token)) != kTokEnd && code != kTokUses) {
  }
  bool after_in = false;
  while ((code = scanner.GetNext(token)) != kTokEnd && code != kTokSemicolon) {
    if (code == kTokIdent && SameText(token, "in")) {
      after_in = true;
    } else if (code == kTokString && after_in) {
      paths.push_back(token);
      after_in = false;
    } else if (code != kTokBlank && code != kTokComment) {
      after_in = false;
    }
  }
  return paths;
}

void ProjectHost::Load(const std::string& project_file) {
  std::string text = ReadWholeFile(disk_, project_file);
  std::string folder = ExtractFilePath(project_file);
  modules_.clear();
  folders_ = std::make_unique<FolderCache>(disk_);
  for (const std::string& written : UnitPathsOf(text)) {
    std::string path = ExpandPath(NativeSeparators(written), folder);
    std::string found = FindFileIgnoringCase(*folders_, path);
    modules_.push_back(found.empty() ? path : found);
  }
  project_file_ = project_file;
  open_ = true;
}

std::string ProjectHost::ProjectModuleFileName(int index) {
  if (index < 0 || index >= ProjectModuleCount()) return "";
  return modules_[static_cast<size_t>(index)];
}

bool ProjectHost::SaveProject() {
  calls_.push_back("SaveProject");
  return open_;
}

bool ProjectHost::CloseProjectGroup() {
  calls_.push_back("CloseProjectGroup");
  open_ = false;
  return true;
}

bool ProjectHost::OpenProject(const std::string& file_name) {
  calls_.push_back("OpenProject " + file_name);
  try {
    Load(file_name);
    return true;
  } catch (...) {
    return false;
  }
}

bool ProjectHost::ReloadFile(const std::string& file_name) {
  calls_.push_back("ReloadFile " + file_name);
  folders_.reset();  // the file's folder may hold other names now
  return true;
}

OpenModuleInfo ProjectHost::OpenModule(int index) {
  OpenModuleInfo info;
  info.file_name = ProjectModuleFileName(index);
  if (info.file_name.empty()) return info;
  info.file_count = 1;
  info.has_source_editor = true;
  info.owned_by_current_project = open_;
  const std::string form = ChangeFileExt(info.file_name, ".dfm");
  const std::string found =
      FindFileIgnoringCase(folders_ ? static_cast<Disk&>(*folders_) : disk_, form);
  if (!found.empty()) info.file_count = 2;
  return info;
}

void ProjectHost::ShowSourceEditor(int index) {
  calls_.push_back("ShowSourceEditor " + ProjectModuleFileName(index));
}

ScopedIdeServices::ScopedIdeServices(IdeServices* services) : previous_(BorlandIDEServices) {
  InstallIdeServices(services);
}

ScopedIdeServices::~ScopedIdeServices() { InstallIdeServices(previous_); }

}  // namespace tolvern
