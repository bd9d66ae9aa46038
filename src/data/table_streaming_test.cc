// The readers hold a window of a table, never the table: each file is read
// piece by piece at offsets, no piece larger than a window or a value, so a
// table of any size moves in bounded memory; tables beyond the 256 MB that
// whole files are read up to move too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "base/paths.h"
#include "data/dbase_table.h"
#include "data/paradox_table.h"
#include "platform/disk.h"
#include "platform/memory_disk.h"
#include "table_files.h"
#include "test_support.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

// A disk in memory that refuses to read a table whole and counts the reads
// at offsets: the largest one and the bytes of all.
class PieceDisk : public MemoryDisk {
 public:
  bool ReadFile(const std::string& path, std::string*, std::string* error) override {
    *error = "read whole: " + path;
    return false;
  }
  std::unique_ptr<ReadableFile> OpenRead(const std::string& path, std::string* error) override {
    std::string bytes;
    if (!MemoryDisk::ReadFile(path, &bytes, error)) return nullptr;
    return std::make_unique<Counted>(ReadableBytes(std::move(bytes)), this);
  }
  size_t largest = 0;
  std::uint64_t total = 0;
  std::uint64_t fail_from = UINT64_MAX;  // reads reaching past here fail

 private:
  class Counted : public ReadableFile {
   public:
    Counted(std::unique_ptr<ReadableFile> file, PieceDisk* disk)
        : file_(std::move(file)), disk_(disk) {}
    std::uint64_t Size() const override { return file_->Size(); }
    bool ReadAt(std::uint64_t offset, size_t size, std::string* data, std::string* error) override {
      if (offset + size > disk_->fail_from) {
        *error = "injected read failure";
        return false;
      }
      disk_->largest = std::max(disk_->largest, size);
      disk_->total += size;
      return file_->ReadAt(offset, size, data, error);
    }

   private:
    std::unique_ptr<ReadableFile> file_;
    PieceDisk* disk_;
  };
};

std::uint64_t CountRows(TableReader& table, Row* last) {
  std::uint64_t n = 0;
  while (table.Next(last)) ++n;
  return n;
}

constexpr size_t kWindow = 64 * 1024;

TEST(TableStreamingTest, AParadoxTableIsReadInPiecesItsMemosToo) {
  PieceDisk disk;
  bool exists = false;
  disk.CreateDir("/t", &exists);
  MbFile mb;
  const std::string big(200000, 'm');  // one value larger than a window
  std::uint32_t memo = mb.AddSingle(big);
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x01, 100, "Name"}, {0x0C, 11, "Memo"}};
  for (int i = 0; i < 30000; ++i)
    layout.records.push_back({PxLong(i), PxAlpha("row " + std::to_string(i), 100),
                              i == 29999 ? PxBlob(11, "m", memo, big.size()) : PxBlank(11)});
  std::string file = ParadoxFile(layout), error;
  ASSERT_GT(file.size(), 20 * kWindow);
  ASSERT_TRUE(disk.WriteFile(PathJoin("/t", "big.db"), file, &error)) << error;
  ASSERT_TRUE(disk.WriteFile(PathJoin("/t", "big.mb"), mb.bytes(), &error)) << error;
  auto table = ParadoxTable::Open(disk, PathJoin("/t", "big.db"), {}, &error);
  ASSERT_TRUE(table) << error;
  Row last;
  EXPECT_EQ(CountRows(*table, &last), 30000u);
  EXPECT_EQ(last, (Row{Value::Integer(29999), Value::Text("row 29999"), Value::Text(big)}));
  EXPECT_TRUE(table->Account().problems.empty()) << table->Account().problems[0];
  // No read larger than a window or the one value, and each byte read about
  // once.
  EXPECT_LE(disk.largest, big.size() + 256);
  EXPECT_LE(disk.total, file.size() + mb.bytes().size() + 4 * kWindow);
}

TEST(TableStreamingTest, ADbaseTableIsReadInPiecesItsMemosToo) {
  PieceDisk disk;
  bool exists = false;
  disk.CreateDir("/t", &exists);
  std::vector<std::string> memos = {std::string(100000, 'x'), "short"};
  DbfLayout layout;
  layout.fields = {{"ID", 'N', 8}, {"NAME", 'C', 90}, {"NOTE", 'M', 10}};
  for (int i = 0; i < 20000; ++i) {
    std::string block = i < 2 ? std::to_string(Dbt3Block(memos, i)) : "";
    layout.records.push_back({i % 5 == 0,
                              {std::to_string(i), "name " + std::to_string(i),
                               std::string(10 - block.size(), ' ') + block}});
  }
  std::string file = DbaseFile(layout), error;
  ASSERT_TRUE(disk.WriteFile(PathJoin("/t", "big.dbf"), file, &error)) << error;
  ASSERT_TRUE(disk.WriteFile(PathJoin("/t", "big.dbt"), Dbt3File(memos), &error)) << error;
  auto table = DbaseTable::Open(disk, PathJoin("/t", "big.dbf"), {}, &error);
  ASSERT_TRUE(table) << error;
  Row row;
  ASSERT_TRUE(table->Next(&row));  // record 0 is deleted
  EXPECT_EQ(row, (Row{Value::Decimal("1"), Value::Text("name 1"), Value::Text("short")}));
  EXPECT_EQ(CountRows(*table, &row) + 1, 16000u);
  EXPECT_EQ(table->Account().rows_deleted, 4000u);
  EXPECT_TRUE(table->Account().problems.empty()) << table->Account().problems[0];
  EXPECT_LE(disk.largest, kWindow + 256);
  EXPECT_LE(disk.total, file.size() + 4 * kWindow);
}

// A read that fails part way names the file, the offset and the reason; the
// rows before it move.
TEST(TableStreamingTest, AReadThatFailsPartWayIsNamedWithItsOffset) {
  PieceDisk disk;
  bool exists = false;
  disk.CreateDir("/t", &exists);
  PxLayout px;
  px.fields = {{0x04, 4, "Id"}, {0x01, 200, "Name"}};
  DbfLayout dbf;
  dbf.fields = {{"ID", 'N', 8}, {"NAME", 'C', 200}};
  for (int i = 0; i < 2000; ++i) {
    px.records.push_back({PxLong(i), PxAlpha("n", 200)});
    dbf.records.push_back({false, {std::to_string(i), "n"}});
  }
  std::string error;
  ASSERT_TRUE(disk.WriteFile(PathJoin("/t", "px.db"), ParadoxFile(px), &error)) << error;
  ASSERT_TRUE(disk.WriteFile(PathJoin("/t", "dbf.dbf"), DbaseFile(dbf), &error)) << error;
  disk.fail_from = 200000;
  Row row;
  auto paradox = ParadoxTable::Open(disk, PathJoin("/t", "px.db"), {}, &error);
  ASSERT_TRUE(paradox) << error;
  std::uint64_t rows = CountRows(*paradox, &row);
  EXPECT_GT(rows, 0u);
  EXPECT_LT(rows, 2000u);
  EXPECT_TRUE(paradox->Account().incomplete);
  ASSERT_EQ(paradox->Account().problems.size(), 1u);
  EXPECT_NE(paradox->Account().problems[0].find(" cannot be read: injected read failure"),
            std::string::npos)
      << paradox->Account().problems[0];
  EXPECT_EQ(paradox->Account().problems[0].rfind("px.db: offset ", 0), 0u);
  auto dbase = DbaseTable::Open(disk, PathJoin("/t", "dbf.dbf"), {}, &error);
  ASSERT_TRUE(dbase) << error;
  rows = CountRows(*dbase, &row);
  EXPECT_GT(rows, 0u);
  EXPECT_EQ(rows + dbase->Account().rows_damaged, 2000u);
  ASSERT_EQ(dbase->Account().problems.size(), 1u);
  EXPECT_EQ(dbase->Account().problems[0].rfind("dbf.dbf: offset ", 0), 0u);
  EXPECT_NE(dbase->Account().problems[0].find(": cannot be read: injected read failure; the "),
            std::string::npos)
      << dbase->Account().problems[0];
}

// A table file beyond 256 MB (sparse where the file system allows): its one
// block lies at the far end, where a reader of whole files cannot go.
TEST(TableStreamingTest, AParadoxTableBeyond256MbMoves) {
  ScratchDir dir;
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}};
  layout.block_kb = 32;  // block numbers are 16 bits: 32 KB blocks reach 2 GB
  layout.records = {{PxLong(42)}};
  std::string file = ParadoxFile(layout);
  const size_t header = ParadoxBlockOffset(layout, 1), block = file.size() - header;
  const int far_block = (300 << 20) / static_cast<int>(block);  // past 300 MB, below 65536
  ASSERT_LT(far_block, 65536);
  file[0x0E] = static_cast<char>(far_block & 0xFF);
  file[0x0F] = static_cast<char>(far_block >> 8);
  {
    std::ofstream out(dir / "far.db", std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(header));
    out.seekp(static_cast<std::streamoff>(header + (far_block - 1) * block));
    out.write(file.data() + header, static_cast<std::streamsize>(block));
    ASSERT_TRUE(out.good());
  }
  RealDisk disk;
  std::string error;
  auto table = ParadoxTable::Open(disk, dir / "far.db", {}, &error);
  ASSERT_TRUE(table) << error;
  Row row;
  ASSERT_TRUE(table->Next(&row));
  EXPECT_EQ(row, Row{Value::Integer(42)});
  EXPECT_FALSE(table->Next(&row));
  EXPECT_TRUE(table->Account().problems.empty()) << table->Account().problems[0];
}

}  // namespace
}  // namespace tolvern::data
