// XOR scrambling, base64 with the system's result codes, and the address-file protected form.
#include <openssl/evp.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "EncryptLib.h"
#include "secblobenc_internal.h"

namespace nx::encrypt {
namespace {

std::uint32_t GetLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutLe32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// 6-bit value of a base64 character. The decoder has never rejected characters outside the
// alphabet; they count as zero bits.
unsigned Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

bool IsBase64Space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

unsigned char Rot13(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>('A' + (c - 'A' + 13) % 26);
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>('a' + (c - 'a' + 13) % 26);
  return c;
}

}  // namespace

int XSPEncrypt(const void* in, int length, void* out, int* outLen, int capacity) {
  if (in == nullptr || out == nullptr || outLen == nullptr) return kXspNullPointer;
  if (length < 1 || capacity < 1) return kXspBadLength;

  const auto* src = static_cast<const unsigned char*>(in);
  auto* dst = static_cast<unsigned char*>(out);
  int written = 0;
  const int groups = length / 4;
  for (int g = 0; g < groups; ++g) {
    if (written + 4 > capacity) {
      *outLen = written;
      return kXspNoRoom;
    }
    PutLe32(dst + written, GetLe32(src + written) ^ kXspKeyValue);
    written += 4;
  }
  const int tail = length - written;
  if (tail > 0) {
    if (written + tail > capacity) {
      *outLen = written;
      return kXspNoRoom;
    }
    for (int i = 0; i < tail; ++i) {
      dst[written + i] = static_cast<unsigned char>(src[written + i] ^ xspkey[i]);
    }
    written += tail;
  }
  *outLen = written;
  return kXspSuccess;
}

int XSPBinToB64(const void* in, int length, void* out, int* outLen, int capacity) {
  if (in == nullptr || out == nullptr || outLen == nullptr) return kXspNullPointer;
  if (length < 1 || capacity < 0) return kXspBadLength;
  const long long needed = 4LL * ((static_cast<long long>(length) + 2) / 3);
  if (needed > std::numeric_limits<int>::max()) return kXspBadLength;
  if (needed > capacity) {
    *outLen = static_cast<int>(needed);
    return kXspNoRoom;
  }

  // OpenSSL's encoder appends a NUL, which the caller's buffer need not have room for: encode
  // whole groups through a small buffer.
  const auto* src = static_cast<const unsigned char*>(in);
  auto* dst = static_cast<unsigned char*>(out);
  constexpr int kChunkIn = 48 * 3;
  unsigned char chunk[kChunkIn / 3 * 4 + 1];
  int done = 0;
  int written = 0;
  while (done < length) {
    const int take = length - done < kChunkIn ? length - done : kChunkIn;
    const int n = EVP_EncodeBlock(chunk, src + done, take);
    std::memcpy(dst + written, chunk, static_cast<std::size_t>(n));
    done += take;
    written += n;
  }
  *outLen = written;
  return kXspSuccess;
}

int XSPB64ToBin(const void* in, int length, void* out, int* outLen, int capacity) {
  if (in == nullptr || out == nullptr || outLen == nullptr) return kXspNullPointer;
  if (length < 1 || length % 4 != 0 || capacity < 0) return kXspBadLength;

  const auto* src = static_cast<const unsigned char*>(in);
  int pad = 0;
  while (pad < length && src[length - 1 - pad] == '=') ++pad;
  long long needed = 3LL * length / 4 - pad;
  if (needed < 0) needed = 0;
  if (needed > capacity) {
    *outLen = static_cast<int>(needed);
    return kXspNoRoom;
  }

  // At most 3/4 of the characters before the first "=" become bytes, which the check above
  // bounds by `needed`; the explicit bound below keeps that true whatever the input.
  auto* dst = static_cast<unsigned char*>(out);
  const long long limit = needed;
  long long written = 0;
  std::uint32_t acc = 0;
  int have = 0;
  for (int i = 0; i < length; ++i) {
    const unsigned char c = src[i];
    if (c == '=') break;
    if (IsBase64Space(c)) continue;
    acc = acc << 6 | Base64Value(c);
    if (++have == 4) {
      if (written + 3 > limit) break;
      dst[written++] = static_cast<unsigned char>(acc >> 16);
      dst[written++] = static_cast<unsigned char>(acc >> 8);
      dst[written++] = static_cast<unsigned char>(acc);
      acc = 0;
      have = 0;
    }
  }
  // A final group of two or three characters holds one or two bytes; a single one holds none.
  if (have == 2 && written + 1 <= limit) {
    dst[written++] = static_cast<unsigned char>(acc >> 4);
  } else if (have == 3 && written + 2 <= limit) {
    dst[written++] = static_cast<unsigned char>(acc >> 10);
    dst[written++] = static_cast<unsigned char>(acc >> 2);
  }
  *outLen = static_cast<int>(written);
  return kXspSuccess;
}

int XspBinToB64(const void* in, int length, void* out, int* outLen, int capacity) {
  return XSPBinToB64(in, length, out, outLen, capacity);
}

int XspB64ToBin(const void* in, int length, void* out, int* outLen, int capacity) {
  return XSPB64ToBin(in, length, out, outLen, capacity);
}

int EwsCsvDecrypt(const void* text, int length, void* out, int* outLen, int capacity) {
  if (text == nullptr || out == nullptr || outLen == nullptr) return kXspNullPointer;
  if (length < 1 || capacity < 1) return kXspBadLength;

  // The copy stops at the first NUL or at `length` bytes: the text need not be terminated.
  const auto* src = static_cast<const unsigned char*>(text);
  const auto* nul = static_cast<const unsigned char*>(std::memchr(src, 0, static_cast<std::size_t>(length)));
  const int textLen = nul ? static_cast<int>(nul - src) : length;
  if (textLen == 0) return kXspBadLength;

  std::vector<unsigned char> work;
  try {
    work.resize(static_cast<std::size_t>(textLen));
  } catch (const std::bad_alloc&) {
    return kXspNullPointer;
  }
  for (int i = 0; i < textLen; ++i) work[static_cast<std::size_t>(i)] = Rot13(src[i]);

  auto* dst = static_cast<unsigned char*>(out);
  int n = 0;
  const int rc = XSPB64ToBin(work.data(), textLen, dst, &n, capacity - 1);
  OPENSSL_cleanse(work.data(), work.size());
  if (rc != kXspSuccess) return kXspBadLength;
  dst[n] = 0;
  *outLen = n;
  return kXspSuccess;
}

}  // namespace nx::encrypt
