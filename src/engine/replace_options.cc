#include "engine/replace_options.h"

#include "base/system_texts.h"
#include "platform/settings_store.h"

namespace tolvern {

std::string TReplaceOptions::GetTitle() const { return Name + res::kTitleSuffix; }

void TReplaceOptions::LoadFromRegistry(TRegIniFile& reg, const std::string& section) {
  Dest = static_cast<RunSource>(reg.ReadInteger(section, "Dest", static_cast<int>(Dest)) & 0xFF);
  Directory = reg.ReadString(section, "Directory", Directory);
  IncludeSubDirs = reg.ReadBool(section, "IncludeSubDirs", IncludeSubDirs);
  MakeBackup = reg.ReadBool(section, "MakeBackup", MakeBackup);
  WriteLog = reg.ReadBool(section, "WriteLog", WriteLog);
  ViewLog = reg.ReadBool(section, "ViewLog", ViewLog);
  FollowUses = reg.ReadBool(section, "FollowUses", FollowUses);
  DropOldUnits = reg.ReadBool(section, "DropOldUnits", DropOldUnits);
}

void TReplaceOptions::SaveToRegistry(TRegIniFile& reg, const std::string& section) const {
  reg.WriteInteger(section, "Dest", static_cast<int>(Dest));
  reg.WriteString(section, "Directory", Directory);
  reg.WriteBool(section, "IncludeSubDirs", IncludeSubDirs);
  reg.WriteBool(section, "MakeBackup", MakeBackup);
  reg.WriteBool(section, "WriteLog", WriteLog);
  reg.WriteBool(section, "ViewLog", ViewLog);
  reg.WriteBool(section, "FollowUses", FollowUses);
  reg.WriteBool(section, "DropOldUnits", DropOldUnits);
}

}  // namespace tolvern
