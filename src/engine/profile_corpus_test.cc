// The built-in profiles convert exactly as the class tables and conversions
// did when they were compiled in: every form of the corpus, with the BDE and
// the ADO tables, comes out byte for byte the same, with the same account of
// every property, from the tables as code, from the profiles built in, and
// from the profile files of the repository.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <utility>

#include "corpus.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "streams/form_strings.h"
#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using Mapping = std::pair<std::string_view, std::string_view>;

constexpr const char* kNewUnits =
    ", NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache";
constexpr Mapping kBdePairs[] = {
    {"TDatabase", "TNXConnection"},     {"TQuery", "TNXQuery"},
    {"TwwQuery", "TNXQuery"},           {"TTable", "TNXTable"},
    {"TwwTable", "TNXTable"},           {"TStoredProc", "TNXStoredProc"},
    {"TwwStoredProc", "TNXStoredProc"}, {"TwwDataSource", "TNXDataSource"},
    {"TUpdateSQL", "TNXUpdateSQL"},     {"EDBEngineError", "ENXOleError"},
    {"TBatchMove", "TKTBatchMove"}};
constexpr Mapping kAdoPairs[] = {
    {"TADOConnection", "TNXConnection"}, {"TADOCommand", "TNXSQL"},
    {"TADODataSet", "TNXQuery"},         {"TADOTable", "TNXTable"},
    {"TADOQuery", "TNXQuery"},           {"TADOStoredProc", "TNXStoredProc"}};
constexpr Mapping kTransIsolation[] = {{"tiDirtyRead", "ilReadUnCommitted"},
                                       {"tiReadCommitted", "ilReadCommitted"},
                                       {"tiRepeatableRead", "ilRepeatableRead"}};
constexpr Mapping kAdoIsolation[] = {{"ilBrowse", "ilReadUnCommitted"},
                                     {"ilCursorStability", "ilReadCommitted"},
                                     {"ilSerializable", "ilIsolated"}};

template <size_t N>
std::string_view Map(const Mapping (&table)[N], std::string_view value) {
  for (const Mapping& m : table)
    if (m.first == value) return m.second;
  return {};
}

// The Nexa conversions as code, over the general conversion of the form
// parser (which still holds the general rows) and the class registry.
class TablesAsCode : public TFormParser {
 protected:
  void ConvertProperty(std::string_view name, std::string_view value) override {
    const std::string_view type = SourceClass();
    if (name == "Params.Strings" && type == "TDatabase") {
      FormChars database = EntryValue(LoginEntries(value), "DATABASE NAME");
      if (!database.empty()) AddProperty("Database", EncodeFormChars(database));
    }
    if (name == "TransIsolation" && type == "TDatabase") {
      SetDropReason(drop_reason::kOutsideMappingTable);
      if (std::string_view level = Map(kTransIsolation, value); !level.empty())
        AddProperty("IsolationLevel", level);
    } else if (name == "IsolationLevel" && type == "TADOConnection") {
      SetDropReason(drop_reason::kOutsideMappingTable);
      if (std::string_view level = Map(kAdoIsolation, value); !level.empty())
        AddProperty("IsolationLevel", level);
    } else if (name == "ConnectionString" && type == "TADOConnection") {
      AddProperty("ConnectString", value);
    } else if (name == "DefaultDatabase" && type == "TADOConnection") {
      AddProperty("Database", value);
    } else if (name == "CommandText" && (type == "TADOCommand" || type == "TADODataSet")) {
      AddProperty("SQL.Strings", "(" + std::string(value) + ")");
    } else if (name == "ProcedureName" && type == "TADOStoredProc") {
      AddProperty("StoredProcName", value);
    } else {
      TFormParser::ConvertProperty(name, value);
    }
  }
};

template <size_t N>
std::unique_ptr<TComponentReplacer> CodeReplacer(const char* unit, const Mapping (&pairs)[N]) {
  auto r = std::make_unique<TComponentReplacer>([] { return std::make_unique<TablesAsCode>(); },
                                                unit, kNewUnits, ReplaceOptions);
  for (const auto& [from, to] : pairs) r->AddReplacement(std::string(from), std::string(to));
  return r;
}

TEST(ProfileCorpusTest, BuiltinProfilesConvertEveryCorpusFormAsTheTablesInCodeDid) {
  TOLVERN_NEED_CORPUS("the built-in profiles against the tables as code, over every corpus form");
  NXReplacerScope library;
  ScratchDir dir;
  const std::string profiles = std::string(TOLVERN_SOURCE_DIR) + "/profiles/";
  RealDisk disk;
  for (bool ado : {false, true}) {
    std::unique_ptr<TComponentReplacer> replacers[] = {
        ado ? CodeReplacer("ADODB", kAdoPairs) : CodeReplacer("DBTables", kBdePairs),
        MakeProfileReplacer(BuiltinProfile(ado ? "ado" : "bde"), ReplaceOptions),
        MakeProfileReplacer(ReadProfile(disk, profiles + (ado ? "ado-nexa.json" : "bde-nexa.json")),
                            ReplaceOptions)};
    const Mapping* begin = ado ? std::begin(kAdoPairs) : std::begin(kBdePairs);
    const Mapping* end = ado ? std::end(kAdoPairs) : std::end(kBdePairs);
    for (auto& r : replacers) {
      EXPECT_EQ(r->OldUnit, ado ? "ADODB" : "DBTABLES");
      EXPECT_EQ(r->NewUnits, kNewUnits);
      EXPECT_EQ(r->OldNames.Count(), end - begin);
      for (const Mapping* m = begin; m != end; ++m)
        EXPECT_EQ(r->FindReplacement(std::string(m->first)), m->second);
      r->Report.details = true;
    }
    int forms = 0, changed = 0;
    for (const auto& e : fs::recursive_directory_iterator(testing::CorpusDir())) {
      const std::string ext = e.path().extension().string();
      if (!e.is_regular_file() || (ext != ".dfm" && ext != ".DFM")) continue;
      const std::string path = e.path().string();
      FormFileData form;
      std::string why;
      if (!TComponentReplacer::ReadFormFile(path, testing::ReadFileBytes(path), &form, &why))
        continue;
      ++forms;
      std::string outputs[3];
      for (int i = 0; i < 3; ++i) {
        const std::string dest = dir / ("out" + std::to_string(i));
        fs::remove(dest);
        replacers[i]->ReplaceInForm(form, path, dest);
        if (fs::exists(dest)) outputs[i] = testing::ReadFileBytes(dest);
      }
      changed += outputs[0].empty() ? 0 : 1;
      // Whole forms are compared; a difference names the form, not its bytes.
      EXPECT_TRUE(outputs[1] == outputs[0]) << "built in: " << path << (ado ? " ADO" : " BDE");
      EXPECT_TRUE(outputs[2] == outputs[0]) << "file: " << path << (ado ? " ADO" : " BDE");
    }
    // The same account of every object and property.
    const std::string account = replacers[0]->Report.ToJson();
    EXPECT_TRUE(replacers[1]->Report.ToJson() == account) << "built in, account differs";
    EXPECT_TRUE(replacers[2]->Report.ToJson() == account) << "file, account differs";
    EXPECT_GT(forms, 850);
    EXPECT_GT(changed, ado ? 150 : 500);
  }
}

}  // namespace
}  // namespace tolvern
