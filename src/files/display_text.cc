#include "files/display_text.h"

#include "platform/disk.h"
#include "platform/text_encoding.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace tolvern {

std::string DisplayText(Disk& disk, const std::string& path) {
  std::string bytes = ReadWholeFile(disk, path);
  if (IsBinaryForm(bytes)) {
    TRCData header;
    return ObjectBinaryToText(ReadFormResource(bytes, &header));
  }
  std::string text, why;
  return DecodeText(bytes, DetectEncoding(bytes), &text, &why) ? text : bytes;
}

}  // namespace tolvern
