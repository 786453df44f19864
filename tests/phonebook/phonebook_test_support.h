// Helpers shared by the phonebook tests: temporary folders, record builders, protected-value
// encoders written independently of the library under test.
#pragma once

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/abif_file.h"

namespace pbtest {

using namespace nx::phonebook;

// A fresh folder under TMPDIR, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/nxpb.XXXXXX";
    path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TempDir() {
    if (!path_.empty()) Remove(path_);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
      }
      closedir(d);
    }
    return names;
  }

 private:
  static void Remove(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
      chmod(path.c_str(), 0700);
      if (DIR* d = opendir(path.c_str())) {
        std::vector<std::string> children;
        while (dirent* e = readdir(d)) {
          if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
            children.push_back(path + "/" + e->d_name);
        }
        closedir(d);
        for (const auto& c : children) Remove(c);
      }
      rmdir(path.c_str());
    } else {
      unlink(path.c_str());
    }
  }
  std::string path_;
};

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <std::size_t N>
void Set(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

template <std::size_t N>
std::string Get(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

template <typename Record>
std::unique_ptr<Record> Zeroed() {
  auto r = std::make_unique<Record>();
  std::memset(r.get(), 0, sizeof(Record));
  return r;
}

// A plain fax entry with every one-character field set, so that the reader keeps it valid.
inline std::unique_ptr<tag_ABIF_MYFAX> Individual(std::string_view id, std::string_view name,
                                                  std::string_view fax) {
  auto r = Zeroed<tag_ABIF_MYFAX>();
  Set(r->Id, id);
  Set(r->Name, name);
  Set(r->Address, fax);
  Set(r->CommMode, "0");
  Set(r->TimeStamp, "202401021530");
  Set(r->AddressType, "0");
  Set(r->LineType, "0");
  Set(r->SecureorRelay, "0");
  Set(r->Rlyprn, "0");
  Set(r->RlyNum, "0");
  return r;
}

inline std::unique_ptr<tag_ABIF_MYFAX_GROUP> Group(std::string_view id, std::string_view name,
                                                   const std::vector<std::string>& members) {
  auto g = Zeroed<tag_ABIF_MYFAX_GROUP>();
  Set(g->Id, id);
  Set(g->GroupName, name);
  Set(g->TimeStamp, "202401021531");
  Set(g->EntryNum, std::to_string(members.size()));
  for (std::size_t i = 0; i < members.size() && i < kMyFaxGroupMemberSlots; ++i)
    Set(g->EntryList[i], members[i]);
  return g;
}

// Owner of a container for a test.
struct Container {
  ABIFDATA* data = ABIFData_Create();
  ~Container() { ABIFData_Delete(data); }
  operator ABIFDATA*() const { return data; }
};

// A FAP file of `count` valid individuals ("1", "2", ...; names "P1", ...), which may be more
// than a container holds: the records are built in containers of a few thousand and joined.
inline std::string FapWithIndividuals(int count) {
  std::string out = std::string(kFapMagic) + '\x04';
  for (int first = 1; first <= count; first += 5000) {
    Container c;
    for (int i = first; i < first + 5000 && i <= count; ++i) {
      const std::string id = std::to_string(i);
      auto r = Individual(id, "P" + id, "03" + id);
      ABIFData_Add_MyFax(c, 1, r.get());
    }
    std::string bytes;
    AbifFAPFile_Build(c, bytes);
    out.append(bytes, std::strlen(kFapMagic) + 1, std::string::npos);
  }
  return out;
}

// ---- Independent encoders of the protected forms ---------------------------------------------

inline std::string Base64(std::string_view in) {
  static const char* kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16 |
                       static_cast<unsigned char>(in[i + 1]) << 8 | static_cast<unsigned char>(in[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out.push_back(kAlphabet[(v >> s) & 63]);
  }
  if (in.size() - i == 1) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
  } else if (in.size() - i == 2) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16 | static_cast<unsigned char>(in[i + 1]) << 8;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
  }
  return out;
}

// XOR with the little-endian key 0x5A3C9E17, byte by byte.
inline std::string Scramble(std::string_view in) {
  static const unsigned char kKey[4] = {0x17, 0x9E, 0x3C, 0x5A};
  std::string out(in);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(out[i] ^ kKey[i % 4]);
  return out;
}

// The enciphered form of the phonebook files and of relay lists in device CSV files.
inline std::string XspForm(std::string_view plain) { return Base64(Scramble(plain)); }

// The protected form of device CSV password columns: base64 then ROT13.
inline std::string EwsForm(std::string_view plain) {
  std::string b = Base64(plain);
  for (char& c : b) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>('A' + (c - 'A' + 13) % 26);
    else if (c >= 'a' && c <= 'z') c = static_cast<char>('a' + (c - 'a' + 13) % 26);
  }
  return b;
}

namespace layouts {

// The column lists as the devices write them, spelled out independently of the library.
inline const std::vector<std::string> kLayout3 = {
    "MFDN", "MFADDRT", "MFCN", "MFIKEY", "MFVDN", "MFLINE", "MFFAX", "MFRBC", "MFCMODE", "MFSRESO",
    "MFSHEET", "MFSHEETC1", "MFSHEETC2", "MFPMAX", "MFTMSND", "MFTMSNDH", "MFTMSNDM", "MFMBOX",
    "MFMBOXPS", "MFMBOXID", "MFRLY", "MFRLYID", "MFRLYPRN", "MFRLYNUM", "MFCHRGT1", "MFCHRGT2",
    "MFCHRGT3", "MFFCODE", "MFPCODE", "MFSG3FRBT", "MFMDMSPD", "MFECMFRBT", "MFEJBIGFRBT",
    "MFRDTIMES", "MFSNDLV", "MFRCVLV", "MFIFAX", "MFTIFF", "MFIFAXCMODE", "MFIFAXSRESO",
    "MFIFAXPMAX", "MFIFAXTMSND", "MFIFAXTMSNDH", "MFIFAXTMSNDM", "MFSN", "MFGN", "MFMAIL", "MFAUX1",
    "MFAUX2", "MFAUX3", "MFSVRT", "MFSVRADDR", "MFPORT1", "MFPORT2", "MFUSER", "MFPASSWD",
    "MFVOLUME", "MFPATH", "MFUSETLS", "MFIPFAX", "MFIPFAXCMODE", "MFIPFAXSRESO", "MFIPFAXSHEET",
    "MFIPFAXSHEETC1", "MFIPFAXSHEETC2", "MFIPFAXPMAX", "MFIPFAXTMSND", "MFIPFAXTMSNDH",
    "MFIPFAXTMSNDM", "MFIPFAXMBOX", "MFIPFAXMBOXPS", "MFIPFAXMBOXID", "MFIPFAXRLY", "MFIPFAXRLYID",
    "MFIPFAXRLYNUM", "MFIPFAXRLYPRN", "MFIPFAXCHRGT1", "MFIPFAXCHRGT2", "MFIPFAXCHRGT3",
    "MFIPFAXFCODE", "MFIPFAXPCODE", "MFIPFAXSG3FRBT", "MFIPFAXMDMSPD", "MFIPFAXECMFRBT",
    "MFIPFAXEJBIGFRBT", "MFIPFAXRDTIMES", "MFIPFAXSNDLV", "MFIPFAXRCVLV"};

inline const std::vector<std::string> kLayout20x = {
    "MFCNTID", "MFCN", "MFSN", "MFGN", "MFIKEY", "MFCPN", "MFCNTTYPE", "MFGRPADDRT",
    "MFGRPFAVORITE", "MFFAXFAVORITE", "MFLINE", "MFFAX", "MFFAXCN", "MFCMODE", "MFSRESO",
    "MFSHEET", "MFSHEETC1", "MFSHEETC2", "MFPMAX", "MFTMSND", "MFTMSNDH", "MFTMSNDM", "MFMBOX",
    "MFMBOXPS", "MFMBOXID", "MFCHRGT1", "MFCHRGT2", "MFCHRGT3", "MFFCODE", "MFPCODE", "MFSG3FRBT",
    "MFMDMSPD", "MFECMFRBT", "MFEJBIGFRBT", "MFRDTIMES", "MFSNDLV", "MFRCVLV", "MFFAXMEMBEROF",
    "MFFAXONETOUCHDIAL", "MFIFAXFAVORITE", "MFIFAX", "MFTIFF", "MFIFAXSRESO", "MFIFAXPMAX",
    "MFIFAXMEMBEROF", "MFIFAXONETOUCHDIAL", "MFMAILFAVORITE", "MFMAIL", "MFAUX1", "MFAUX2",
    "MFAUX3", "MFMAILMEMBEROF", "MFMAILONETOUCHDIAL", "MFSVRFAVORITE", "MFSVRT", "MFSVRADDR",
    "MFPORT1", "MFUSER", "MFPASSWD", "MFVOLUME", "MFPATH", "MFSVRMEMBEROF", "MFSVRONETOUCHDIAL",
    "MFIPFAXFAVORITE", "MFIPFAX", "MFIPFAXCN", "MFIPFAXCMODE", "MFIPFAXSRESO", "MFIPFAXSHEET",
    "MFIPFAXSHEETC1", "MFIPFAXSHEETC2", "MFIPFAXPMAX", "MFIPFAXTMSND", "MFIPFAXTMSNDH",
    "MFIPFAXTMSNDM", "MFIPFAXMBOX", "MFIPFAXMBOXPS", "MFIPFAXMBOXID", "MFIPFAXCHRGT1",
    "MFIPFAXCHRGT2", "MFIPFAXCHRGT3", "MFIPFAXFCODE", "MFIPFAXPCODE", "MFIPFAXSG3FRBT",
    "MFIPFAXMDMSPD", "MFIPFAXECMFRBT", "MFIPFAXEJBIGFRBT", "MFIPFAXRDTIMES", "MFIPFAXSNDLV",
    "MFIPFAXRCVLV", "MFIPFAXMEMBEROF", "MFIPFAXONETOUCHDIAL", "MFENCSTR"};

inline const std::vector<std::string> kPartnerLayout = {
    "TmrAddressBookId", "DisplayName", "FirstName", "LastName", "Company", "TmrAllFavoritesOrder",
    "MemberOf", "IsDL", "TmrApplicableWorkflows", "FaxNumber", "TmrIsFaxFavorite",
    "E-mailAddress", "TmrIsEmailFavorite", "TmrIsScanFavorite", "ScanNickName",
    "ScanTransferProtocol", "ScanServerAddress", "ScanServerPort", "ScanDocumentPath",
    "ScanLoginName", "ScanLoginPassword", "ScanSMBShare", "ScanHTTPScript"};

inline std::vector<std::string> Layout35() {
  auto out = kLayout3;
  out.insert(std::find(out.begin(), out.end(), "MFVDN") + 1, "MFMTID");
  return out;
}

inline std::vector<std::string> Appended(std::vector<std::string> list, const char* name) {
  list.push_back(name);
  return list;
}

}  // namespace layouts

}  // namespace pbtest
