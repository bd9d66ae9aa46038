#include "cli_common.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

// shellapi.h needs the declarations of windows.h before it.
// clang-format off
#include "platform/windows_api.h"
#include <shellapi.h>
// clang-format on
#endif

#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "base/nearest_name.h"
#include "base/paths.h"

namespace tolvern::cli {

#ifdef _WIN32
namespace {

// The arguments as UTF-8, from the wide command line: main's own argv is in
// the ANSI code page, which cannot hold every file name.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) args.push_back(WideToUtf8(wide[i]));
    ::LocalFree(wide);
  }
  return args;
}

}  // namespace
#endif

const Subcommand& ChosenSubcommand(const std::vector<Subcommand>& subcommands) {
  for (const Subcommand& s : subcommands)
    if (s.command->parsed()) return s;
  throw CLI::RequiredError::Subcommand(1);
}

namespace {

// The word given where a subcommand belongs when it names none; "" when a
// subcommand was chosen or no word was given.
std::string UnknownSubcommand(const CLI::App& app) {
  if (!app.get_subcommands().empty()) return "";
  const std::vector<std::string> rest = app.remaining();
  if (rest.empty() || rest.front().empty() || rest.front()[0] == '-') return "";
  return rest.front();
}

std::string UnknownSubcommandText(CLI::App& app, const std::string& word) {
  std::vector<std::string> names;
  for (const CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; }))
    names.push_back(sub->get_name());
  std::string text = "Unknown subcommand \"" + word + "\".";
  const std::string nearest = NearestName(word, names);
  if (!nearest.empty()) text += " Did you mean \"" + nearest + "\"?";
  return text;
}

}  // namespace

int ExitOnParseError(CLI::App& app, const CLI::ParseError& error) {
  const std::string word = error.get_exit_code() == 0 ? "" : UnknownSubcommand(app);
  if (word.empty()) return app.exit(error);
  return app.exit(CLI::ExtrasError(UnknownSubcommandText(app, word), CLI::ExitCodes::ExtrasError));
}

Utf8CommandLine::Utf8CommandLine(int argc, char** argv) : argc_(argc), argv_(argv) {
#ifdef _WIN32
  args_ = Utf8Arguments();
  for (std::string& a : args_) pointers_.push_back(a.data());
  pointers_.push_back(nullptr);
  if (!args_.empty()) {
    argc_ = static_cast<int>(args_.size());
    argv_ = pointers_.data();
  }
#endif
}

void SetUpProcess() {
#ifdef _WIN32
  // Output as on every system: UTF-8, lines ending in a line feed.
  ::SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::setlocale(LC_TIME, "");
  // A write past the file-size limit fails with an error the run reports,
  // instead of ending the process.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void Fail(const std::string& message) { std::cerr << "tolvern: error: " << message << "\n"; }

std::string Absolute(const std::string& path) {
#ifdef _WIN32
  // "\" and "/" alike, drive letters and network shares: the system's own
  // full path, in UTF-16 so that no name passes through the ANSI code page.
  std::wstring wide = WidePath(path);
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return WideToUtf8(full);
#endif
  std::error_code ec;
  std::string abs = std::filesystem::absolute(path, ec).lexically_normal().string();
  if (ec) return path;
  while (abs.size() > 1 && abs.back() == kPathDelim) abs.pop_back();
  return abs;
}

std::string Shown(const std::string& path, const std::string& base) {
  std::string prefix = PathJoin(base, "");
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

}  // namespace tolvern::cli
