#include "platform/memory_disk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvern {
namespace {

// One operation of a script: what it does and the names (relative to the
// script's folder) and data it takes.
struct Step {
  const char* op;
  std::string a = {}, b = {}, data = {};
};

// Runs a script on a disk below an existing folder and gives one line per
// step: its result, *already_exists, the error text, what it read or listed.
// A stat says whether the stamp changed since the last stat of the same path.
class ScriptRunner {
 public:
  // exact_errors: the error texts are compared as they are (the in-memory
  // disk's are the same everywhere; the system's words differ on Windows).
  ScriptRunner(Disk& disk, std::string root, bool exact_errors = false)
      : disk_(disk), root_(std::move(root)), exact_errors_(exact_errors) {}

  std::vector<std::string> Run(const std::vector<Step>& steps) {
    std::vector<std::string> lines;
    for (const Step& s : steps) lines.push_back(std::string(s.op) + " " + s.a + ": " + Do(s));
    return lines;
  }

 private:
  std::string Path(const std::string& rel) const { return root_ + "/" + rel; }

  std::string Result(bool ok, bool exists, const std::string& error) const {
    std::string line = ok ? "ok" : "failed";
    if (exists) line += " exists";
#ifdef _WIN32
    if (!error.empty()) line += exact_errors_ ? " (" + error + ")" : " (error)";
#else
    if (!error.empty()) line += " (" + error + ")";
#endif
    return line;
  }

  std::string Do(const Step& s) {
    const std::string op = s.op, a = Path(s.a), b = Path(s.b);
    bool exists = false;
    std::string error;
    // Each call comes before the Result that reads *already_exists: the
    // arguments of one call are evaluated in no set order.
    if (op == "mkdir") {
      const bool ok = disk_.CreateDir(a, &exists);
      return Result(ok, exists, "");
    }
    if (op == "rmdir") return Result(disk_.RemoveDir(a), false, "");
    if (op == "delete") return Result(disk_.DeleteFile(a), false, "");
    if (op == "write") return Result(disk_.WriteFile(a, s.data, &error), false, error);
    if (op == "write-new") return Result(disk_.WriteNewFile(a, s.data, &error), false, error);
    if (op == "copy") return Result(disk_.CopyFile(a, b, &error), false, error);
    if (op == "move") return Result(disk_.MoveFile(a, b, &error), false, error);
    if (op == "exclusive") {
      const bool ok = disk_.WriteExclusive(a, s.data, &error, &exists);
      return Result(ok, exists, error);
    }
    if (op == "backup") {
      const bool ok = disk_.BackupFile(a, b, &error, &exists);
      return Result(ok, exists, error);
    }
    if (op == "read") {
      std::string data;
      const bool ok = disk_.ReadFile(a, &data, &error);
      return Result(ok, false, error) + (ok ? " '" + data + "'" : "");
    }
    if (op == "exists")
      return std::string(disk_.FileExists(a) ? "file" : disk_.DirExists(a) ? "folder" : "none");
    if (op == "list") return List(a);
    if (op == "lock") {
      // The words of a refusal differ from one system to the next.
      locks_[s.a] = disk_.TryLock(a, &error, &exists);
      return Result(locks_[s.a] != nullptr, exists, "");
    }
    if (op == "unlock") return locks_.erase(s.a) ? "ok" : "none";
    if (op == "abandon") {
      if (locks_[s.a]) locks_[s.a]->Abandon();
      return locks_.erase(s.a) ? "ok" : "none";
    }
    if (op == "rename-lock") {
      const bool ok = locks_[s.a] && locks_[s.a]->Rename(b);
      if (ok) locks_[s.b] = std::move(locks_[s.a]);
      return Result(ok, false, "");
    }
    if (op == "held") return disk_.IsLockHeld(a) ? "held" : "free";
    if (op == "append") return Append(a, s.data);
    return Stat(a);
  }

  // Opens a for appending and appends each line of data ("|" between them).
  std::string Append(const std::string& path, const std::string& data) {
    std::string error;
    std::unique_ptr<AppendFile> file = disk_.OpenAppend(path, &error);
    if (!file) return Result(false, false, error);
    for (size_t start = 0; start <= data.size();) {
      const size_t end = std::min(data.find('|', start), data.size());
      if (!file->Append(data.substr(start, end - start), &error))
        return Result(false, false, error);
      start = end + 1;
    }
    return Result(file->Close(&error), false, error);
  }

  std::string List(const std::string& folder) {
    std::vector<DirEntry> entries;
    if (!disk_.List(folder, &entries)) return "failed";
    std::vector<std::string> names;
    for (const DirEntry& e : entries) names.push_back(e.name + (e.is_dir ? "/" : ""));
    std::sort(names.begin(), names.end());  // the real disk lists in its own order
    std::string line = "ok";
    for (const std::string& n : names) line += " " + n;
    return line;
  }

  std::string Stat(const std::string& path) {
    FileStamp stamp;
    std::string error;
    // A path that names nothing has no error; one that cannot be looked at
    // has the system's.
    if (!disk_.Stat(path, &stamp, &error))
      return error.empty() ? "none" : Result(false, false, error);
    std::string line = stamp.dir ? "folder" : "file " + std::to_string(stamp.size);
    auto last = stamps_.find(path);
    if (last != stamps_.end()) line += last->second.Matches(stamp) ? " same" : " changed";
    stamps_[path] = stamp;
    return line;
  }

  Disk& disk_;
  std::string root_;
  bool exact_errors_;
  std::map<std::string, FileStamp> stamps_;
  std::map<std::string, std::unique_ptr<DiskLock>> locks_;  // by the name they lock
};

const std::string kNoSuchFile = "No such file or directory";
const std::string kFileExists = "File exists";

TEST(MemoryDiskTest, AnswersAsCallersRelyOn) {
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::string> expected;  // the line of the last step
  } cases[] = {
      {"exclusive writes refuse an existing file",
       {{"write", "f", "", "old"}, {"exclusive", "f", "", "new"}},
       {"exclusive f: failed exists (" + kFileExists + ")"}},
      {"exclusive writes refuse a folder",
       {{"mkdir", "d"}, {"exclusive", "d", "", "x"}},
       {"exclusive d: failed exists (" + kFileExists + ")"}},
      {"an exclusive write creates a new file",
       {{"exclusive", "f", "", "x"}, {"read", "f"}},
       {"read f: ok 'x'"}},
      {"a refused write leaves the file as it was",
       {{"write", "f", "", "old"}, {"exclusive", "f", "", "new"}, {"read", "f"}},
       {"read f: ok 'old'"}},
      {"backups never overwrite",
       {{"write", "f", "", "new"}, {"write", "bak", "", "old"}, {"backup", "f", "bak"}},
       {"backup f: failed exists (" + kFileExists + ")"}},
      {"a backup keeps the content when the original is replaced",
       {{"write", "f", "", "one"},
        {"backup", "f", "bak"},
        {"write", "f", "", "two"},
        {"read", "bak"}},
       {"read bak: ok 'one'"}},
      {"a backup of a missing file fails",
       {{"backup", "f", "bak"}},
       {"backup f: failed (" + kNoSuchFile + ")"}},
      {"moves replace the target",
       {{"write", "a", "", "new"}, {"write", "b", "", "old"}, {"move", "a", "b"}, {"read", "b"}},
       {"read b: ok 'new'"}},
      {"a move over a file takes the source away",
       {{"write", "a", "", "new"}, {"write", "b", "", "old"}, {"move", "a", "b"}, {"exists", "a"}},
       {"exists a: none"}},
      {"listing gives the direct children",
       {{"mkdir", "d"},
        {"mkdir", "d/e"},
        {"write", "d/f", "", "x"},
        {"write", "d/e/g", "", "y"},
        {"list", "d"}},
       {"list d: ok e/ f"}},
      {"listing a missing folder fails", {{"list", "d"}}, {"list d: failed"}},
      {"a folder is made once", {{"mkdir", "d"}, {"mkdir", "d"}}, {"mkdir d: failed exists"}},
      {"a folder needs its parent", {{"mkdir", "d/e"}}, {"mkdir d/e: failed"}},
      {"a folder with content stays",
       {{"mkdir", "d"}, {"write", "d/f", "", "x"}, {"rmdir", "d"}},
       {"rmdir d: failed"}},
      {"stamps change on write",
       {{"write", "f", "", "one"}, {"stat", "f"}, {"write", "f", "", "two"}, {"stat", "f"}},
       {"stat f: file 3 changed"}},
      {"stamps stay without a write",
       {{"write", "f", "", "one"}, {"stat", "f"}, {"read", "f"}, {"stat", "f"}},
       {"stat f: file 3 same"}},
      {"reading a missing file fails with the reason",
       {{"read", "f"}},
       {"read f: failed (" + kNoSuchFile + ")"}},
      {"reading a folder fails", {{"mkdir", "d"}, {"read", "d"}}, {"read d: failed (is a folder)"}},
      {"writing into a missing folder fails",
       {{"write", "d/f", "", "x"}},
       {"write d/f: failed (" + kNoSuchFile + ")"}},
  };
  for (const Case& c : cases) {
    MemoryDisk disk;
    std::vector<std::string> lines = ScriptRunner(disk, disk.TempPath(), true).Run(c.steps);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 1, lines.end()), c.expected) << c.what;
  }
}

// The same script gives the same answers on the real disk and in memory.
TEST(MemoryDiskTest, AnswersAsTheRealDiskDoes) {
  const std::vector<Step> script = {
      {"mkdir", "d"},
      {"mkdir", "d"},
      {"mkdir", "x/y"},
      {"write", "d/f", "", "one"},
      {"stat", "d/f"},
      {"write", "d/f", "", "three"},
      {"stat", "d/f"},
      {"exclusive", "d/f", "", "no"},
      {"exclusive", "d/g", "", "yes"},
      {"backup", "d/f", "d/g"},
      {"backup", "d/f", "d/bak"},
      {"backup", "d/none", "d/bak2"},
      {"write-new", "d/n", "", "new"},
      {"copy", "d/f", "d/c"},
      {"copy", "d/none", "d/c2"},
      {"move", "d/c", "d/g"},
      {"move", "d/none", "d/g"},
      {"read", "d/g"},
      {"read", "d/none"},
      {"read", "d"},
      {"write", "d", "", "x"},
      {"write", "x/f", "", "x"},
      {"exists", "d"},
      {"exists", "d/f"},
      {"exists", "d/c"},
      {"list", "d"},
      {"list", "x"},
      {"rmdir", "d"},
      {"delete", "d/none"},
      {"delete", "d/f"},
      {"mkdir", "e"},
      {"rmdir", "e"},
      {"exists", "e"},
  };
  testing::ScratchDir dir;
  RealDisk real;
  MemoryDisk memory;
  EXPECT_EQ(ScriptRunner(memory, memory.TempPath()).Run(script),
            ScriptRunner(real, dir.path()).Run(script));
}

// Locks, logs and the reasons a status call gives: what runs on the
// in-memory disk rely on answers as the real disk gives them.
TEST(MemoryDiskTest, LocksLogsAndStatusAnswerAsTheRealDiskDoes) {
  const std::vector<Step> script = {
      {"stat", "none"},      {"write", "f", "", "x"},
      {"stat", "f/below"},  // through a file: a failure with its reason
      {"lock", "l"},         {"held", "l"},
      {"exists", "l"},       {"lock", "l"},  // taken: held elsewhere
      {"unlock", "l"},       {"held", "l"},
      {"exists", "l"},  // a released lock takes its file with it
      {"lock", "k.new"},     {"rename-lock", "k.new", "k"},
      {"held", "k"},         {"exists", "k.new"},
      {"abandon", "k"},      {"held", "k"},
      {"exists", "k"},  // an abandoned lock leaves its file, as a killed run
      {"lock", "k"},    // and the next run takes it
      {"lock", "missing/l"}, {"append", "log", "", "one|two|"},
      {"read", "log"},       {"append", "log", "", "new"},  // opening empties the file
      {"read", "log"},       {"append", "missing/log", "", "x"},
  };
  testing::ScratchDir dir;
  RealDisk real;
  MemoryDisk memory;
  const std::vector<std::string> expected = ScriptRunner(real, dir.path()).Run(script);
  EXPECT_EQ(ScriptRunner(memory, memory.TempPath()).Run(script), expected);
  // What the script shows, as a run relies on it.
  EXPECT_EQ(expected[0], "stat none: none");
  EXPECT_EQ(expected[4], "held l: held");
  EXPECT_EQ(expected[6], "lock l: failed exists");
  EXPECT_EQ(expected[9], "exists l: none");
#ifndef _WIN32
  // Windows renames no open file, and the system removes a lock file when
  // its holder ends.
  EXPECT_EQ(expected[15], "held k: free");
  EXPECT_EQ(expected[16], "exists k: file");
  EXPECT_EQ(expected[17], "lock k: ok");
#endif
  EXPECT_EQ(expected[20], "read log: ok 'onetwo'");
  EXPECT_EQ(expected[22], "read log: ok 'new'");
}

}  // namespace
}  // namespace tolvern
