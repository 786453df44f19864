// faxbook: the fax phonebook for users and scripts, through the phonebook model (the same
// checks, imports and saving as the phonebook windows).
//
// See Usage() for the commands. BOOK may be left out everywhere but in "new": the command then
// works on the user's current phonebook, the one the phonebook windows open.
//
// Results are JSON on standard output ("list" prints a table unless --json is given). A refused
// import or edit exits with status 1 and its warning keys on standard error; the book on disk is
// then unchanged. Usage errors exit with 2. Edits and imports hold the book's lock from their read
// to their exit, so runs started together on one book keep each other's changes. Mailbox and F-code
// passwords come from the environment (FAXBOOK_MAILBOX_PASSCODE, FAXBOOK_FCODE_PASSWORD), never
// from the command line, and "show" masks them unless asked.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "nx/phonebook/abif_file.h"
#include "nx/phonebook/contact_file.h"
#include "nx/phonebook/current_book.h"
#include "nx/phonebook/fax_pb_entry_rules.h"
#include "nx/phonebook/fax_pb_exchange.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/phonebook/phonebook_lock.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/services.h"

namespace {

using nlohmann::ordered_json;
using namespace nx::phonebook;

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr char kMask[] = "********";
// The windows' warning for a book read without some of its entries.
constexpr char kIncompleteKey[] = "Warning_Phonebook_Entries_Left_Out_ID";

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A book of ten thousand entries is some 20 MB of small allocations, and first touching it page
// by page costs more CPU than the import itself. The heap is therefore grown in one step and
// offered huge pages (a hint: where the kernel has them off nothing changes). The padding is
// kept, so later frees never hand the hinted pages back.
void PrepareHeap() {
#if defined(__GLIBC__)
  if constexpr (kSanitized) return;
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  constexpr int kPad = 64 << 20;
  if (mallopt(M_TOP_PAD, kPad) != 1) return;
  void* const start = sbrk(0);
  if (start == reinterpret_cast<void*>(-1)) return;
  const auto before = reinterpret_cast<std::uintptr_t>(start);
  // Small blocks until the heap grows, which it then does by the padding.
  std::vector<void*> blocks;
  std::uintptr_t after = before;
  for (int i = 0; i < 16 && after == before; ++i) {
    void* block = std::malloc(32 << 10);
    if (block == nullptr) break;
    blocks.push_back(block);
    after = reinterpret_cast<std::uintptr_t>(sbrk(0));
  }
  for (void* block : blocks) std::free(block);
  const std::uintptr_t first = (before + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = after & ~(kHugePage - 1);
  if (last <= first) return;
  (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

constexpr char kUsage[] =
    "usage: faxbook list [PATTERN] [--book BOOK] [--json]\n"
    "       faxbook show [BOOK] [--show-passwords]\n"
    "       faxbook new BOOK\n"
    "       faxbook import [BOOK] SOURCE --kind csv|gap|gad|vcard|ldif [--device-type N]\n"
    "       faxbook export [BOOK] FILE --kind csv|vcard\n"
    "       faxbook add-individual [BOOK] --name TEXT --address TEXT [--ip-fax] [--company TEXT]\n"
    "               [--tel TEXT] [--email TEXT] [--memo TEXT] [--furigana TEXT]\n"
    "               [--comm-mode 0|1|2] [--line 0|1] [--mailbox ID]\n"
    "               [--relay STATION --relay-dest D ... [--relay-print]] [--fcode TEXT]\n"
    "       faxbook add-group [BOOK] --name TEXT --member ID [--member ID ...]\n"
    "       faxbook delete [BOOK] ID [ID ...]\n";

constexpr char kHelp[] =
    "\n"
    "Without BOOK a command works on the current phonebook, the one the phonebook windows\n"
    "open (created empty when it does not exist yet). For delete, a first argument that is\n"
    "an entry Id (digits, or G and digits) is an Id.\n"
    "\n"
    "list      the entries whose name, furigana or number holds PATTERN (any case; digits\n"
    "          also match numbers written with separators), as a table; --json prints them\n"
    "          as show does\n"
    "import    csv, gap, gad: the device and phonebook files; vcard (2.1, 3.0, 4.0) and\n"
    "          ldif: desktop address books, one individual for each fax number (TEL of type\n"
    "          fax, facsimileTelephoneNumber); contacts without one are skipped and counted\n"
    "export    csv: a device export (data format 6) of the individuals; vcard: vCard 4.0.\n"
    "          FILE - is standard output\n"
    "\n"
    "Results are JSON on standard output. Exit status: 0 done; 1 refused (the warning key\n"
    "first on standard error; the book is unchanged); 2 usage error.\n"
    "Passwords: FAXBOOK_MAILBOX_PASSCODE and FAXBOOK_FCODE_PASSWORD, never arguments.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

int Help() {
  std::fputs(kUsage, stdout);
  std::fputs(kHelp, stdout);
  return 0;
}

void Print(const ordered_json& json) {
  std::cout << json.dump(2, ' ', false, ordered_json::error_handler_t::replace) << "\n";
}

// Options after the command's positional arguments: "--name value", repeatable, and flags.
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> values;
  std::set<std::string> flags;

  bool Has(const std::string& key) const { return values.count(key) != 0; }
  std::string Get(const std::string& key, std::string fallback = {}) const {
    const auto it = values.find(key);
    return it == values.end() ? fallback : it->second.back();
  }
  std::vector<std::string> All(const std::string& key) const {
    const auto it = values.find(key);
    return it == values.end() ? std::vector<std::string>{} : it->second;
  }
};

// Parses `args` against the known options; false for anything else.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, Options& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      out.positional.push_back(arg);
    } else if (withValue.count(arg) != 0 && i + 1 < args.size()) {
      out.values[arg].push_back(args[++i]);
    } else if (flags.count(arg) != 0) {
      out.flags.insert(arg);
    } else {
      std::fprintf(stderr, "faxbook: unknown or incomplete option %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

// The services of a command-line run: Linux folders and preferences (which the model leaves
// alone in its fixed-file mode) and a headless toolkit that answers every alert with its first
// button; the model reports its warnings itself.
std::unique_ptr<nx::platform::Services> MakeServices() {
  return nx::platform::Services::Linux(std::make_unique<nx::platform::ui::HeadlessToolkit>());
}

struct OpenBook {
  std::unique_ptr<nx::platform::Services> services = MakeServices();
  std::unique_ptr<FaxPhonebookModel> model =
      std::make_unique<FaxPhonebookModel>(*services, nullptr);
  int dropped = 0;  // entries of the file that do not pass the book's checks
  // Held by edits from before the read to the end of the command: a book is read, changed and
  // saved by one program at a time.
  PhonebookLock lock;
};

// The book of a command that has finished: the process ends right after, and freeing ten
// thousand entries one by one would cost a tenth of an import. Sanitizer builds free it, so
// their leak checks stay meaningful.
void LeaveBook(OpenBook& book) {
  if constexpr (!kSanitized) (void)book.model.release();
}

// Reads BOOK as the phonebook windows do (invalid and repeated entries left out). False, with
// the message printed, when the file does not read.
bool Open(const std::string& path, OpenBook& book) {
  FaxPhonebookModel& model = *book.model;
  model.usePhonebookFile(path);
  if (!model.readMyFaxFile(path)) {
    const AbifStatus status = model.lastReadStatus();
    std::fprintf(stderr, "%s\nfaxbook: %s: not a readable phonebook (status 0x%08X)\n",
                 status == kAbifOldPhonebookKind
                     ? "Warning_Specified_File_Have_Old_Header_Win_Content_ID"
                     : "Warning_Specified_File_Not_Valiable_Win_Content_ID",
                 path.c_str(), status);
    return false;
  }
  book.dropped = model.lastReadLeftOut();
  return true;
}

// Edits rewrite the whole book: one holding entries the book's checks leave out would lose them.
bool OpenForEdit(const std::string& path, OpenBook& book) {
  book.lock = PhonebookLock::Acquire(path);
  if (!book.lock.held()) {
    std::fprintf(stderr, "faxbook: %s: the phonebook's lock file %s cannot be used\n", path.c_str(),
                 PhonebookLock::LockFileOf(path).c_str());
    return false;
  }
  if (!Open(path, book)) return false;
  if (book.model->bookIncomplete()) {
    std::fprintf(stderr,
                 "%s\nfaxbook: %s: the file holds more entries than a phonebook can (%d "
                 "individuals, %d groups); saving would destroy the rest, so the book is left as "
                 "it is\n",
                 kIncompleteKey, path.c_str(), kFaxPBMaxIndividuals, kFaxPBMaxGroups);
    return false;
  }
  if (book.dropped > 0) {
    std::fprintf(stderr,
                 "faxbook: %s: %d entries do not pass the phonebook's checks (or repeat another); "
                 "saving would drop them, so the book is left as it is\n",
                 path.c_str(), book.dropped);
    return false;
  }
  return true;
}

// The user's current phonebook (current_book.h). False, with the message printed, when the
// default book cannot be made.
bool CurrentBook(std::string& path) {
  const auto services = MakeServices();
  if (CurrentPhonebookPath(*services, &path)) return true;
  std::fprintf(stderr, "faxbook: the current phonebook %s cannot be created\n", path.c_str());
  return false;
}

// Takes BOOK off the positional arguments when there is one more than `rest`, else names the
// current phonebook. kExitUsage for another count, kExitRefused when there is no current book,
// 0 otherwise.
int TakeBook(Options& o, std::size_t rest, std::string& path) {
  if (o.positional.size() == rest + 1) {
    path = o.positional.front();
    o.positional.erase(o.positional.begin());
    return 0;
  }
  if (o.positional.size() != rest) return Usage();
  return CurrentBook(path) ? 0 : kExitRefused;
}

// Ids as the book makes them: digits, or "G" and digits.
bool LooksLikeId(const std::string& text) {
  const std::size_t start = !text.empty() && (text[0] == 'G' || text[0] == 'g') ? 1 : 0;
  return text.size() > start &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

ordered_json RecordJson(const FaxRecord& record, const auto& keys, bool showPasswords) {
  ordered_json out = ordered_json::object();
  for (const char* key : keys) {
    const std::string name = key;
    if (name == "RlyDestList" || name == "EntryList") {
      out[name] = FaxRecordList(record, name);
      continue;
    }
    std::string value = FaxRecordText(record, name);
    if (!showPasswords && !value.empty() && (name == "MailBoxPassword" || name == "FCodePassword")) {
      value = kMask;
    }
    out[name] = value;
  }
  return out;
}

ordered_json BookJson(const FaxPhonebookModel& model, bool showPasswords) {
  ordered_json out;
  out["individuals"] = ordered_json::array();
  for (const auto& e : model.getAddrsByType(kFaxPBIndividuals)) {
    out["individuals"].push_back(RecordJson(e, kFaxIndividualKeys, showPasswords));
  }
  out["groups"] = ordered_json::array();
  for (const auto& g : model.getAddrsByType(kFaxPBGroups)) {
    out["groups"].push_back(RecordJson(g, kFaxGroupKeys, showPasswords));
  }
  return out;
}

void PrintRefusal(const FaxPBRefusal& refusal) {
  std::fprintf(stderr, "%s\n", refusal.textKey.c_str());
  if (refusal.textKey == kFaxPBStringTooLong && !refusal.arguments.empty()) {
    std::fprintf(stderr, "faxbook: the value of %s is not accepted by its field\n",
                 refusal.arguments[0].c_str());
  }
}

int SaveFailed(const std::string& path) {
  std::fprintf(stderr, "faxbook: %s: the phonebook could not be saved; the file is unchanged\n",
               path.c_str());
  return kExitRefused;
}

// ---- Commands ------------------------------------------------------------------------------------

int Show(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {}, {"--show-passwords"}, o)) return Usage();
  std::string path;
  if (const int status = TakeBook(o, 0, path)) return status;
  OpenBook book;
  if (!Open(path, book)) return kExitRefused;
  if (book.model->bookIncomplete()) {
    std::fprintf(stderr,
                 "%s\nfaxbook: the file holds more entries than a phonebook can (%d individuals, "
                 "%d groups); only those are shown\n",
                 kIncompleteKey, kFaxPBMaxIndividuals, kFaxPBMaxGroups);
  }
  if (book.dropped > 0) {
    std::fprintf(stderr, "faxbook: %d entries left out: they do not pass the phonebook's checks\n",
                 book.dropped);
  }
  Print(BookJson(*book.model, o.flags.count("--show-passwords") != 0));
  return 0;
}

int New(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {}, {}, o) || o.positional.size() != 1) return Usage();
  const std::string& path = o.positional[0];
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    std::fprintf(stderr, "faxbook: %s exists; a new phonebook never replaces a file\n", path.c_str());
    return kExitRefused;
  }
  OpenBook book;
  if (!book.model->createEmptyFaxPhoneBook(path)) return SaveFailed(path);
  return 0;
}

// Text from a file for the terminal: control characters (a hostile file's escape sequences)
// become "?".
std::string Printable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // C1 controls are U+0080-U+009F: C2 80 to C2 9F in UTF-8.
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      out.push_back('?');
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      out.push_back('?');
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

int ImportContacts(OpenBook& book, const std::string& path, const std::string& source,
                   const std::string& kind) {
  FaxPhonebookModel& model = *book.model;
  const bool kept = model.importContacts(
      source, kind == "vcard" ? ContactFormat::kVCard : ContactFormat::kLdif, false);
  const FaxPBReport& report = model.lastReport();
  ordered_json out;
  out["kind"] = kind;
  char status[16];
  std::snprintf(status, sizeof status, "0x%08X", report.status);
  out["status"] = status;
  out["added"] = {{"individuals", report.addedIndividuals}, {"groups", ordered_json::array()}};
  out["skipped"] = {{"noFaxNumber", report.skippedNoFax},
                    {"duplicates", report.skippedDuplicates},
                    {"overLimit", report.skippedOverLimit},
                    {"notRead", report.notRead}};
  out["fieldsLeftOut"] = report.fieldsLeftOut;
  out["warnings"] = ordered_json::array();
  for (const auto& w : report.warnings) out["warnings"].push_back(w.textKey);
  out["saved"] = report.saved;
  Print(out);
  if (kept) {
    std::fprintf(stderr,
                 "faxbook: %zu added; skipped: %d without a fax number, %d already in the book, "
                 "%d beyond a full book, %zu beyond what a file may hold; %d texts left out (tel, "
                 "e-mail or memo their field does not take)\n",
                 report.addedIndividuals.size(), report.skippedNoFax, report.skippedDuplicates,
                 report.skippedOverLimit, report.notRead, report.fieldsLeftOut);
    LeaveBook(book);
    return 0;
  }
  for (const auto& w : report.warnings) std::fprintf(stderr, "%s\n", w.textKey.c_str());
  if (report.saveFailed) return SaveFailed(path);
  if (report.refusedName.empty() && report.refusedLine == 0) {
    std::fprintf(stderr, "faxbook: %s: not a readable %s file; nothing was imported\n",
                 source.c_str(), kind == "vcard" ? "vCard" : "LDIF");
  } else if (report.status == kAbifCsvBadValue) {
    std::string why = "is refused by the phonebook's rules";
    if (!report.warnings.empty() && report.warnings.back().textKey == kFaxPBStringTooLong &&
        !report.warnings.back().arguments.empty()) {
      why = "has a " + report.warnings.back().arguments[0] + " its field does not accept";
    }
    std::fprintf(stderr, "faxbook: %s: line %zu: the contact \"%s\" %s; nothing was imported\n",
                 source.c_str(), report.refusedLine, Printable(report.refusedName).c_str(),
                 why.c_str());
  } else {
    std::fprintf(stderr, "faxbook: %s: line %zu: not a readable %s file; nothing was imported\n",
                 source.c_str(), report.refusedLine, kind == "vcard" ? "vCard" : "LDIF");
  }
  return kExitRefused;
}

int Import(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {"--kind", "--device-type"}, {}, o) || !o.Has("--kind")) return Usage();
  const std::string kind = o.Get("--kind");
  if (kind != "csv" && kind != "gap" && kind != "gad" && kind != "vcard" && kind != "ldif") {
    return Usage();
  }
  if (o.positional.size() != 1 && o.positional.size() != 2) return Usage();
  std::string path;
  if (const int status = TakeBook(o, 1, path)) return status;
  const std::string source = o.positional[0];
  char* end = nullptr;
  const std::string deviceText = o.Get("--device-type", "0");
  const long device = std::strtol(deviceText.c_str(), &end, 10);
  if (end == deviceText.c_str() || *end != '\0' || device < 0 || device > 1000) return Usage();

  OpenBook book;
  if (!OpenForEdit(path, book)) return kExitRefused;
  FaxPhonebookModel& model = *book.model;
  model.setTargetDeviceType(static_cast<int>(device));
  if (kind == "vcard" || kind == "ldif") return ImportContacts(book, path, source, kind);
  bool kept;
  if (kind == "csv") {
    kept = model.importRecorder(source, false);
  } else if (kind == "gap") {
    kept = model.importGAPToPhonebook(source, false);
  } else {
    kept = model.importGADToPhonebook(source, false);
  }
  const FaxPBReport& report = model.lastReport();
  ordered_json out;
  out["kind"] = kind;
  char status[16];
  std::snprintf(status, sizeof status, "0x%08X", report.status);
  out["status"] = status;
  out["added"] = {{"individuals", report.addedIndividuals}, {"groups", report.addedGroups}};
  out["skipped"] = {{"duplicates", report.skippedDuplicates},
                    {"relay", report.skippedRelay},
                    {"overLimit", report.skippedOverLimit}};
  out["droppedMembers"] = report.droppedMembers;
  out["warnings"] = ordered_json::array();
  for (const auto& w : report.warnings) out["warnings"].push_back(w.textKey);
  out["saved"] = report.saved;
  Print(out);
  if (kept) {
    LeaveBook(book);
    return 0;
  }
  for (const auto& w : report.warnings) std::fprintf(stderr, "%s\n", w.textKey.c_str());
  if (report.saveFailed) return SaveFailed(path);
  if (report.warnings.empty()) {
    std::fprintf(stderr, "faxbook: %s: not imported (status 0x%08X)\n", source.c_str(),
                 report.status);
  }
  return kExitRefused;
}

int AddIndividual(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args,
                    {"--name", "--address", "--company", "--tel", "--email", "--memo", "--furigana",
                     "--comm-mode", "--line", "--mailbox", "--relay", "--relay-dest", "--fcode"},
                    {"--ip-fax", "--relay-print"}, o) ||
      o.positional.size() > 1 || !o.Has("--address")) {
    return Usage();
  }
  if (o.Has("--mailbox") && o.Has("--relay")) {
    std::fputs("faxbook: secure send (--mailbox) and relay send (--relay) exclude each other\n", stderr);
    return kExitUsage;
  }
  FaxRecord entry = initFax();
  FaxRecordSetText(entry, "Name", o.Get("--name"));
  FaxRecordSetText(entry, "Address", o.Get("--address"));
  FaxRecordSetText(entry, "AddressType", o.flags.count("--ip-fax") ? kAddressTypeIPFax : kAddressTypeFax);
  const std::pair<const char*, const char*> texts[] = {{"--company", "Company"}, {"--tel", "Tel"},
                                                       {"--email", "Email"},     {"--memo", "Memo"},
                                                       {"--furigana", "Furigana"}};
  for (const auto& [option, key] : texts) FaxRecordSetText(entry, key, o.Get(option));
  // The communication mode as the window stores it: 0 G3, 1 G4, 2 overseas.
  FaxPBCommunicationChoice comm;
  comm.commMode = o.Get("--comm-mode", "0");
  comm.line = o.Get("--line", "0");
  comm.fCode = o.Get("--fcode");
  if (const char* code = std::getenv("FAXBOOK_FCODE_PASSWORD")) comm.fCodePassword = code;
  if (o.Has("--mailbox")) {
    comm.mailboxId = o.Get("--mailbox");
    if (const char* passcode = std::getenv("FAXBOOK_MAILBOX_PASSCODE")) comm.mailboxPasscode = passcode;
  } else if (o.Has("--relay")) {
    comm.relayStation = o.Get("--relay");
    comm.relayPrint = o.flags.count("--relay-print") > 0;
    comm.relayDestinations = o.All("--relay-dest");
  }
  if (auto refusal = ApplyCommunicationChoice(entry, comm)) {
    PrintRefusal(*refusal);
    return kExitRefused;
  }

  std::string path;
  if (const int status = TakeBook(o, 0, path)) return status;
  OpenBook book;
  if (!OpenForEdit(path, book)) return kExitRefused;
  const FaxPBEntryResult result = AddNewIndividualEntry(*book.model, std::move(entry));
  if (result.refusal) {
    PrintRefusal(*result.refusal);
    return kExitRefused;
  }
  if (!result.added) return SaveFailed(path);
  const FaxRecord* added = book.model->getMyFaxRecordByID(result.id);
  Print(added ? RecordJson(*added, kFaxIndividualKeys, false) : ordered_json{{"Id", result.id}});
  return 0;
}

int AddGroup(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {"--name", "--member"}, {}, o)) return Usage();
  std::string path;
  if (const int status = TakeBook(o, 0, path)) return status;
  OpenBook book;
  if (!OpenForEdit(path, book)) return kExitRefused;
  const auto members = o.All("--member");
  std::set<std::string> seen;
  for (const auto& id : members) {
    // The group window only offers the book's individuals, each once.
    if (IsFaxGroupId(id) || book.model->getMyFaxRecordByID(id) == nullptr) {
      std::fprintf(stderr, "faxbook: %s: no individual with Id %s\n", path.c_str(), id.c_str());
      return kExitUsage;
    }
    if (!seen.insert(id).second) {
      std::fprintf(stderr, "faxbook: member %s given twice\n", id.c_str());
      return kExitUsage;
    }
  }
  FaxRecord group = initFaxGroup();
  FaxRecordSetText(group, "GroupName", o.Get("--name"));
  FaxRecordSetList(group, "EntryList", members);
  const FaxPBEntryResult result = AddNewGroupEntry(*book.model, std::move(group));
  if (result.refusal) {
    PrintRefusal(*result.refusal);
    return kExitRefused;
  }
  if (!result.added) return SaveFailed(path);
  for (const auto& g : book.model->getAddrsByType(kFaxPBGroups)) {
    if (FaxRecordText(g, "Id") == result.id) Print(RecordJson(g, kFaxGroupKeys, false));
  }
  return 0;
}

int Delete(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {}, {}, o) || o.positional.empty()) return Usage();
  std::string path;
  if (LooksLikeId(o.positional[0])) {
    if (!CurrentBook(path)) return kExitRefused;
    o.positional.insert(o.positional.begin(), path);
  } else {
    path = o.positional[0];
  }
  if (o.positional.size() < 2) return Usage();
  OpenBook book;
  if (!OpenForEdit(path, book)) return kExitRefused;
  FaxPhonebookModel& model = *book.model;
  std::vector<FaxRecord> chosen;
  ordered_json deleted = {{"individuals", ordered_json::array()}, {"groups", ordered_json::array()}};
  std::set<std::string> seen;
  for (std::size_t i = 1; i < o.positional.size(); ++i) {
    const std::string& id = o.positional[i];
    const bool group = IsFaxGroupId(id);
    const auto& list = model.getAddrsByType(group ? kFaxPBGroups : kFaxPBIndividuals);
    const bool known = std::any_of(list.begin(), list.end(),
                                   [&](const FaxRecord& r) { return FaxRecordText(r, "Id") == id; });
    if (!known) {
      std::fprintf(stderr, "faxbook: %s: no entry with Id %s\n", path.c_str(), id.c_str());
      return kExitUsage;
    }
    if (!seen.insert(id).second) continue;
    FaxRecord record;
    FaxRecordSetText(record, "Id", id);
    chosen.push_back(std::move(record));
    deleted[group ? "groups" : "individuals"].push_back(id);
  }
  if (!model.delectFaxRecordsFromPB(chosen)) return SaveFailed(path);
  Print({{"deleted", deleted}});
  return 0;
}

// ---- list
// ----------------------------------------------------------------------------------------

// Columns on a terminal: East Asian wide and full-width characters take two, combining marks
// none, everything else one.
int CharWidth(char32_t cp) {
  if ((cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x200B && cp <= 0x200F) || cp == 0x3099 ||
      cp == 0x309A) {
    return 0;
  }
  const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
                    (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
                    (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
                    (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                    (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                    (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
                    (cp >= 0x20000 && cp <= 0x3FFFD);
  return wide ? 2 : 1;
}

// Display width of UTF-8 text; a byte that starts no character counts one.
std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t len = c < 0x80         ? 1
                            : (c >> 5) == 6  ? 2
                            : (c >> 4) == 14 ? 3
                            : (c >> 3) == 30 ? 4
                                             : 1;
    char32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
    bool whole = i + len <= text.size();
    for (std::size_t k = 1; whole && k < len; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) whole = false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (!whole) {
      width += 1;
      i += 1;
      continue;
    }
    width += static_cast<std::size_t>(CharWidth(cp));
    i += len;
  }
  return width;
}

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string DigitsOf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= '0' && c <= '9') out.push_back(c);
  }
  return out;
}

// A pattern of digits and the separators numbers are written with.
bool IsNumberPattern(std::string_view text) {
  return !DigitsOf(text).empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == ' ' || c == '(' || c == ')' || c == '+' ||
           c == '.';
  });
}

struct Matcher {
  std::string pattern;  // lowered
  std::string digits;   // set for a number pattern

  explicit Matcher(std::string_view text)
      : pattern(Lowered(text)), digits(IsNumberPattern(text) ? DigitsOf(text) : std::string()) {}
  bool Text(std::string_view text) const {
    return pattern.empty() || Lowered(text).find(pattern) != std::string::npos;
  }
  bool Number(std::string_view number) const {
    return Text(number) || (!digits.empty() && DigitsOf(number).find(digits) != std::string::npos);
  }
};

int List(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {"--book"}, {"--json", "--show-passwords"}, o) ||
      o.positional.size() > 1) {
    return Usage();
  }
  std::string path = o.Get("--book");
  if (path.empty() && !CurrentBook(path)) return kExitRefused;
  OpenBook book;
  if (!Open(path, book)) return kExitRefused;
  if (book.dropped > 0) {
    std::fprintf(stderr, "faxbook: %d entries left out: they do not pass the phonebook's checks\n",
                 book.dropped);
  }
  const Matcher match(o.positional.empty() ? std::string() : o.positional[0]);
  const FaxPhonebookModel& model = *book.model;
  std::vector<const FaxRecord*> people;
  for (const auto& e : model.getAddrsByType(kFaxPBIndividuals)) {
    if (match.Text(FaxRecordText(e, "Name")) || match.Text(FaxRecordText(e, "Furigana")) ||
        match.Number(FaxRecordText(e, "Address"))) {
      people.push_back(&e);
    }
  }
  std::vector<const FaxRecord*> groups;
  for (const auto& g : model.getAddrsByType(kFaxPBGroups)) {
    if (match.Text(FaxRecordText(g, "GroupName")) || match.Text(FaxRecordText(g, "Furigana"))) {
      groups.push_back(&g);
    }
  }
  if (o.flags.count("--json") != 0) {
    const bool showPasswords = o.flags.count("--show-passwords") != 0;
    ordered_json out;
    out["individuals"] = ordered_json::array();
    for (const FaxRecord* e : people) {
      out["individuals"].push_back(RecordJson(*e, kFaxIndividualKeys, showPasswords));
    }
    out["groups"] = ordered_json::array();
    for (const FaxRecord* g : groups) out["groups"].push_back(RecordJson(*g, kFaxGroupKeys, false));
    Print(out);
    return 0;
  }
  std::vector<std::array<std::string, 6>> rows;
  rows.push_back({"ID", "NAME", "COMPANY", "NUMBER", "TYPE", "MEMBERS"});
  for (const FaxRecord* e : people) {
    const bool ip = FaxRecordText(*e, "AddressType") == kAddressTypeIPFax;
    rows.push_back({FaxRecordText(*e, "Id"), Printable(FaxRecordText(*e, "Name")),
                    Printable(FaxRecordText(*e, "Company")),
                    Printable(FaxRecordText(*e, "Address")), ip ? "ip-fax" : "fax", ""});
  }
  for (const FaxRecord* g : groups) {
    std::string members;
    for (const auto& id : FaxRecordList(*g, "EntryList")) {
      members += (members.empty() ? "" : ",") + Printable(id);
    }
    rows.push_back({FaxRecordText(*g, "Id"), Printable(FaxRecordText(*g, "GroupName")), "", "",
                    "group", members});
  }
  std::array<std::size_t, 6> widths{};
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

// ---- export
// --------------------------------------------------------------------------------------

// Writes `bytes` to `file` through a temporary file renamed over it, readable by the user alone
// (a device export carries the passwords' protected forms); "-" is standard output.
bool WriteExport(const std::string& file, const std::string& bytes) {
  if (file == "-") {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
  }
  // The process id keeps a temporary file a killed run left from blocking the next one.
  const std::string temp = file + ".faxbook-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || ::rename(temp.c_str(), file.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

int Export(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {"--kind"}, {}, o) || !o.Has("--kind")) return Usage();
  const std::string kind = o.Get("--kind");
  if (kind != "csv" && kind != "vcard") return Usage();
  std::string path;
  if (const int status = TakeBook(o, 1, path)) return status;
  const std::string file = o.positional[0];
  OpenBook book;
  if (!Open(path, book)) return kExitRefused;
  if (book.dropped > 0) {
    std::fprintf(stderr, "faxbook: %d entries left out: they do not pass the phonebook's checks\n",
                 book.dropped);
  }
  const auto& people = book.model->getAddrsByType(kFaxPBIndividuals);
  std::string bytes;
  if (kind == "vcard") {
    std::vector<Contact> contacts;
    contacts.reserve(people.size());
    for (const auto& e : people) contacts.push_back(ContactOfIndividual(e));
    bytes = WriteVCards(contacts);
  } else {
    DeviceCsvExport csv = WriteDeviceCsv(people);
    if (!csv.problems.empty()) {
      for (const auto& problem : csv.problems) {
        std::fprintf(stderr, "faxbook: entry %s\n", Printable(problem).c_str());
      }
      std::fprintf(stderr,
                   "faxbook: %s: the device's CSV cannot carry these entries; nothing was "
                   "written\n",
                   file.c_str());
      return kExitRefused;
    }
    bytes = std::move(csv.text);
  }
  if (!WriteExport(file, bytes)) {
    std::fprintf(stderr, "faxbook: %s: cannot be written\n", file.c_str());
    return kExitRefused;
  }
  if (file != "-") {
    Print({{"kind", kind},
           {"file", file},
           {"individuals", people.size()},
           {"groupsLeftOut", book.model->getFaxCountByType(kFaxPBGroups)}});
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    return Help();
  }
  PrepareHeap();
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  try {
    if (command == "list") return List(args);
    if (command == "export") return Export(args);
    if (command == "show") return Show(args);
    if (command == "new") return New(args);
    if (command == "import") return Import(args);
    if (command == "add-individual") return AddIndividual(args);
    if (command == "add-group") return AddGroup(args);
    if (command == "delete") return Delete(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "faxbook: %s\n", e.what());
    return kExitRefused;
  }
  return Usage();
}
