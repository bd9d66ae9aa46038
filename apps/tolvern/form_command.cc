#include "form_command.h"

#include <iostream>
#include <memory>

#include "files/form_converter.h"
#include "platform/disk.h"

namespace tolvern::cli {
namespace {

// Throws CLI::RequiredError when neither way was asked for.
void RequireDirection(const FormArgs& args) {
  if (!args.to_text && !args.to_binary) throw CLI::RequiredError("--to-text or --to-binary");
}

}  // namespace

Subcommand AddFormCommand(CLI::App& app) {
  auto args = std::make_shared<FormArgs>();
  CLI::App* form = app.add_subcommand("form", "Convert a form file to text or to binary.");
  auto* text_flag = form->add_flag("--to-text", args->to_text, "Binary form to form text");
  form->add_flag("--to-binary", args->to_binary, "Form text to binary form")->excludes(text_flag);
  form->add_option("IN", args->in, "The form file (.dfm)")->required();
  form->add_option("-o,--output", args->out, "Where to write (default: replace IN)");
  return {form, [args] { RequireDirection(*args); }, [args] { return RunForm(*args); }, nullptr};
}

int RunForm(const FormArgs& args) {
  RealDisk disk;
  std::string source = Absolute(args.in);
  if (!disk.FileExists(source)) {
    Fail("form file \"" + source + "\" does not exist.");
    return kExitFailed;
  }
  std::string target = args.out.empty() ? source : Absolute(args.out);
  bool converted = ConvertFormFile(disk, source, target,
                                   args.to_text ? FormStorage::kText : FormStorage::kBinary);
  if (!converted)
    std::cout << source << " is already a " << (args.to_text ? "text" : "binary") << " form.\n";
  return kExitOk;
}

}  // namespace tolvern::cli
