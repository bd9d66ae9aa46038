#include "streams/object_stream.h"

#include <gtest/gtest.h>

#include <functional>

#if defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#endif

#include "test_support.h"

namespace tolvern {
namespace {

using testing::Bytes;

// A stream of one object TForm1 named Form1 with the given property bytes.
std::string FormStream(const std::string& props) {
  return "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + props + Bytes({0, 0});
}

std::string FormText(const std::string& props) {
  return "object Form1: TForm1\r\n" + props + "end\r\n";
}

std::string Prop(const std::string& name, const std::string& value) {
  return static_cast<char>(name.size()) + name + value;
}

TEST(ObjectStreamTest, ValueTypesBothWays) {
  struct Case {
    const char* what;
    std::string text;   // the property line(s)
    std::string value;  // the value bytes
  } cases[] = {
      {"int8", "  A = 5\r\n", Bytes({2, 5})},
      {"negative int8", "  A = -128\r\n", Bytes({2, 0x80})},
      {"int16", "  A = 300\r\n", Bytes({3, 0x2C, 1})},
      {"int32", "  A = 70000\r\n", Bytes({4, 0x70, 0x11, 1, 0})},
      {"int64", "  A = 5000000000\r\n", Bytes({0x13, 0, 0xF2, 5, 0x2A, 1, 0, 0, 0})},
      {"extended", "  A = 1.500000000000000000\r\n",
       Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})},
      {"integral extended", "  A = 50.000000000000000000\r\n",
       Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC8, 4, 0x40})},
      {"single", "  A = 1.5s\r\n", Bytes({0x0F, 0, 0, 0xC0, 0x3F})},
      {"currency", "  A = 123400c\r\n", Bytes({0x10, 0x08, 0xE2, 1, 0, 0, 0, 0, 0})},
      {"date", "  A = 2.5d\r\n", Bytes({0x11, 0, 0, 0, 0, 0, 0, 4, 0x40})},
      {"string", "  A = 'abc'\r\n", Bytes({6, 3}) + "abc"},
      {"empty string", "  A = ''\r\n", Bytes({6, 0})},
      {"quote and control codes", "  A = #39'a'#13#10'b'\r\n",
       Bytes({6, 5, '\'', 'a', 13, 10, 'b'})},
      {"raw 8-bit", "  A = 'caf\xE9'\r\n", Bytes({6, 4}) + "caf\xE9"},
      {"wide", "  A = #1055'x'\r\n", Bytes({0x12, 2, 0, 0, 0, 0x1F, 4, 'x', 0})},
      {"wide Latin", "  A = 'caf'#233\r\n",
       Bytes({0x12, 4, 0, 0, 0, 'c', 0, 'a', 0, 'f', 0, 0xE9, 0})},
      {"ident", "  A = alClient\r\n", Bytes({7, 8}) + "alClient"},
      {"dotted ident", "  A = Form2.Table1\r\n", Bytes({7, 12}) + "Form2.Table1"},
      {"true false nil null", "  A = True\r\n  B = False\r\n  C = nil\r\n  D = Null\r\n",
       Bytes({9}) + Prop("B", Bytes({8})) + Prop("C", Bytes({13})) + Prop("D", Bytes({0}))},
      {"set", "  A = [akLeft, akTop]\r\n",
       Bytes({0x0B, 6}) + "akLeft" + Bytes({5}) + "akTop" + Bytes({0})},
      {"empty set", "  A = []\r\n", Bytes({0x0B, 0})},
      {"list", "  A = (\r\n    1\r\n    'x')\r\n", Bytes({1, 2, 1, 6, 1, 'x', 0})},
      {"empty list", "  A = ()\r\n", Bytes({1, 0})},
      {"short binary", "  A = {0A0B0C}\r\n", Bytes({0x0A, 3, 0, 0, 0, 0x0A, 0x0B, 0x0C})},
      {"empty binary", "  A = {}\r\n", Bytes({0x0A, 0, 0, 0, 0})},
      {"collection",
       "  A = <\r\n    item\r\n      B = 1\r\n    end\r\n    item [3]\r\n    end>\r\n",
       Bytes({0x0E, 1}) + Prop("B", Bytes({2, 1})) + Bytes({0, 2, 3, 1, 0, 0})},
      {"empty collection", "  A = <>\r\n", Bytes({0x0E, 0})},
  };
  for (const Case& c : cases) {
    std::string stream = FormStream(Prop("A", c.value));
    std::string text = FormText(c.text);
    EXPECT_EQ(ObjectBinaryToText(stream), text) << c.what;
    EXPECT_EQ(ObjectTextToBinary(text), stream) << c.what;
  }
}

TEST(ObjectStreamTest, ObjectFlagsAndNesting) {
  std::string stream = "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + Bytes({0}) +
                       Bytes({0xF2, 2, 3, 7}) + "TButton" + Bytes({2}) + "B1" + Bytes({0, 0}) +
                       Bytes({0xF1, 6}) + "TPanel" + Bytes({2}) + "P1" + Bytes({0}) + Bytes({6}) +
                       "TLabel" + Bytes({0}) + Bytes({0, 0}) + Bytes({0}) + Bytes({0xF4, 7}) +
                       "TFrame1" + Bytes({2}) + "F1" + Bytes({0, 0}) + Bytes({0});
  std::string text =
      "object Form1: TForm1\r\n  object B1: TButton [3]\r\n  end\r\n  inherited P1: TPanel\r\n"
      "    object TLabel\r\n    end\r\n  end\r\n  inline F1: TFrame1\r\n  end\r\nend\r\n";
  EXPECT_EQ(ObjectBinaryToText(stream), text);
  EXPECT_EQ(ObjectTextToBinary(text), stream);
}

TEST(ObjectStreamTest, SpansLocateEveryObjectInStreamAndText) {
  std::string stream = "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" +
                       Prop("A", Bytes({2, 1})) + Bytes({0}) + Bytes({0xF2, 2, 3, 7}) + "TButton" +
                       Bytes({2}) + "B1" + Prop("S", Bytes({6, 1, 'x'})) + Bytes({0}) + Bytes({6}) +
                       "TLabel" + Bytes({0}) + Bytes({0, 0}) + Bytes({0}) + Bytes({0xF1, 6}) +
                       "TPanel" + Bytes({2}) + "P1" + Bytes({0, 0}) + Bytes({0});
  std::vector<ObjectSpan> spans;
  std::string text = ObjectBinaryToText(stream, &spans);
  EXPECT_EQ(text, ObjectBinaryToText(stream));
  const char* headers[] = {"object Form1: TForm1", "  object B1: TButton [3]", "    object TLabel",
                           "  inherited P1: TPanel"};
  ASSERT_EQ(spans.size(), 4u);
  for (size_t i = 0; i < spans.size(); ++i) {
    const ObjectSpan& o = spans[i];
    std::string part = text.substr(o.text_begin, o.text_end - o.text_begin);
    EXPECT_TRUE(part.starts_with(std::string(headers[i]) + "\r\n")) << part;
    EXPECT_TRUE(part.ends_with(std::string(2 * static_cast<size_t>(o.level), ' ') + "end\r\n"))
        << part;
    // Each object's text alone gives its bytes back.
    std::string bytes = stream.substr(o.stream_begin, o.stream_end - o.stream_begin);
    EXPECT_EQ(ObjectTextToBinaryObject(part), bytes) << part;
    std::string cls =
        std::string(headers[i]).substr(std::string(headers[i]).find_last_of(" :") + 1);
    if (cls.starts_with("[")) cls = "TButton";
    EXPECT_EQ(stream.substr(o.class_begin, 1 + cls.size()), static_cast<char>(cls.size()) + cls);
  }
  EXPECT_EQ(spans[2].level, 2);
}

TEST(ObjectStreamTest, NamesInAnyScriptKeepTheirBytes) {
  // A Unicode IDE stores names in UTF-8: Cyrillic, Greek and CJK letters.
  const std::string name = "tblOrders\xD0\x9D\xD0\xBE\xD0\xBC\xD0\xB5\xD1\x80_\xCE\xB1\xE6\x95\xB0";
  std::string stream = "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + Bytes({0}) +
                       Bytes({6}) + "TField" + static_cast<char>(name.size()) + name +
                       Prop("FieldName", Bytes({6, 1, 'x'})) + Bytes({0, 0, 0});
  std::string text = ObjectBinaryToText(stream);
  EXPECT_NE(text.find("object " + name + ": TField\r\n"), std::string::npos);
  EXPECT_EQ(ObjectTextToBinary(text), stream);
}

TEST(ObjectStreamTest, StringsForRewritingStayWholeAtAnyLength) {
  // Over 12.8 MB: a parser taking the IDE's 64-character pieces would nest
  // one level per piece. Shorter strings wrap as the IDE wraps them.
  const std::string big = std::string(13'000'000, 'q') + "'x";
  const size_t n = big.size();
  std::string stream =
      FormStream(Prop("A", Bytes({12, static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF),
                                  static_cast<int>((n >> 16) & 0xFF), 0}) +
                               big) +
                 Prop("B", Bytes({6, 100}) + std::string(100, 'w')));
  std::vector<ObjectSpan> spans;
  std::string text = ObjectBinaryToText(stream, &spans);
  EXPECT_TRUE(text ==
              FormText("  A = '" + std::string(13'000'000, 'q') + "'#39'x'\r\n  B = \r\n    '" +
                       std::string(64, 'w') + "' +\r\n    '" + std::string(36, 'w') + "'\r\n"))
      << text.substr(text.size() - 200);
  EXPECT_TRUE(ObjectTextToBinary(text) == stream);
}

TEST(ObjectStreamTest, LongStringsWrapAtSixtyFourCharacters) {
  std::string s(70, 'x');
  std::string text = FormText("  A = \r\n    '" + s.substr(0, 64) + "' +\r\n    'xxxxxx'\r\n");
  std::string stream = FormStream(Prop("A", Bytes({6, 70}) + s));
  EXPECT_EQ(ObjectBinaryToText(stream), text);
  EXPECT_EQ(ObjectTextToBinary(text), stream);
  // In a list the wrapped string starts one level deeper, after a blank line
  // holding the list's indentation.
  std::string list_text =
      FormText("  A = (\r\n    \r\n      '" + s.substr(0, 64) + "' +\r\n      'xxxxxx')\r\n");
  std::string list_stream = FormStream(Prop("A", Bytes({1, 6, 70}) + s + Bytes({0})));
  EXPECT_EQ(ObjectBinaryToText(list_stream), list_text);
  EXPECT_EQ(ObjectTextToBinary(list_text), list_stream);
  // Codes count as one character of the line.
  std::string coded = std::string(63, 'y') + "\r";
  EXPECT_EQ(ObjectBinaryToText(FormStream(Prop("A", Bytes({6, 64}) + coded))),
            FormText("  A = '" + std::string(63, 'y') + "'#13\r\n"));
  // 300 characters: an 8-bit long string.
  std::string long_stream =
      FormStream(Prop("A", Bytes({12, 0x2C, 1, 0, 0}) + std::string(300, 'z')));
  EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(long_stream)), long_stream);
}

TEST(ObjectStreamTest, LongBinaryDataInLinesOfThirtyTwoBytes) {
  std::string data(40, '\x11');
  std::string text = FormText("  A = {\r\n    " + std::string(64, '1') + "\r\n    " +
                              std::string(16, '1') + "}\r\n");
  std::string stream = FormStream(Prop("A", Bytes({0x0A, 40, 0, 0, 0}) + data));
  EXPECT_EQ(ObjectBinaryToText(stream), text);
  EXPECT_EQ(ObjectTextToBinary(text), stream);
}

TEST(ObjectStreamTest, TextReaderAcceptsOtherWritersSpelling) {
  // Free Pascal's spelling: exponent floats, no blank before a child position,
  // hexadecimal integers, strings joined by "+" on one line.
  std::string text =
      "object Form1: TForm1\n  F = 1.5E+0000\n  H = $FF\n  S = 'a' + 'b'\n"
      "  object B: TButton[2]\n  end\nend\n";
  std::string expected =
      "object Form1: TForm1\r\n  F = 1.500000000000000000\r\n  H = 255\r\n"
      "  S = 'ab'\r\n  object B: TButton [2]\r\n  end\r\nend\r\n";
  EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), expected);
}

TEST(ObjectStreamTest, UnicodeTextFormsStoreNonAsciiAsWideStrings) {
  std::string text =
      "\xEF\xBB\xBF"
      "object \xD0\xA4: TForm1\r\n  A = '\xD0\x9F'\r\nend\r\n";
  std::string stream = ObjectTextToBinary(text, FormCharset::kUtf8);
  EXPECT_EQ(stream, "TPF0" + Bytes({6}) + "TForm1" + Bytes({2}) + "\xD0\xA4" +
                        Prop("A", Bytes({0x12, 1, 0, 0, 0, 0x1F, 4})) + Bytes({0, 0}));
  EXPECT_EQ(ObjectBinaryToText(stream), "object \xD0\xA4: TForm1\r\n  A = #1055\r\nend\r\n");
}

// Runs fn on a thread with a 1 MB stack, as a host application may give.
void OnOneMegabyteStack(const std::function<void()>& fn) {
#if defined(__unix__) || defined(__APPLE__)
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, std::size_t{1} << 20);
  pthread_t thread;
  auto run = [](void* f) -> void* {
    (*static_cast<const std::function<void()>*>(f))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&fn)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
#else
  fn();
#endif
}

TEST(ObjectStreamTest, DeepestNestingConvertsOnAOneMegabyteStack) {
  OnOneMegabyteStack([] {
    // Objects and lists nested as deep as accepted, then one level more.
    std::string objects, ends;
    for (int i = 0; i <= kMaxStreamNesting; ++i) {
      objects += "object A: T\n";
      ends += "end\n";
    }
    EXPECT_NO_THROW(ObjectTextToBinary(objects + ends));
    EXPECT_THROW(ObjectTextToBinary("object A: T\n" + objects + ends + "end\n"), EParserError);
    auto lists = [](int depth) {
      return "object Form1: TForm1\r\n  A = " + std::string(static_cast<size_t>(depth), '(') +
             std::string(static_cast<size_t>(depth), ')') + "\r\nend\r\n";
    };
    EXPECT_NO_THROW(ObjectTextToBinary(lists(kMaxStreamNesting)));
    EXPECT_THROW(ObjectTextToBinary(lists(kMaxStreamNesting + 1)), EParserError);
    // Back to text (whose indentation grows with the depth) at a quarter of
    // the depth.
    std::string stream = ObjectTextToBinary(lists(kMaxStreamNesting / 4));
    EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(stream)), stream);
  });
}

TEST(ObjectStreamTest, BadStreamsFailWithTheOffset) {
  struct Case {
    std::string stream;
    std::string message;
  } cases[] = {
      {"TPFX", "offset 0: missing the TPF0 signature"},
      {FormStream(Prop("A", Bytes({0x63}))), "offset 19: unknown value type 99"},
      {FormStream(Prop("A", Bytes({0x0C, 0xFF, 0xFF, 0, 0}) + "x")), "runs past the end"},
      {FormStream(Prop("A", Bytes({0x12, 0xFF, 0xFF, 0xFF, 0x7F}))), "runs past the end"},
  };
  for (const Case& c : cases) {
    try {
      ObjectBinaryToText(c.stream);
      FAIL() << c.message;
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // Every truncation of a valid stream fails cleanly.
  std::string full = FormStream(Prop("A", Bytes({1, 6, 1, 'x', 0x0E, 1, 0, 0, 0})) +
                                Prop("B", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})));
  for (size_t n = 0; n < full.size(); ++n)
    EXPECT_THROW(ObjectBinaryToText(full.substr(0, n)), EStreamError) << n;
  // Deep nesting is refused, not followed to a stack overflow.
  std::string deep = FormStream(Prop("A", std::string(100000, '\x01') + std::string(100000, '\0')));
  EXPECT_THROW(ObjectBinaryToText(deep), EStreamError);
}

TEST(ObjectStreamTest, BadTextFailsWithLineAndColumn) {
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {"object Form1: TForm1\r\n  A = \r\nend",
       "line 3, column 4: property name or 'end' expected"},
      {"object Form1: TForm1\r\n  A = ", "line 2, column 7: value expected"},
      {"object Form1: TForm1\r\n  A = 'open\r\nend\r\n", "line 2, column 7: unterminated string"},
      {"unit Unit1;", "line 1, column 1: 'object' expected"},
      {"object Form1: TForm1\r\n  A = {0A0}\r\nend\r\n", "odd number of hexadecimal digits"},
      {"object Form1: TForm1\r\n  A = 12x\r\nend\r\n", "line 2, column 9: invalid number"},
      {"object Form1: TForm1\r\n  A = 1\r\n", "property name or 'end' expected"},
      {"object Form1: TForm1\r\nend\r\ngarbage", "text after the end of the form"},
      {"", "line 1, column 1"},
  };
  for (const Case& c : cases) {
    try {
      ObjectTextToBinary(c.text);
      FAIL() << c.message;
    } catch (const EParserError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  std::string deep = "object Form1: TForm1\r\n  A = " + std::string(100000, '(') + "\r\nend\r\n";
  EXPECT_THROW(ObjectTextToBinary(deep), EParserError);
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "object A: T\n";
  EXPECT_THROW(ObjectTextToBinary(nested), EParserError);
}

}  // namespace
}  // namespace tolvern
