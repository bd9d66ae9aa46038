#include "parsing/source_families.h"

#include <algorithm>

#include "base/errors.h"

namespace tolvern {

// The profiles/*.json files, compiled in by the build.
extern const char* const kBuiltinProfileTexts[];
extern const size_t kBuiltinProfileCount;

namespace {

[[noreturn]] void Fault(const std::string& what) {
  throw EAssertionFailed("Assertion failure (MappingProfile): built-in profile: " + what);
}

MappingProfile ParseBuiltin(const char* text) {
  std::vector<std::string> problems;
  MappingProfile p = ParseProfile(text, &problems);
  if (!problems.empty()) Fault(problems[0]);
  if (!p.family) Fault(p.name + " has no family");
  return p;
}

// The profiles in the order of their family's index, which must number them
// from 0 on.
std::vector<MappingProfile> ReadBuiltins() {
  std::vector<MappingProfile> profiles;
  for (size_t i = 0; i < kBuiltinProfileCount; ++i)
    profiles.push_back(ParseBuiltin(kBuiltinProfileTexts[i]));
  std::sort(profiles.begin(), profiles.end(), [](const MappingProfile& a, const MappingProfile& b) {
    return a.family->index < b.family->index;
  });
  for (size_t i = 0; i < profiles.size(); ++i)
    if (profiles[i].family->index != static_cast<int>(i))
      Fault(profiles[i].name + " has family index " + std::to_string(profiles[i].family->index) +
            ", expected " + std::to_string(i));
  return profiles;
}

}  // namespace

const std::vector<MappingProfile>& BuiltinProfiles() {
  static const std::vector<MappingProfile> profiles = ReadBuiltins();
  return profiles;
}

const MappingProfile* FindBuiltinProfile(std::string_view id) {
  for (const MappingProfile& p : BuiltinProfiles())
    if (p.family->id == id) return &p;
  return nullptr;
}

const MappingProfile& BuiltinProfile(std::string_view id) {
  const MappingProfile* p = FindBuiltinProfile(id);
  if (!p) Fault("no family \"" + std::string(id) + "\"");
  return *p;
}

std::string SourceFamilyNames() {
  std::string names;
  for (const MappingProfile& p : BuiltinProfiles())
    names += (names.empty() ? "" : ", ") + p.family->id;
  return names;
}

const SourceFamily& FamilyOfUnit(std::string_view unit) {
  for (const MappingProfile& p : BuiltinProfiles())
    if (p.family->OwnsUnit(unit)) return *p.family;
  return *BuiltinProfiles().front().family;
}

std::shared_ptr<const MappingProfile> BuiltinConversions() {
  static const std::shared_ptr<const MappingProfile> all = [] {
    auto p = std::make_shared<MappingProfile>(BuiltinProfiles().front());
    for (size_t i = 1; i < BuiltinProfiles().size(); ++i)
      ApplyProfile(p.get(), BuiltinProfiles()[i]);
    return p;
  }();
  return all;
}

}  // namespace tolvern
