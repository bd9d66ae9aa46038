// The library-wide objects: the shared run options and a replacer per source
// family (source_families.h): BDE (and its InfoPower variants) first, ADO
// second, built from the built-in mapping profiles (their class tables,
// uses-clause edits and property conversions); and the target classes
// registered with their published properties.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/component_replacer.h"
#include "engine/replace_options.h"
#include "parsing/mapping_profile.h"
#include "parsing/source_families.h"

namespace tolvern {

// The objects the library holds from its first start-up to its last
// shut-down: they are owned here and nowhere else.
struct NXLibrary {
  std::unique_ptr<TReplaceOptions> options;
  std::unique_ptr<TComponentReplacer> bde;
  std::unique_ptr<TComponentReplacer> ado;
  // The replacers of the built-in families after the first two, in order.
  std::vector<std::unique_ptr<TComponentReplacer>> more;
  int users = 0;
};
// The one accessor of the library's objects.
NXLibrary& Library();

// A name for one of the library's objects that reads it from Library() on
// every use (null before start-up and after shut-down).
template <typename T>
class LibraryObject {
 public:
  constexpr explicit LibraryObject(std::unique_ptr<T> NXLibrary::*member) : member_(member) {}
  T* get() const { return (Library().*member_).get(); }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }
  operator T*() const { return get(); }

 private:
  std::unique_ptr<T> NXLibrary::*member_;
};

inline constexpr LibraryObject<TReplaceOptions> ReplaceOptions{&NXLibrary::options};
inline constexpr LibraryObject<TComponentReplacer> BdeReplacer{&NXLibrary::bde};  // index 0
inline constexpr LibraryObject<TComponentReplacer> AdoReplacer{&NXLibrary::ado};  // index 1

// A replacer for a mapping profile: its source unit and new units, its class
// and exception pairs, a form parser with its conversions.
std::unique_ptr<TComponentReplacer> MakeProfileReplacer(const MappingProfile& profile,
                                                        TReplaceOptions* options);
// The replacer of the built-in family with that index (source_families.h):
// BdeReplacer, AdoReplacer, then the others; null past the last.
TComponentReplacer* LibraryReplacer(size_t index);
// The built-in profile of a family (its id: "bde", "ado") with the profile
// files laid over it, in order, read through disk; throws EProfileError for
// the first file that cannot be used.
MappingProfile EffectiveProfile(Disk& disk, std::string_view family,
                                const std::vector<std::string>& files);

// Builds the objects on the first call from the built-in profiles; later
// calls only count.
void NXReplacerStartup();
// Frees the BDE replacer, the ADO replacer and the options, in this order,
// when the last user is gone.
void NXReplacerShutdown();

// Start-up and shut-down for the life of a scope.
class NXReplacerScope {
 public:
  NXReplacerScope() { NXReplacerStartup(); }
  ~NXReplacerScope() { NXReplacerShutdown(); }
  NXReplacerScope(const NXReplacerScope&) = delete;
  NXReplacerScope& operator=(const NXReplacerScope&) = delete;
};

}  // namespace tolvern
