#include "streams/form_resource.h"

#include <gtest/gtest.h>

#include <string>

#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::Bytes;

// A stream of one object TForm1 named Form1 and no properties.
std::string FormStream(const std::string& props) {
  return "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + props + Bytes({0, 0});
}

TEST(FormResourceTest, HeaderRoundTrip) {
  std::string stream = FormStream("");
  std::string file = WriteFormResource("TFORM1", stream);
  EXPECT_EQ(file.substr(0, 12), std::string("\xFF\x0A\x00TFORM1\x00\x30\x10", 12));
  EXPECT_EQ(file.substr(12, 4), Bytes({static_cast<int>(stream.size()), 0, 0, 0}));
  TRCData header;
  EXPECT_EQ(ReadFormResource(file, &header), stream);
  EXPECT_EQ(header.Name, "TFORM1");
  EXPECT_EQ(header.Size, static_cast<int>(stream.size()));
  EXPECT_EQ(ResourceNameOf(stream), "TFORM1");
  EXPECT_TRUE(IsBinaryForm(file));
  EXPECT_FALSE(IsBinaryForm("object"));
  EXPECT_THROW(ReadFormResource(std::string("\xFF\x0A\x00TF", 5), &header), EStreamError);
}

}  // namespace
}  // namespace tolvern
