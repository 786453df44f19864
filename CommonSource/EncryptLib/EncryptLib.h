// The encryption library shared by jobfilter, faxpde and accountpde: the three protected forms
// in which passwords travel and are kept.
//
// - Storage encryption (Encode_Storage / Decode_Storage): deterministic AES-256-CBC under a key
//   derived from fixed seeds; the panels keep passwords in this form.
// - Device-key blob (SecBlobEnc_KT_Encrypt / Encode_Random): RSA-OAEP key transport plus
//   AES-256-CBC; only the device holding the private key can read the value.
// - XOR scrambling and base64 (XSP*), and the address-file form of the device's web-page CSV
//   exports (EwsCsvDecrypt).
//
// Plain functions on caller-provided buffers (and DeviceKey, a key decoded once); no state is kept
// between calls and every routine may run on any thread. Buffers are untyped (any byte or char
// buffer); lengths are byte counts.
// Diagnostics go to standard error and never carry a value, a key or a password.
#pragma once

#include <cstdint>
#include <memory>

namespace nx::encrypt {

// ---- Result codes ------------------------------------------------------------------------

// Storage and device-key routines.
inline constexpr int kEncSuccess = 0;
inline constexpr int kEncUnsupported = 2;    // too long, bad key type, bad AES mode, bad argument
inline constexpr int kEncCryptoFailed = 99;  // a cryptographic step failed

// XOR, base64 and address-file routines.
inline constexpr int kXspSuccess = 0;
inline constexpr int kXspNullPointer = -1;   // a required pointer is missing (or no memory)
inline constexpr int kXspBadLength = -2;     // a length out of range, or undecodable text
inline constexpr int kXspNoRoom = -3;        // output capacity too small

// ---- Constants (identical in all deliverables) --------------------------------------------

inline constexpr int seed1Len = 32;  // HMAC key of the storage key derivation
inline constexpr int seed2Len = 32;  // HMAC message of the storage key derivation
inline constexpr int seed3Len = 16;  // AES initialization vector of the storage encryption
extern const unsigned char seed1[seed1Len];
extern const unsigned char seed2[seed2Len];
extern const unsigned char seed3[seed3Len];

// The device's 2048-bit RSA public key: base64 of the DER SubjectPublicKeyInfo, 64-character
// lines each ended by LF. NUL-terminated; the length excludes the NUL.
inline constexpr int RSA_PUBKEY_2048_OFFICIAL_LEN = 399;
extern const char RSA_PUBKEY_2048_OFFICIAL[RSA_PUBKEY_2048_OFFICIAL_LEN + 1];

// SHA-256 fingerprints naming the device key inside a blob (key type 0 and key type 1).
inline constexpr int kFingerprintLen = 32;
extern const unsigned char pubkey2048_OFFICIAL_SHA256[kFingerprintLen];
extern const unsigned char pubkey3072_OFFICIAL_SHA256[kFingerprintLen];

// Key of the XOR scrambling: 4 bytes read as a little-endian 32-bit value.
inline constexpr std::uint32_t kXspKeyValue = 0x5A3C9E17u;
inline constexpr int xspkeyLen = 4;
extern const unsigned char xspkey[xspkeyLen];

// ---- Device-key blob layout ----------------------------------------------------------------

inline constexpr int kBlobFormat = 8;
inline constexpr int kBlobVersion = 1;
inline constexpr int kAesModeCbc = 1;      // AES-256-CBC with PKCS#7 padding (the only mode taken)
inline constexpr int kKeyType2048 = 0;     // 2048-bit device key (RSA part 256 bytes)
inline constexpr int kKeyType3072 = 1;     // 3072-bit device key (RSA part 384 bytes)
inline constexpr int kBlobMaxValueLen = 99500;  // longer values are refused

// Byte length of the storage cipher text of an n-byte value.
constexpr int StorageCipherLen(int n) { return 16 * (n / 16 + 1); }
// Byte length of the mode-1 blob of an n-byte value under a key whose RSA output is
// rsaLen bytes (256 for the built-in key).
constexpr int BlobLen(int n, int rsaLen = 256) { return 96 + rsaLen + StorageCipherLen(n); }

// ---- Storage encryption --------------------------------------------------------------------

// Enciphers `length` bytes of `value` with AES-256-CBC/PKCS#7 under HMAC-SHA256(key s1, message
// s2) and the vector s3 (pass seed1, seed1Len, seed2, seed2Len, seed3, seed3Len). `*outLen` is
// the capacity of `out` on entry (at least StorageCipherLen(length)) and the cipher length on
// return. Results: kEncSuccess; kEncUnsupported for a missing pointer, a negative length or a
// vector that is not 16 bytes; kEncCryptoFailed when a step fails (capacity too small included).
int Encode_Storage(const void* value, int length, const void* s1, int s1Len, const void* s2,
                   int s2Len, const void* s3, int s3Len, void* out, int* outLen);

// The inverse: deciphers `length` bytes of cipher text into `out` (capacity in `*outLen` on
// entry, plain length on return). Cipher text that is not a whole number of blocks, has bad
// padding or whose plain text exceeds the capacity gives kEncCryptoFailed.
int Decode_Storage(const void* value, int length, const void* s1, int s1Len, const void* s2,
                   int s2Len, const void* s3, int s3Len, void* out, int* outLen);

// ---- Device-key blob -----------------------------------------------------------------------

// Builds the device-key blob of `length` bytes of `value` under the RSA public key given as
// text (`pubKeyText`, `pubKeyTextLen` bytes): base64 of the DER SubjectPublicKeyInfo, line ends
// ignored; a PEM "-----BEGIN PUBLIC KEY-----" armour is accepted too. The key must be 2048 bits
// for key type 0 and 3072 bits for key type 1. The fingerprint written is the built-in constant
// of the key type when the key is the built-in key, else the SHA-256 of the key's DER form, so
// that a device can recognise its own key. `*outLen`: capacity on entry (at least
// BlobLen(length, key bytes)), blob length on return. `out` must not overlap `value`.
// Results: kEncSuccess; kEncUnsupported (value of 99501 bytes or more, invalid key type or key
// size, AES mode other than 1, missing pointer, capacity too small); kEncCryptoFailed.
int SecBlobEnc_KT_Encrypt(int aesMode, int keyType, const void* value, int length,
                          const char* pubKeyText, int pubKeyTextLen, void* out, int* outLen);

// SecBlobEnc_KT_Encrypt(kAesModeCbc, kKeyType2048, value, length, RSA_PUBKEY_2048_OFFICIAL,
// RSA_PUBKEY_2048_OFFICIAL_LEN, out, outLen).
int Encode_Random(const void* value, int length, void* out, int* outLen);

// Encode_Random under another device key (a deployment's own key text, see SecBlobEnc_KT_Encrypt
// for the accepted forms); the key type follows from the key size (2048 -> 0, 3072 -> 1).
int Encode_RandomWithKey(const void* value, int length, const char* pubKeyText,
                         int pubKeyTextLen, void* out, int* outLen);

struct ParsedDeviceKey;

// A device key decoded once, for a caller that wraps several values under it (every password of
// a job goes under the same key). Encode gives what Encode_Random (the built-in key) or
// Encode_RandomWithKey (a key text) gives, diagnostics included; a key text that does not decode
// fails each Encode as it would fail Encode_RandomWithKey.
class DeviceKey {
 public:
  DeviceKey();  // the built-in key
  DeviceKey(const char* pubKeyText, int pubKeyTextLen);
  ~DeviceKey();
  DeviceKey(DeviceKey&&) noexcept;
  DeviceKey& operator=(DeviceKey&&) noexcept;
  DeviceKey(const DeviceKey&) = delete;
  DeviceKey& operator=(const DeviceKey&) = delete;

  int Encode(const void* value, int length, void* out, int* outLen) const;

 private:
  std::unique_ptr<ParsedDeviceKey> parsed_;
  bool builtIn_ = false;
};

// The fingerprint a blob carries for the given key text (see SecBlobEnc_KT_Encrypt) into
// `out` (32 bytes). kEncSuccess, kEncUnsupported (missing pointer, key not RSA 2048 or 3072),
// kEncCryptoFailed (key text undecodable).
int SecBlobEnc_KeyFingerprint(const char* pubKeyText, int pubKeyTextLen, unsigned char* out);

// Fills `count` bytes of `out` from the system's cryptographic random source. Returns 0 on
// success, else a non-zero status (and writes "Generate Random Error[status]").
int Generate_Random(int count, void* out);

// ---- XOR scrambling and base64 -------------------------------------------------------------

// XOR of `length` bytes with xspkey, little-endian word by word, the 1-3 byte tail with the key's
// low bytes in order; its own inverse; `out` may equal `in`. `*outLen` receives the bytes
// written (equal to `length` on success). -1 missing pointer; -2 length or capacity below 1;
// -3 output capacity too small (`*outLen` = bytes written so far).
int XSPEncrypt(const void* in, int length, void* out, int* outLen, int capacity);

// Standard base64 with "=" padding, no line breaks, no NUL added: 4 * ceil(length / 3)
// characters. -1 missing pointer; -2 length below 1 or capacity negative; -3 capacity too
// small, with `*outLen` set to the needed size.
int XSPBinToB64(const void* in, int length, void* out, int* outLen, int capacity);

// The stored-secret form of the panels: XSPEncrypt of the first `length` bytes of `buffer` (at
// most 255 bytes), then `capacity` bytes of `buffer` cleared and the base64 text of the result
// (XSPBinToB64, at most 255 characters and always followed by a NUL inside `capacity`) written
// there. Answers `buffer`, or null when `length` < 1, `length` > `capacity` or a step fails; the
// buffer is then cleared, so the clear text never outlives the call. Values of up to 189 bytes
// fit the 255 characters.
char* XSPEncodeSecret(char* buffer, int length, int capacity);

// Base64 decoding. The length must be a positive multiple of 4 (else -2); a capacity below
// 3 * length / 4 less the trailing "=" count gives -3 with that size in `*outLen`. White space
// is skipped; decoding stops at the end of the input or at the first "="; other characters
// are not checked (they decode as zero bits). `*outLen` receives the decoded byte count.
int XSPB64ToBin(const void* in, int length, void* out, int* outLen, int capacity);

// ---- Address-file protected fields ---------------------------------------------------------

// Opens a protected field of the device's web-page CSV export: ROT13 over the letters, then
// base64. The text ends at `length` bytes or its first NUL. On success `out` holds the decoded
// bytes and a NUL, `*outLen` their count (at most capacity - 1). -1 missing pointer; -2 length
// or capacity below 1, empty text, or text that does not decode into capacity - 1 bytes.
int EwsCsvDecrypt(const void* text, int length, void* out, int* outLen, int capacity);

// The address-file module's names for XSPBinToB64 and XSPB64ToBin (same behaviour and codes).
int XspBinToB64(const void* in, int length, void* out, int* outLen, int capacity);
int XspB64ToBin(const void* in, int length, void* out, int* outLen, int capacity);

}  // namespace nx::encrypt
