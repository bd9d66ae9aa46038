#include "parsing/alias_key.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace tolvern {
namespace {

// A name of valid UTF-8 is its own key; one that is not is written with
// #nnn codes for the bytes that are not, and every key reads back as the
// name it was written for, also inside a JSON document.
TEST(AliasKeyTest, EveryNameComesBackFromItsKey) {
  struct Case {
    const char* name;
    const char* key;
  } cases[] = {
      {"LEDGER", "LEDGER"},
      {"Old Archive", "Old Archive"},
      {"C:\\Data\\Orders", "C:\\Data\\Orders"},        // a folder as a database name
      {"Sess\xC3\xA3o", "Sess\xC3\xA3o"},              // UTF-8
      {"Sess\xE3o", "'Sess'#227'o'"},                  // a code page's byte
      {"\xE3", "#227"},                                //
      {"Sess\xE3o\xD1\x81", "'Sess'#227'o\xD1\x81'"},  // a byte, then UTF-8
      {"It's \xE9t\xE9", "'It'#39's '#233't'#233"},    // a quote among them
      {"'quoted'", "#39'quoted'#39"},                  // a name that looks like a key
      {"#1", "'#1'"},                                  //
      {"#", "'#'"},                                    //
      {"tab\t\xFF", "'tab'#9#255"},                    // a control character
  };
  for (const Case& c : cases) {
    const std::string key = AliasKey(c.name);
    EXPECT_EQ(key, c.key) << c.name;
    EXPECT_EQ(AliasNameOfKey(key), c.name) << key;
    const std::string json = nlohmann::json({{key, 1}}).dump();
    EXPECT_EQ(AliasNameOfKey(nlohmann::json::parse(json).begin().key()), c.name) << json;
  }
}

// A key that does not begin with a quote or "#", or is no string value, is
// the name as written.
TEST(AliasKeyTest, OtherKeysAreNamesAsTheyAre) {
  for (const char* key : {"MAIN", "#Temp", "#1 db", "'open", "a'#227'b", "dbo.Orders"})
    EXPECT_EQ(AliasNameOfKey(key), key) << key;
  EXPECT_EQ(AliasNameOfKey("#83'ess'#227#111"), "Sess\xE3o");
}

}  // namespace
}  // namespace tolvern
