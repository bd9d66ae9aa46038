#include "family_option.h"

#include "parsing/source_families.h"

namespace tolvern::cli {
namespace {

constexpr const char* kAdo = "ado";

// An unknown name is refused with the names that are known.
std::string CheckFamily(const std::string& name) {
  if (FindBuiltinProfile(name)) return "";
  return "unknown family \"" + name + "\"; the families are " + SourceFamilyNames();
}

}  // namespace

CLI::Option* AddFamilyOptions(CLI::App* command, FamilyArgs& args, const std::string& what) {
  auto* family = command
                     ->add_option("--family", args.family,
                                  what + " components of this family: " + SourceFamilyNames() +
                                      " (default: " + BuiltinProfiles().front().family->id + ")")
                     ->check(CLI::Validator(CheckFamily, "NAME", "family"));
  command->add_flag("--ado", args.ado, "Short for --family ado");
  return family;
}

std::string ChosenFamily(const FamilyArgs& args) {
  if (args.ado && !args.family.empty() && args.family != kAdo)
    throw CLI::ValidationError(
        "--ado", "--ado is --family ado, but --family " + args.family + " was given too");
  if (args.ado) return kAdo;
  return args.family.empty() ? BuiltinProfiles().front().family->id : args.family;
}

}  // namespace tolvern::cli
