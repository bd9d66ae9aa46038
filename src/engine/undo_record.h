// The record of what a run wrote over each original it replaced: size and
// SHA-256 of the migrated text, kept in a file beside the undo file
// ("ZUvezod.reu.written" beside "ZUvezod.reu"). The undo file itself keeps
// its format, so older undo files, which have no record, still restore.
// Restore reads the record to tell the run's own text from a later edit,
// and to refuse a line for a file the run never replaced.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/string_list.h"

namespace tolvern {

// A text known by its size and SHA-256.
struct TextDigest {
  std::uint64_t size = 0;
  std::string sha256;

  static TextDigest Of(std::string_view data);
  bool Matches(std::string_view data) const;
  bool Known() const { return !sha256.empty(); }
};

struct WrittenText {
  std::uint64_t size = 0;
  std::string sha256;
  // Where the original was a link, the file it named: the run wrote there,
  // and the link stayed.
  std::string link_target;
  // What the run backed up (unknown in a record of an older version).
  TextDigest backup;
  // The run created the file; false for a file it replaced, and for every
  // file of a record of an older version, which does not say.
  bool created = false;

  bool Matches(std::string_view data) const;
};

// The undo file's text: first the folders the run wrote in, a line
// "#folder=PATH" each (restore writes and removes nothing outside them),
// then "original=backup" a line each ("path=" for a file the run created).
// extra_folders: folders written through a link, beside those of the lines.
std::string UndoFileText(const StringList& lines, const std::vector<std::string>& extra_folders);
inline constexpr std::string_view kUndoFolderPrefix = "#folder=";

class UndoRecord {
 public:
  // Where the record of an undo file is kept.
  static std::string PathFor(const std::string& undo_file);
  // The mark a restore leaves beside an undo file it has put back: the run
  // it undoes is not offered for restoring again by the runs after it (the
  // undo file itself stays, and can still be restored).
  static std::string RestoredMarkFor(const std::string& undo_file) {
    return undo_file + ".restored";
  }

  void Add(const std::string& original, std::string_view migrated_text,
           const std::string& link_target = "");
  void Add(const std::string& original, WrittenText written) {
    files_[original] = std::move(written);
  }
  // Whether the record says which files were created and what each backup
  // holds (an older version's does not).
  bool Complete() const { return complete_; }
  bool Empty() const { return files_.empty(); }
  // What the run wrote over original, or nullptr when it wrote nothing there.
  const WrittenText* Find(const std::string& original) const;

  std::string Text() const;
  // Reads a record's text; false, with the line and the reason in *error,
  // when a line is not one this class writes.
  bool Parse(std::string_view text, std::string* error);

 private:
  std::map<std::string, WrittenText> files_;
  bool complete_ = true;
};

}  // namespace tolvern
