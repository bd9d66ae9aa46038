#include "files/form_converter.h"

#include "base/errors.h"
#include "platform/disk.h"
#include "platform/text_encoding.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace tolvern {

namespace {

template <typename F>
auto NamingFile(const std::string& file, F f) -> decltype(f()) {
  try {
    return f();
  } catch (const EStreamError& e) {
    throw ErrorInFile<EStreamError>(file, e.what());
  } catch (const EParserError& e) {
    throw ErrorInFile<EParserError>(file, e.what());
  }
}

}  // namespace

bool ConvertFormFile(Disk& disk, const std::string& in, const std::string& out, FormStorage to) {
  const std::string bytes = ReadWholeFile(disk, in);
  const bool binary = IsBinaryForm(bytes) || bytes.rfind("TPF0", 0) == 0;
  if (binary == (to == FormStorage::kBinary)) {
    if (out != in) WriteWholeFile(disk, out, bytes);
    return false;
  }
  std::string result = NamingFile(in, [&] {
    if (binary) {
      TRCData header;
      std::string_view stream =
          IsBinaryForm(bytes) ? ReadFormResource(bytes, &header) : std::string_view(bytes);
      return ObjectBinaryToText(stream);
    }
    TextEncoding encoding = DetectEncoding(bytes);
    std::string text, why;
    if (!DecodeText(bytes, encoding, &text, &why))
      throw EParserError("the text is not valid: " + why);
    std::string stream = ObjectTextToBinary(
        text, encoding == TextEncoding::kAnsi ? FormCharset::kAnsi : FormCharset::kUtf8);
    return WriteFormResource(ResourceNameOf(stream), stream);
  });
  WriteWholeFile(disk, out, result);
  return true;
}

}  // namespace tolvern
