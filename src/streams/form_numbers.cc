#include "streams/form_numbers.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#if defined(__GLIBC__)
#include <locale.h>
#include <stdlib.h>
#endif

namespace tolvern {

long double DecodeExtended(const unsigned char b[10]) {
  std::uint64_t mantissa = 0;
  for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | b[i];
  const int sign_exp = b[8] | (b[9] << 8);
  const bool negative = (sign_exp & 0x8000) != 0;
  const int exp = sign_exp & 0x7FFF;
  long double v;
  if (exp == 0x7FFF) {
    v = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                             : std::numeric_limits<long double>::quiet_NaN();
  } else {
    // Denormals have exponent 0 and count as exponent 1.
    v = std::ldexp(static_cast<long double>(mantissa), (exp == 0 ? 1 : exp) - 16383 - 63);
  }
  return negative ? -v : v;
}

void EncodeExtended(long double value, unsigned char b[10]) {
  std::memset(b, 0, 10);
  int sign = std::signbit(value) ? 0x8000 : 0;
  std::uint64_t mantissa = 0;
  int exp = 0;
  if (std::isnan(value)) {
    exp = 0x7FFF;
    mantissa = 0xC000000000000000ull;
  } else if (std::isinf(value)) {
    exp = 0x7FFF;
    mantissa = 0x8000000000000000ull;
  } else if (value != 0) {
    int e2 = 0;
    long double frac = std::frexp(std::fabs(value), &e2);  // [0.5, 1)
    exp = e2 - 1 + 16383;
    if (exp <= 0) {  // denormal
      frac = std::ldexp(frac, exp - 1);
      exp = 0;
    }
    mantissa = static_cast<std::uint64_t>(std::ldexp(frac, 64));
  }
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(mantissa >> (8 * i));
  const int sign_exp = sign | exp;
  b[8] = static_cast<unsigned char>(sign_exp & 0xFF);
  b[9] = static_cast<unsigned char>(sign_exp >> 8);
}

namespace {

// Renders the shortest scientific digits of a value ("d.ddde±x") in the
// general format.
std::string General(const char* sci) {
  std::string s(sci);
  std::string sign;
  if (!s.empty() && s[0] == '-') {
    sign = "-";
    s.erase(0, 1);
  }
  if (s == "inf") return sign + "INF";
  if (s == "nan") return "NAN";
  size_t e = s.find('e');
  std::string mant = s.substr(0, e);
  int exp = e == std::string::npos ? 0 : std::atoi(s.c_str() + e + 1);
  std::string digits;
  for (char c : mant)
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") return "0";
  if (exp >= -4 && exp < 15) {
    std::string out;
    if (exp < 0) {
      out = "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
    } else if (static_cast<size_t>(exp) + 1 >= digits.size()) {
      out = digits + std::string(static_cast<size_t>(exp) + 1 - digits.size(), '0');
    } else {
      out = digits.substr(0, static_cast<size_t>(exp) + 1) + "." +
            digits.substr(static_cast<size_t>(exp) + 1);
    }
    return sign + out;
  }
  std::string out = digits.substr(0, 1);
  if (digits.size() > 1) out += "." + digits.substr(1);
  return sign + out + "E" + std::to_string(exp);
}

template <typename T>
std::string FormatShortest(T value) {
  char buf[128];
  auto r = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific);
  *r.ptr = '\0';
  return General(buf);
}

}  // namespace

namespace {

#ifndef _WIN32
std::from_chars_result ReadLongDouble(const char* first, const char* last, long double& v) {
  return std::from_chars(first, last, v, std::chars_format::general);
}
#else
// MinGW's from_chars for long double rounds to double precision ("0.1" would
// not read back as the IDE's 80-bit value); its strtold reads all 64 bits of
// the mantissa. strtold also takes hexadecimal, "inf", "nan" and leading
// blanks, so the text is first checked to be a plain decimal number.
std::from_chars_result ReadLongDouble(const char* first, const char* last, long double& v) {
  auto digits = [&](const char* p) {
    while (p != last && *p >= '0' && *p <= '9') ++p;
    return p;
  };
  const char* p = digits(first);
  bool any = p != first;
  if (p != last && *p == '.') {
    const char* q = digits(p + 1);
    any = any || q != p + 1;
    p = q;
  }
  if (!any) return {first, std::errc::invalid_argument};
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q != last && (*q == '+' || *q == '-')) ++q;
    const char* end = digits(q);
    if (end != q) p = end;
  }
  std::string copy(first, p);  // strtold needs the end marked
  errno = 0;
  v = std::strtold(copy.c_str(), nullptr);
  return {p, errno == ERANGE ? std::errc::result_out_of_range : std::errc()};
}
#endif

bool SameBits(long double a, long double b) {
  unsigned char x[10], y[10];
  EncodeExtended(a, x);
  EncodeExtended(b, y);
  return std::memcmp(x, y, 10) == 0;
}

// The fixed notation of current IDEs: 18 significant digits and exactly 18
// decimals ("39255.000000000000000000", "0.750000000000000000"); "" when the
// value does not fit it.
std::string Fixed18(long double value) {
  if (!std::isfinite(value)) return "";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 17);
  *r.ptr = '\0';
  std::string s(buf);
  std::string sign;
  if (s[0] == '-') {
    sign = "-";
    s.erase(0, 1);
  }
  size_t e = s.find('e');
  int exp = std::atoi(s.c_str() + e + 1);
  std::string digits;
  for (char c : s.substr(0, e))
    if (c != '.') digits += c;
  if (value == 0) exp = 0;
  if (exp < -1 || exp >= 18) return "";
  std::string whole, frac;
  if (exp < 0) {
    whole = "0";
    frac = std::string(static_cast<size_t>(-exp - 1), '0') + digits;
  } else {
    whole = digits.substr(0, static_cast<size_t>(exp) + 1);
    frac = digits.substr(static_cast<size_t>(exp) + 1);
  }
  frac.resize(18, '0');
  return sign + whole + "." + frac;
}

}  // namespace

std::string FormatExtended(long double value) {
  // The fixed notation keeps a float a float (an integral value written as
  // "50" would read back as an integer); it is used whenever it reads back to
  // the very same bits, else the shortest text that does.
  std::string fixed = Fixed18(value);
  if (!fixed.empty()) {
    auto back = ParseFloat(fixed);
    if (back && SameBits(*back, value)) return fixed;
  }
  return FormatShortest(value);
}
std::string FormatDouble(double value) { return FormatShortest(value); }
std::string FormatSingle(float value) { return FormatShortest(value); }

std::string FormatCurrency(std::int64_t scaled) { return std::to_string(scaled); }

namespace {

// strtold in the C locale whatever the process's locale (a GUI sets the
// user's, whose decimal separator may be a comma).
long double StrToLongDouble(const char* text) {
#if defined(__GLIBC__)
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  if (c_locale) return strtold_l(text, nullptr, c_locale);
#endif
  return std::strtold(text, nullptr);
}

}  // namespace

std::optional<long double> ParseFloat(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
    return std::nullopt;
  long double v = 0;
  auto r = ReadLongDouble(text.data(), text.data() + text.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Below the normal range the 80-bit format still holds the value as a
    // denormal, which strtold gives; beyond the range it is zero, as the
    // platform's reader gives.
    const std::string copy(text.substr(0, static_cast<size_t>(r.ptr - text.data())));
    v = StrToLongDouble(copy.c_str());
    if (!std::isfinite(v)) v = 0;
    if (r.ptr != text.data() + text.size()) return std::nullopt;
  } else if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return negative ? -v : v;
}

std::optional<std::int64_t> ParseCurrency(std::string_view text) {
  auto v = ParseFloat(text);
  if (!v || !(std::fabs(*v) < 9.2e18L)) return std::nullopt;
  return static_cast<std::int64_t>(std::llround(*v));
}

}  // namespace tolvern
