// What the subcommands of tolvern share: the exit codes, a subcommand as main
// sees it, the error line, and how paths are taken in and shown.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace tolvern::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIncomplete = 3;

// A subcommand as main sees it, made by the Add...Command function of its
// file: the subcommand CLI11 parses, what to check once the command line is
// parsed, how to run it, and what to print on standard output when the run
// ends in an exception.
struct Subcommand {
  CLI::App* command = nullptr;
  // Throws a CLI::ParseError for what CLI11 cannot check itself; may be empty.
  std::function<void()> check;
  // Runs the subcommand and gives its exit code.
  std::function<int()> run;
  // Printed on standard output when the run throws; none when null.
  const char* failed_text = nullptr;
};

// The subcommand the parsed command line chose. The app requires exactly one,
// so one there is once it parsed; the choice of none is a usage error.
const Subcommand& ChosenSubcommand(const std::vector<Subcommand>& subcommands);

// Shows a command line's parse error as CLI11 does and gives its exit code.
// A first word that names no subcommand is named as unknown, with the
// subcommand nearest to it, rather than taken for a missing subcommand:
// 'Unknown subcommand "migrte". Did you mean "migrate"?'.
int ExitOnParseError(CLI::App& app, const CLI::ParseError& error);

// The command line as UTF-8. On Windows it is read again from the wide
// command line: main's own argv is in the ANSI code page, which cannot hold
// every file name. Elsewhere it is main's argv.
class Utf8CommandLine {
 public:
  Utf8CommandLine(int argc, char** argv);
  Utf8CommandLine(const Utf8CommandLine&) = delete;
  Utf8CommandLine& operator=(const Utf8CommandLine&) = delete;
  int argc() const { return argc_; }
  char** argv() const { return argv_; }

 private:
  int argc_;
  char** argv_;
  std::vector<std::string> args_;
  std::vector<char*> pointers_;
};

// Sets the process up as every subcommand expects: output in UTF-8 with lines
// ending in a line feed, dates in the user's locale, and a write past the
// file-size limit failing with an error the run reports, instead of ending
// the process.
void SetUpProcess();

// Names a failure on standard error: "tolvern: error: MESSAGE".
void Fail(const std::string& message);

// A path made absolute and normal, with no delimiter at its end.
std::string Absolute(const std::string& path);

// A path as the report and the listings show it: relative to the run's folder
// when it lies below it.
std::string Shown(const std::string& path, const std::string& base);

}  // namespace tolvern::cli
