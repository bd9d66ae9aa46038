#include "parsing/family_reader.h"

#include "parsing/profile_checks.h"

namespace tolvern::profile_json {
namespace {

constexpr const char* kPath = "$.family";
constexpr const char* kDropped[] = {"note", "warning"};
constexpr const char* kMatches[] = {"name", "prefix", "unit", "handler"};
constexpr const char* kLevels[] = {"error", "warning", "note"};
constexpr const char* kKinds[] = {"interface", "error-handling"};

// Reads the family's parts, collecting every problem with its path.
class FamilyReader {
 public:
  explicit FamilyReader(ProfileChecks* checks) : c_(*checks) {}

  SourceFamily Read(const Json& v) {
    SourceFamily f;
    if (!c_.Expect(v, kPath, Json::value_t::object, "an object")) return f;
    c_.Keys(v, kPath, {"id", "name", "index", "units", "database", "datasets", "todo"});
    f.id = Required(v, kPath, "id");
    if (!f.id.empty() &&
        f.id.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") != std::string::npos)
      c_.Problem(Member(kPath, "id"), "\"" + f.id + "\" is not a lower-case name (a-z, 0-9, -)");
    f.display_name = Required(v, kPath, "name");
    if (v.contains("index")) f.index = Index(v["index"]);
    if (Has(v, kPath, "units")) f.units = c_.Names(v["units"], Member(kPath, "units"));
    if (v.contains("units") && v["units"].is_array() && v["units"].empty())
      c_.Problem(Member(kPath, "units"), "must name the source unit");
    if (Has(v, kPath, "database")) ReadDatabase(v["database"], &f);
    if (v.contains("datasets")) f.datasets = c_.Names(v["datasets"], Member(kPath, "datasets"));
    if (v.contains("todo")) ReadTodo(v["todo"], &f.todo);
    return f;
  }

 private:
  bool Has(const Json& v, const std::string& path, const char* key) {
    if (v.contains(key)) return true;
    c_.Problem(path, std::string("missing \"") + key + "\"");
    return false;
  }

  // A text the row must give; "" when it does not.
  std::string Required(const Json& v, const std::string& path, const char* key) {
    return Has(v, path, key) ? c_.Name(v[key], Member(path, key), ProfileChecks::Text::kAny) : "";
  }

  // A text the row may give, possibly empty.
  std::string Optional(const Json& v, const std::string& path, const char* key) {
    if (!v.contains(key)) return "";
    if (!c_.Expect(v[key], Member(path, key), Json::value_t::string, "a string")) return "";
    return v[key].get<std::string>();
  }

  template <size_t N>
  std::string Choice(const Json& v, const std::string& path, const char* key,
                     const char* const (&names)[N], bool required) {
    std::string s = required ? Required(v, path, key) : Optional(v, path, key);
    if (!s.empty() && !Contains(names, s))
      c_.Problem(Member(path, key), "expected one of " + OneOf(names) + ", found \"" + s + "\"");
    return s;
  }

  int Index(const Json& v) {
    if (v.is_number_unsigned() && v.get<unsigned>() < 100) return v.get<int>();
    c_.Problem(Member(kPath, "index"), "expected a number from 0 to 99");
    return -1;
  }

  void ReadDatabase(const Json& v, SourceFamily* f) {
    const std::string path = Member(kPath, "database");
    if (!c_.Expect(v, path, Json::value_t::object, "an object")) return;
    c_.Keys(v, path, {"class", "property"});
    if (Has(v, path, "class")) f->database_class = c_.Name(v["class"], path + ".class");
    if (Has(v, path, "property")) f->database_property = c_.Name(v["property"], path + ".property");
  }

  // Calls read for each object of the array at key, with its path.
  template <typename Read>
  void EachRow(const Json& todo, const std::string& path, const char* key, Read read) {
    if (!todo.contains(key)) return;
    const std::string at = Member(path, key);
    if (!c_.Expect(todo[key], at, Json::value_t::array, "an array")) return;
    for (size_t i = 0; i < todo[key].size(); ++i)
      if (c_.Expect(todo[key][i], Item(at, i), Json::value_t::object, "an object"))
        read(todo[key][i], Item(at, i));
  }

  void ReadTodo(const Json& v, FamilyTodo* t) {
    const std::string path = Member(kPath, "todo");
    if (!c_.Expect(v, path, Json::value_t::object, "an object")) return;
    c_.Keys(v, path, {"members", "values", "interfaces", "noDatabase"});
    EachRow(v, path, "members", [&](const Json& r, const std::string& at) {
      c_.Keys(r, at, {"class", "member", "advice", "dropped", "formAdvice"});
      t->members.push_back({Required(r, at, "class"), Required(r, at, "member"),
                            Optional(r, at, "advice"), Choice(r, at, "dropped", kDropped, true),
                            Optional(r, at, "formAdvice")});
    });
    EachRow(v, path, "values", [&](const Json& r, const std::string& at) {
      c_.Keys(r, at, {"class", "property", "value", "advice"});
      t->values.push_back({Required(r, at, "class"), Required(r, at, "property"),
                           Required(r, at, "value"), Required(r, at, "advice")});
    });
    EachRow(v, path, "interfaces", [&](const Json& r, const std::string& at) {
      c_.Keys(r, at, {"match", "name", "advice", "level", "kind"});
      TodoInterface row{Choice(r, at, "match", kMatches, true), Required(r, at, "name"),
                        Required(r, at, "advice"), Choice(r, at, "level", kLevels, true)};
      if (r.contains("kind")) row.kind = Choice(r, at, "kind", kKinds, true);
      t->interfaces.push_back(std::move(row));
    });
    t->no_database = Optional(v, path, "noDatabase");
  }

  ProfileChecks& c_;
};

Json TodoJson(const FamilyTodo& t) {
  Json j = Json::object();
  if (!t.members.empty()) j["members"] = Json::array();
  for (const TodoMember& m : t.members) {
    Json r{{"class", m.cls}, {"member", m.member}, {"advice", m.advice}, {"dropped", m.dropped}};
    if (!m.form_advice.empty()) r["formAdvice"] = m.form_advice;
    j["members"].push_back(r);
  }
  for (const TodoValue& v : t.values)
    j["values"].push_back(
        {{"class", v.cls}, {"property", v.property}, {"value", v.value}, {"advice", v.advice}});
  for (const TodoInterface& i : t.interfaces) {
    Json r{{"match", i.match}, {"name", i.name}, {"advice", i.advice}, {"level", i.level}};
    if (i.kind != "interface") r["kind"] = i.kind;
    j["interfaces"].push_back(r);
  }
  if (!t.no_database.empty()) j["noDatabase"] = t.no_database;
  return j;
}

}  // namespace

SourceFamily ReadFamily(const Json& v, ProfileChecks* checks) {
  return FamilyReader(checks).Read(v);
}

Json FamilyJson(const SourceFamily& f) {
  Json j{{"id", f.id}, {"name", f.display_name}};
  if (f.index >= 0) j["index"] = f.index;
  j["units"] = f.units;
  j["database"] = {{"class", f.database_class}, {"property", f.database_property}};
  j["datasets"] = f.datasets;
  j["todo"] = TodoJson(f.todo);
  return j;
}

}  // namespace tolvern::profile_json
