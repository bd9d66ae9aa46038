#include "profile_command.h"

#include <iostream>
#include <memory>

#include "engine/nx_replacer.h"
#include "parsing/mapping_profile.h"
#include "platform/disk.h"

namespace tolvern::cli {
namespace {

// Throws CLI::RequiredError when neither was asked for.
void RequireShowOrCheck(const ProfileArgs& args) {
  if (!args.show && args.check.empty()) throw CLI::RequiredError("--show or --check");
}

// The built-in profile with the files given laid over it, as JSON.
int ShowProfile(const ProfileArgs& args) {
  std::vector<std::string> files;
  for (const std::string& f : args.profiles) files.push_back(Absolute(f));
  RealDisk disk;
  std::cout << ProfileJson(EffectiveProfile(disk, ChosenFamily(args.family), files));
  return kExitOk;
}

// The problems of one profile file; none when it is a valid profile.
std::vector<std::string> ProfileProblems(const std::string& file) {
  std::string text, why;
  std::vector<std::string> problems;
  if (RealDisk().ReadFile(Absolute(file), &text, &why))
    ParseProfile(text, &problems);
  else
    problems.push_back("cannot be read: " + why);
  return problems;
}

// Names every problem of every file, or says that the file is valid.
int CheckProfiles(const std::vector<std::string>& files) {
  int bad = 0;
  for (const std::string& f : files) {
    const std::vector<std::string> problems = ProfileProblems(f);
    for (const std::string& p : problems) std::cout << f << ": " << p << "\n";
    if (problems.empty()) std::cout << f << ": a valid profile\n";
    bad += problems.empty() ? 0 : 1;
  }
  return bad > 0 ? kExitFailed : kExitOk;
}

}  // namespace

Subcommand AddProfileCommand(CLI::App& app) {
  auto args = std::make_shared<ProfileArgs>();
  CLI::App* profile =
      app.add_subcommand("profile", "Show the effective mapping profile, or check profile files.");
  auto* show = profile->add_flag("--show", args->show, "Print the effective profile as JSON");
  profile->add_option("--check", args->check, "Check profile files; name every problem")
      ->excludes(show);
  for (CLI::Option* o : {AddFamilyOptions(profile, args->family, "The profile of the"),
                         profile->get_option("--ado")})
    o->needs(show);
  profile->add_option("--profile", args->profiles, "Lay these profiles over the built-in one")
      ->needs(show);
  return {profile,
          [args] {
            RequireShowOrCheck(*args);
            ChosenFamily(args->family);
          },
          [args] { return RunProfile(*args); }, nullptr};
}

int RunProfile(const ProfileArgs& args) {
  return args.check.empty() ? ShowProfile(args) : CheckProfiles(args.check);
}

}  // namespace tolvern::cli
