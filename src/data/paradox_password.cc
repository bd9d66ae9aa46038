#include "data/paradox_password.h"

#include <map>

#include "data/paradox_cipher.h"
#include "platform/code_pages.h"

namespace tolvern::data {
namespace {

constexpr char kRemoveIt[] = "remove it in Paradox or Database Desktop (Restructure)";

// The password in the table's code page, as Paradox kept the text typed;
// "" when a letter has no byte there.
std::string InCodePage(const std::string& utf8, int code_page) {
  std::map<std::string, char> bytes;  // each byte's UTF-8 text
  for (int b = 0x80; b < 0x100; ++b) {
    std::string one(1, static_cast<char>(b));
    bytes.emplace(CodePageToUtf8(code_page, one), one[0]);
  }
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += utf8[i++];
      continue;
    }
    size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    auto found = bytes.find(utf8.substr(i, length));
    if (found == bytes.end()) return "";
    out += found->second;
    i += length;
  }
  return out;
}

bool Opens(const std::string& password, std::uint32_t check) {
  return !password.empty() && ParadoxPasswordCheck(password) == check;
}

}  // namespace

bool FindParadoxPassword(std::uint32_t check, const std::vector<std::string>& passwords,
                         int code_page, std::string* error) {
  if (!ParadoxCipherAvailable()) {
    *error = std::string(
                 "the table is password-protected, and this build of tolvern cannot decrypt "
                 "tables (it was built without pxlib): ") +
             kRemoveIt + ", then run again";
    return false;
  }
  for (const std::string& password : passwords) {
    if (Opens(password, check)) return true;
    std::string local = InCodePage(password, code_page);
    if (local != password && Opens(local, check)) return true;
  }
  std::string what = passwords.empty()
                         ? "the table is password-protected"
                         : "the table is password-protected, and " +
                               std::string(passwords.size() == 1
                                               ? "the password given is not its password"
                                               : "none of the " + std::to_string(passwords.size()) +
                                                     " passwords given is its password");
  *error =
      what + ": give its password with --password (or in the profile's alias), or " + kRemoveIt;
  return false;
}

}  // namespace tolvern::data
