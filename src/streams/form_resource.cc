#include "streams/form_resource.h"

#include "streams/object_stream.h"

namespace tolvern {

bool IsBinaryForm(std::string_view bytes) {
  return bytes.substr(0, 3) == std::string_view("\xFF\x0A\x00", 3);
}

std::string_view ReadFormResource(std::string_view bytes, TRCData* header) {
  size_t end = bytes.find('\0', 3);
  if (end == std::string_view::npos || bytes.size() < end + 1 + 2 + 4)
    throw EStreamError("Invalid form resource header: the file ends inside it");
  header->Name = std::string(bytes.substr(3, end - 3));
  size_t at = end + 1 + 2;  // memory flags are not kept
  std::uint32_t size = 0;
  for (int i = 3; i >= 0; --i)
    size = (size << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  header->Size = static_cast<std::int32_t>(size);
  return bytes.substr(at + 4);
}

std::string WriteFormResource(std::string_view name, std::string_view stream) {
  std::string out("\xFF\x0A\x00", 3);
  out += name;
  out += '\0';
  out += "\x30\x10";
  std::uint32_t size = static_cast<std::uint32_t>(stream.size());
  for (int i = 0; i < 4; ++i) out += static_cast<char>((size >> (8 * i)) & 0xFF);
  out += stream;
  return out;
}

std::string SpliceFormResource(std::string_view file, const TextEdits& edits) {
  TRCData header;
  const std::string_view stream = ReadFormResource(file, &header);
  const size_t start = static_cast<size_t>(stream.data() - file.data());
  std::string spliced;
  size_t bad = 0;
  if (!edits.ApplyTo(stream, &spliced, &bad))
    throw EStreamError("Invalid object stream edit at offset " + std::to_string(bad));
  std::string out(file.substr(0, start));
  out += spliced;
  std::uint32_t size = static_cast<std::uint32_t>(out.size() - start);
  for (size_t i = 0; i < 4; ++i) out[start - 4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  return out;
}

std::string ResourceNameOf(std::string_view stream) {
  size_t at = 4;
  if (stream.size() <= at) return "";
  unsigned char b = static_cast<unsigned char>(stream[at]);
  if ((b & 0xF0) == 0xF0) {
    ++at;
    if (b & 2) {  // child position: a value type and its integer
      if (stream.size() <= at) return "";
      unsigned char type = static_cast<unsigned char>(stream[at++]);
      at += type == 2 ? 1 : type == 3 ? 2 : type == 4 ? 4 : 8;
    }
  }
  if (stream.size() <= at) return "";
  size_t len = static_cast<unsigned char>(stream[at]);
  std::string name(stream.substr(at + 1, len));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return name;
}

}  // namespace tolvern
