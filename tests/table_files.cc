#include "table_files.h"

#include <bit>
#include <cstring>

#include "data/paradox_cipher.h"

namespace tolvern::data {

void PrintTo(const Value& value, std::ostream* out) {
  static const char* const kKinds[] = {"null", "integer", "real",   "decimal",
                                       "text", "blob",    "boolean"};
  *out << kKinds[static_cast<int>(value.kind)];
  if (value.kind == ValueKind::kInteger || value.kind == ValueKind::kBoolean)
    *out << ":" << value.integer;
  else if (value.kind == ValueKind::kReal)
    *out << ":" << value.real;
  else if (value.kind != ValueKind::kNull)
    *out << "[" << value.text.size() << "]:" << value.text.substr(0, 60);
}

}  // namespace tolvern::data

namespace tolvern::testing {
namespace {

void Put(std::string* b, size_t at, const std::string& bytes) {
  if (b->size() < at + bytes.size()) b->resize(at + bytes.size(), '\0');
  b->replace(at, bytes.size(), bytes);
}

std::string BigEndian(std::uint64_t v, int n) {
  std::string b(n, '\0');
  for (int i = n - 1; i >= 0; --i, v >>= 8) b[i] = static_cast<char>(v & 0xFF);
  return b;
}

int PxFieldBytes(const PxField& f) { return f.type == 0x17 ? 17 : f.size; }

int PxHeaderSize(const PxLayout& layout) {
  size_t need = 0x78 + 6 * layout.fields.size() + 4 + 261 + 16;
  for (const PxField& f : layout.fields) need += f.name.size() + 1;
  return need <= 2048 ? 2048 : 4096;
}

}  // namespace

std::string Le16Bytes(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}
std::string Le32Bytes(std::uint32_t v) { return Le16Bytes(v & 0xFFFF) + Le16Bytes(v >> 16); }

std::string PxAlpha(const std::string& bytes, int size) {
  std::string b = bytes.substr(0, size);
  b.resize(size, '\0');
  return b;
}
std::string PxShort(int v) { return BigEndian(static_cast<std::uint16_t>(v) ^ 0x8000u, 2); }
std::string PxLong(std::int64_t v) {
  return BigEndian(static_cast<std::uint32_t>(v) ^ 0x80000000u, 4);
}
std::string PxDouble(double v) {
  std::uint64_t raw = std::bit_cast<std::uint64_t>(v);
  raw = (raw >> 63) ? ~raw : raw | std::uint64_t{1} << 63;
  return BigEndian(raw, 8);
}
std::string PxDate(int y, int m, int d) {
  // Days from 0001-01-01 (day 1), Gregorian.
  auto days = [](std::int64_t yy, int mm, int dd) {
    yy -= mm <= 2;
    std::int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
    std::int64_t yoe = yy - era * 400;
    std::int64_t doy = (153 * (mm + (mm > 2 ? -3 : 9)) + 2) / 5 + dd - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
  };
  return PxLong(days(y, m, d) - days(1, 1, 1) + 1);
}
std::string PxTime(std::int64_t ms) { return PxLong(ms); }
std::string PxLogical(bool v) { return std::string(1, static_cast<char>(v ? 0x81 : 0x80)); }
std::string PxBcd(const std::string& digits, bool negative, int scale) {
  // 32 digit places after the first byte, the last `scale` the fraction.
  std::string places(32, '0');
  places.replace(32 - digits.size(), digits.size(), digits);
  std::string b(17, '\0');
  b[0] = static_cast<char>((negative ? 0 : 0x80) | scale);
  for (int i = 0; i < 32; ++i) {
    unsigned d = static_cast<unsigned>(places[i] - '0') ^ (negative ? 0x0F : 0);
    size_t at = 1 + i / 2;
    b[at] = static_cast<char>(static_cast<unsigned char>(b[at]) | (i % 2 ? d : d << 4));
  }
  return b;
}
std::string PxBlank(int size) { return std::string(size, '\0'); }
std::string PxBlob(int size, const std::string& leader, std::uint32_t offset,
                   std::uint32_t length) {
  std::string b = PxAlpha(leader, size - 10);
  return b + Le32Bytes(offset) + Le32Bytes(length) + Le16Bytes(1);
}

MbFile::MbFile() : bytes_(4096, '\0') {}

std::uint32_t MbFile::AddSingle(const std::string& data) {
  size_t at = bytes_.size();
  size_t chunks = (9 + data.size() + 4095) / 4096;
  std::string block = std::string(1, '\x02') + Le16Bytes(static_cast<std::uint32_t>(chunks)) +
                      Le32Bytes(static_cast<std::uint32_t>(data.size())) + Le16Bytes(1) + data;
  block.resize(chunks * 4096, '\0');
  bytes_ += block;
  return static_cast<std::uint32_t>(at) | 0xFF;
}

std::vector<std::uint32_t> MbFile::AddSmall(const std::vector<std::string>& data) {
  size_t at = bytes_.size();
  std::string block(4096, '\0');
  block[0] = '\x03';
  Put(&block, 1, Le16Bytes(1));
  size_t place = 336;  // past the 64 entries, on a 16-byte boundary
  std::vector<std::uint32_t> pointers;
  for (size_t i = 0; i < data.size(); ++i) {
    size_t entry = 12 + i * 5;
    block[entry] = static_cast<char>(place / 16);
    block[entry + 1] = static_cast<char>((data[i].size() + 15) / 16);
    Put(&block, entry + 2, Le16Bytes(1));
    block[entry + 4] = static_cast<char>(data[i].size() % 16);
    Put(&block, place, data[i]);
    place += (data[i].size() + 15) / 16 * 16;
    pointers.push_back(static_cast<std::uint32_t>(at + i));
  }
  block.resize(4096);
  bytes_ += block;
  return pointers;
}

size_t ParadoxBlockOffset(const PxLayout& layout, int n) {
  return PxHeaderSize(layout) + static_cast<size_t>(n - 1) * layout.block_kb * 1024;
}

std::string ParadoxFile(const PxLayout& layout) {
  int record_size = 0;
  for (const PxField& f : layout.fields) record_size += PxFieldBytes(f);
  const int header_size = PxHeaderSize(layout);
  const int block_size = layout.block_kb * 1024;
  int per_block =
      layout.records_per_block ? layout.records_per_block : (block_size - 6) / record_size;
  int blocks = static_cast<int>((layout.records.size() + per_block - 1) / per_block);
  std::string b(header_size, '\0');
  Put(&b, 0x00, Le16Bytes(record_size));
  Put(&b, 0x02, Le16Bytes(header_size));
  b[0x04] = static_cast<char>(layout.file_type >= 0 ? layout.file_type : layout.key_fields ? 0 : 2);
  b[0x05] = static_cast<char>(layout.block_kb);
  auto count = layout.header_count >= 0 ? layout.header_count : std::int64_t(layout.records.size());
  Put(&b, 0x06, Le32Bytes(static_cast<std::uint32_t>(count)));
  Put(&b, 0x0A, Le16Bytes(blocks));
  Put(&b, 0x0C, Le16Bytes(blocks));
  auto physical = [&](int chain) { return layout.reverse_blocks ? blocks - chain + 1 : chain; };
  Put(&b, 0x0E, Le16Bytes(blocks ? physical(1) : 0));
  Put(&b, 0x10, Le16Bytes(blocks ? physical(blocks) : 0));
  Put(&b, 0x21, Le16Bytes(static_cast<std::uint32_t>(layout.fields.size())));
  Put(&b, 0x23, Le16Bytes(layout.key_fields));
  bool long_header = layout.version >= 5;
  std::uint32_t check = !layout.password.empty() ? data::ParadoxPasswordCheck(layout.password)
                        : layout.encrypted       ? 0x5678u
                                                 : 0;
  Put(&b, 0x25, Le32Bytes(long_header ? 0xFF00FF00u : check));
  b[0x39] = static_cast<char>(layout.version);
  if (long_header) {
    Put(&b, 0x5C, Le32Bytes(check));
    Put(&b, 0x6A, Le16Bytes(layout.code_page));
  }
  size_t at = long_header ? 0x78 : 0x58;
  for (const PxField& f : layout.fields) {
    b[at++] = static_cast<char>(f.type);
    b[at++] = static_cast<char>(f.size);
  }
  at += 4 + 4 * layout.fields.size();
  Put(&b, at, "table.db");
  at += layout.version >= 12 ? 261 : 79;
  for (const PxField& f : layout.fields) {
    Put(&b, at, f.name);
    at += f.name.size() + 1;
  }
  for (size_t i = 0; i < layout.fields.size(); ++i, at += 2)
    Put(&b, at, Le16Bytes(layout.field_numbers.empty() ? i + 1 : layout.field_numbers[i]));
  Put(&b, at, "ANSIINTL");
  Put(&b, at + 9, layout.index_name);
  b.resize(header_size + static_cast<size_t>(blocks) * block_size, '\0');
  for (int chain = 1; chain <= blocks; ++chain) {
    size_t first = static_cast<size_t>(chain - 1) * per_block;
    size_t n = std::min(layout.records.size() - first, static_cast<size_t>(per_block));
    size_t block = header_size + static_cast<size_t>(physical(chain) - 1) * block_size;
    Put(&b, block, Le16Bytes(chain < blocks ? physical(chain + 1) : 0));
    Put(&b, block + 2, Le16Bytes(chain > 1 ? physical(chain - 1) : 0));
    Put(&b, block + 4, Le16Bytes(static_cast<std::uint32_t>((n - 1) * record_size)));
    size_t r = block + 6;
    for (size_t i = first; i < first + n; ++i)
      for (size_t f = 0; f < layout.fields.size(); ++f) {
        std::string bytes = layout.records[i][f];
        bytes.resize(PxFieldBytes(layout.fields[f]), '\0');
        Put(&b, r, bytes);
        r += bytes.size();
      }
    if (!layout.password.empty()) {
      std::string plain = b.substr(block, block_size);
      data::EncryptParadoxBlock(&plain, check, physical(chain));
      Put(&b, block, plain);
    }
  }
  return b;
}

std::string ParadoxIndexFile(const PxLayout& table, const std::vector<int>& fields,
                             const std::string& name, const std::vector<bool>& descending) {
  PxLayout x;
  x.version = table.version;
  x.code_page = table.code_page;
  x.file_type = name.empty() ? 5 : 8;
  x.index_name = name;
  for (size_t i = 0; i < fields.size(); ++i) {
    x.fields.push_back(table.fields[fields[i]]);
    bool down = i < descending.size() && descending[i];
    x.field_numbers.push_back(static_cast<std::uint16_t>((fields[i] + 1) | (down ? 0x8000 : 0)));
  }
  for (int k = 0; k < table.key_fields; ++k) x.fields.push_back(table.fields[k]);
  x.fields.push_back({0x03, 2, "Blk Num"});
  for (size_t i = fields.size(); i < x.fields.size(); ++i)
    x.field_numbers.push_back(static_cast<std::uint16_t>(i - fields.size() + 2));
  x.key_fields = static_cast<int>(fields.size()) + table.key_fields;
  return ParadoxFile(x);
}

std::string ParadoxValFile(const PxLayout& table, const std::vector<PxCheck>& checks) {
  std::string b(0x35, '\0');
  b[1] = 0x0C, b[2] = 1;
  b[7] = static_cast<char>(table.fields.size() + 1);
  for (const PxCheck& c : checks) {
    std::string check(0x1C, '\0');
    check[0] = static_cast<char>(c.field);
    check[1] = static_cast<char>(c.picture.empty() ? 0 : c.picture.size() + 1);
    check[2] = c.required ? 1 : 0;
    const std::string* values[] = {&c.minimum, &c.maximum, &c.default_value};
    std::string data;
    for (int i = 0; i < 3; ++i)
      if (!values[i]->empty()) {
        Put(&check, 0x0C + 4 * i, Le32Bytes(0x6BE10000u + i));
        data += *values[i];
      }
    if (!c.picture.empty()) {
      Put(&check, 0x18, Le32Bytes(0x6BE10010u));
      data += c.picture + '\0';
    }
    b += check + data;
  }
  Put(&b, 9, Le16Bytes(static_cast<std::uint32_t>(b.size())));
  b += Le16Bytes(static_cast<std::uint32_t>(table.fields.size())) + Le16Bytes(1) + Le16Bytes(0x128);
  for (size_t i = 0; i < table.fields.size(); ++i)
    b += Le16Bytes(static_cast<std::uint32_t>(i + 1));
  for (const PxField& f : table.fields)
    b += std::string{static_cast<char>(f.type), static_cast<char>(f.size)};
  b += std::string("C:\\DATA\\TABLE.DB") + std::string(79 - 16, '\0');
  for (const PxField& f : table.fields) b += f.name + '\0';
  return b;
}

std::string EncryptedMb(std::string mb, const std::string& password) {
  data::EncryptParadoxMb(&mb, data::ParadoxPasswordCheck(password));
  return mb;
}

std::string DbaseFile(const DbfLayout& layout) {
  bool seven = layout.version == 0x04 || layout.version == 0x8C;
  size_t descriptor = seven ? 48 : 32;
  size_t header_size = (seven ? 68 : 32) + descriptor * layout.fields.size() + 1;
  int record_size = 1;
  for (const DbfField& f : layout.fields) record_size += f.length;
  std::string b(header_size, '\0');
  b[0] = static_cast<char>(layout.version);
  b[1] = 126, b[2] = 5, b[3] = 1;
  Put(&b, 4, Le32Bytes(static_cast<std::uint32_t>(layout.records.size())));
  Put(&b, 8, Le16Bytes(static_cast<std::uint32_t>(header_size)));
  Put(&b, 10, Le16Bytes(record_size));
  b[29] = static_cast<char>(layout.language_driver);
  size_t at = seven ? 68 : 32;
  for (const DbfField& f : layout.fields) {
    Put(&b, at, f.name);
    b[at + (seven ? 32 : 11)] = f.type;
    b[at + (seven ? 33 : 16)] = static_cast<char>(f.length);
    b[at + (seven ? 34 : 17)] = static_cast<char>(f.decimals);
    at += descriptor;
  }
  b[at] = 0x0D;
  for (const DbfRecord& r : layout.records) {
    b += r.deleted ? '*' : ' ';
    for (size_t i = 0; i < layout.fields.size(); ++i) {
      std::string v = i < r.fields.size() ? r.fields[i] : "";
      bool binary = std::strchr("IY+TO@", layout.fields[i].type) ||
                    (((layout.version & 0xF0) == 0x30 || layout.version == 0xF5) &&
                     std::strchr("MGB", layout.fields[i].type));
      v.resize(layout.fields[i].length, binary ? '\0' : ' ');
      b += v;
    }
  }
  b += '\x1A';
  return b;
}

std::string MdxFile(const std::vector<MdxTag>& tags) {
  std::string b(1024, '\0');
  b[0] = 2;
  Put(&b, 0x14, Le16Bytes(2));
  Put(&b, 0x16, Le16Bytes(1024));
  b[0x18] = 1, b[0x19] = 48, b[0x1A] = 32;
  Put(&b, 0x1C, Le16Bytes(static_cast<std::uint32_t>(tags.size())));
  for (size_t i = 0; i < tags.size(); ++i) {
    size_t entry = 0x220 + 32 * i;
    std::uint32_t page = static_cast<std::uint32_t>(b.size() / 512);
    Put(&b, entry, Le32Bytes(page));
    Put(&b, entry + 4, tags[i].name);
    b[entry + 15] = 0x10;
    std::string header(1024, '\0');
    header[8] =
        static_cast<char>(0x10 | (tags[i].descending ? 0x08 : 0) | (tags[i].unique ? 0x40 : 0));
    header[9] = 'C';
    Put(&header, 24, tags[i].expression);
    b += header;
  }
  return b;
}

std::string NdxFile(const std::string& expression, bool unique) {
  std::string b(512, '\0');
  Put(&b, 0, Le32Bytes(1));
  Put(&b, 4, Le32Bytes(2));
  Put(&b, 12, Le16Bytes(8));
  b[23] = unique ? 1 : 0;
  Put(&b, 24, expression);
  return b;
}

std::uint32_t Dbt3Block(const std::vector<std::string>& values, size_t i) {
  std::uint32_t block = 1;
  for (size_t k = 0; k < i; ++k)
    block += static_cast<std::uint32_t>((values[k].size() + 2 + 511) / 512);
  return block;
}
std::string Dbt3File(const std::vector<std::string>& values) {
  std::string b(512, '\0');
  for (const std::string& v : values) {
    std::string block = v + "\x1A\x1A";
    block.resize((block.size() + 511) / 512 * 512, '\0');
    b += block;
  }
  return b;
}
std::uint32_t Dbt4Block(const std::vector<std::string>& values, size_t i) {
  std::uint32_t block = 1;
  for (size_t k = 0; k < i; ++k)
    block += static_cast<std::uint32_t>((values[k].size() + 8 + 511) / 512);
  return block;
}
std::string Dbt4File(const std::vector<std::string>& values) {
  std::string b(512, '\0');
  Put(&b, 20, Le16Bytes(512));
  for (const std::string& v : values) {
    std::string block = std::string("\xFF\xFF\x08\x00", 4) +
                        Le32Bytes(static_cast<std::uint32_t>(v.size() + 8)) + v;
    block.resize((block.size() + 511) / 512 * 512, '\0');
    b += block;
  }
  return b;
}
std::uint32_t FptBlock(const std::vector<std::string>& values, size_t i) {
  std::uint32_t block = 8;  // the 512-byte header is 8 blocks of 64
  for (size_t k = 0; k < i; ++k)
    block += static_cast<std::uint32_t>((values[k].size() + 8 + 63) / 64);
  return block;
}
std::string FptFile(const std::vector<std::string>& values) {
  std::string b(512, '\0');
  Put(&b, 6, BigEndian(64, 2));
  for (const std::string& v : values) {
    std::string block = BigEndian(1, 4) + BigEndian(v.size(), 4) + v;
    block.resize((block.size() + 63) / 64 * 64, '\0');
    b += block;
  }
  return b;
}

}  // namespace tolvern::testing
