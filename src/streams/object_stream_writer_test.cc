#include "streams/object_stream_writer.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::Bytes;

// Each integer takes the smallest type that holds it, on both sides of every
// boundary.
TEST(ObjectStreamWriterTest, IntegersTakeTheSmallestType) {
  struct Case {
    std::int64_t value;
    std::string bytes;
  } cases[] = {
      {0, Bytes({vaInt8, 0})},
      {127, Bytes({vaInt8, 0x7F})},
      {-128, Bytes({vaInt8, 0x80})},
      {128, Bytes({vaInt16, 0x80, 0})},
      {-129, Bytes({vaInt16, 0x7F, 0xFF})},
      {32767, Bytes({vaInt16, 0xFF, 0x7F})},
      {-32768, Bytes({vaInt16, 0, 0x80})},
      {32768, Bytes({vaInt32, 0, 0x80, 0, 0})},
      {-32769, Bytes({vaInt32, 0xFF, 0x7F, 0xFF, 0xFF})},
      {INT32_MAX, Bytes({vaInt32, 0xFF, 0xFF, 0xFF, 0x7F})},
      {INT32_MIN, Bytes({vaInt32, 0, 0, 0, 0x80})},
      {std::int64_t{INT32_MAX} + 1, Bytes({vaInt64, 0, 0, 0, 0x80, 0, 0, 0, 0})},
      {std::int64_t{INT32_MIN} - 1,
       Bytes({vaInt64, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF})},
  };
  for (const Case& c : cases) {
    ObjectStreamWriter w(0);
    w.Integer(c.value);
    EXPECT_EQ(w.Take(), c.bytes) << c.value;
  }
}

// A string is 8-bit while every unit fits and the text did not ask for a
// wide one; past 255 units it needs the long 8-bit type.
TEST(ObjectStreamWriterTest, StringsTakeTheNarrowestType) {
  struct Case {
    const char* what;
    std::u16string units;
    bool wide;
    std::string head;  // the type and the length
  } cases[] = {
      {"short", u"ab", false, Bytes({vaString, 2})},
      {"255 units", std::u16string(255, u'x'), false, Bytes({vaString, 255})},
      {"256 units", std::u16string(256, u'x'), false, Bytes({vaLString, 0, 1, 0, 0})},
      {"Latin-1", u"\u00E9", false, Bytes({vaString, 1})},
      {"asked wide", u"a", true, Bytes({vaWString, 1, 0, 0, 0})},
      {"beyond 8 bits", u"\u0100", false, Bytes({vaWString, 1, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    ObjectStreamWriter w(0);
    w.String(c.units, c.wide);
    const std::string bytes = w.Take();
    EXPECT_EQ(bytes.substr(0, c.head.size()), c.head) << c.what;
    const size_t unit_size = c.head[0] == vaWString ? 2 : 1;
    EXPECT_EQ(bytes.size(), c.head.size() + unit_size * c.units.size()) << c.what;
  }
}

}  // namespace
}  // namespace tolvern
