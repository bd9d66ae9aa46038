// Fuzz target: migrating a binary form with the BDE replacer either stops
// with the form's own error or writes a binary form whose stream reads and
// whose objects outside the rewritten ones keep their bytes; it never
// crashes, hangs or reads out of bounds. Inputs that are not binary forms are
// wrapped as one.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "parsing/grammar_engine.h"
#include "platform/disk.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

using namespace tolvern;
namespace fs = std::filesystem;

namespace {

// The bytes of an object's header up to its first child (or its end).
std::string_view Head(std::string_view stream, const std::vector<ObjectSpan>& spans, size_t k) {
  size_t end = k + 1 < spans.size() && spans[k + 1].stream_begin < spans[k].stream_end
                   ? spans[k + 1].stream_begin
                   : spans[k].stream_end;
  return stream.substr(spans[k].stream_begin, end - spans[k].stream_begin);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static NXReplacerScope library;
  static const std::string dest =
      (fs::temp_directory_path() / ("tolvern-fuzz-" + std::to_string(getpid()) + ".dfm")).string();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!IsBinaryForm(bytes)) bytes = WriteFormResource("FORM1", bytes);
  FormFileData form;
  std::string why;
  try {
    TComponentReplacer::ReadFormFile("F.dfm", bytes, &form, &why);
  } catch (const EStreamError&) {
    return 0;
  }
  fs::remove(dest);
  BdeReplacer->Report.files.clear();
  try {
    BdeReplacer->ReplaceInForm(form, "F.dfm", dest);
  } catch (const EParserError&) {
    return 0;  // a rewrite the reader would reject is never written
  } catch (const EGrammarError&) {
    return 0;
  }
  if (!fs::exists(dest)) return 0;
  const std::string out = ReadWholeFile(BdeReplacer->RunDisk(), dest);
  fs::remove(dest);
  TRCData a, b;
  const std::string_view before = ReadFormResource(bytes, &a), after = ReadFormResource(out, &b);
  std::vector<ObjectSpan> old_spans, new_spans;
  ObjectBinaryToText(before, &old_spans);
  ObjectBinaryToText(after, &new_spans);  // must not throw
  // The root keeps its header unless it was itself rewritten.
  if (BdeReplacer
          ->FindReplacement(std::string(
              before.substr(old_spans[0].class_begin + 1,
                            static_cast<unsigned char>(before[old_spans[0].class_begin]))))
          .empty() &&
      Head(before, old_spans, 0) != Head(after, new_spans, 0))
    std::abort();
  return 0;
}
