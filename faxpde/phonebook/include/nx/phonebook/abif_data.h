// The address book container: six arrays of fixed-size records, one per record kind, through
// which the phonebook files, the CSV import and the phonebook model exchange their data.
//
// Records are plain structures of NUL-terminated text (UTF-16 text with a zero unit for the GAD
// kinds), copied by value. The container owns its records; Add copies them in, GetAt copies
// them out, so nothing handed out ever changes behind the caller's back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nx::phonebook {

using AbifStatus = std::uint32_t;
using UniChar = std::uint16_t;

// Status codes of the container, the phonebook files and the CSV import.
inline constexpr AbifStatus kAbifSuccess = 0;
inline constexpr AbifStatus kAbifLimitReached = 0x20000002;     // some records were not added
inline constexpr AbifStatus kAbifBadIndex = 0x20000005;
inline constexpr AbifStatus kAbifBadArgument = 0x20000006;      // also: file cannot be opened
inline constexpr AbifStatus kAbifBadFormat = 0x20000008;
inline constexpr AbifStatus kAbifNoContainer = 0x2000000A;
inline constexpr AbifStatus kAbifReadWriteFailed = 0x20000102;
inline constexpr AbifStatus kAbifOldPhonebookKind = 0x21000002;  // GAP offered to the FAP reader
inline constexpr AbifStatus kAbifCsvBadValue = 0x20000103;
inline constexpr AbifStatus kAbifCsvOtherAddressKind = 0x20000104;
inline constexpr AbifStatus kAbifCsvNoFaxAddress = 0x20000105;
inline constexpr AbifStatus kAbifCsvBadDataFormat = 0x20000106;
inline constexpr AbifStatus kAbifCsvBadDataVersion = 0x20000107;
inline constexpr AbifStatus kAbifCsvBadHeader = 0x20000108;
inline constexpr AbifStatus kAbifCsvEditedByHand = 0x20000109;

inline constexpr int kMyFaxRelaySlots = 121;
inline constexpr int kMyFaxRelaySlotSize = 5;
inline constexpr int kMyFaxGroupMemberSlots = 51;
inline constexpr int kMyFaxGroupMemberSlotSize = 21;
inline constexpr int kGadGroupMemberSlots = 202;

// One individual entry of the plug-in's phonebook (FAP and GAP files). UTF-8 text.
struct tag_ABIF_MYFAX {
  char Id[11];
  char Name[121];
  char Address[129];
  char Company[178];
  char Memo[763];
  char CommMode[3];
  char TimeStamp[14];
  char Furigana[21];
  char AddressType[3];
  char SIPFAXAddress[129];
  char Tel[139];
  char Email[257];
  char LineType[3];
  char SecureorRelay[3];
  char MailBoxId[21];
  char MailBoxPassword[21];
  char Rlyprn[3];
  char RlyID[21];
  char RlyNum[4];
  char RlyDestList[kMyFaxRelaySlots][kMyFaxRelaySlotSize];
  char FCode[22];
  char FCodePassword[29];
};

struct tag_ABIF_MYFAX_GROUP {
  char Id[11];
  char GroupName[121];
  char TimeStamp[14];
  char EntryNum[21];
  char EntryList[kMyFaxGroupMemberSlots][kMyFaxGroupMemberSlotSize];
  char Furigana[21];
};

// One individual of a UTF-16 (GAD) address book; text capacities count 16-bit units.
struct tag_ABIF_GAD {
  std::uint16_t Id;
  UniChar Name[42];
  UniChar FaxNumber[102];
  UniChar Company[66];
  UniChar Memo[258];
  std::uint16_t CommMode;
  std::int64_t Time;  // seconds since 1970-01-01 UTC
  UniChar Furigana[102];
};

struct tag_ABIF_GAD_GROUP {
  std::uint16_t Id;
  UniChar GroupName[34];
  std::int64_t Time;
  std::uint16_t EntryNum;
  std::uint16_t EntryList[kGadGroupMemberSlots];
};

// One row of a device web-page CSV export. Members are named after the CSV columns; address
// type and the setting columns hold the converted codes.
struct tag_ABIF_EWSCVS {
  char MFDN[11];
  char MFCN[513];  // in the byte encoding of the file
  char MFFAX[101];
  char MFCMODE[2];
  char MFADDRT[7];
  char MFLINE[2];
  char MFMBOX[2];
  char MFRLY[2];
  char MFMBOXID[4];
  char MFMBOXPS[9];
  char MFRLYPRN[2];
  char MFRLYNUM[49];
  char MFRLYID[3];
  char MFFCODE[21];
  char MFPCODE[29];
  char MFIPFAX[129];
  char MFIPFAXCMODE[2];
  char MFIPFAXMBOX[2];
  char MFIPFAXMBOXPS[9];
  char MFIPFAXMBOXID[4];
  char MFIPFAXRLY[2];
  char MFIPFAXRLYID[3];
  char MFIPFAXRLYNUM[49];
  char MFIPFAXRLYPRN[2];
  char MFIPFAXFCODE[21];
  char MFIPFAXPCODE[29];
};

// One row of a partner-format CSV address book.
struct tag_ABIF_TSABF {
  char TmrAddressBookId[5];
  char DisplayName[385];
  char FirstName[97];
  char LastName[97];
  char IsDL[2];
  char FaxNumber[129];
  char Company[193];
  char EmailAddress[129];
  char ScanServerAddress[193];
};

struct ABIFDATA;  // opaque; see abif_data.cpp

// Container lifetime. Create returns null only when memory is exhausted; Delete ignores null.
ABIFDATA* ABIFData_Create();
void ABIFData_Delete(ABIFDATA* data);

// Add appends the first min(count, limit - current) records: 0, kAbifLimitReached when some
// did not fit, kAbifNoContainer, kAbifBadArgument (negative count, or records missing for a
// positive count), kAbifReadWriteFailed when memory is exhausted.
// GetAt copies record `index` into `out` (null `out`: nothing copied, 0).
// GetCount answers 0 for a null container.
AbifStatus ABIFData_Add_MyFax(ABIFDATA* data, int count, const tag_ABIF_MYFAX* records);
AbifStatus ABIFData_Add_MyFaxGroup(ABIFDATA* data, int count, const tag_ABIF_MYFAX_GROUP* records);
AbifStatus ABIFData_Add_EWSCVS(ABIFDATA* data, int count, const tag_ABIF_EWSCVS* records);
AbifStatus ABIFData_Add_TSABFCVS(ABIFDATA* data, int count, const tag_ABIF_TSABF* records);
AbifStatus ABIFData_Add_GADFax(ABIFDATA* data, int count, const tag_ABIF_GAD* records);
AbifStatus ABIFData_Add_GADFaxGroup(ABIFDATA* data, int count, const tag_ABIF_GAD_GROUP* records);

AbifStatus ABIFData_GetAt_MyFax(const ABIFDATA* data, int index, tag_ABIF_MYFAX* out);
AbifStatus ABIFData_GetAt_MyFaxGroup(const ABIFDATA* data, int index, tag_ABIF_MYFAX_GROUP* out);
AbifStatus ABIFData_GetAt_EWSCVS(const ABIFDATA* data, int index, tag_ABIF_EWSCVS* out);
AbifStatus ABIFData_GetAt_TSABFCVS(const ABIFDATA* data, int index, tag_ABIF_TSABF* out);
AbifStatus ABIFData_GetAt_GADFax(const ABIFDATA* data, int index, tag_ABIF_GAD* out);
AbifStatus ABIFData_GetAt_GADFaxGroup(const ABIFDATA* data, int index, tag_ABIF_GAD_GROUP* out);

int ABIFData_GetCount_MyFax(const ABIFDATA* data);
int ABIFData_GetCount_MyFaxGroup(const ABIFDATA* data);
int ABIFData_GetCount_EWSCVS(const ABIFDATA* data);
int ABIFData_GetCount_TSABFCVS(const ABIFDATA* data);
int ABIFData_GetCount_GADFax(const ABIFDATA* data);
int ABIFData_GetCount_GADFaxGroup(const ABIFDATA* data);

AbifStatus ABIFData_SetLimit_MyFax(ABIFDATA* data, int limit);
AbifStatus ABIFData_SetLimit_MyFaxGroup(ABIFDATA* data, int limit);

// ---- Record text conversions ----------------------------------------------------------------
// Each writes its terminating NUL (or zero unit) and never more than `capacity` bytes (units),
// terminator included; a capacity of 0 writes nothing. None cuts a character in two.

// Units before the zero unit (0 for null).
std::size_t UniCharLength(const UniChar* text);
// Units before the zero unit, looking at no more than `capacity` units.
std::size_t UniCharLength(const UniChar* text, std::size_t capacity);

// Byte copy up to the NUL or capacity - 1 bytes.
void UTF8FromASCII(char* dst, const char* src, std::size_t capacity);
// Widens each byte to one unit.
void UniCharFromASCII(UniChar* dst, const char* src, std::size_t capacity);
// Decodes the longest well-formed UTF-8 prefix of the first capacity - 1 source bytes (a
// character cut at the end, or anything after a malformed byte, is left out); keeps at most
// capacity - 1 units and never half of a surrogate pair.
void UniCharFromUTF8(UniChar* dst, const char* src, std::size_t capacity);
// Narrows each unit to its low byte.
void ASCIIFromUniChar(char* dst, const UniChar* src, std::size_t capacity);
// Encodes whole characters while they fit into capacity - 1 bytes. A lone surrogate becomes
// U+FFFD, so the result is always well-formed UTF-8.
void UTF8FromUniChar(char* dst, const UniChar* src, std::size_t capacity);

// The same rules with string objects (capacity still counts the terminator).
std::string UTF8FromASCII(std::string_view src, std::size_t capacity);
std::u16string UniCharFromASCII(std::string_view src, std::size_t capacity);
std::u16string UniCharFromUTF8(std::string_view src, std::size_t capacity);
std::string ASCIIFromUniChar(std::u16string_view src, std::size_t capacity);
std::string UTF8FromUniChar(std::u16string_view src, std::size_t capacity);

// A platform string (UTF-8 on this platform) as a byte string of at most 255 bytes. UTF-8 keeps
// whole characters; ASCII fails (false, `out` empty) when the text has a non-ASCII character or
// is not well-formed.
bool ConvertToUTF8(std::string& out, std::string_view text);
bool ConvertToASCII(std::string& out, std::string_view text);

}  // namespace nx::phonebook
