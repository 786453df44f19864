// Contacts of desktop address books into the phonebook, and the book out again as contacts and
// as a device CSV export.
#include <algorithm>
#include <new>

#include "csv_layouts.h"
#include "model_support.h"
#include "nx/phonebook/csv_record.h"
#include "nx/phonebook/fax_pb_entry_rules.h"
#include "nx/phonebook/fax_pb_exchange.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "phonebook_cipher.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

constexpr char kNotValidTitle[] = "Warning_Specified_File_Not_Valiable_Win_Title_ID";
constexpr char kNotValidText[] = "Warning_Specified_File_Not_Valiable_Win_Content_ID";
constexpr char kLimitTitle[] = "Warning_Add_Individual_Group_Win_Title_ID";
constexpr char kIndividualLimitText[] =
    "Warning_Add_Individual_Exceeding_Maximum_Num_Content_Title_ID";
// The device dialect's name column, in characters.
constexpr std::size_t kCsvNameMax = 18;

bool IsSipAddress(std::string_view text) {
  return text.size() >= 4 && (text[0] == 's' || text[0] == 'S') &&
         (text[1] == 'i' || text[1] == 'I') && (text[2] == 'p' || text[2] == 'P') && text[3] == ':';
}

// Texts that ride along with a contact: a text its field does not take is left out.
void TakeExtra(FaxRecord& entry, const char* key, const std::string& text, const FaxPBField& field,
               int& leftOut) {
  if (text.empty()) return;
  if (FaxPhonebookModel::checkStrIsValidate(text, field)) {
    FaxRecordSetText(entry, key, text);
  } else {
    ++leftOut;
  }
}

// The EWS protected form of a password column: base64, then ROT13.
std::optional<std::string> EwsForm(std::string_view plain) {
  if (plain.empty()) return std::string();
  auto text = detail::Base64Text(plain);
  if (!text) return std::nullopt;
  for (char& c : *text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>('A' + (c - 'A' + 13) % 26);
    else if (c >= 'a' && c <= 'z')
      c = static_cast<char>('a' + (c - 'a' + 13) % 26);
  }
  return text;
}

}  // namespace

std::string NormalizeContactNumber(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    char32_t cp;
    const std::size_t n = detail::DecodeUtf8(text, cp);
    if (n == 0) {  // not UTF-8: kept, for the field rules to refuse
      out.push_back(text.front());
      text.remove_prefix(1);
      continue;
    }
    text.remove_prefix(n);
    if (cp >= 0xFF01 && cp <= 0xFF5E) {
      out.push_back(static_cast<char>(cp - 0xFF01 + 0x21));
    } else if (cp == 0x3000) {
      out.push_back(' ');
    } else if ((cp >= 0x2010 && cp <= 0x2015) || cp == 0x2212 || cp == 0x30FC) {
      out.push_back('-');
    } else {
      detail::AppendUtf8(out, cp);
    }
  }
  return out;
}

bool FaxPhonebookModel::importContacts(const std::string& path, ContactFormat format,
                                       bool isSandbox) {
  PhonebookLock lock;
  if (!beginBookEdit(isSandbox, lock)) return RefuseEdit();
  const std::size_t individuals = m_DFaxAddrs.size();
  const std::size_t groups = m_DFaxGroups.size();
  try {
    return ImportContacts(path, format, isSandbox);
  } catch (const std::bad_alloc&) {
    TruncateLists(individuals, groups);
    m_Report.addedIndividuals.clear();
    m_Report.status = kAbifReadWriteFailed;
    return false;
  }
}

bool FaxPhonebookModel::ImportContacts(const std::string& path, ContactFormat format,
                                       bool isSandbox) {
  m_Report = {};
  const ContactReadResult read = ReadContactFile(path, format);
  if (read.status != ContactReadStatus::kOk) {
    m_Report.status =
        read.status == ContactReadStatus::kCannotOpen ? kAbifBadArgument : kAbifBadFormat;
    m_Report.refusedLine = read.line;
    Warn(kNotValidTitle, kNotValidText);
    return false;
  }
  m_Report.notRead = read.notKept;
  const std::size_t individuals = m_DFaxAddrs.size();
  const std::size_t groups = m_DFaxGroups.size();
  auto undo = [&] {
    TruncateLists(individuals, groups);
    m_Report.addedIndividuals.clear();
    return false;
  };
  bool warnedDuplicate = false;
  for (std::size_t i = 0; i < read.contacts.size(); ++i) {
    const Contact& contact = read.contacts[i];
    if (contact.faxNumbers.empty()) {
      ++m_Report.skippedNoFax;
      continue;
    }
    for (const std::string& number : contact.faxNumbers) {
      FaxRecord entry = initFax(NewTimeStamp());
      FaxRecordSetText(entry, "Name", contact.name);
      FaxRecordSetText(entry, "Company", contact.company);
      FaxRecordSetText(entry, "Furigana", contact.furigana);
      std::string address = NormalizeContactNumber(number);
      FaxRecordSetText(entry, "AddressType",
                       IsSipAddress(address) ? kAddressTypeIPFax : kAddressTypeFax);
      FaxRecordSetText(entry, "Address", std::move(address));
      FaxRecordSetText(entry, "RlyNum", "0");
      TakeExtra(entry, "Tel", contact.tel, kFaxPBTelField, m_Report.fieldsLeftOut);
      TakeExtra(entry, "Email", contact.email, kFaxPBEmailField, m_Report.fieldsLeftOut);
      TakeExtra(entry, "Memo", contact.memo, kFaxPBMemoField, m_Report.fieldsLeftOut);
      if (auto refusal = CheckIndividualEntryFields(entry)) {
        m_Report.status = kAbifCsvBadValue;
        m_Report.refusedLine = contact.line;
        m_Report.refusedName = contact.name;
        Warn(refusal->titleKey, refusal->textKey, refusal->arguments);
        return undo();
      }
      if (SkipImportDuplicate(entry, warnedDuplicate)) continue;
      if (m_DFaxAddrs.size() >= kFaxPBMaxIndividuals) {
        Warn(kLimitTitle, kIndividualLimitText);
        for (std::size_t j = i; j < read.contacts.size(); ++j) {
          m_Report.skippedOverLimit += static_cast<int>(read.contacts[j].faxNumbers.size());
        }
        break;
      }
      std::string id;
      addFaxRecordsToPBByType(std::move(entry), kFaxPBIndividuals, &id);
      m_Report.addedIndividuals.push_back(std::move(id));
    }
    if (m_Report.skippedOverLimit > 0) break;
  }
  if (m_Report.addedIndividuals.empty()) return true;

  if (CommitImport(isSandbox)) return true;
  return undo();
}

Contact ContactOfIndividual(const FaxRecord& e) {
  Contact c;
  c.name = FaxRecordText(e, "Name");
  c.furigana = FaxRecordText(e, "Furigana");
  c.company = FaxRecordText(e, "Company");
  c.tel = FaxRecordText(e, "Tel");
  c.email = FaxRecordText(e, "Email");
  c.memo = FaxRecordText(e, "Memo");
  const std::string& address = FaxRecordText(e, "Address");
  if (!address.empty()) c.faxNumbers.push_back(address);
  return c;
}

DeviceCsvExport WriteDeviceCsv(const std::vector<FaxRecord>& individuals) {
  DeviceCsvExport out;
  const auto columns = detail::LayoutColumns(detail::CsvLayout::k5x).subspan(1);
  std::vector<std::string> names(columns.begin(), columns.end());
  WriteRecord(out.text, {"*", "1", "6", "103", "", ""});
  WriteRecord(out.text, names);
  auto column = [&](std::string_view name) {
    return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
  };
  std::vector<std::string> row(names.size());
  for (const FaxRecord& e : individuals) {
    const std::string& id = FaxRecordText(e, "Id");
    auto problem = [&](const char* what) { out.problems.push_back(id + ": " + what); };
    std::fill(row.begin(), row.end(), std::string());
    auto set = [&](std::string_view name, std::string value) {
      row[column(name)] = std::move(value);
    };
    const bool ip = FaxRecordText(e, "AddressType") == kAddressTypeIPFax;
    const std::string& name = FaxRecordText(e, "Name");
    const auto length = detail::Utf8CharCount(name);
    if (!length || *length > kCsvNameMax)
      problem("the name is longer than the device's 18 characters");
    const std::string& mode = FaxRecordText(e, "CommMode");
    // Phonebook communication modes and the dialect's codes swap 1 and 2.
    const std::string csvMode = mode == "1" ? "2" : mode == "2" ? "1" : "0";
    if (ip && mode == "1") problem("IP fax entries carry no G4 mode in the device's file");
    const std::string& send = FaxRecordText(e, "SecureorRelay");
    std::string relays;
    for (const auto& destination : FaxRecordList(e, "RlyDestList")) {
      if (destination.size() != 2) problem("relay destinations of other than two digits");
      relays += destination;
    }
    const auto relayList = detail::XspEncodeText(relays);
    const auto mailboxCode = EwsForm(FaxRecordText(e, "MailBoxPassword"));
    const auto fcodePassword = EwsForm(FaxRecordText(e, "FCodePassword"));
    if (!relayList || !mailboxCode || !fcodePassword) {
      problem("a protected value cannot be encoded");
      continue;
    }
    const std::string prefix = ip ? "MFIPFAX" : "MF";
    set("MFDN", id);
    set("MFADDRT", ip ? "IPFAX" : "FAX");
    set("MFCN", name);
    set(ip ? "MFIPFAX" : "MFFAX", FaxRecordText(e, "Address"));
    set(prefix + "CMODE", ip ? (mode == "2" ? "1" : "0") : csvMode);
    if (!ip) set("MFLINE", FaxRecordText(e, "LineType") == "1" ? "2" : "0");
    set(prefix + "MBOX", send == "1" ? "1" : "0");
    set(prefix + "RLY", send == "2" ? "1" : "0");
    set(prefix + "RLYPRN", FaxRecordText(e, "Rlyprn") == "1" ? "1" : "0");
    if (send == "1") {
      set(prefix + "MBOXID", FaxRecordText(e, "MailBoxId"));
      set(prefix + "MBOXPS", *mailboxCode);
    }
    if (send == "2") set(prefix + "RLYID", FaxRecordText(e, "RlyID"));
    set(prefix + "RLYNUM", *relayList);
    set(prefix + "FCODE", FaxRecordText(e, "FCode"));
    set(ip ? "MFIPFAXPCODE" : "MFPCODE", *fcodePassword);
    // The other block's settings as an unused block of a device export.
    const std::string other = ip ? "MF" : "MFIPFAX";
    for (const char* key : {"CMODE", "MBOX", "RLY", "RLYPRN"}) set(other + key, "0");
    if (ip) set("MFLINE", "0");
    // The consistency value over the addresses and their F-codes.
    std::string joined =
        row[column(ip ? "MFIPFAX" : "MFFAX")] + "\t" + row[column(ip ? "MFIPFAXFCODE" : "MFFCODE")];
    auto enc = detail::Base64Text(joined);
    if (!enc) {
      problem("a protected value cannot be encoded");
      continue;
    }
    std::replace(enc->begin(), enc->end(), '0', '-');
    set("MFENCSTR", *enc);
    WriteRecord(out.text, row);
  }
  WriteRecord(out.text, {"*"});
  return out;
}

}  // namespace nx::phonebook
