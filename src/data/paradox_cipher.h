// The encryption of password-protected Paradox tables. The header keeps a
// check number made from the password; the data blocks of the .DB file are
// enciphered with that number and each block's number, and the whole .MB
// file in 256-byte pieces with that number alone. The cipher is pxlib's
// (Debian's libpx): only its functions on buffers tolvern owns are called,
// never its readers, so a damaged table cannot crash it. A build without
// pxlib (the Windows cross-build) reads no encrypted table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvern::data {

// Whether this build can decrypt tables.
bool ParadoxCipherAvailable();

// The check number a table encrypted with password keeps in its header; 0
// for an empty password, for one of 256 bytes or more (no Paradox password
// is that long) and where the cipher is not available.
std::uint32_t ParadoxPasswordCheck(std::string_view password);

// Deciphers (or enciphers) data block number n (from 1) of a .DB file in
// place. Only whole 256-byte pieces are touched.
void DecryptParadoxBlock(std::string* block, std::uint32_t check, int n);
void EncryptParadoxBlock(std::string* block, std::uint32_t check, int n);

// Deciphers (or enciphers) bytes of a .MB file that start at an offset that
// is a multiple of 256, in place. Only whole 256-byte pieces are touched.
void DecryptParadoxMb(std::string* bytes, std::uint32_t check);
void EncryptParadoxMb(std::string* bytes, std::uint32_t check);

}  // namespace tolvern::data
