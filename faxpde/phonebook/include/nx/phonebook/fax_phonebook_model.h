// The in-memory fax phonebook behind the phonebook windows and the recipient entry: individuals
// and groups as key/value dictionaries (fax_record.h), with id assignment, duplicate checks,
// limits, validation, GAD / GAP / CSV import, persistence in the FAP file named by the user's
// preferences, and change notifications.
//
// Ownership: the model owns its lists; records handed out by pointer stay valid until the next
// change of the model. Warnings are critical alerts through the services' toolkit, with the keys
// of the bundle's default string table (the keys themselves without a bundle); every alert the
// model shows is also kept in the report of the running operation (lastReport()).
//
// Every save goes through the FAP writer, which replaces the file atomically: a failed save
// leaves the previous phonebook on disk and the lists in memory as they were.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/contact_file.h"
#include "nx/phonebook/fax_record.h"
#include "nx/phonebook/field_check.h"
#include "nx/phonebook/phonebook_lock.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"

namespace nx::phonebook {

// The address-type argument of the list operations.
inline constexpr int kFaxPBIndividuals = 0;
inline constexpr int kFaxPBGroups = 1;

inline constexpr int kFaxPBMaxIndividuals = 9999;
inline constexpr int kFaxPBMaxGroups = 5000;
inline constexpr int kFaxPBMaxGroupMembers = 50;
inline constexpr long long IDMaxValue = 2000000000;

// File types of readMyFaxFileFromABIF.
inline constexpr int kFaxPBFileGAD = 0;
inline constexpr int kFaxPBFileGAP = 1;
inline constexpr int kFaxPBFileFAP = 2;

inline constexpr char kFaxPhonebookModelChanged[] = "FaxPhonebookModelChanged";
inline constexpr char kFaxPhonebookModelChangedForGAP[] = "FaxPhonebookModelChangedForGAP";
inline constexpr char kFaxPhonebookRecipientModelChanged[] = "FaxPhonebookRecipientModelChanged";
inline constexpr char kFaxPhonebookSelectedRecipientModelChanged[] =
    "FaxPhonebookSelectedRecipientModelChanged";
inline constexpr char kDFGroupEntryRecipientModelChanged[] = "DFGroupEntryRecipientModelChanged";

// The preferences property list in the user's Preferences folder and its one key.
inline constexpr char kFaxPBPreferencesFileName[] = "com.norvalex.nb.q21.pde.DirectFax.plist";
inline constexpr char kFaxPBCurrentPathKey[] =
    "com.norvalex.nb.q21.pde.DirectFax.CurrentPhonebookPath";

// Length limits of a text field, in characters. An empty text always passes (as an empty
// control does); a field that must not be empty says so where it is checked.
struct FaxPBTextLimits {
  std::uint32_t minLength = 0;
  std::uint32_t maxLength = 0;
};

// The entry fields of the phonebook windows: limits and allowed characters.
struct FaxPBField {
  FaxPBTextLimits limits;
  const FltrData* filter;  // null: any character
};
extern const FaxPBField kFaxPBNameField;           // 0-40, JIS set
extern const FaxPBField kFaxPBPartnerNameField;    // 0-384 after a partner-format import
extern const FaxPBField kFaxPBFaxNumberField;      // 1-100, printable ASCII except [ ] " { }
extern const FaxPBField kFaxPBIPFaxAddressField;   // 1-128, as the fax number
extern const FaxPBField kFaxPBCompanyField;        // 0-59, JIS set
extern const FaxPBField kFaxPBMemoField;           // 0-254, JIS set
extern const FaxPBField kFaxPBTelField;            // 0-46, JIS set
extern const FaxPBField kFaxPBEmailField;          // 0-256, U+0021-U+007E
extern const FaxPBField kFaxPBMailBoxIdField;      // 1-3 digits
extern const FaxPBField kFaxPBMailBoxPasswordField;  // 0-4 digits
extern const FaxPBField kFaxPBRlyIDField;          // 0-2 digits
extern const FaxPBField kFaxPBFCodeField;          // 0-20 of space, #, *, 0-9
extern const FaxPBField kFaxPBFCodePasswordField;  // 0-20 of space, #, *, 0-9
extern const FaxPBField kFaxPBGroupNameField;      // 1-40, JIS set
extern const FaxPBField kFaxPBPartnerGroupNameField;  // 1-384 after a partner-format import

struct FaxPBWarning {
  std::string titleKey;
  std::string textKey;
  std::vector<std::string> arguments;
};

// What the last import (or other reporting operation) did.
struct FaxPBReport {
  AbifStatus status = kAbifSuccess;          // the reader's or importer's status
  bool saved = false;                        // the book was changed and saved
  bool saveFailed = false;                   // a save was attempted and failed
  std::vector<std::string> addedIndividuals;  // new Ids, in order
  std::vector<std::string> addedGroups;
  int skippedDuplicates = 0;  // rows or entries equal to one in the book
  int skippedRelay = 0;       // relay entries the target device does not take
  int skippedOverLimit = 0;   // not added because the book was full
  int droppedMembers = 0;     // group members without an imported individual
  int skippedNoFax = 0;       // contacts without a fax number (vCard, LDIF)
  int fieldsLeftOut = 0;      // contact texts their field does not take (tel, e-mail, memo)
  std::size_t notRead = 0;    // contacts beyond what a contact file may hold
  // The contact that refused the import: its line in the file and its name.
  std::size_t refusedLine = 0;
  std::string refusedName;
  std::vector<FaxPBWarning> warnings;
};

struct ABIFDataDeleter {
  void operator()(ABIFDATA* data) const { ABIFData_Delete(data); }
};
using ABIFDataPtr = std::unique_ptr<ABIFDATA, ABIFDataDeleter>;

class FaxPhonebookModel {
 public:
  // `services` and `bundle` (may be null) must outlive the model.
  explicit FaxPhonebookModel(const nx::platform::Services& services,
                             const nx::platform::Bundle* bundle = nullptr);
  FaxPhonebookModel(const FaxPhonebookModel&) = delete;
  FaxPhonebookModel& operator=(const FaxPhonebookModel&) = delete;

  // ---- Lists -------------------------------------------------------------------------------
  // Other address types answer an empty list and 0.
  const std::vector<FaxRecord>& getAddrsByType(int addressType) const;
  int getFaxCountByType(int addressType) const;
  // The "Id" texts of the individuals, index for index (m_PhoneBookIDs).
  const std::vector<std::string>& phoneBookIDs() const { return m_PhoneBookIDs; }
  const std::vector<FaxRecord>& gadAddrs() const { return m_GADFaxAddrs; }
  const std::vector<FaxRecord>& gadGroups() const { return m_GADFaxGroups; }

  // Appends the entry with a new "Id" (written to `newId` when given). False for another
  // address type, a full list (9999 individuals, 5000 groups) or a group of more than 50
  // members; nothing changes then.
  bool addFaxRecordsToPBByType(FaxRecord record, int addressType, std::string* newId = nullptr);
  // Adds the entry with a new "Id" to the book as it is on disk (beginBookEdit) and saves it; a
  // failed save takes the entry out again (`saveFailed` set, also when the book may not be
  // edited). False when the entry may not be added or was not saved.
  bool addFaxRecordAndSave(FaxRecord record, int addressType, std::string* newId, bool isSandbox,
                           bool* saveFailed);
  // Appends the entry with the "Id" it has; the same refusals.
  bool addAddrsFromPBByType(FaxRecord record, int addressType);
  // Replaces the first entry with the record's "Id" in the book as it is on disk (beginBookEdit),
  // then resaves. False when the book may not be edited, there is no such entry or the save
  // failed (the entry is then as it was).
  bool replaceFaxRecordsFromPBByID(const FaxRecord& record, int addressType);
  // Deletes the given entries: groups (an "Id" with "G") first, then individuals together with
  // their place in every group ("EntryNum" follows; an emptied group stays), in the book as it
  // is on disk (beginBookEdit). Then resaves; false when the book may not be edited or the save
  // failed (nothing is deleted then).
  bool delectFaxRecordsFromPB(const std::vector<FaxRecord>& records);
  // The individual with that "Id", or null.
  const FaxRecord* getMyFaxRecordByID(std::string_view id) const;
  // Individuals: an entry with equal "Name", "Address" and "AddressType" exists. Groups: a
  // group with equal "GroupName" exists.
  bool checkDuplicate(const FaxRecord& record, int recordType) const;
  // The first individual with equal "Name", "Address" and "AddressType", or null.
  const FaxRecord* CheckDuplication(const FaxRecord& record) const;
  // One of the first `count` entries of the chosen list has that "Id" (fileType 1: phonebook,
  // 0: GAD lists; recordType 0 individuals, 1 groups).
  bool checkDuplicateID(int count, std::string_view id, int fileType, int recordType) const;
  // The "Id" the next new individual / group gets.
  std::string newIndividualID() const;
  std::string newGroupID() const;
  // Renumbers the individuals "1", "2", ... in list order; group members follow their
  // individuals (members that name no individual are dropped).
  void updateIDinOrder();
  void clearPhonebookData();

  // ---- Files -------------------------------------------------------------------------------
  // FAP / GAP: replace the book by the file's valid entries. GAD: fill the GAD lists. False
  // when the reader fails; nothing changes then. The reader's status is in lastReadStatus():
  // kAbifLimitReached when the file holds more entries than a book can (the book is then
  // incomplete, see bookIncomplete()).
  bool readMyFaxFile(const std::string& path);
  bool readMyFaxFileForGAP(const std::string& path);
  bool readGADFile(const std::string& path);
  AbifStatus lastReadStatus() const { return m_LastReadStatus; }
  // Entries of the last FAP / GAP read that the book's checks left out (invalid or repeated).
  int lastReadLeftOut() const { return m_LastReadLeftOut; }
  // The book was read from a file holding more entries than it can: saving it would destroy
  // the surplus, so every save is refused until a complete book is read.
  bool bookIncomplete() const { return m_BookIncomplete; }
  // A file of type 2 FAP, 1 GAP, 0 GAD in a new container; null with the status otherwise. A
  // file with more records than the container holds (kAbifLimitReached) comes with the records
  // that fit.
  ABIFDataPtr readMyFaxFileFromABIF(const std::string& path, int fileType,
                                    AbifStatus* errcode) const;
  // Replaces the book by the container's records, as read from a FAP file with `readStatus`.
  void adoptBookRecords(const ABIFDATA* data, AbifStatus readStatus);
  // Starts one read-modify-write of the book (the configured file, or the default one): takes
  // the book's lock into `lock` and, unless the book was read or saved under this very hold,
  // reloads it from the file, so that the change applies to what another program may have
  // saved meanwhile. False (nothing to be changed or saved) when the lock cannot be taken, the
  // file exists but does not read, or the book is incomplete. Every change that saves starts
  // one itself; callers that check the book first (duplicates, limits) start it before.
  bool beginBookEdit(bool isSandbox, PhonebookLock& lock);
  // Container records into entries: individuals equal to one already held are dropped, the
  // others keep their "Id"; groups are appended with theirs.
  void addMyFaxRecordsFrom(const ABIFDATA* data);
  // GAD records into the GAD lists (replacing them).
  void addGADFaxRecordsFrom(const ABIFDATA* data);
  // Entries into container records, individuals then groups; the first container error is
  // returned.
  AbifStatus writeMyFaxRecordsTo(ABIFDATA* data) const;
  static AbifStatus writeToABIF_MYFAX(ABIFDATA* data, const FaxRecord& record);
  static AbifStatus writeToABIF_MYFAX_GROUP(ABIFDATA* data, const FaxRecord& group);

  // Persistence. The plain forms use the file named by the preferences (or the file given to
  // usePhonebookFile); the sandbox forms use the default file and never the preferences.
  bool saveMyFaxData();
  bool saveMyFaxDataForSandbox();
  bool resaveFaxPhonebookData();
  bool resaveFaxPhonebookDataForSandbox();
  bool initialFaxPhoneBook();
  bool initialFaxPhoneBookForSandbox();
  bool writeFaxPhoneBookToFAP();
  bool writeFaxPhoneBookToFAPForSandbox();
  // Writes an empty phonebook file at `path`.
  bool createEmptyFaxPhoneBook(const std::string& path);

  std::string getMyFaxFileNameFromConfig();
  std::string getMyFaxFileNameForSandbox();
  std::string getMyFaxFileDirectory();
  std::string getFaxPBPreferencesFileDirectory() const;
  bool setMyFaxFileNameToPreferenceFile(const std::string& path);
  // Works on `path` from now on, for reading and saving, and never touches the preferences
  // (the command-line tool's mode).
  void usePhonebookFile(std::string path) { m_FixedPath = std::move(path); }

  // ---- Validation --------------------------------------------------------------------------
  // Remove the invalid entries; true when all were valid.
  bool checkGAPoFAPIsValidate();
  // The whole GAD book is refused (false, GAD lists emptied) at the first invalid entry.
  bool checkGADIsValidate();
  static bool checkStrIsValidate(std::string_view text, const FaxPBTextLimits& limits,
                                 const FltrData* filter);
  static bool checkStrIsValidate(std::string_view text, const FaxPBField& field) {
    return checkStrIsValidate(text, field.limits, field.filter);
  }
  bool isValidIndividual(const FaxRecord& record) const;
  // The entry's fax number or IP fax address passes the entry window's field (a loaded book is
  // more lenient, see isValidIndividual).
  static bool hasEnterableAddress(const FaxRecord& record);
  bool isValidGroup(const FaxRecord& group) const;

  // ---- Import ------------------------------------------------------------------------------
  // Merges the GAD lists; true when anything was added. The caller saves.
  bool addGADToPhonebook();
  // Imports a CSV address book and saves the book. False when nothing was kept: a refused
  // file, an import that would leave an invalid entry (the book in memory and on disk stay as
  // they were), or a failed save. lastReport() tells what happened.
  bool importRecorder(const std::string& path, bool isSandbox);
  // The phonebook window's GAP and GAD imports: read, check, merge, renumber (GAP), save.
  bool importGAPToPhonebook(const std::string& path, bool isSandbox);
  bool importGADToPhonebook(const std::string& path, bool isSandbox);
  // Imports the contacts of a vCard or LDIF file (contact_file.h) as individuals, one for each
  // fax number, and saves the book. Name, number and company meet the individual entry
  // window's rules: a contact they refuse refuses the whole import (the report names it), as a
  // bad row refuses a CSV file. Tel, e-mail and memo texts their field does not take are left
  // out and counted. Contacts without a fax number, repeats and contacts beyond a full book are
  // skipped and counted. False when nothing was kept, as for importRecorder.
  bool importContacts(const std::string& path, ContactFormat format, bool isSandbox);
  const FaxPBReport& lastReport() const { return m_Report; }

  // A fresh individual filled from a CSV record (only fax and IP fax records are given).
  // `utf8Marked`: the file had a UTF-8 byte-order mark, so its names are UTF-8 at any format.
  FaxRecord FillinData(const tag_ABIF_EWSCVS& record, int dataTypeVersion, int dataFormatVersion,
                       bool utf8Marked = false) const;
  FaxRecord FillinData(const tag_ABIF_TSABF& record, int dataFormatVersion) const;
  static std::string GetCSVSecureRly(std::string_view secure, std::string_view relay);
  static std::vector<std::string> GetRlyList(std::string_view list);
  static std::string GetRlyNum(std::string_view list);
  // The record's secure / relay setting for its address type.
  static std::string GetCSVSecure(const tag_ABIF_EWSCVS& record);
  static std::string GetCSVRly(const tag_ABIF_EWSCVS& record);

  // A modal warning under "Warning_Add_To_Phonebook_Win_Title_ID" with one button.
  void showErrorMessage(const std::string& textKey, const std::vector<std::string>& arguments = {});

  void setTargetDeviceType(int type) { TargetDeviceType = type; }
  int getTargetDeviceType() const { return TargetDeviceType; }
  // The time stamps of new entries (tests fix them).
  void setTimeStampSource(std::function<std::string()> source) { m_Now = std::move(source); }

  // ---- Notifications -----------------------------------------------------------------------
  // "FaxPhonebookModelChangedForGAP" first writes the book to its file; any other name first
  // re-reads the book from its file. Then the notification is posted with the model as sender.
  void postFaxPhonebookChanged(std::string_view name);
  void postFaxPhonebookChangedForSandbox(std::string_view name);

 private:
  struct IdIndex {
    // Numeric ids in use (an id may repeat in a damaged book) and the lowest number that may
    // be free.
    std::map<long long, int> counts;
    mutable long long gapHint = 1;
    void Add(long long id);
    void Remove(long long id);
    long long FirstFree() const;
    void Clear();
  };

  bool ImportCsv(const std::string& path, bool isSandbox);
  bool ImportContacts(const std::string& path, ContactFormat format, bool isSandbox);
  bool ImportGad(const std::string& path, bool isSandbox);
  bool ImportGap(const std::string& path, bool isSandbox);
  // An imported entry equal to one in the book: counted as skipped, and the first of an import
  // (`warned` still false) is shown to the user. False for an entry the book does not hold yet.
  bool SkipImportDuplicate(const FaxRecord& entry, bool& warned);
  // An import that could not start its edit: the report says the save failed.
  bool RefuseEdit();
  // Saves what an import added. False when the book was not saved: a book the rules refuse
  // is reported to the user, a failed write in the report.
  bool CommitImport(bool isSandbox);
  bool GuardedImport(bool (FaxPhonebookModel::*import)(const std::string&, bool),
                     const std::string& path, bool isSandbox);
  std::string NewTimeStamp() const { return m_Now ? m_Now() : FaxTimeStampNow(); }
  std::string CurrentFile(bool sandbox);
  bool SaveTo(const std::string& path);
  bool WriteTo(const std::string& path) const;
  bool ReadBook(const std::string& path, int fileType);
  void NoteFresh(const std::string& path, std::uint64_t hold);
  bool InitialFrom(bool sandbox);

  void AppendIndividual(FaxRecord record);
  void AppendGroup(FaxRecord group);
  void IndexIndividual(const FaxRecord& record, std::size_t position);
  void UnindexIndividual(const FaxRecord& record);
  void IndexGroup(const FaxRecord& group);
  void UnindexGroup(const FaxRecord& group);
  void RebuildIndexes();
  void TruncateLists(std::size_t individuals, std::size_t groups);
  bool CanAdd(const FaxRecord& record, int addressType) const;

  // Builds the container of the current lists and the entries it loads back as, and (with
  // `validate`) checks them; then writes the file and keeps the reloaded entries. False, with
  // the lists as they were, when an entry is invalid (`invalid` set) or the write failed.
  bool CommitBook(const std::string& path, bool validate, bool* invalid);
  std::optional<bool> CommitInPlace(const std::string& path, bool validate, bool* invalid);
  bool CommitByReload(const std::string& path, bool validate, bool* invalid);
  // Warns (with the report) and answers the button index.
  int Warn(const std::string& titleKey, const std::string& textKey,
           const std::vector<std::string>& arguments = {},
           const std::vector<std::string>& buttons = {"OK Button Ctrl"});
  const FaxPBField& NameField() const;
  const FaxPBField& GroupNameField() const;
  void AddGADGroups(const std::unordered_map<std::string, std::string>& translated);

  const nx::platform::Services& m_Services;
  const nx::platform::Bundle* m_Bundle;

  std::vector<FaxRecord> m_DFaxAddrs;
  std::vector<FaxRecord> m_DFaxGroups;
  std::vector<std::string> m_PhoneBookIDs;
  std::vector<FaxRecord> m_GADFaxAddrs;
  std::vector<FaxRecord> m_GADFaxGroups;
  int TargetDeviceType = 0;
  bool m_PartnerFormat = false;  // the last CSV import was a partner-format file
  std::optional<std::string> m_FixedPath;
  std::function<std::string()> m_Now;
  FaxPBReport m_Report;
  AbifStatus m_LastReadStatus = kAbifSuccess;
  int m_LastReadLeftOut = 0;
  bool m_BookIncomplete = false;
  // The lock hold under which the lists were last read from or saved to m_FreshPath (0: none).
  std::uint64_t m_FreshHold = 0;
  std::string m_FreshPath;

  // Indexes kept with the lists, so that imports stay linear.
  IdIndex m_IndividualIds;
  IdIndex m_GroupIds;
  std::unordered_map<std::string, std::size_t> m_IdPosition;  // first individual with an Id
  std::unordered_map<std::string, int> m_DuplicateKeys;       // Name/Address/AddressType
  std::unordered_map<std::string, int> m_GroupNames;
};

}  // namespace nx::phonebook
