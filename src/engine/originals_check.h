// The check before any original is replaced: every changed original must
// still be what the run read (an editor may have saved it since), and the
// files of a group (a unit and its forms) go together or not at all.
#pragma once

#include <string>

#include "base/string_list.h"
#include "engine/run_files.h"

namespace tolvern {

class OriginalsCheck {
 public:
  OriginalsCheck(Disk& disk, const StringList& paths, RunFiles& files, SkipFileFn skip)
      : disk_(disk), paths_(paths), files_(files), skip_(std::move(skip)) {}

  // Leaves out every changed file whose original is no longer what was read,
  // looked at on `threads` threads when there are several; the files left out
  // are named in list order.
  void LeaveOutChanged(int threads);
  // Leaves out every changed file of a group another member of which is left
  // out, naming the first member left out.
  void KeepGroupsTogether();
  // Why the original of file i is no longer what was read, or "".
  std::string ChangedSinceRead(int i, const FileStamp& now) const;

 private:
  Disk& disk_;
  const StringList& paths_;
  RunFiles& files_;
  SkipFileFn skip_;
};

}  // namespace tolvern
