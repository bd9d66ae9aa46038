#include "parsing/json_locator.h"

#include <algorithm>

namespace tolvern::profile_json {

int LocatingReader::LineOf(std::string_view path) const {
  if (offsets_.empty()) return 1;
  size_t place = 0;
  for (PathStep& step : PathSteps(path)) {
    auto at = places_.find(Step{place, std::move(step)});
    if (at == places_.end()) break;
    place = at->second;
  }
  return Line(offsets_[place]);
}

bool LocatingReader::key(string_t& k) {
  Frame& f = open_.back();
  f.key = k;
  auto first = places_.find(Step{f.place, PathStep{k}});
  f.again = first != places_.end();
  if (f.again)
    duplicates.push_back(Member(PathOf(f.place), k) + " (line " + std::to_string(Line(Reached())) +
                         "): duplicate key \"" + k + "\", first at line " +
                         std::to_string(Line(offsets_[first->second])) +
                         "; one value would be lost");
  return true;
}

bool LocatingReader::parse_error(std::size_t, const std::string&,
                                 const nlohmann::detail::exception& e) {
  // "[json.exception.parse_error.101] parse error at line 3, ...": the part
  // after the tag says where and what.
  std::string what = e.what();
  if (size_t tag = what.find("] "); tag != std::string::npos) what = what.substr(tag + 2);
  error = "not valid JSON: " + what;
  return false;
}

int LocatingReader::Line(size_t offset) const {
  if (line_ends_.empty()) {
    for (size_t i = 0; i < text_.size(); ++i)
      if (text_[i] == '\n') line_ends_.push_back(i);
    line_ends_.push_back(text_.size());  // never empty once made
  }
  // The line breaks before offset.
  const size_t before = static_cast<size_t>(
      std::lower_bound(line_ends_.begin(), line_ends_.end() - 1, std::min(offset, text_.size())) -
      line_ends_.begin());
  return 1 + static_cast<int>(before);
}

std::string LocatingReader::PathOf(size_t place) const {
  std::vector<const PathStep*> steps;
  for (; steps_[place]; place = steps_[place]->parent) steps.push_back(&steps_[place]->step);
  std::string path = "$";
  for (auto s = steps.rbegin(); s != steps.rend(); ++s)
    path = (*s)->index == PathStep::kMember ? Member(path, (*s)->key) : Item(path, (*s)->index);
  return path;
}

size_t LocatingReader::Note(size_t parent, PathStep step) {
  auto [at, added] = places_.try_emplace(Step{parent, std::move(step)}, offsets_.size());
  if (added) {
    offsets_.push_back(Reached());
    steps_.push_back(&at->first);
  }
  return at->second;
}

Json* LocatingReader::Place(Json v, size_t* place) {
  if (open_.empty()) {
    root = std::move(v);
    *place = 0;
    if (offsets_.empty()) {
      offsets_.push_back(Reached());
      steps_.push_back(nullptr);
    }
    return &root;
  }
  Frame& f = open_.back();
  if (f.value->is_array()) {
    *place = Note(f.place, PathStep{"", f.value->size()});
    f.value->push_back(std::move(v));
    return &f.value->back();
  }
  *place = Note(f.place, PathStep{f.key});
  // A key given again keeps its first place, with the later value.
  if (f.again) return &((*f.value)[f.key] = std::move(v));
  return &AppendNew(*f.value, f.key, std::move(v));
}

bool LocatingReader::Value(Json v) {
  size_t place;
  Place(std::move(v), &place);
  return true;
}

bool LocatingReader::Open(Json v) {
  if (open_.size() >= static_cast<size_t>(max_depth_)) {
    error = "line " + std::to_string(Line(Reached())) + ": nested deeper than " +
            std::to_string(max_depth_) + " levels, the limit for a profile";
    return false;
  }
  size_t place;
  Json* placed = Place(std::move(v), &place);
  open_.push_back({placed, place, {}});
  return true;
}

void LocateJson(std::string_view text, LocatingReader* reader, const char** reached) {
  *reached = text.data();
  Json::sax_parse(CountingChars(text.data(), reached),
                  CountingChars(text.data() + text.size(), reached), reader);
}

}  // namespace tolvern::profile_json
