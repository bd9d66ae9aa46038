// The choices of one migration run, shared by both replacers, the wizard and
// the expert.
#pragma once

#include <cstdint>
#include <string>

namespace tolvern {

// Where a run's files come from; stored in the settings as its number.
enum class RunSource : std::uint8_t {
  kProject = 0,  // the units of the project open in the environment
  kFolder = 1,   // the files of the disk folder Directory
};

class TRegIniFile;

class TReplaceOptions {
 public:
  explicit TReplaceOptions(std::string name) : Name(std::move(name)) {}

  // Name followed by " Migration Wizard": message box caption, settings
  // section, and (with " log") the log's title.
  std::string GetTitle() const;

  // Read and write the seven stored fields in the section; a missing value
  // keeps the field's current value.
  void LoadFromRegistry(TRegIniFile& reg, const std::string& section);
  void SaveToRegistry(TRegIniFile& reg, const std::string& section) const;

  std::string Name;
  RunSource Dest = RunSource::kProject;
  std::string Directory;
  bool IncludeSubDirs = false;
  bool MakeBackup = true;
  std::string BackupDir;
  bool WriteLog = true;
  std::string Units;  // project mode: file names, each followed by CR LF
  bool ViewLog = false;
  // Project mode: migrate too the units that the project's units use, that
  // stand in the project's folders and name the source classes, but that
  // the project file does not list (and those such units use, found the
  // same way). Without it they are named and left as they are.
  bool FollowUses = false;
  // Take the old library's units (DBTables, DBIProcs, DBITypes, DBIErrs and
  // BDE; ADODB) out of a uses clause where nothing left in the unit needs
  // them. Without it they stay, and each is listed as a to-do item.
  bool DropOldUnits = false;
  // Move the Paradox and dBASE tables of each alias whose table folder a
  // profile names ("data") into a SQL script and a SQLite database beside
  // the log. Never stored.
  bool MoveData = false;
  // Rewrite into the work folder only: no backup, undo file or log, and no
  // original replaced. Never stored.
  bool DryRun = false;
  // How many files are rewritten at once; 1 rewrites them one after the
  // other. The log, the undo file and the report are the same either way.
  // Never stored.
  int Jobs = 1;
  // Migrate read-only files too (no write permission; on Windows the
  // read-only attribute), which otherwise are left as they are and named:
  // in many shops read-only means "not checked out". A replaced file keeps
  // its read-only mode. Never stored.
  bool IncludeReadOnly = false;
  // The Windows code page the sources' 8-bit (ANSI) text is in, for what a
  // person or a tool reads of it (the HTML report, the SARIF list); the run
  // itself keeps those bytes as they are. 0: the system's. Never stored.
  int CodePage = 0;
};

}  // namespace tolvern
