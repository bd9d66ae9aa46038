#include "base/deflate.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tolvern {
namespace {

constexpr int kMinMatch = 3, kMaxMatch = 258, kWindow = 32768, kMaxChain = 48;
constexpr int kHashBits = 15;

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class BitWriter {
 public:
  // Bits of value, least significant first (headers and extra bits).
  void Bits(std::uint32_t value, int count) {
    acc_ |= static_cast<std::uint64_t>(value) << used_;
    used_ += count;
    while (used_ >= 8) {
      out_ += static_cast<char>(acc_ & 0xFF);
      acc_ >>= 8;
      used_ -= 8;
    }
  }
  // A Huffman code, most significant bit first.
  void Code(std::uint32_t code, int length) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    Bits(reversed, length);
  }
  std::string Finish() {
    if (used_ > 0) out_ += static_cast<char>(acc_ & 0xFF);
    return std::move(out_);
  }

 private:
  std::string out_;
  std::uint64_t acc_ = 0;
  int used_ = 0;
};

// A literal or length symbol (0 to 287) in the fixed code.
void Symbol(BitWriter& w, int s) {
  if (s < 144)
    w.Code(0x30 + s, 8);
  else if (s < 256)
    w.Code(0x190 + s - 144, 9);
  else if (s < 280)
    w.Code(s - 256, 7);
  else
    w.Code(0xC0 + s - 280, 8);
}

void Match(BitWriter& w, int length, int distance) {
  int l = 28;
  while (kLengthBase[l] > length) --l;
  Symbol(w, 257 + l);
  w.Bits(length - kLengthBase[l], kLengthExtra[l]);
  int d = 29;
  while (kDistBase[d] > distance) --d;
  w.Code(d, 5);
  w.Bits(distance - kDistBase[d], kDistExtra[d]);
}

std::uint32_t Hash(const unsigned char* p) {
  return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & ((1u << kHashBits) - 1);
}

}  // namespace

std::string DeflateRaw(std::string_view data) {
  BitWriter w;
  w.Bits(1, 1);  // the last block
  w.Bits(1, 2);  // fixed Huffman codes
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const int size = static_cast<int>(data.size());
  std::vector<int> head(1u << kHashBits, -1), prev(kWindow, -1);
  auto insert = [&](int at) {
    if (at + kMinMatch > size) return;
    const std::uint32_t h = Hash(bytes + at);
    prev[at % kWindow] = head[h];
    head[h] = at;
  };
  for (int i = 0; i < size;) {
    int best = 0, best_distance = 0;
    if (i + kMinMatch <= size) {
      const int limit = std::min(kMaxMatch, size - i);
      int candidate = head[Hash(bytes + i)];
      for (int chain = 0; candidate >= 0 && i - candidate <= kWindow - 1 && chain < kMaxChain;
           ++chain) {
        int n = 0;
        while (n < limit && bytes[candidate + n] == bytes[i + n]) ++n;
        if (n > best) {
          best = n;
          best_distance = i - candidate;
          if (n == limit) break;
        }
        const int next = prev[candidate % kWindow];
        if (next >= candidate) break;  // a slot of the window reused since
        candidate = next;
      }
    }
    if (best >= kMinMatch) {
      Match(w, best, best_distance);
      for (int k = 0; k < best; ++k) insert(i + k);
      i += best;
    } else {
      Symbol(w, bytes[i]);
      insert(i);
      ++i;
    }
  }
  Symbol(w, 256);
  return w.Finish();
}

namespace {

class BitReader {
 public:
  explicit BitReader(std::string_view in) : in_(in) {}
  bool Bits(int count, std::uint32_t* value) {
    *value = 0;
    for (int i = 0; i < count; ++i) {
      if (pos_ >= in_.size() * 8) return false;
      const auto byte = static_cast<unsigned char>(in_[pos_ / 8]);
      *value |= static_cast<std::uint32_t>((byte >> (pos_ % 8)) & 1u) << i;
      ++pos_;
    }
    return true;
  }
  // The next Huffman code bit, most significant first.
  bool Bit(std::uint32_t* code) {
    std::uint32_t b = 0;
    if (!Bits(1, &b)) return false;
    *code = (*code << 1) | b;
    return true;
  }
  void ToByte() { pos_ = (pos_ + 7) / 8 * 8; }
  size_t BytePos() const { return pos_ / 8; }
  void SkipBytes(size_t n) { pos_ += n * 8; }
  std::string_view In() const { return in_; }

 private:
  std::string_view in_;
  size_t pos_ = 0;
};

// The next literal or length symbol of the fixed code; -1 at the end of input.
int FixedSymbol(BitReader& r) {
  std::uint32_t code = 0;
  for (int i = 0; i < 7; ++i)
    if (!r.Bit(&code)) return -1;
  if (code <= 23) return 256 + static_cast<int>(code);
  if (!r.Bit(&code)) return -1;
  if (code >= 0x30 && code <= 0xBF) return static_cast<int>(code) - 0x30;
  if (code >= 0xC0 && code <= 0xC7) return 280 + static_cast<int>(code) - 0xC0;
  if (!r.Bit(&code)) return -1;
  return 144 + static_cast<int>(code) - 0x190;
}

bool FixedBlock(BitReader& r, std::string& out) {
  for (;;) {
    const int s = FixedSymbol(r);
    if (s < 0 || s > 285) return false;
    if (s < 256) {
      out += static_cast<char>(s);
      continue;
    }
    if (s == 256) return true;
    std::uint32_t extra = 0, d = 0;
    if (!r.Bits(kLengthExtra[s - 257], &extra)) return false;
    const size_t length = kLengthBase[s - 257] + extra;
    for (int i = 0; i < 5; ++i)
      if (!r.Bit(&d)) return false;
    if (d > 29 || !r.Bits(kDistExtra[d], &extra)) return false;
    const size_t distance = kDistBase[d] + extra;
    if (distance > out.size()) return false;
    for (size_t k = 0; k < length; ++k) out += out[out.size() - distance];
  }
}

}  // namespace

std::optional<std::string> InflateRaw(std::string_view stream) {
  BitReader r(stream);
  std::string out;
  for (std::uint32_t last = 0; !last;) {
    std::uint32_t type = 0;
    if (!r.Bits(1, &last) || !r.Bits(2, &type)) return std::nullopt;
    if (type == 1) {
      if (!FixedBlock(r, out)) return std::nullopt;
    } else if (type == 0) {
      r.ToByte();
      const size_t at = r.BytePos();
      if (at + 4 > stream.size()) return std::nullopt;
      const auto b = [&](size_t i) { return static_cast<unsigned char>(stream[at + i]); };
      const size_t len = b(0) | (b(1) << 8);
      if ((len ^ (b(2) | (b(3) << 8))) != 0xFFFF || at + 4 + len > stream.size())
        return std::nullopt;
      out.append(stream.substr(at + 4, len));
      r.SkipBytes(4 + len);
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string Base64(std::string_view data) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const std::uint32_t n = (static_cast<unsigned char>(data[i]) << 16) |
                            (static_cast<unsigned char>(data[i + 1]) << 8) |
                            static_cast<unsigned char>(data[i + 2]);
    for (int s : {18, 12, 6, 0}) out += abc[(n >> s) & 63];
  }
  if (i < data.size()) {
    std::uint32_t n = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) n |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += abc[(n >> 18) & 63];
    out += abc[(n >> 12) & 63];
    out += i + 1 < data.size() ? abc[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string FromBase64(std::string_view text) {
  static const std::string_view abc =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int n = 0;
  for (char c : text) {
    const size_t v = abc.find(c);
    if (v == std::string_view::npos) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    n += 6;
    if (n >= 8) {
      n -= 8;
      out += static_cast<char>((bits >> n) & 0xFF);
    }
  }
  return out;
}

}  // namespace tolvern
