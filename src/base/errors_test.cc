#include "base/errors.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvern {
namespace {

class EKindOfFailure : public Exception {
 public:
  using Exception::Exception;
};

// A failure in a file keeps the file and the reason apart, whatever either
// holds (a reason with ": " of its own, a path with a colon), joins them for
// a person, and is caught as the kind of failure it wraps.
TEST(ErrorsTest, AnErrorInAFileKeepsTheFileApartFromTheReason) {
  struct Case {
    std::string file, reason, what;
  } cases[] = {
      {"/p/Main.dfm", "unexpected end of stream", "/p/Main.dfm: unexpected end of stream"},
      {"C:\\App\\F.dfm", "Invalid object stream at offset 10: nesting too deep",
       "C:\\App\\F.dfm: Invalid object stream at offset 10: nesting too deep"},
      {"a: b.dfm", "", "a: b.dfm: "},
  };
  for (const Case& c : cases) {
    try {
      throw ErrorInFile<EKindOfFailure>(c.file, c.reason);
    } catch (const EKindOfFailure& e) {
      EXPECT_EQ(std::string(e.what()), c.what);
      const auto* in_file = dynamic_cast<const ErrorInFile<EKindOfFailure>*>(&e);
      ASSERT_NE(in_file, nullptr) << c.what;
      EXPECT_EQ(in_file->File(), c.file);
      EXPECT_EQ(in_file->Reason(), c.reason);
    }
  }
}

}  // namespace
}  // namespace tolvern
