// Fuzz target: the form conversions either reject their input with their own
// error or give a result that converts back and forth without change; they
// never crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "streams/form_resource.h"
#include "streams/object_stream.h"

using namespace tolvern;

namespace {

// Binary to text to binary to text: the second text equals the first.
void CheckStream(std::string_view stream) {
  std::string text;
  try {
    text = ObjectBinaryToText(stream);
  } catch (const EStreamError&) {
    return;
  }
  std::string again = ObjectTextToBinary(text);  // must not throw: our own text
  if (ObjectBinaryToText(again) != text) std::abort();
  // An object encoded anew from its own text and put in place of its bytes,
  // as a rewritten binary form takes it, leaves the form's text as it was.
  std::vector<ObjectSpan> spans;
  const std::string whole = ObjectBinaryToText(stream, &spans);
  const ObjectSpan& o = spans[spans.size() / 2];
  const std::string part = ObjectTextToBinaryObject(
      std::string_view(whole).substr(o.text_begin, o.text_end - o.text_begin));
  const std::string spliced = std::string(stream.substr(0, o.stream_begin)) + part +
                              std::string(stream.substr(o.stream_end));
  if (ObjectBinaryToText(spliced) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (IsBinaryForm(input)) {
    TRCData header;
    try {
      CheckStream(ReadFormResource(input, &header));
    } catch (const EStreamError&) {
    }
    return 0;
  }
  if (input.substr(0, 4) == "TPF0") {
    CheckStream(input);
    return 0;
  }
  std::string stream;
  try {
    stream = ObjectTextToBinary(input);
  } catch (const EParserError&) {
    return 0;
  }
  // Our own binary comes back from its text byte for byte.
  std::string text = ObjectBinaryToText(stream);
  if (ObjectTextToBinary(text) != stream) std::abort();
  return 0;
}
