// How an alias's name stands as a key of a profile's "aliases". A database
// name comes from a form as its bytes: UTF-8 in a UTF-8 form, but in an
// 8-bit form the bytes of the system's code page, which JSON text cannot
// hold. Such a name is written as form text writes a string: quoted pieces
// of the characters that are valid UTF-8 and #nnn codes for the bytes that
// are not ('Sess'#227'o' for the bytes "Sess", 0xE3, "o"). A key that
// begins with a quote or "#" and is one such string value stands for the
// bytes it writes; any other key is the name as it is. So that every name
// comes back the same, a name that begins with a quote or "#" is written
// that way too.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

// The key that stands for the alias name (the bytes a form gave).
std::string AliasKey(std::string_view name);
// The alias name a key stands for.
std::string AliasNameOfKey(std::string_view key);

}  // namespace tolvern
