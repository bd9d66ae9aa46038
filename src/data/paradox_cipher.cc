#include "data/paradox_cipher.h"

#ifdef TOLVERN_HAVE_PXLIB
// pxlib exports its cipher but leaves it out of paradox.h: its declarations,
// as pxlib's px_crypt.h gives them.
extern "C" {
long px_passwd_checksum(const char* password);
void px_decrypt_db_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
                         unsigned long blocksize, unsigned long blockno);
void px_encrypt_db_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
                         unsigned long blocksize, unsigned long blockno);
void px_decrypt_mb_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
                         unsigned long blocksize);
void px_encrypt_mb_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
                         unsigned long blocksize);
}
#endif

namespace tolvern::data {

#ifdef TOLVERN_HAVE_PXLIB
namespace {

// The cipher works on pieces of 256 bytes; a shorter tail is left as it is.
constexpr size_t kPiece = 256;

unsigned char* Bytes(std::string* s) { return reinterpret_cast<unsigned char*>(s->data()); }
unsigned long Whole(const std::string& s) { return s.size() / kPiece * kPiece; }

}  // namespace

bool ParadoxCipherAvailable() { return true; }

std::uint32_t ParadoxPasswordCheck(std::string_view password) {
  // pxlib copies the password into a buffer of 256 bytes.
  if (password.empty() || password.size() >= kPiece ||
      password.find('\0') != std::string_view::npos)
    return 0;
  std::string text(password);
  return static_cast<std::uint32_t>(px_passwd_checksum(text.c_str()));
}

void DecryptParadoxBlock(std::string* block, std::uint32_t check, int n) {
  px_decrypt_db_block(Bytes(block), Bytes(block), check, Whole(*block),
                      static_cast<unsigned long>(n));
}

void EncryptParadoxBlock(std::string* block, std::uint32_t check, int n) {
  px_encrypt_db_block(Bytes(block), Bytes(block), check, Whole(*block),
                      static_cast<unsigned long>(n));
}

void DecryptParadoxMb(std::string* bytes, std::uint32_t check) {
  px_decrypt_mb_block(Bytes(bytes), Bytes(bytes), check, Whole(*bytes));
}

void EncryptParadoxMb(std::string* bytes, std::uint32_t check) {
  px_encrypt_mb_block(Bytes(bytes), Bytes(bytes), check, Whole(*bytes));
}

#else

bool ParadoxCipherAvailable() { return false; }
std::uint32_t ParadoxPasswordCheck(std::string_view) { return 0; }
void DecryptParadoxBlock(std::string*, std::uint32_t, int) {}
void EncryptParadoxBlock(std::string*, std::uint32_t, int) {}
void DecryptParadoxMb(std::string*, std::uint32_t) {}
void EncryptParadoxMb(std::string*, std::uint32_t) {}

#endif

}  // namespace tolvern::data
