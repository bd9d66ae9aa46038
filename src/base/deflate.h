// Raw DEFLATE (RFC 1951) for the diffs of the HTML report: the page holds
// each diff compressed, in Base64, and its script inflates a diff only when
// its section is opened, so a page of thousands of changed files stays a
// fraction of the diffs' size. One block with the fixed Huffman codes and
// greedy LZ77 matches: simple, and on diffs (long runs of repeated lines)
// within a third of what dynamic codes give. Any inflater reads it
// (browsers' DecompressionStream("deflate-raw"), zlib with raw windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvern {

// The raw DEFLATE stream of data (no zlib or gzip header).
std::string DeflateRaw(std::string_view data);

// The data of a raw DEFLATE stream of stored and fixed-code blocks (what
// DeflateRaw writes); nullopt for a stream it cannot read (dynamic codes, a
// distance before the start, a stream cut short).
std::optional<std::string> InflateRaw(std::string_view stream);

// Base64 (RFC 4648, with "=" padding).
std::string Base64(std::string_view data);
// The data of Base64 text; characters outside the alphabet (padding, line
// breaks) are passed over.
std::string FromBase64(std::string_view text);

}  // namespace tolvern
