#include "parsing/mapping_profile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "base/ascii_text.h"
#include "parsing/form_parser.h"
#include "platform/disk.h"

namespace tolvern {

// The profiles/*.json files, compiled in by the build.
extern const char kBdeNexaProfile[];
extern const char kAdoNexaProfile[];

namespace {

using Json = nlohmann::ordered_json;

// The drop reasons a profile may give: those of the run report.
constexpr const char* kDropReasons[] = {
    drop_reason::kNotPublished, drop_reason::kOutsideMappingTable, drop_reason::kDatabaseName,
    drop_reason::kNoConnection, drop_reason::kEmptyValue,          drop_reason::kNoLoginEntries};

bool IsIdentifier(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// A property name as forms write it: identifiers joined by dots.
bool IsPropertyName(std::string_view s) {
  for (size_t dot; (dot = s.find('.')) != std::string_view::npos; s.remove_prefix(dot + 1))
    if (!IsIdentifier(s.substr(0, dot))) return false;
  return IsIdentifier(s);
}

// A member's JSON path: $.a.b, or $.a["Params.Strings"] for a name that is
// not an identifier.
std::string Member(const std::string& path, const std::string& key) {
  return IsIdentifier(key) ? path + "." + key : path + "[" + Json(key).dump() + "]";
}
std::string Item(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

template <size_t N>
std::string OneOf(const char* const (&names)[N]) {
  std::string s;
  for (const char* n : names) s += (s.empty() ? "" : ", ") + std::string(n);
  return s;
}

template <size_t N>
bool Contains(const char* const (&names)[N], const std::string& name) {
  return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

// The characters of a text, as an iterator the JSON reader takes, that tell
// how far the reader has come: the reader reads a token's last character
// before it reports the token, so that a value's line is known.
class CountingChars {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;
  CountingChars(const char* p, const char** reached) : p_(p), reached_(reached) {}
  reference operator*() const { return *p_; }
  CountingChars& operator++() {
    *reached_ = ++p_;
    return *this;
  }
  CountingChars operator++(int) {
    CountingChars before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingChars& o) const { return p_ == o.p_; }
  bool operator!=(const CountingChars& o) const { return p_ != o.p_; }

 private:
  const char* p_;
  const char** reached_;
};

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

// Builds the JSON value of a text and notes where each of its values stands,
// by JSON path, and every key that an object holds twice (the JSON library
// would keep the later value and say nothing).
class LocatingReader : public nlohmann::json_sax<Json> {
 public:
  LocatingReader(std::string_view text, const char** reached) : text_(text), reached_(reached) {}

  Json root;
  std::vector<std::string> duplicates;  // "$.path (line N): problem"
  std::string error;

  // The line of the value at path, or of the nearest value that holds it.
  int LineOf(std::string path) const {
    for (;;) {
      if (auto at = offsets_.find(path); at != offsets_.end()) return Line(at->second);
      const size_t cut = path.find_last_of(".[");
      if (cut == std::string::npos || cut == 0) return 1;
      path.resize(cut);
    }
  }

  bool null() override { return Value(nullptr); }
  bool boolean(bool b) override { return Value(b); }
  bool number_integer(number_integer_t n) override { return Value(n); }
  bool number_unsigned(number_unsigned_t n) override { return Value(n); }
  bool number_float(number_float_t n, const string_t&) override { return Value(n); }
  bool string(string_t& s) override { return Value(s); }
  bool binary(binary_t&) override { return Value(nullptr); }
  bool start_object(std::size_t) override { return Open(Json::object()); }
  bool start_array(std::size_t) override { return Open(Json::array()); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool key(string_t& k) override {
    Frame& f = open_.back();
    const std::string path = Member(f.path, k);
    if (auto first = offsets_.find(path); first != offsets_.end())
      duplicates.push_back(path + " (line " + std::to_string(Line(Reached())) +
                           "): duplicate key \"" + k + "\", first at line " +
                           std::to_string(Line(first->second)) + "; one value would be lost");
    f.key = k;
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    error = e.what();
    return false;
  }

 private:
  struct Frame {
    Json* value;
    std::string path;
    std::string key;
  };

  int Line(size_t offset) const {
    const std::string_view before = text_.substr(0, std::min(offset, text_.size()));
    return 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
  }
  size_t Reached() const { return static_cast<size_t>(*reached_ - text_.data()); }

  // Places a value in the open object or array; the value placed.
  Json* Place(Json v, std::string* path) {
    if (open_.empty()) {
      root = std::move(v);
      *path = "$";
      return &root;
    }
    Frame& f = open_.back();
    if (f.value->is_array()) {
      *path = Item(f.path, f.value->size());
      f.value->push_back(std::move(v));
      return &f.value->back();
    }
    *path = Member(f.path, f.key);
    Json& slot = (*f.value)[f.key];
    slot = std::move(v);
    return &slot;
  }
  bool Value(Json v) {
    std::string path;
    Place(std::move(v), &path);
    offsets_.emplace(path, Reached());
    return true;
  }
  bool Open(Json v) {
    std::string path;
    Json* placed = Place(std::move(v), &path);
    offsets_.emplace(path, Reached());
    open_.push_back({placed, path, {}});
    return true;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }

  std::string_view text_;
  const char** reached_;
  std::vector<Frame> open_;
  std::unordered_map<std::string, size_t> offsets_;
};

// Reads one profile, collecting every problem with its path.
class ProfileReader {
 public:
  explicit ProfileReader(std::vector<std::string>* problems, const LocatingReader* where = nullptr)
      : problems_(problems), where_(where) {}

  MappingProfile Read(const Json& root) {
    MappingProfile p;
    if (!Expect(root, "$", Json::value_t::object, "an object")) return p;
    Keys(root, "$",
         {"$schema", "name", "sourceUnit", "newUnits", "classes", "exceptions", "properties",
          "targets", "todo", "aliases", "aliasModule"});
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
    return p;
  }

 private:
  void Problem(const std::string& path, const std::string& what) {
    problems_->push_back(path +
                         (where_ ? " (line " + std::to_string(where_->LineOf(path)) + ")" : "") +
                         ": " + what);
  }

  bool Expect(const Json& v, const std::string& path, Json::value_t type, const char* what) {
    if (v.type() == type) return true;
    Problem(path, std::string("expected ") + what + ", found " + v.type_name());
    return false;
  }

  void Keys(const Json& object, const std::string& path, std::initializer_list<const char*> known) {
    for (const auto& [key, value] : object.items()) {
      bool found = false;
      for (const char* k : known) found = found || key == k;
      if (!found) Problem(Member(path, key), "unknown key");
    }
  }

  enum class Text { kAny, kIdentifier, kProperty };

  // A class, unit or property name; the profile's own name may be any text.
  std::string Name(const Json& v, const std::string& path, Text text = Text::kIdentifier) {
    if (!Expect(v, path, Json::value_t::string, "a string")) return "";
    std::string s = v.get<std::string>();
    if (s.empty())
      Problem(path, "must not be empty");
    else if (text == Text::kIdentifier && !IsIdentifier(s))
      Problem(path, "\"" + s + "\" is not a Pascal identifier");
    else if (text == Text::kProperty && !IsPropertyName(s))
      Problem(path, "\"" + s + "\" is not a property name");
    return s;
  }

  std::vector<std::string> Names(const Json& v, const std::string& path) {
    std::vector<std::string> names;
    if (!Expect(v, path, Json::value_t::array, "an array")) return names;
    for (size_t i = 0; i < v.size(); ++i) names.push_back(Name(v[i], Item(path, i)));
    return names;
  }

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
  // component; "ALIAS": {...} creates a connection with the parameters given.
  void ReadAliases(const Json& v, MappingProfile* p) {
    if (!Expect(v, "$.aliases", Json::value_t::object, "an object")) return;
    for (const auto& [alias, rule] : v.items()) {
      const std::string path = Member("$.aliases", alias);
      AliasRule a;
      a.alias = alias;
      a.json = rule.dump();
      if (alias.empty()) Problem(path, "an alias name must not be empty");
      for (const AliasRule& other : p->aliases)
        if (SameText(other.alias, alias))
          Problem(path, "\"" + alias + "\" is mapped already as \"" + other.alias +
                            "\" (aliases ignore letter case)");
      if (rule.is_string()) {
        a.bind = rule.get<std::string>();
        if (!IsPropertyName(a.bind) || std::count(a.bind.begin(), a.bind.end(), '.') > 1)
          Problem(path, "expected a component (\"Form.Component\" or \"Component\"), found \"" +
                            a.bind + "\"");
      } else if (Expect(rule, path, Json::value_t::object,
                        "a component (\"Form.Component\") or an object")) {
        ReadNewConnection(rule, path, &a);
      }
      p->aliases.push_back(std::move(a));
    }
  }

  void ReadNewConnection(const Json& v, const std::string& path, AliasRule* a) {
    Keys(v, path, {"connection", "database", "server", "username", "password", "properties"});
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

  std::vector<std::string>* problems_;
  const LocatingReader* where_;
  std::vector<std::pair<ClassPair, std::string>> pairs_;
};

Json RuleJson(const PropertyRule& r) {
  switch (r.kind) {
    case PropertyRule::Kind::kKeep:
      return "keep";
    case PropertyRule::Kind::kDrop:
      return r.reason == drop_reason::kNotPublished ? Json("drop") : Json{{"drop", r.reason}};
    case PropertyRule::Kind::kCode:
      return Json{{"code", r.code}};
    case PropertyRule::Kind::kRename:
      break;
  }
  Json j{{"rename", r.to}};
  if (r.database_lookup) j["lookup"] = "database";
  if (!r.values.empty()) {
    Json values = Json::object();
    for (const auto& [from, to] : r.values) values[from] = to;
    j["values"] = values;
  }
  return j;
}

Json RulesJson(const PropertyRules& rules) {
  Json j = Json::object();
  for (const auto& [name, rule] : rules) j[name] = RuleJson(rule);
  return j;
}

// Lays the rules of overlay over those of base, by property name.
void ApplyRules(PropertyRules* base, const PropertyRules& overlay) {
  for (const auto& [name, rule] : overlay) {
    auto it =
        std::find_if(base->begin(), base->end(), [&](const auto& r) { return r.first == name; });
    if (it != base->end())
      it->second = rule;
    else
      base->emplace_back(name, rule);
  }
}

template <typename T>
void EraseFrom(std::vector<T>* list, const std::string& from) {
  list->erase(std::remove_if(list->begin(), list->end(),
                             [&](const T& x) { return SameText(x.from, from); }),
              list->end());
}

MappingProfile ParseBuiltin(const char* text) {
  std::vector<std::string> problems;
  MappingProfile p = ParseProfile(text, &problems);
  if (!problems.empty())
    throw EAssertionFailed("Assertion failure (MappingProfile): built-in profile: " + problems[0]);
  return p;
}

}  // namespace

std::string MappingProfile::NewUnitsText() const {
  std::string text;
  if (new_units)
    for (const std::string& u : *new_units) text += ", " + u;
  return text;
}

const PropertyRule* MappingProfile::FindRule(std::string_view source_class,
                                             std::string_view property) const {
  for (const ClassMapping& m : classes) {
    if (m.from != source_class) continue;
    for (const auto& [name, rule] : m.properties)
      if (name == property) return &rule;
    break;
  }
  for (const auto& [name, rule] : properties)
    if (name == property) return &rule;
  return nullptr;
}

const AliasRule* MappingProfile::FindAlias(std::string_view alias) const {
  for (const AliasRule& a : aliases)
    if (SameText(a.alias, alias)) return &a;
  return nullptr;
}

const ComponentClass* MappingProfile::FindTarget(std::string_view name) const {
  for (const ComponentClass& c : targets)
    if (SameText(c.name, name)) return &c;
  return nullptr;
}

MappingProfile ParseProfile(std::string_view text, std::vector<std::string>* problems) {
  const char* reached = text.data();
  LocatingReader reader(text, &reached);
  Json::sax_parse(CountingChars(text.data(), &reached),
                  CountingChars(text.data() + text.size(), &reached), &reader);
  if (!reader.error.empty()) {
    // "[json.exception.parse_error.101] parse error at line 3, ...": the
    // part after the tag says where and what.
    std::string what = reader.error;
    if (size_t tag = what.find("] "); tag != std::string::npos) what = what.substr(tag + 2);
    problems->push_back("not valid JSON: " + what);
    return {};
  }
  ProfileReader profile(problems, &reader);
  problems->insert(problems->end(), reader.duplicates.begin(), reader.duplicates.end());
  return profile.Read(reader.root);
}

MappingProfile ReadProfile(Disk& disk, const std::string& path) {
  std::string text, why;
  if (!disk.ReadFile(path, &text, &why))
    throw EProfileError("profile \"" + path + "\" cannot be read: " + why);
  std::vector<std::string> problems;
  MappingProfile p = ParseProfile(text, &problems);
  if (!problems.empty()) {
    std::string more;
    if (problems.size() > 1)
      more = " (and " + std::to_string(problems.size() - 1) +
             " more; tolvern profile --check lists them)";
    throw EProfileError("profile \"" + path + "\": " + problems[0] + more);
  }
  p.files.push_back(path);
  return p;
}

const MappingProfile& BuiltinProfile(bool ado) {
  static const MappingProfile bde = ParseBuiltin(kBdeNexaProfile);
  static const MappingProfile ado_profile = ParseBuiltin(kAdoNexaProfile);
  return ado ? ado_profile : bde;
}

std::shared_ptr<const MappingProfile> BuiltinConversions() {
  static const std::shared_ptr<const MappingProfile> both = [] {
    auto p = std::make_shared<MappingProfile>(BuiltinProfile(false));
    ApplyProfile(p.get(), BuiltinProfile(true));
    return p;
  }();
  return both;
}

void ApplyProfile(MappingProfile* base, const MappingProfile& overlay) {
  if (!overlay.name.empty()) base->name = overlay.name;
  if (!overlay.source_unit.empty()) base->source_unit = overlay.source_unit;
  if (overlay.new_units) base->new_units = overlay.new_units;
  for (const ClassMapping& m : overlay.classes) {
    EraseFrom(&base->exceptions, m.from);
    auto it = std::find_if(base->classes.begin(), base->classes.end(),
                           [&](const ClassMapping& c) { return SameText(c.from, m.from); });
    if (it == base->classes.end()) {
      base->classes.push_back(m);
      continue;
    }
    // The class keeps its first spelling: rules match it as forms spell it.
    it->to = m.to;
    ApplyRules(&it->properties, m.properties);
    if (!m.units.empty()) it->units = m.units;
  }
  for (const ClassPair& e : overlay.exceptions) {
    EraseFrom(&base->classes, e.from);
    EraseFrom(&base->exceptions, e.from);
    base->exceptions.push_back(e);
  }
  ApplyRules(&base->properties, overlay.properties);
  for (const ComponentClass& t : overlay.targets) {
    auto it = std::find_if(base->targets.begin(), base->targets.end(),
                           [&](const ComponentClass& c) { return SameText(c.name, t.name); });
    if (it != base->targets.end())
      *it = t;
    else
      base->targets.push_back(t);
  }
  if (!overlay.todo.empty()) base->todo = overlay.todo;
  for (const AliasRule& a : overlay.aliases) {
    auto it = std::find_if(base->aliases.begin(), base->aliases.end(),
                           [&](const AliasRule& b) { return SameText(b.alias, a.alias); });
    if (it != base->aliases.end())
      *it = a;
    else
      base->aliases.push_back(a);
  }
  if (!overlay.alias_module.empty()) base->alias_module = overlay.alias_module;
  base->files.insert(base->files.end(), overlay.files.begin(), overlay.files.end());
}

std::string ProfileJson(const MappingProfile& p) {
  Json j = Json::object();
  j["name"] = p.name;
  j["sourceUnit"] = p.source_unit;
  j["newUnits"] = p.new_units ? *p.new_units : std::vector<std::string>();
  Json classes = Json::array();
  for (const ClassMapping& m : p.classes) {
    Json c{{"from", m.from}, {"to", m.to}};
    if (!m.properties.empty()) c["properties"] = RulesJson(m.properties);
    if (!m.units.empty()) c["units"] = m.units;
    classes.push_back(c);
  }
  j["classes"] = classes;
  Json exceptions = Json::array();
  for (const ClassPair& e : p.exceptions) exceptions.push_back({{"from", e.from}, {"to", e.to}});
  j["exceptions"] = exceptions;
  j["properties"] = RulesJson(p.properties);
  Json targets = Json::array();
  for (const ComponentClass& t : p.targets)
    targets.push_back({{"name", t.name}, {"published", t.published}});
  j["targets"] = targets;
  if (!p.todo.empty()) j["todo"] = Json::parse(p.todo);
  if (!p.aliases.empty()) {
    Json aliases = Json::object();
    for (const AliasRule& a : p.aliases) aliases[a.alias] = Json::parse(a.json);
    j["aliases"] = aliases;
  }
  if (!p.alias_module.empty()) j["aliasModule"] = p.alias_module;
  return j.dump(2) + "\n";
}

}  // namespace tolvern
