#include "engine/component_replacer.h"

#include <algorithm>
#include <vector>

#include "files/file_utils.h"
#include "ide/ide_utils.h"
#include "parsing/nx_form_parser.h"
#include "platform/disk.h"
#include "platform/errors.h"
#include "platform/background_writer.h"
#include "platform/large_stack.h"
#include "platform/shell.h"
#include "wizard/zuvezod_res.h"

namespace tolvern {

namespace {

// Runs a clean-up step when the scope is left, also by an exception.
template <typename F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() {
    if (armed_) f_();
  }
  void Run() {
    if (armed_) f_();
    armed_ = false;
  }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  F f_;
  bool armed_ = true;
};

bool HasExtension(const std::string& path, const char* ext1, const char* ext2) {
  std::string ext = UpperCase(ExtractFileExt(path));
  return ext == ext1 || ext == ext2;
}

}  // namespace

TComponentReplacer::TComponentReplacer(const std::string& source_unit, std::string new_units,
                                       TReplaceOptions* options)
    : TComponentReplacer([] { return std::make_unique<TNXFormParser>(); }, source_unit,
                         std::move(new_units), options) {}

TComponentReplacer::TComponentReplacer(FormParserClass parser_class,
                                       const std::string& source_unit, std::string new_units,
                                       TReplaceOptions* options)
    : OldUnit(UpperCase(source_unit)),
      NewUnits(std::move(new_units)),
      ObjectParser(parser_class()),
      Options(options) {
  ObjectParser->OnGetConnection = [this](const std::string& prop, const std::string& value) {
    return GetDatabaseConnection(prop, value);
  };
  Log.SetTitle(Options->GetTitle() + res::kLogTitleSuffix);
  Log.SetTimestampCaption(res::kLogTimestampCaption);
  Log.SetDoubleSpacing(true);
}

void TComponentReplacer::AddReplacement(const std::string& old_class,
                                        const std::string& new_class) {
  int index = NewNames.Add(new_class);
  OldNames.Add(old_class, index);
  if (old_class.empty()) return;
  unsigned char c = static_cast<unsigned char>(old_class[0]);
  old_first_[c] = true;
  if (c < 128) old_first_[static_cast<unsigned char>(c ^ 0x20)] = true;  // the other case
  old_min_len_ = std::min(old_min_len_, old_class.size());
  old_max_len_ = std::max(old_max_len_, old_class.size());
}

int TComponentReplacer::FindOldName(std::string_view ident) const {
  if (ident.size() < old_min_len_ || ident.size() > old_max_len_ ||
      !old_first_[static_cast<unsigned char>(ident[0])])
    return -1;
  return OldNames.IndexOf(ident);
}

std::string TComponentReplacer::FindReplacement(const std::string& old_class) const {
  int i = old_class.empty() ? -1 : FindOldName(old_class);
  return i < 0 ? std::string() : NewNames[OldNames.Object(i)];
}

std::string TComponentReplacer::GetReplacement(const std::string&, const std::string& new_name) {
  return new_name;
}

bool TComponentReplacer::Execute() {
  UndoList.Clear();
  undo_index_.clear();
  ChangedCount = 0;
  Cancelled = false;
  const bool project_mode = Options->Dest == 0;
  const bool dry_run = Options->DryRun;
  const bool details = Report.details;
  Report = RunReport{project_mode ? "project" : "folder", OldUnit == "ADODB" ? "ADODB" : "DBTables",
                     dry_run, {}, details};
  std::string log_path;
  if (Options->WriteLog && !dry_run) {
    std::string folder = project_mode ? ExtractFilePath(TIDEUtils::GetProjectFileName())
                                      : Options->Directory;
    log_path = PathJoin(folder, res::kLogFileName);
    Log.Open(log_path);
  }
  Finally close_log([this] { Log.Close(); });

  InitUnitList();
  Finally clear_units([this] { UnitList.Clear(); });

  if (!dry_run) CreateBackupFolder();

  Log.WriteLine(res::kAllocatingTempFolder);
  const std::string temp_dir = CreateTempFolder(res::kTempPrefix, 1);
  // Without a work folder the output would land in the current folder.
  if (temp_dir.empty()) throw EFCreateError(res::kFailedToCreateTemp);
  Finally remove_temp([&temp_dir] { RemoveFolder(temp_dir); });

  // The rewritten files are written while the next ones are rewritten; a
  // caller that reads each one as it comes (OnFileChanged) gets them at once.
  std::unique_ptr<BackgroundWriter> writer;
  if (!OnFileChanged) writer = std::make_unique<BackgroundWriter>();
  writer_ = writer.get();
  struct DetachWriter {
    BackgroundWriter*& w;
    ~DetachWriter() { w = nullptr; }
  } detach{writer_};

  DatabaseMap.Clear();
  LearnUnitClasses();
  forced_.clear();
  backup_forced_.clear();
  const int initial_count = UnitList.Count();
  // In project mode the forms that the units named are scanned for database
  // names before any of them is converted.
  bool scan_pending = project_mode;
  const std::string dir_prefix = PathJoin(Options->Directory, "");
  for (int i = 0; i < UnitList.Count();) {
    const std::string file = UnitList[i];
    std::string rel_path;
    if (!project_mode) {
      rel_path = file.compare(0, dir_prefix.size(), dir_prefix) == 0
                     ? file.substr(dir_prefix.size())
                     : ExtractFileName(file);
      // Each sub-folder is made once per run.
      if (forced_.insert(ExtractFilePath(rel_path)).second)
        ForceFolders(PathJoin(temp_dir, ExtractFilePath(rel_path)));
    }
    if (scan_pending && i >= initial_count) {
      ScanFormDatabases(file);
      if (i == UnitList.Count() - 1) {
        scan_pending = false;
        i = initial_count;
      } else {
        ++i;
      }
      continue;
    }
    if (CancelRequested && CancelRequested()) {
      Cancelled = true;
      break;
    }
    if (OnProgress) OnProgress(i, UnitList.Count(), file);
    int before = ChangedCount;
    const std::string dest_dir = PathJoin(temp_dir, ExtractFilePath(rel_path));
    ProcessFile(file, dest_dir);
    if (ChangedCount > before) {
      if (OnFileChanged) OnFileChanged(file, PathJoin(dest_dir, ExtractFileName(file)));
      if (Options->MakeBackup && !dry_run) BackupOriginal(i, rel_path);
    }
    ++i;
  }

  if (writer) writer->Finish();  // every rewritten file is in the work folder
  if (!Cancelled && CancelRequested && CancelRequested()) Cancelled = true;
  if (Cancelled) {
    // Nothing outside the work folder has changed but new backups: the
    // originals stay as they are.
    Log.WriteLine(res::kRunCancelled);
    return false;
  }
  if (OnReplacingOriginals && !dry_run) OnReplacingOriginals();

  // The undo file is written before any original is replaced, so that a run
  // cut short while copying back can still be undone.
  std::string undo_path;
  if (Options->MakeBackup && !dry_run) {
    undo_path = PathJoin(Options->BackupDir, res::kUndoFileName);
    WriteUndoFile(undo_path);
  }
  bool copied = dry_run || ReplaceOriginalFiles(temp_dir);
  if (Options->MakeBackup) Log.WriteLine(res::Format(res::kBackupFile, {undo_path}));
  Log.WriteLine(res::kRemovingTempFolder);
  remove_temp.Run();
  clear_units.Run();
  Log.WriteLine(copied ? res::kReplaceSucceeded : res::kReplaceFailed);
  close_log.Run();
  if (Options->WriteLog && Options->ViewLog && !dry_run) ShellOpen(log_path);
  return copied;
}

void TComponentReplacer::InitUnitList() {
  Log.WriteLine(res::kInitUnitList);
  UnitList.Clear();
  if (Options->Dest != 0) {
    AddFolderUnits(Options->Directory, Options->IncludeSubDirs);
    return;
  }
  UnitList.SetText(Options->Units);
  // The first line of each name, found in constant time for large projects.
  std::unordered_map<std::string, int> line_of;
  for (int i = 0; i < UnitList.Count(); ++i) line_of.emplace(UpperCase(UnitList[i]), i);
  int count = TIDEUtils::GetProjectModuleCount();
  for (int m = 0; m < count; ++m) {
    std::string module;
    TIDEUtils::GetProjectModuleFileName(m, module);
    if (module.size() < 4 || UpperCase(module.substr(module.size() - 4)) != ".PAS") continue;
    auto line = line_of.find(UpperCase(ExtractFileName(module)));
    if (line == line_of.end()) continue;
    UnitList.Set(line->second, module);
    line_of.erase(line);  // the line now holds a path, no longer the name
  }
}

void TComponentReplacer::AddFolderUnits(const std::string& folder, bool recursive) {
  std::vector<DirEntry> entries;
  CurrentDisk().List(folder, &entries);
  for (const DirEntry& e : entries) {
    std::string path = PathJoin(folder, e.name);
    if (e.is_dir) {
      if (recursive) AddFolderUnits(path, true);
    } else if (HasExtension(e.name, ".PAS", ".DPR")) {
      UnitList.Add(path);
    }
  }
}

void TComponentReplacer::LearnUnitClasses() {
  Descendants.Clear();
  for (int i = 0; i < UnitList.Count(); ++i) {
    std::string text, why;
    const std::string bytes = ReadWholeFile(UnitList[i]);
    if (DecodeText(bytes, DetectEncoding(bytes), &text, &why)) LearnClassDeclarations(text);
  }
}

void TComponentReplacer::CreateBackupFolder() {
  if (!Options->MakeBackup) return;
  Log.WriteLine(res::kCreatingBackupFolder);
  if (!ForceFolders(Options->BackupDir)) throw EFCreateError(res::kFailedToCreateDirectory);
}

void TComponentReplacer::BackupOriginal(int i, const std::string& rel_path) {
  const std::string& file = UnitList[i];
  std::string backup;
  if (Options->Dest != 0) {
    if (backup_forced_.insert(ExtractFilePath(rel_path)).second)
      ForceFolders(PathJoin(Options->BackupDir, ExtractFilePath(rel_path)));
    backup = MakeBackupName(PathJoin(Options->BackupDir, rel_path));
  } else {
    backup = PathJoin(Options->BackupDir, ExtractFileName(MakeBackupName(file)));
  }
  if (!CurrentDisk().BackupFile(file, backup))
    throw EBackupError(res::Format(res::kFailedToBackUp, {file, backup}));
  // As UndoList.SetValue, with the lines found by name in constant time.
  std::string line = file + "=" + backup;
  auto [at, added] = undo_index_.emplace(UpperCase(file), UndoList.Count());
  if (added)
    UndoList.Add(std::move(line));
  else
    UndoList.Set(at->second, std::move(line));
}

void TComponentReplacer::ProcessFile(const std::string& file_name, const std::string& dest_dir) {
  Log.WriteLine(res::Format(res::kProcessingFile, {file_name}));
  std::string bytes = ReadWholeFile(file_name);
  std::string dest_path = PathJoin(dest_dir, ExtractFileName(file_name));
  std::string why;
  if (!HasExtension(file_name, ".PAS", ".DPR")) {
    FormFileData form;
    if (!ReadFormFile(file_name, bytes, &form, &why)) {
      Log.WriteLine(res::Format(res::kInvalidEncoding, {file_name, why}));
      Log.WriteLine(res::kNoChanges);
      FileReport& f = ReportFile(file_name, "text-form", form.Encoding);
      f.outcome = "skipped";
      f.note = why;
      return;
    }
    bytes.clear();
    // All objects of the form are parsed on one private stack.
    RunOnLargeStack(std::size_t{1} << 30, [&] { ReplaceInForm(form, file_name, dest_path); });
    return;
  }
  TextEncoding encoding = DetectEncoding(bytes);
  std::string text;
  if (!DecodeText(bytes, encoding, &text, &why)) {
    Log.WriteLine(res::Format(res::kInvalidEncoding, {file_name, why}));
    Log.WriteLine(res::kNoChanges);
    FileReport& f = ReportFile(file_name, HasExtension(file_name, ".DPR", ".DPR") ? "project" : "unit",
                               encoding);
    f.outcome = "skipped";
    f.note = why;
    return;
  }
  bytes.clear();
  ReplaceInUnit(text, file_name, encoding, dest_path);
}

bool TComponentReplacer::ReplaceOriginalFiles(const std::string& temp_dir) {
  if (ChangedCount > 0) Log.WriteLine(res::kReplacingOriginals);
  std::vector<std::string> failures;
  Disk& disk = CurrentDisk();
  if (Options->Dest == 0) {
    for (int i = 0; i < UnitList.Count(); ++i) {
      const std::string& original = UnitList[i];
      std::string changed = PathJoin(temp_dir, ExtractFileName(original));
      if (disk.FileExists(changed) && !disk.MoveFile(changed, original))
        failures.push_back(original);
    }
  } else {
    MoveFolderFiles(temp_dir, Options->Directory, &failures);
  }
  for (const std::string& f : failures) Log.WriteLine(res::Format(res::kFailedToCopyBack, {f}));
  return failures.empty();
}

void TComponentReplacer::WriteUndoFile(const std::string& undo_path) {
  WriteWholeFile(undo_path, UndoList.Text());
}

FileReport& TComponentReplacer::ReportFile(const std::string& path, const char* kind,
                                           TextEncoding encoding) {
  Report.files.push_back({path, kind, EncodingName(encoding), 0, "unchanged", "", {}, {}, 0, 0});
  return Report.files.back();
}

void TComponentReplacer::WriteOutput(const std::string& path, std::string data) {
  if (writer_)
    writer_->Submit(path, std::move(data));
  else
    WriteNewWholeFile(path, data);
}

void TComponentReplacer::LogChanges(int changes) {
  Log.WriteLine(changes > 0 ? std::to_string(changes) + res::kChanges : res::kNoChanges);
}

}  // namespace tolvern
