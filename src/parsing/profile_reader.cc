#include "parsing/profile_reader.h"

#include <algorithm>
#include <cstdint>

#include "base/ascii_text.h"
#include "parsing/alias_key.h"
#include "parsing/family_reader.h"
#include "parsing/form_parser.h"
#include "parsing/profile_checks.h"

namespace tolvern::profile_json {
namespace {

// The drop reasons a profile may give: those of the run report.
constexpr const char* kDropReasons[] = {
    drop_reason::kNotPublished, drop_reason::kOutsideMappingTable, drop_reason::kDatabaseName,
    drop_reason::kNoConnection, drop_reason::kEmptyValue,          drop_reason::kNoLoginEntries};

// A JSON value as form text writes it: a string quoted (characters beyond
// ASCII and control characters as #nnn codes, so that the text reads the same
// in any code page), a number as it is, true and false as True and False.
std::string FormValue(const Json& v) {
  if (v.is_boolean()) return v.get<bool>() ? "True" : "False";
  if (!v.is_string()) return v.dump();
  const std::string s = v.get<std::string>();
  std::string out;
  bool quoted = false;
  auto quote = [&](bool on) {
    if (quoted != on) out += '\'';
    quoted = on;
  };
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::uint32_t code = c;
    size_t len = 1;
    if (c >= 0x80) {
      // JSON text is UTF-8: one code point of 2 to 4 bytes.
      len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      code = c & (0x3F >> (len - 1));
      for (size_t k = 1; k < len && i + k < s.size(); ++k)
        code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (code >= 0x20 && code < 0x7F && code != '\'') {
      quote(true);
      out += static_cast<char>(code);
    } else {
      quote(false);
      out += "#" + std::to_string(code);
    }
    i += len;
  }
  quote(false);
  return out.empty() ? "''" : out;
}

// Reads one profile, collecting every problem with its path.
class ProfileReader : ProfileChecks {
 public:
  using ProfileChecks::ProfileChecks;

  MappingProfile Read(const Json& root) {
    MappingProfile p;
    if (!Expect(root, "$", Json::value_t::object, "an object")) return p;
    Keys(root, "$",
         {"$schema", "name", "sourceUnit", "newUnits", "classes", "exceptions", "properties",
          "targets", "todo", "aliases", "aliasModule", "family"});
    if (root.contains("name")) p.name = Name(root["name"], "$.name", Text::kAny);
    if (root.contains("sourceUnit")) p.source_unit = Name(root["sourceUnit"], "$.sourceUnit");
    if (root.contains("newUnits")) p.new_units = Names(root["newUnits"], "$.newUnits");
    if (root.contains("classes")) ReadClasses(root["classes"], &p);
    if (root.contains("exceptions")) ReadExceptions(root["exceptions"], &p);
    if (root.contains("properties")) p.properties = Rules(root["properties"], "$.properties");
    if (root.contains("targets")) ReadTargets(root["targets"], &p);
    if (root.contains("todo")) p.todo = root["todo"].dump();
    if (root.contains("aliases")) ReadAliases(root["aliases"], &p);
    if (root.contains("aliasModule")) p.alias_module = Name(root["aliasModule"], "$.aliasModule");
    if (root.contains("family")) p.family = ReadFamily(root["family"], this);
    return p;
  }

 private:
  // A "from"/"to" pair; *seen holds the paths of the pairs read so far, so
  // that a class mapped twice in one file is caught.
  ClassPair Pair(const Json& v, const std::string& path,
                 std::vector<std::pair<ClassPair, std::string>>* seen) {
    ClassPair pair;
    if (!v.contains("from")) Problem(path, "missing \"from\"");
    if (!v.contains("to")) Problem(path, "missing \"to\"");
    if (v.contains("from")) pair.from = Name(v["from"], path + ".from");
    if (v.contains("to")) pair.to = Name(v["to"], path + ".to");
    if (pair.from.empty()) return pair;
    for (const auto& [other, where] : *seen) {
      if (!SameText(other.from, pair.from)) continue;
      Problem(path + ".from", other.to == pair.to
                                  ? "\"" + pair.from + "\" is mapped already at " + where
                                  : "\"" + pair.from + "\" is mapped to two targets: \"" +
                                        other.to + "\" at " + where + " and \"" + pair.to + "\"");
      break;
    }
    seen->push_back({pair, path});
    return pair;
  }

  void ReadClasses(const Json& v, MappingProfile* p) {
    if (!Expect(v, "$.classes", Json::value_t::array, "an array")) return;
    for (size_t i = 0; i < v.size(); ++i) {
      const std::string path = Item("$.classes", i);
      if (!Expect(v[i], path, Json::value_t::object, "an object")) continue;
      Keys(v[i], path, {"from", "to", "properties", "units"});
      ClassPair pair = Pair(v[i], path, &pairs_);
      ClassMapping m{pair.from, pair.to, {}};
      if (v[i].contains("properties"))
        m.properties = Rules(v[i]["properties"], path + ".properties");
      if (v[i].contains("units")) m.units = Names(v[i]["units"], path + ".units");
      p->classes.push_back(std::move(m));
    }
  }

  void ReadExceptions(const Json& v, MappingProfile* p) {
    if (!Expect(v, "$.exceptions", Json::value_t::array, "an array")) return;
    for (size_t i = 0; i < v.size(); ++i) {
      const std::string path = Item("$.exceptions", i);
      if (!Expect(v[i], path, Json::value_t::object, "an object")) continue;
      Keys(v[i], path, {"from", "to"});
      p->exceptions.push_back(Pair(v[i], path, &pairs_));
    }
  }

  void ReadTargets(const Json& v, MappingProfile* p) {
    if (!Expect(v, "$.targets", Json::value_t::array, "an array")) return;
    for (size_t i = 0; i < v.size(); ++i) {
      const std::string path = Item("$.targets", i);
      if (!Expect(v[i], path, Json::value_t::object, "an object")) continue;
      Keys(v[i], path, {"name", "published"});
      ComponentClass cls;
      if (!v[i].contains("name")) Problem(path, "missing \"name\"");
      if (!v[i].contains("published")) Problem(path, "missing \"published\"");
      if (v[i].contains("name")) cls.name = Name(v[i]["name"], path + ".name");
      if (v[i].contains("published")) cls.published = Names(v[i]["published"], path + ".published");
      for (const ComponentClass& other : p->targets)
        if (!cls.name.empty() && SameText(other.name, cls.name))
          Problem(path + ".name", "\"" + cls.name + "\" is listed twice");
      p->targets.push_back(std::move(cls));
    }
  }

  // "ALIAS": "Form.Component" binds the alias's data sets to an existing
  // component; "ALIAS": {...} creates a connection with the parameters given,
  // or with "bind" binds them as the string does. Either object may name the
  // alias's table folder ("data").
  // A key may write the alias's bytes with #nnn codes (alias_key.h).
  void ReadAliases(const Json& v, MappingProfile* p) {
    if (!Expect(v, "$.aliases", Json::value_t::object, "an object")) return;
    // The keys read so far by alias name, letter case ignored.
    FoldedMap<std::vector<std::string>> seen;
    for (const auto& [key, rule] : v.items()) {
      const std::string path = Member("$.aliases", key);
      AliasRule a;
      a.alias = AliasNameOfKey(key);
      a.json = rule.dump();
      if (a.alias.empty()) Problem(path, "an alias name must not be empty");
      std::vector<std::string>& same = seen[a.alias];
      for (const std::string& other : same)
        Problem(path, "\"" + key + "\" is mapped already as \"" + other +
                          "\" (aliases ignore letter case)");
      same.push_back(key);
      if (rule.is_string()) {
        Bind(rule.get<std::string>(), path, &a);
      } else if (Expect(rule, path, Json::value_t::object,
                        "a component (\"Form.Component\") or an object")) {
        if (rule.contains("bind")) {
          Keys(rule, path, {"bind", "data"});
          if (Expect(rule["bind"], path + ".bind", Json::value_t::string, "a string"))
            Bind(rule["bind"].get<std::string>(), path + ".bind", &a);
        } else {
          ReadNewConnection(rule, path, &a);
        }
        if (rule.contains("data")) ReadData(rule["data"], path + ".data", &a);
      }
      p->aliases.push_back(std::move(a));
    }
  }

  void Bind(std::string component, const std::string& path, AliasRule* a) {
    a->bind = std::move(component);
    if (!IsPropertyName(a->bind) || std::count(a->bind.begin(), a->bind.end(), '.') > 1)
      Problem(path, "expected a component (\"Form.Component\" or \"Component\"), found \"" +
                        a->bind + "\"");
  }

  // "data": "FOLDER", or {"folder": "FOLDER", "passwords": ["...", ...]}.
  // An empty folder is one left for the user to fill in.
  void ReadData(const Json& v, const std::string& path, AliasRule* a) {
    a->data = true;
    if (v.is_string()) {
      a->data_folder = v.get<std::string>();
      return;
    }
    if (!Expect(v, path, Json::value_t::object, "a folder or an object")) return;
    Keys(v, path, {"folder", "passwords"});
    if (v.contains("folder") &&
        Expect(v["folder"], path + ".folder", Json::value_t::string, "a string"))
      a->data_folder = v["folder"].get<std::string>();
    if (!v.contains("passwords")) return;
    const Json& words = v["passwords"];
    if (!Expect(words, path + ".passwords", Json::value_t::array, "an array")) return;
    for (size_t i = 0; i < words.size(); ++i)
      if (Expect(words[i], Item(path + ".passwords", i), Json::value_t::string, "a string"))
        a->data_passwords.push_back(words[i].get<std::string>());
  }

  void ReadNewConnection(const Json& v, const std::string& path, AliasRule* a) {
    Keys(v, path,
         {"connection", "database", "server", "username", "password", "properties", "data"});
    if (v.contains("connection")) a->connection = Name(v["connection"], path + ".connection");
    static constexpr std::pair<const char*, const char*> kParameters[] = {{"database", "Database"},
                                                                          {"server", "Server"},
                                                                          {"username", "Username"},
                                                                          {"password", "Password"}};
    for (const auto& [key, property] : kParameters) {
      if (!v.contains(key)) continue;
      if (!Expect(v[key], path + "." + key, Json::value_t::string, "a string")) continue;
      // An empty parameter is one left for the user to fill in: not set.
      const std::string value = v[key].get<std::string>();
      if (!value.empty()) a->properties.emplace_back(property, FormValue(v[key]));
    }
    if (!v.contains("properties")) return;
    const Json& props = v["properties"];
    if (!Expect(props, path + ".properties", Json::value_t::object, "an object")) return;
    for (const auto& [name, value] : props.items()) {
      const std::string at = Member(path + ".properties", name);
      if (!IsPropertyName(name)) {
        Problem(at, "\"" + name + "\" is not a property name");
        continue;
      }
      for (const auto& [key, property] : kParameters)
        if (SameText(name, property)) Problem(at, "give it as \"" + std::string(key) + "\"");
      if (!value.is_string() && !value.is_boolean() && !value.is_number()) {
        Problem(at, std::string("expected a string, a number or true/false, found ") +
                        value.type_name());
        continue;
      }
      a->properties.emplace_back(name, FormValue(value));
    }
  }

  PropertyRules Rules(const Json& v, const std::string& path) {
    PropertyRules rules;
    if (!Expect(v, path, Json::value_t::object, "an object")) return rules;
    for (const auto& [name, rule] : v.items()) {
      const std::string at = Member(path, name);
      if (!IsPropertyName(name)) Problem(at, "\"" + name + "\" is not a property name");
      rules.emplace_back(name, Rule(rule, at));
    }
    return rules;
  }

  // "keep", "drop", or an object with one of "keep", "drop", "rename" (with
  // "values" or "lookup") and "code".
  PropertyRule Rule(const Json& v, const std::string& path) {
    PropertyRule r;
    if (v.is_string() && (v == "keep" || v == "drop")) {
      r.kind = v == "keep" ? PropertyRule::Kind::kKeep : PropertyRule::Kind::kDrop;
      r.reason = drop_reason::kNotPublished;
      return r;
    }
    if (!v.is_object()) {
      Problem(path, std::string("expected \"keep\", \"drop\" or an object, found ") +
                        (v.is_string() ? "\"" + v.get<std::string>() + "\"" : v.type_name()));
      return r;
    }
    Keys(v, path, {"keep", "drop", "rename", "values", "lookup", "code"});
    int kinds = 0;
    for (const char* k : {"keep", "drop", "rename", "code"}) kinds += v.contains(k) ? 1 : 0;
    if (kinds != 1) {
      Problem(path, "needs exactly one of \"keep\", \"drop\", \"rename\" and \"code\"");
      return r;
    }
    if ((v.contains("values") || v.contains("lookup")) && !v.contains("rename"))
      Problem(path, "\"values\" and \"lookup\" go with \"rename\" only");
    if (v.contains("keep")) {
      if (v["keep"] != true) Problem(path + ".keep", "expected true");
    } else if (v.contains("drop")) {
      r.kind = PropertyRule::Kind::kDrop;
      r.reason = v["drop"].is_boolean() && v["drop"] == true ? drop_reason::kNotPublished : "";
      if (v["drop"].is_string()) r.reason = v["drop"].get<std::string>();
      if (!Contains(kDropReasons, r.reason))
        Problem(path + ".drop", "expected true or a drop reason: " + OneOf(kDropReasons));
    } else if (v.contains("code")) {
      r.kind = PropertyRule::Kind::kCode;
      if (Expect(v["code"], path + ".code", Json::value_t::string, "a string")) {
        r.code = v["code"].get<std::string>();
        if (!Contains(kCodeConversions, r.code))
          Problem(path + ".code",
                  "unknown conversion \"" + r.code + "\"; known: " + OneOf(kCodeConversions));
      }
    } else {
      r.kind = PropertyRule::Kind::kRename;
      r.to = Name(v["rename"], path + ".rename", Text::kProperty);
      if (v.contains("values") && v.contains("lookup"))
        Problem(path, "\"values\" and \"lookup\" exclude each other");
      if (v.contains("values") &&
          Expect(v["values"], path + ".values", Json::value_t::object, "an object")) {
        for (const auto& [from, to] : v["values"].items()) {
          if (Expect(to, Member(path + ".values", from), Json::value_t::string, "a string"))
            r.values.emplace_back(from, to.get<std::string>());
        }
      }
      if (v.contains("lookup")) {
        r.database_lookup = v["lookup"] == "database";
        if (!r.database_lookup) Problem(path + ".lookup", "expected \"database\"");
      }
    }
    return r;
  }

  std::vector<std::pair<ClassPair, std::string>> pairs_;
};

}  // namespace

MappingProfile ReadProfileJson(const Json& root, std::vector<std::string>* problems,
                               const LocatingReader* where) {
  return ProfileReader(problems, where).Read(root);
}

}  // namespace tolvern::profile_json
