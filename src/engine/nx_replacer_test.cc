#include "engine/nx_replacer.h"

#include <gtest/gtest.h>

#include "engine/component_replacer.h"
#include "engine/replace_options.h"

namespace tolvern {
namespace {

TEST(ClassTablesTest, LookupsIgnoreCase) {
  NXReplacerScope library;
  EXPECT_EQ(BdeReplacer->FindReplacement("tquery"), "TNXQuery");
  EXPECT_EQ(BdeReplacer->FindReplacement("TwwQuery"), "TNXQuery");
  EXPECT_EQ(BdeReplacer->FindReplacement("TDataSource"), "");
  EXPECT_EQ(BdeReplacer->FindReplacement("EDBEngineError"), "ENXOleError");
  EXPECT_EQ(AdoReplacer->FindReplacement("TADODataSet"), "TNXQuery");
  EXPECT_EQ(AdoReplacer->FindReplacement("TADOQuery"), "TNXQuery");
  EXPECT_EQ(AdoReplacer->FindReplacement("TADOCommand"), "TNXSQL");
  EXPECT_EQ(AdoReplacer->FindReplacement("TQuery"), "");
  EXPECT_EQ(BdeReplacer->OldNames.Count(), 11);
  EXPECT_EQ(BdeReplacer->NewNames.Count(), 11);
  EXPECT_EQ(AdoReplacer->OldNames.Count(), 6);
  EXPECT_EQ(BdeReplacer->OldUnit, "DBTABLES");
  EXPECT_EQ(AdoReplacer->OldUnit, "ADODB");
  EXPECT_EQ(ReplaceOptions->Name, "BDE/ADO");
}

TEST(ClassTablesTest, StartupIsCountedAndShutdownFreesAtTheEnd) {
  NXReplacerStartup();
  TComponentReplacer* first = BdeReplacer;
  NXReplacerStartup();
  EXPECT_EQ(BdeReplacer, first);
  NXReplacerShutdown();
  EXPECT_EQ(BdeReplacer, first);
  NXReplacerShutdown();
  EXPECT_EQ(BdeReplacer, nullptr);
  EXPECT_EQ(AdoReplacer, nullptr);
  EXPECT_EQ(ReplaceOptions, nullptr);
}

}  // namespace
}  // namespace tolvern
