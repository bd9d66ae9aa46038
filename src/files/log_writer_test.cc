#include "files/log_writer.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

// The bytes after the header lines (title and time stamp).
std::string Body(const std::string& log, int header_lines) {
  size_t at = 0;
  for (int i = 0; i < header_lines; ++i) at = log.find("\r\n", at) + 2;
  return log.substr(at);
}

TEST(LogWriterTest, LineEndsAndSpacing) {
  struct Case {
    bool double_spacing;
    std::string text;
    std::string bytes;
  } cases[] = {
      {false, "abc", "abc\r\n"},
      {true, "abc", "abc\r\n\r\n"},
      {false, "ends cr\r", "ends cr\r"},
      {false, "ends lf\n", "ends lf\n"},
      {true, "ends lf\n", "ends lf\n\r\n"},
      {false, " ", "\r\n"},
      {false, "  ", "  \r\n"},
      {false, "", "\r\n"},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    TLogWriter log;
    log.SetTimestampCaption("T:");
    log.Open(dir / "log.txt");
    log.SetDoubleSpacing(c.double_spacing);
    log.WriteLine(c.text);
    log.Close();
    EXPECT_EQ(Body(dir.Read("log.txt"), 1), c.bytes) << "text [" << c.text << "]";
  }
}

TEST(LogWriterTest, HeaderHasTitleAndTimestampAndReplacesOldFile) {
  ScratchDir dir;
  dir.Write("log.txt", "old content that must go away");
  TLogWriter log;
  log.SetTitle("BDE/ADO Migration Wizard log");
  log.SetTimestampCaption("Created at:");
  log.SetDoubleSpacing(true);
  log.Open(dir / "log.txt");
  log.WriteLine("Initializing unit list");
  log.Close();
  std::string text = dir.Read("log.txt");
  EXPECT_EQ(text.rfind("BDE/ADO Migration Wizard log\r\n\r\nCreated at: ", 0), 0u) << text;
  EXPECT_TRUE(text.ends_with("\r\n\r\nInitializing unit list\r\n\r\n")) << text;
  EXPECT_EQ(text.find("old content"), std::string::npos);
}

TEST(LogWriterTest, EmptyTitleWritesOnlyTimestamp) {
  ScratchDir dir;
  TLogWriter log;
  log.Open(dir / "log.txt");
  log.Close();
  EXPECT_EQ(dir.Read("log.txt").rfind("Log created at: ", 0), 0u);
}

TEST(LogWriterTest, ClosedWriterDropsLines) {
  TLogWriter log;
  log.WriteLine("nowhere");
  log.Close();
  log.Close();
  EXPECT_FALSE(log.IsOpen());
}

TEST(LogWriterTest, UncreatableFileThrowsNamingIt) {
  ScratchDir dir;
  TLogWriter log;
  std::string path = dir / "missing/log.txt";
  try {
    log.Open(path);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
  EXPECT_FALSE(log.IsOpen());
}

TEST(LogWriterTest, TimestampLeavesOutTimeAtMidnight) {
  std::tm midnight{};
  midnight.tm_year = 126;
  midnight.tm_mon = 11;
  midnight.tm_mday = 7;
  std::string date = TLogWriter::FormatTimestamp(midnight);
  EXPECT_EQ(date.find(' '), std::string::npos) << date;
  std::tm later = midnight;
  later.tm_sec = 5;
  std::string with_time = TLogWriter::FormatTimestamp(later);
  EXPECT_EQ(with_time.rfind(date + " ", 0), 0u) << with_time;
  EXPECT_GT(with_time.size(), date.size() + 1);
}

}  // namespace
}  // namespace tolvern
