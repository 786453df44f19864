// Column-name lists of the CSV dialects; see csv_layouts.h.
#include "csv_layouts.h"

#include <string_view>
#include <vector>

namespace nx::phonebook::detail {
namespace {

constexpr const char* kLayout3[] = {
    "",
    "MFDN", "MFADDRT", "MFCN", "MFIKEY", "MFVDN", "MFLINE", "MFFAX", "MFRBC", "MFCMODE",
    "MFSRESO", "MFSHEET", "MFSHEETC1", "MFSHEETC2", "MFPMAX", "MFTMSND", "MFTMSNDH", "MFTMSNDM",
    "MFMBOX", "MFMBOXPS", "MFMBOXID", "MFRLY", "MFRLYID", "MFRLYPRN", "MFRLYNUM", "MFCHRGT1",
    "MFCHRGT2", "MFCHRGT3", "MFFCODE", "MFPCODE", "MFSG3FRBT", "MFMDMSPD", "MFECMFRBT",
    "MFEJBIGFRBT", "MFRDTIMES", "MFSNDLV", "MFRCVLV", "MFIFAX", "MFTIFF", "MFIFAXCMODE",
    "MFIFAXSRESO", "MFIFAXPMAX", "MFIFAXTMSND", "MFIFAXTMSNDH", "MFIFAXTMSNDM", "MFSN", "MFGN",
    "MFMAIL", "MFAUX1", "MFAUX2", "MFAUX3", "MFSVRT", "MFSVRADDR", "MFPORT1", "MFPORT2", "MFUSER",
    "MFPASSWD", "MFVOLUME", "MFPATH", "MFUSETLS", "MFIPFAX", "MFIPFAXCMODE", "MFIPFAXSRESO",
    "MFIPFAXSHEET", "MFIPFAXSHEETC1", "MFIPFAXSHEETC2", "MFIPFAXPMAX", "MFIPFAXTMSND",
    "MFIPFAXTMSNDH", "MFIPFAXTMSNDM", "MFIPFAXMBOX", "MFIPFAXMBOXPS", "MFIPFAXMBOXID",
    "MFIPFAXRLY", "MFIPFAXRLYID", "MFIPFAXRLYNUM", "MFIPFAXRLYPRN", "MFIPFAXCHRGT1",
    "MFIPFAXCHRGT2", "MFIPFAXCHRGT3", "MFIPFAXFCODE", "MFIPFAXPCODE", "MFIPFAXSG3FRBT",
    "MFIPFAXMDMSPD", "MFIPFAXECMFRBT", "MFIPFAXEJBIGFRBT", "MFIPFAXRDTIMES", "MFIPFAXSNDLV",
    "MFIPFAXRCVLV",
};
constexpr const char* kLayout20x[] = {
    "",
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
    "MFIPFAXRCVLV", "MFIPFAXMEMBEROF", "MFIPFAXONETOUCHDIAL", "MFENCSTR",
};
constexpr const char* kLayoutTsabf[] = {
    "",
    "TmrAddressBookId", "DisplayName", "FirstName", "LastName", "Company", "TmrAllFavoritesOrder",
    "MemberOf", "IsDL", "TmrApplicableWorkflows", "FaxNumber", "TmrIsFaxFavorite",
    "E-mailAddress", "TmrIsEmailFavorite", "TmrIsScanFavorite", "ScanNickName",
    "ScanTransferProtocol", "ScanServerAddress", "ScanServerPort", "ScanDocumentPath",
    "ScanLoginName", "ScanLoginPassword", "ScanSMBShare", "ScanHTTPScript",
};
constexpr const char* kLayoutHeaderless[] = {
    "",
    "MFDN", "MFLINE", "MFFAX", "MFCN", "MFIKEY", "MERBC", "MFCMODE", "MFSRESO", "MFSHEET",
    "MFPMAX", "MFTMSND", "MFMBOX", "MFRLY", "MFCHRG", "MFFCODE", "MFIFAX", "MFCON",
};


// Layout 35 inserts "MFMTID" after "MFVDN"; layout 5x appends "MFENCSTR" to it; layout 21x
// appends "MFPASSDETECTION" to layout 20x.
std::vector<const char*> Derive(std::span<const char* const> base, const char* after,
                                const char* inserted, const char* appended) {
  std::vector<const char*> out;
  for (const char* name : base) {
    out.push_back(name);
    if (after != nullptr && std::string_view(name) == after) out.push_back(inserted);
  }
  if (appended != nullptr) out.push_back(appended);
  return out;
}

constexpr CarriedColumn kCarriedClassic[] = {
    {"MFDN", 10},         {"MFCN", 512},          {"MFADDRT", 6},        {"MFCMODE", 1},
    {"MFFAX", 100},       {"MFLINE", 1},          {"MFMBOX", 1},         {"MFMBOXID", 3},
    {"MFMBOXPS", 8},      {"MFRLY", 1},           {"MFRLYPRN", 1},       {"MFRLYID", 2},
    {"MFRLYNUM", 48},     {"MFFCODE", 20},        {"MFPCODE", 28},       {"MFIPFAX", 128},
    {"MFIPFAXCMODE", 1},  {"MFIPFAXMBOX", 1},     {"MFIPFAXMBOXPS", 8},  {"MFIPFAXMBOXID", 3},
    {"MFIPFAXRLY", 1},    {"MFIPFAXRLYID", 2},    {"MFIPFAXRLYNUM", 48}, {"MFIPFAXRLYPRN", 1},
    {"MFIPFAXFCODE", 20}, {"MFIPFAXPCODE", 28},
};

constexpr CarriedColumn kCarriedMiravo[] = {
    {"MFCNTID", 10},      {"MFCN", 512},          {"MFCNTTYPE", 6},     {"MFCMODE", 1},
    {"MFFAX", 100},       {"MFLINE", 1},          {"MFMBOX", 1},        {"MFMBOXID", 3},
    {"MFMBOXPS", 8},      {"MFFCODE", 20},        {"MFPCODE", 28},      {"MFIPFAX", 128},
    {"MFIPFAXCMODE", 1},  {"MFIPFAXMBOX", 1},     {"MFIPFAXMBOXPS", 8}, {"MFIPFAXMBOXID", 3},
    {"MFIPFAXFCODE", 20}, {"MFIPFAXPCODE", 28},
};

constexpr CarriedColumn kCarriedPartner[] = {
    {"TmrAddressBookId", 4}, {"DisplayName", 384}, {"FirstName", 96},
    {"LastName", 96},        {"IsDL", 1},          {"FaxNumber", 128},
    {"Company", 192},        {"E-mailAddress", 128}, {"ScanServerAddress", 192},
};

template <std::size_t N>
std::vector<const char*> Names(const CarriedColumn (&carried)[N]) {
  std::vector<const char*> out;
  for (const auto& c : carried) out.push_back(c.name);
  return out;
}

}  // namespace

std::span<const char* const> LayoutColumns(CsvLayout layout) {
  static const std::vector<const char*> k35 = Derive(kLayout3, "MFVDN", "MFMTID", nullptr);
  static const std::vector<const char*> k5x = Derive(k35, nullptr, nullptr, "MFENCSTR");
  static const std::vector<const char*> k21x =
      Derive(kLayout20x, nullptr, nullptr, "MFPASSDETECTION");
  switch (layout) {
    case CsvLayout::k3: return kLayout3;
    case CsvLayout::k35: return k35;
    case CsvLayout::k5x: return k5x;
    case CsvLayout::k20x: return kLayout20x;
    case CsvLayout::k21x: return k21x;
    case CsvLayout::kHeaderless: return kLayoutHeaderless;
    case CsvLayout::kPartner: return kLayoutTsabf;
  }
  return {};
}

CarriedList CarriedClassic1() {
  static const std::vector<const char*> names = Names(kCarriedClassic);
  return {std::span<const CarriedColumn>(kCarriedClassic).first(15),
          std::span<const char* const>(names).first(15)};
}

CarriedList CarriedClassic() {
  static const std::vector<const char*> names = Names(kCarriedClassic);
  return {kCarriedClassic, names};
}

CarriedList CarriedMiravo() {
  static const std::vector<const char*> names = Names(kCarriedMiravo);
  return {kCarriedMiravo, names};
}

CarriedList CarriedPartner() {
  static const std::vector<const char*> names = Names(kCarriedPartner);
  return {kCarriedPartner, names};
}

}  // namespace nx::phonebook::detail
