#include "sarif_output.h"

#include <string>

#include "cli_common.h"
#include "engine/sarif_report.h"
#include "platform/code_page.h"

namespace tolvern::cli {

void AddSarifOptions(CLI::App* command, RunArgs& args) {
  command->add_option("--sarif", args.sarif,
                      "Write the to-do list as a SARIF 2.1.0 log to FILE, for editors, code "
                      "review and CI (notes included)");
  command
      ->add_option("--codepage", args.code_page,
                   "The Windows code page the sources' 8-bit (ANSI) text is in: 874 or 1250 to "
                   "1258 (default: the system's, 1252 outside Windows); the HTML page and the "
                   "SARIF log show it decoded")
      ->check(CLI::Validator(
          [](std::string& value) -> std::string {
            int n = 0;
            try {
              n = std::stoi(value);
            } catch (const std::exception&) {
            }
            return IsSingleByteCodePage(n) ? "" : "not a single-byte Windows code page: " + value;
          },
          "CODEPAGE"));
}

void WriteSarif(const RunSetup& run, const RunArgs& args) {
  if (args.sarif.empty()) return;
  WriteSarifFile(run.replacer().RunDisk(), Absolute(args.sarif), run.replacer().Report,
                 {run.base_folder(), args.code_page});
}

}  // namespace tolvern::cli
