// The numbers of form files: the 80-bit extended floats of binary streams and
// the text the IDE gives floats, currency and dates. Texts round-trip: a float
// read back from the text written for it has the same bits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvern {

// 80-bit extended float bytes (little-endian, 10 bytes) to and from a value.
long double DecodeExtended(const unsigned char bytes[10]);
void EncodeExtended(long double value, unsigned char bytes[10]);

// The shortest text that reads back to the same value, in the IDE's general
// format: fixed notation for exponents from -4 to 14, else "1.5E20",
// "1E-10".
std::string FormatExtended(long double value);
std::string FormatDouble(double value);
std::string FormatSingle(float value);
// A currency value is stored as an integer count of ten-thousandths, and its
// text is that count ("123400c" is 12.34).
std::string FormatCurrency(std::int64_t scaled);

// Reads a decimal number with optional sign, fraction and exponent; the whole
// text must be used.
std::optional<long double> ParseFloat(std::string_view text);
// Reads the text of a currency value: its count of ten-thousandths.
std::optional<std::int64_t> ParseCurrency(std::string_view text);

}  // namespace tolvern
