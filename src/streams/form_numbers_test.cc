#include "streams/form_numbers.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::Bytes;

// A stream of one object TForm1 named Form1 with the given property bytes.
std::string FormStream(const std::string& props) {
  return "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + props + Bytes({0, 0});
}

std::string Prop(const std::string& name, const std::string& value) {
  return static_cast<char>(name.size()) + name + value;
}

TEST(FormNumbersTest, FloatTextsReadBackToTheSameBits) {
  const long double denormals[] = {std::numeric_limits<long double>::denorm_min(), -1e-4940L,
                                   std::numeric_limits<long double>::min() / 3};
  for (long double v :
       {0.0L, -0.0L, 1.0L, 0.75L, 36805.6934977778L, 1e-20L, 1e300L, -2.5e18L, 0.1L, 1.0L / 3.0L,
        39284.67729563657L, denormals[0], denormals[1], denormals[2]}) {
    std::string text = FormatExtended(v);
    auto back = ParseFloat(text);
    ASSERT_TRUE(back.has_value()) << text;
    unsigned char a[10], b[10];
    EncodeExtended(v, a);
    EncodeExtended(*back, b);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(a), 10),
              std::string(reinterpret_cast<char*>(b), 10))
        << text;
  }
  // Denormals keep their bits through a stream's text.
  for (auto bits :
       {Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0}), Bytes({0, 0, 0, 0, 0x31, 0, 0, 0x40, 0, 0x80})}) {
    std::string stream = FormStream(Prop("A", Bytes({5}) + bits));
    EXPECT_EQ(ObjectTextToBinary(ObjectBinaryToText(stream)), stream) << ObjectBinaryToText(stream);
  }
  EXPECT_EQ(ParseFloat("1E-5000"), 0.0L);  // below the smallest denormal
  EXPECT_EQ(FormatExtended(39255.0L), "39255.000000000000000000");
  EXPECT_EQ(FormatExtended(1e-20L), "1E-20");
  EXPECT_EQ(FormatCurrency(123400), "123400");
  EXPECT_EQ(FormatCurrency(-5), "-5");
  EXPECT_EQ(ParseCurrency("-5"), -5);
  EXPECT_EQ(ParseCurrency("1.5E3"), 1500);
  EXPECT_EQ(FormatSingle(1.5f), "1.5");
}

}  // namespace
}  // namespace tolvern
