// faxbook: the fax phonebook for users and scripts, through the phonebook model (the same
// checks, imports and saving as the phonebook windows).
//
//   faxbook show BOOK [--show-passwords]
//   faxbook new BOOK
//   faxbook import BOOK SOURCE --kind csv|gap|gad [--device-type N]
//   faxbook add-individual BOOK --name TEXT --address TEXT [--ip-fax] [--company TEXT]
//           [--tel TEXT] [--email TEXT] [--memo TEXT] [--furigana TEXT] [--comm-mode 0|1|2]
//           [--line 0|1] [--mailbox ID] [--relay STATION --relay-dest D ... [--relay-print]]
//           [--fcode TEXT]
//   faxbook add-group BOOK --name TEXT --member ID [--member ID ...]
//   faxbook delete BOOK ID [ID ...]
//
// Results are JSON on standard output. A refused import or edit exits with status 1 and its
// warning keys on standard error; the book on disk is then unchanged. Usage errors exit with 2.
// Edits and imports hold the book's lock from their read to their exit, so runs started together
// on one book keep each other's changes.
// Mailbox and F-code passwords come from the environment (FAXBOOK_MAILBOX_PASSCODE,
// FAXBOOK_FCODE_PASSWORD), never from the command line, and "show" masks them unless asked.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
#include "nx/phonebook/fax_pb_entry_rules.h"
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

int Usage() {
  std::fputs(
      "usage: faxbook show BOOK [--show-passwords]\n"
      "       faxbook new BOOK\n"
      "       faxbook import BOOK SOURCE --kind csv|gap|gad [--device-type N]\n"
      "       faxbook add-individual BOOK --name TEXT --address TEXT [--ip-fax] [--company TEXT]\n"
      "               [--tel TEXT] [--email TEXT] [--memo TEXT] [--furigana TEXT]\n"
      "               [--comm-mode 0|1|2] [--line 0|1] [--mailbox ID]\n"
      "               [--relay STATION --relay-dest D ... [--relay-print]] [--fcode TEXT]\n"
      "       faxbook add-group BOOK --name TEXT --member ID [--member ID ...]\n"
      "       faxbook delete BOOK ID [ID ...]\n",
      stderr);
  return kExitUsage;
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
  if (!ParseOptions(args, {}, {"--show-passwords"}, o) || o.positional.size() != 1) return Usage();
  OpenBook book;
  if (!Open(o.positional[0], book)) return kExitRefused;
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

int Import(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, {"--kind", "--device-type"}, {}, o) || o.positional.size() != 2 ||
      !o.Has("--kind")) {
    return Usage();
  }
  const std::string& path = o.positional[0];
  const std::string& source = o.positional[1];
  const std::string kind = o.Get("--kind");
  if (kind != "csv" && kind != "gap" && kind != "gad") return Usage();
  char* end = nullptr;
  const std::string deviceText = o.Get("--device-type", "0");
  const long device = std::strtol(deviceText.c_str(), &end, 10);
  if (end == deviceText.c_str() || *end != '\0' || device < 0 || device > 1000) return Usage();

  OpenBook book;
  if (!OpenForEdit(path, book)) return kExitRefused;
  FaxPhonebookModel& model = *book.model;
  model.setTargetDeviceType(static_cast<int>(device));
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
      o.positional.size() != 1 || !o.Has("--address")) {
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
                                                       {"--furigana", "Furigana"}, {"--fcode", "FCode"}};
  for (const auto& [option, key] : texts) FaxRecordSetText(entry, key, o.Get(option));
  // The communication mode as the window stores it: 0 G3, 1 G4, 2 overseas.
  FaxRecordSetText(entry, "CommMode", o.Get("--comm-mode", "0"));
  FaxRecordSetText(entry, "LineType", o.Get("--line", "0"));
  if (const char* code = std::getenv("FAXBOOK_FCODE_PASSWORD")) {
    FaxRecordSetText(entry, "FCodePassword", code);
  }
  if (o.Has("--mailbox")) {
    FaxRecordSetText(entry, "SecureorRelay", "1");
    FaxRecordSetText(entry, "RlyNum", "0");
    FaxRecordSetText(entry, "MailBoxId", o.Get("--mailbox"));
    if (const char* passcode = std::getenv("FAXBOOK_MAILBOX_PASSCODE")) {
      FaxRecordSetText(entry, "MailBoxPassword", passcode);
    }
  } else if (o.Has("--relay")) {
    FaxRecordSetText(entry, "SecureorRelay", "2");
    FaxRecordSetText(entry, "RlyID", o.Get("--relay"));
    FaxRecordSetText(entry, "Rlyprn", o.flags.count("--relay-print") ? "1" : "0");
    std::vector<std::string> destinations;
    for (const auto& typed : o.All("--relay-dest")) {
      std::string destination;
      if (auto refusal = NormalizeRelayDestination(typed, destination)) {
        PrintRefusal(*refusal);
        return kExitRefused;
      }
      // The window beeps at a destination already listed and adds nothing.
      if (std::find(destinations.begin(), destinations.end(), destination) == destinations.end()) {
        destinations.push_back(destination);
      }
    }
    FaxRecordSetList(entry, "RlyDestList", destinations);
    FaxRecordSetText(entry, "RlyNum", std::to_string(destinations.size()));
  } else {
    FaxRecordSetText(entry, "RlyNum", "0");
  }

  const std::string& path = o.positional[0];
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
  if (!ParseOptions(args, {"--name", "--member"}, {}, o) || o.positional.size() != 1) return Usage();
  const std::string& path = o.positional[0];
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
  if (!ParseOptions(args, {}, {}, o) || o.positional.size() < 2) return Usage();
  const std::string path = o.positional[0];
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  PrepareHeap();
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  try {
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
