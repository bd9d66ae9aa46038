// Reading a profile's JSON text so that each problem can name its line: a
// JSON value built with the offset of every value, found again by its JSON
// path, and every key an object holds twice.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "parsing/json_path.h"

namespace tolvern::profile_json {

using Json = nlohmann::ordered_json;

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

// Builds the JSON value of a text and notes where each of its values stands,
// and every key that an object holds twice (the JSON library would keep the
// later value and say nothing). A value's place is kept as one step from the
// value that holds it, so that the memory it takes grows with the number of
// values, not with their depth; its JSON path is made only when a problem is
// named. Containers nested deeper than max_depth stop the reading.
class LocatingReader : public nlohmann::json_sax<Json> {
 public:
  LocatingReader(std::string_view text, const char** reached, int max_depth)
      : text_(text), reached_(reached), max_depth_(max_depth) {}

  Json root;
  std::vector<std::string> duplicates;  // "$.path (line N): problem"
  // Why the text was not read, as a problem to name: not valid JSON, or
  // nested too deeply. "" when it was read.
  std::string error;

  // The line of the value at path, or of the nearest value that holds it.
  int LineOf(std::string_view path) const;

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
  bool key(string_t& k) override;
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override;

 private:
  // How a value is reached from the one that holds it (its place by index).
  struct Step {
    size_t parent;
    PathStep step;
    bool operator==(const Step& o) const {
      return parent == o.parent && step.index == o.step.index && step.key == o.step.key;
    }
  };
  struct StepHash {
    size_t operator()(const Step& s) const {
      return std::hash<std::string>()(s.step.key) ^ (s.parent * 0x9E3779B97F4A7C15ull) ^
             (s.step.index * 0xC2B2AE3D27D4EB4Full);
    }
  };
  struct Frame {
    Json* value;
    size_t place;
    std::string key;
    bool again = false;  // the object holds key already
  };

  int Line(size_t offset) const;
  size_t Reached() const { return static_cast<size_t>(*reached_ - text_.data()); }
  // The JSON path of a place, made from its steps.
  std::string PathOf(size_t place) const;
  // The place of step from parent; the first one noted when it is there twice.
  size_t Note(size_t parent, PathStep step);

  // Places a value in the open object or array; the value placed, and its
  // place in *place.
  Json* Place(Json v, size_t* place);
  bool Value(Json v);
  bool Open(Json v);
  bool Close() {
    open_.pop_back();
    return true;
  }

  std::string_view text_;
  const char** reached_;
  int max_depth_;
  std::vector<Frame> open_;
  std::unordered_map<Step, size_t, StepHash> places_;  // step: place
  std::vector<size_t> offsets_;                        // by place
  std::vector<const Step*> steps_;                     // by place; null for the root
  mutable std::vector<size_t> line_ends_;              // made on the first line asked for
};

// Adds a member whose key object does not hold yet at its end, without the
// search through every key that operator[] of an ordered object makes.
inline Json& AppendNew(Json& object, std::string key, Json value) {
  auto& members = static_cast<Json::object_t::Container&>(object.get_ref<Json::object_t&>());
  return members.emplace_back(std::move(key), std::move(value)).second;
}

// Reads text into reader: reader.error says why when it is not valid JSON.
void LocateJson(std::string_view text, LocatingReader* reader, const char** reached);

}  // namespace tolvern::profile_json
