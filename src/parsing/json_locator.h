// Reading a profile's JSON text so that each problem can name its line: a
// JSON value built with the offset of every value by its JSON path, every
// key an object holds twice, and the JSON paths themselves ($.a.b,
// $.a["Params.Strings"], $.a[3]).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tolvern::profile_json {

using Json = nlohmann::ordered_json;

// A Pascal identifier: letters, digits and "_", not beginning with a digit.
bool IsIdentifier(std::string_view s);
// A property name as forms write it: identifiers joined by dots.
bool IsPropertyName(std::string_view s);

// A member's JSON path: $.a.b, or $.a["Params.Strings"] for a name that is
// not an identifier.
std::string Member(const std::string& path, const std::string& key);
std::string Item(const std::string& path, size_t i);

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

// Reads text into reader: reader.error says why when it is not valid JSON.
void LocateJson(std::string_view text, LocatingReader* reader, const char** reached);

}  // namespace tolvern::profile_json
