// Readers of the FAP, GAP and GAD phonebook files.
//
// FAP and GAP: magic, 0x04, then records (0x01 individual / 0x02 group, fields each ended by
// 0x03, end byte 0x04) up to the end of the file. GAD: the same framing in little-endian 16-bit
// units, with raw little-endian numbers. Fields longer than their capacity are cut, the surplus
// consumed; anything else unexpected ends the read with the records before it kept.
#include <algorithm>
#include <cstring>
#include <memory>

#include "byte_source.h"
#include "nx/phonebook/abif_file.h"
#include "phonebook_cipher.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::ByteSource;
using detail::FieldText;

constexpr int kFieldEnd = 0x03;
constexpr int kRecordEnd = 0x04;
constexpr int kIndividual = 0x01;
constexpr int kGroup = 0x02;
constexpr std::size_t kHeaderKeep = 255;

// The status of a read that ran out of data where more was due.
AbifStatus Damage(const ByteSource& src) {
  return src.failed() ? kAbifReadWriteFailed : kAbifBadFormat;
}

// Reads bytes up to `terminator` into dst (cleared first, at most cap - 1 kept). False when the
// data ends before the terminator.
bool ReadBytesField(ByteSource& src, char* dst, std::size_t cap, int terminator) {
  std::memset(dst, 0, cap);
  std::size_t n = 0;
  for (;;) {
    const auto [data, size] = src.Buffered();
    if (size == 0) return false;
    const void* hit = std::memchr(data, terminator, size);
    const std::size_t len = hit ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data) : size;
    const std::size_t take = n + 1 < cap ? std::min(len, cap - 1 - n) : 0;
    std::memcpy(dst + n, data, take);
    n += take;
    src.Skip(hit ? len + 1 : len);
    if (hit) return true;
  }
}

template <std::size_t N>
bool ReadField(ByteSource& src, char (&dst)[N]) {
  return ReadBytesField(src, dst, N, kFieldEnd);
}

bool SkipField(ByteSource& src) {
  char scratch[1];
  return ReadBytesField(src, scratch, sizeof scratch, kFieldEnd);
}

// Opens an enciphered field in place. Text that is not base64 stays as read.
template <std::size_t N>
void DecipherField(char (&field)[N]) {
  const std::string_view text = FieldText(field);
  if (text.empty()) return;
  if (auto plain = detail::XspDecodeText(text)) detail::SetField(field, *plain);
}

void MarkInvalid(char (&id)[11]) {
  std::memset(id, 0, sizeof id);
  id[0] = '0';
}

template <std::size_t N>
bool IsOneCharacter(const char (&field)[N]) {
  return FieldText(field).size() == 1;
}

AbifStatus ReadIndividual(ByteSource& src, tag_ABIF_MYFAX& r) {
  std::memset(&r, 0, sizeof r);
  if (!(ReadField(src, r.Id) && ReadField(src, r.Name) && ReadField(src, r.Address) &&
        ReadField(src, r.Company) && ReadField(src, r.Memo) && ReadField(src, r.CommMode) &&
        ReadField(src, r.TimeStamp) && ReadField(src, r.Furigana) &&
        ReadField(src, r.AddressType) && ReadField(src, r.SIPFAXAddress) &&
        ReadField(src, r.Tel) && ReadField(src, r.Email) && ReadField(src, r.LineType) &&
        ReadField(src, r.SecureorRelay) && ReadField(src, r.MailBoxId) &&
        ReadField(src, r.MailBoxPassword) && ReadField(src, r.Rlyprn) &&
        ReadField(src, r.RlyID) && ReadField(src, r.RlyNum))) {
    return Damage(src);
  }
  const long long relays = detail::ParseLeadingInt(FieldText(r.RlyNum));
  for (long long i = 0; i < relays; ++i) {
    const bool ok = i < kMyFaxRelaySlots ? ReadField(src, r.RlyDestList[i]) : SkipField(src);
    if (!ok) return Damage(src);
  }
  if (!(ReadField(src, r.FCode) && ReadField(src, r.FCodePassword))) return Damage(src);
  if (src.Get() != kRecordEnd) return Damage(src);

  DecipherField(r.MailBoxPassword);
  DecipherField(r.FCodePassword);

  const std::string_view id = FieldText(r.Id);
  bool invalid = !id.empty() && !detail::IsAllDigits(id);
  invalid = invalid || !IsOneCharacter(r.CommMode) || !IsOneCharacter(r.AddressType) ||
            !IsOneCharacter(r.LineType) || !IsOneCharacter(r.SecureorRelay) ||
            !IsOneCharacter(r.Rlyprn);
  invalid = invalid || FieldText(r.FCode).size() >= 21;
  if (invalid) MarkInvalid(r.Id);
  return kAbifSuccess;
}

// The device's bracket characters in Shift_JIS, which no id may hold.
bool HasBracketCode(std::string_view text, std::size_t within) {
  text = text.substr(0, within);
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) == 0x81 &&
        (static_cast<unsigned char>(text[i + 1]) == 0x75 ||
         static_cast<unsigned char>(text[i + 1]) == 0x76)) {
      return true;
    }
  }
  return false;
}

AbifStatus ReadGroup(ByteSource& src, tag_ABIF_MYFAX_GROUP& g) {
  std::memset(&g, 0, sizeof g);
  if (!(ReadField(src, g.Id) && ReadField(src, g.GroupName) && ReadField(src, g.TimeStamp) &&
        ReadField(src, g.EntryNum) && ReadField(src, g.EntryList[0]))) {
    return Damage(src);
  }
  const long long members = detail::ParseLeadingInt(FieldText(g.EntryNum));
  for (long long i = 1; i < members; ++i) {
    const bool ok = i < kMyFaxGroupMemberSlots ? ReadField(src, g.EntryList[i]) : SkipField(src);
    if (!ok) return Damage(src);
  }
  if (!ReadField(src, g.Furigana)) return Damage(src);
  if (src.Get() != kRecordEnd) return Damage(src);

  bool invalid = HasBracketCode(FieldText(g.Id), 10);
  for (const auto& member : g.EntryList) invalid = invalid || HasBracketCode(FieldText(member), 20);
  invalid = invalid || (members >= 1 && FieldText(g.EntryList[0]).empty());
  if (invalid) MarkInvalid(g.Id);
  return kAbifSuccess;
}

// The status of a file read to its end: records the container had no room for were left out.
AbifStatus EndStatus(bool full) { return full ? kAbifLimitReached : kAbifSuccess; }

enum class Kind { kFap, kGap };

AbifStatus ReadPhonebook(ByteSource& src, ABIFDATA* data, Kind kind) {
  char header[kHeaderKeep + 1];
  if (!ReadBytesField(src, header, sizeof header, kRecordEnd)) return Damage(src);
  auto startsWith = [&](const char* magic) {
    return std::memcmp(header, magic, std::strlen(magic)) == 0;
  };
  if (kind == Kind::kFap) {
    if (startsWith(kGapMagic)) return kAbifOldPhonebookKind;
    if (!startsWith(kFapMagic)) return kAbifBadFormat;
  } else if (!startsWith(kGapMagic)) {
    return kAbifBadFormat;
  }

  auto individual = std::make_unique<tag_ABIF_MYFAX>();
  auto group = std::make_unique<tag_ABIF_MYFAX_GROUP>();
  bool full = false;
  for (;;) {
    const int start = src.Get();
    if (start == ByteSource::kEnd) return src.failed() ? kAbifReadWriteFailed : EndStatus(full);
    AbifStatus status;
    if (start == kIndividual) {
      status = ReadIndividual(src, *individual);
      if (status == kAbifSuccess) status = ABIFData_Add_MyFax(data, 1, individual.get());
    } else if (start == kGroup) {
      status = ReadGroup(src, *group);
      if (status == kAbifSuccess) status = ABIFData_Add_MyFaxGroup(data, 1, group.get());
    } else {
      return kAbifBadFormat;
    }
    // A full container drops the record and reading goes on; the end reports the loss.
    full = full || status == kAbifLimitReached;
    if (status != kAbifSuccess && status != kAbifLimitReached) return status;
  }
}

// ---- GAD ------------------------------------------------------------------------------------

constexpr int kPartialUnit = -2;

int GetUnit(ByteSource& src) {
  const int lo = src.Get();
  if (lo == ByteSource::kEnd) return ByteSource::kEnd;
  const int hi = src.Get();
  if (hi == ByteSource::kEnd) return kPartialUnit;
  return lo | (hi << 8);
}

bool IsHighSurrogate(UniChar u) { return u >= 0xD800 && u <= 0xDBFF; }

// Text units up to 0x0003, at most N - 1 kept. A pair cut by the capacity loses both halves.
template <std::size_t N>
bool GADReadStr(ByteSource& src, UniChar (&dst)[N]) {
  std::memset(dst, 0, sizeof dst);
  std::size_t n = 0;
  bool cut = false;
  for (;;) {
    const int u = GetUnit(src);
    if (u < 0) return false;
    if (u == kFieldEnd) break;
    if (n + 1 < N) {
      dst[n++] = static_cast<UniChar>(u);
    } else {
      cut = true;
    }
  }
  if (cut && n > 0 && IsHighSurrogate(dst[n - 1])) dst[--n] = 0;
  return true;
}

bool GADAssertTag16(ByteSource& src, int tag) { return GetUnit(src) == tag; }

// `size` raw little-endian bytes, then the field end unit.
bool GADReadNumber(ByteSource& src, std::size_t size, std::uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const int c = src.Get();
    if (c == ByteSource::kEnd) return false;
    value |= static_cast<std::uint64_t>(c) << (8 * i);
  }
  return GADAssertTag16(src, kFieldEnd);
}

bool GADReadU16(ByteSource& src, std::uint16_t& out) {
  std::uint64_t v;
  if (!GADReadNumber(src, 2, v)) return false;
  out = static_cast<std::uint16_t>(v);
  return true;
}

bool GADReadTime(ByteSource& src, std::int64_t& out) {
  std::uint64_t v;
  if (!GADReadNumber(src, 8, v)) return false;
  out = static_cast<std::int64_t>(v);
  return true;
}

bool GADReadArray(ByteSource& src, tag_ABIF_GAD_GROUP& g) {
  if (!GADReadU16(src, g.EntryNum)) return false;
  for (int i = 0; i < g.EntryNum; ++i) {
    const int lo = src.Get();
    const int hi = src.Get();
    if (lo == ByteSource::kEnd || hi == ByteSource::kEnd) return false;
    if (i < kGadGroupMemberSlots) g.EntryList[i] = static_cast<std::uint16_t>(lo | (hi << 8));
  }
  return GADAssertTag16(src, kFieldEnd);
}

AbifStatus GADReadRecord(ByteSource& src, int start, ABIFDATA* data, tag_ABIF_GAD& r,
                         tag_ABIF_GAD_GROUP& g) {
  if (start == kIndividual) {
    std::memset(&r, 0, sizeof r);
    if (!(GADReadU16(src, r.Id) && GADReadStr(src, r.Name) && GADReadStr(src, r.FaxNumber) &&
          GADReadStr(src, r.Company) && GADReadStr(src, r.Memo) && GADReadU16(src, r.CommMode) &&
          GADReadTime(src, r.Time) && GADReadStr(src, r.Furigana) &&
          GADAssertTag16(src, kRecordEnd))) {
      return Damage(src);
    }
    return ABIFData_Add_GADFax(data, 1, &r);
  }
  std::memset(&g, 0, sizeof g);
  if (!(GADReadU16(src, g.Id) && GADReadStr(src, g.GroupName) && GADReadTime(src, g.Time) &&
        GADReadArray(src, g) && GADAssertTag16(src, kRecordEnd))) {
    return Damage(src);
  }
  return ABIFData_Add_GADFaxGroup(data, 1, &g);
}

AbifStatus ReadGAD(ByteSource& src, ABIFDATA* data) {
  std::string header;
  for (;;) {
    const int u = GetUnit(src);
    if (u < 0) return Damage(src);
    if (u == kRecordEnd) break;
    if (header.size() < kHeaderKeep) header.push_back(static_cast<char>(u & 0xFF));
  }
  if (header != kGadMagic) return kAbifBadFormat;

  auto individual = std::make_unique<tag_ABIF_GAD>();
  auto group = std::make_unique<tag_ABIF_GAD_GROUP>();
  bool full = false;
  for (;;) {
    const int start = GetUnit(src);
    if (start == ByteSource::kEnd) return src.failed() ? kAbifReadWriteFailed : EndStatus(full);
    if (start != kIndividual && start != kGroup) return Damage(src);
    const AbifStatus status = GADReadRecord(src, start, data, *individual, *group);
    full = full || status == kAbifLimitReached;
    if (status != kAbifSuccess && status != kAbifLimitReached) return status;
  }
}

// Runs a reader with the argument checks every entry point shares.
template <typename Reader>
AbifStatus ReadFile(const char* path, ABIFDATA* data, Reader reader) {
  if (path == nullptr || *path == '\0') return kAbifBadArgument;
  if (data == nullptr) return kAbifNoContainer;
  auto src = detail::FileSource::Open(path);
  if (!src) return kAbifBadArgument;
  try {
    return reader(*src, data);
  } catch (const std::bad_alloc&) {
    return kAbifReadWriteFailed;
  }
}

template <typename Reader>
AbifStatus ReadBytes(const void* bytes, std::size_t size, ABIFDATA* data, Reader reader) {
  if (data == nullptr) return kAbifNoContainer;
  detail::MemorySource src(bytes, size);
  try {
    return reader(src, data);
  } catch (const std::bad_alloc&) {
    return kAbifReadWriteFailed;
  }
}

AbifStatus ReadFAP(ByteSource& src, ABIFDATA* data) { return ReadPhonebook(src, data, Kind::kFap); }
AbifStatus ReadGAP(ByteSource& src, ABIFDATA* data) { return ReadPhonebook(src, data, Kind::kGap); }

}  // namespace

AbifStatus AbifFAPFile_Read(const char* path, ABIFDATA* data) {
  return ReadFile(path, data, ReadFAP);
}
AbifStatus AbifGAPFile_Read(const char* path, ABIFDATA* data) {
  return ReadFile(path, data, ReadGAP);
}
AbifStatus AbifGADFile_Read(const char* path, ABIFDATA* data) {
  return ReadFile(path, data, ReadGAD);
}

AbifStatus AbifFAPData_Read(const void* bytes, std::size_t size, ABIFDATA* data) {
  return ReadBytes(bytes, size, data, ReadFAP);
}
AbifStatus AbifGAPData_Read(const void* bytes, std::size_t size, ABIFDATA* data) {
  return ReadBytes(bytes, size, data, ReadGAP);
}
AbifStatus AbifGADData_Read(const void* bytes, std::size_t size, ABIFDATA* data) {
  return ReadBytes(bytes, size, data, ReadGAD);
}

}  // namespace nx::phonebook
