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

namespace tolvern {

struct WrittenText {
  std::uint64_t size = 0;
  std::string sha256;
  // Where the original was a link, the file it named: the run wrote there,
  // and the link stayed.
  std::string link_target;

  bool Matches(std::string_view data) const;
};

class UndoRecord {
 public:
  // Where the record of an undo file is kept.
  static std::string PathFor(const std::string& undo_file);

  void Add(const std::string& original, std::string_view migrated_text,
           const std::string& link_target = "");
  bool Empty() const { return files_.empty(); }
  // What the run wrote over original, or nullptr when it wrote nothing there.
  const WrittenText* Find(const std::string& original) const;

  std::string Text() const;
  // Reads a record's text; false, with the line and the reason in *error,
  // when a line is not one this class writes.
  bool Parse(std::string_view text, std::string* error);

 private:
  std::map<std::string, WrittenText> files_;
};

}  // namespace tolvern
