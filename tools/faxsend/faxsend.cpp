// faxsend: sends documents as a fax from the command line, with the ticket the fax panels write
// for the same recipients and settings: the same recipient rules (faxpde/RecipientRules.h), the
// same communication checks (nx/phonebook/fax_pb_entry_rules.h), the recipient item encoder
// (nx/ticket/recipient_ticket.h), and the filter's own conversion of accounting and secure
// print IDs into the panels' entries. Jobs go through pdehost::SubmitJob, as from the dialog.
//
// Passwords (mailbox passcode, F-code password, secure print PIN) come from the environment or
// a prompt on the terminal without echo, never from the command line; only their protected forms
// reach the ticket and the --dry-run output.
#include <cups/cups.h>
#include <cups/ppd.h>
#include <fcntl.h>
#include <getopt.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "StandardJobOptions.h"
#include "faxpde/RecipientRules.h"
#include "nx/cups/ppd_file.h"
#include "nx/phonebook/current_book.h"
#include "nx/phonebook/fax_pb_entry_rules.h"
#include "nx/phonebook/fax_pb_recipient_model.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/bundle.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/paths.h"
#include "nx/platform/services.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/recipient_ticket.h"
#include "pdehost/JobOptions.h"
#include "pdekit/UtilityFunction.h"

namespace {

using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordInteger;
using nx::phonebook::FaxRecordList;
using nx::phonebook::FaxRecordSetText;
using nx::phonebook::FaxRecordText;
namespace key = nx::ticket::key;

constexpr int kExitSent = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSetup = 3;
constexpr int kExitSubmit = 4;
constexpr int kExitNotSent = 5;

constexpr char kUsage[] =
    "usage: faxsend [--queue QUEUE] --to RECIPIENT [RECIPIENT OPTIONS] [--to ...] [OPTION]... "
    "FILE...\n";

constexpr char kHelp[] =
    "\n"
    "RECIPIENT is a fax number (0312345678, 9,0312345678), speed:NNN (a speed dial; * stands\n"
    "for any digit), sip:ADDRESS (IP fax), or an entry of the current phonebook (the one\n"
    "faxbook uses without BOOK): a name, id:N (an individual's Id), GN or id:GN (a group's Id),\n"
    "or name:TEXT (a name that would read as a number). A group sends to its members.\n"
    "\n"
    "Recipient options (for the --to before them; a phonebook entry with communication\n"
    "settings of its own keeps them):\n"
    "  --name TEXT                  the name of a typed number or speed dial\n"
    "  --comm-mode g3|g4|overseas   --line outside|extension\n"
    "  --mailbox ID [--mailbox-passcode]         secure send to a mailbox\n"
    "  --relay STATION --relay-dest D... [--relay-print]   relay send (D: 5, 1*, #3)\n"
    "  --fcode CODE [--fcode-password]           F-code and its password\n"
    "Job options:\n"
    "  -q, --queue QUEUE      the fax queue (default: the print system's default destination)\n"
    "  -r, --resolution RES   a choice of the queue's NXFaxResolution (keyword or text)\n"
    "      --report always|on-error|off   transmission report (default on-error)\n"
    "      --header on|off    send header (default on)\n"
    "      --delay HH:MM      delayed send: today, or tomorrow when the time has passed\n"
    "      --account-id ID    --user-id ID    job accounting\n"
    "      --secure-print     secure print under --user-id (else the login name)\n"
    "  -t, --title TEXT       job title (default: the file's name)\n"
    "  -y, --yes              send several recipients although one has secure send or an F-code\n"
    "  -w, --wait             follow each job until the print system ends it\n"
    "  -n, --dry-run          print the job options (passwords protected) and send nothing\n"
    "  -h, --help\n"
    "\n"
    "Passwords: FAXSEND_MAILBOX_PASSCODE, FAXSEND_FCODE_PASSWORD and FAXSEND_PIN, or a prompt\n"
    "on the terminal (--mailbox-passcode, --fcode-password, --secure-print), never arguments.\n"
    "Device options come from the settings stored for the queue, else the queue's PPD.\n"
    "\n"
    "Output: the job id of each FILE (QUEUE-ID); with --wait the end state too. Exit status:\n"
    "0 sent (with --wait: every job completed); 1 refused (a recipient or setting the rules\n"
    "refuse; nothing sent); 2 usage error; 3 the queue, its PPD or the phonebook cannot be\n"
    "used; 4 the print system refused a job; 5 (--wait) a job was aborted, cancelled or stopped.\n";

// ---- Messages ----

// The fax plug-in's English texts, when its bundle is installed; keys alone otherwise.
const nx::platform::Bundle* Texts() {
  static const std::optional<nx::platform::Bundle> bundle =
      nx::platform::Bundle::Open(nx::platform::PlugInDir() + "/faxpde.plugin");
  return bundle ? &*bundle : nullptr;
}

// "faxsend: WHAT: text (KEY)": the rule's message as the window shows it.
void PrintRule(const std::string& what, const std::string& textKey,
               const std::vector<std::string>& arguments = {}) {
  std::string text = textKey;
  if (const auto* b = Texts()) {
    const std::string localized = b->LocalizedString(textKey);
    if (!localized.empty() && localized != textKey)
      text = nx::platform::FormatLocalized(localized, arguments) + " (" + textKey + ")";
  }
  std::fprintf(stderr, "faxsend: %s: %s\n", what.c_str(), text.c_str());
}

int Usage(const char* problem = nullptr) {
  if (problem) std::fprintf(stderr, "faxsend: %s\n", problem);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// ---- Passwords ----

// Echo off on the terminal for the life of the object.
class NoEcho {
 public:
  explicit NoEcho(int fd) : fd_(fd) {
    if (tcgetattr(fd_, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
  }
  ~NoEcho() {
    if (active_) (void)tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  NoEcho(const NoEcho&) = delete;
  NoEcho& operator=(const NoEcho&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

// The environment variable's value, else (when asked) a line typed on the terminal without
// echo. Nothing when neither gives one.
std::optional<std::string> Secret(const char* variable, bool ask, const char* prompt) {
  if (const char* value = std::getenv(variable)) return std::string(value);
  if (!ask) return std::string();
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "faxsend: %s: no terminal to ask on; set %s\n", prompt, variable);
    return std::nullopt;
  }
  std::string line;
  {
    NoEcho quiet(fd);
    const std::string question = std::string(prompt) + ": ";
    (void)!write(fd, question.data(), question.size());
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n' && line.size() < 256) line += c;
    (void)!write(fd, "\n", 1);
  }
  close(fd);
  return line;
}

// ---- Command line ----

struct Target {
  std::string text;
  std::optional<std::string> name;  // for a typed number or a speed dial
  bool hasComm = false;
  nx::phonebook::FaxPBCommunicationChoice comm;
  bool askMailboxPasscode = false;
  bool askFCodePassword = false;
};

struct Command {
  std::string queue;
  std::vector<Target> targets;
  std::string resolution;
  std::string report;  // "1".."3", empty: default
  std::string header;  // "0"/"1", empty: default
  std::optional<std::pair<int, int>> delay;
  std::string accountId, userId;
  bool securePrint = false;
  std::string title;
  bool yes = false, wait = false, dryRun = false;
  std::vector<std::string> files;
};

enum Opt {
  kOptReport = 256,
  kOptHeader,
  kOptDelay,
  kOptCommMode,
  kOptLine,
  kOptMailbox,
  kOptMailboxPasscode,
  kOptRelay,
  kOptRelayDest,
  kOptRelayPrint,
  kOptFCode,
  kOptFCodePassword,
  kOptAccount,
  kOptUser,
  kOptSecurePrint,
  kOptName,
};

bool ParseTime(const char* text, std::pair<int, int>* out) {
  int h = 0, m = 0;
  char tail = 0;
  if (std::strlen(text) != 5 || std::sscanf(text, "%2d:%2d%c", &h, &m, &tail) != 2 || h < 0 ||
      h > 23 || m < 0 || m > 59 || !std::isdigit(static_cast<unsigned char>(text[0])) ||
      !std::isdigit(static_cast<unsigned char>(text[3])))
    return false;
  *out = {h, m};
  return true;
}

// 0 on success, else the exit status (the message printed).
int ParseCommandLine(int argc, char** argv, Command* c, bool* help) {
  static const option kOptions[] = {
      {"queue", required_argument, nullptr, 'q'},
      {"to", required_argument, nullptr, 'T'},
      {"resolution", required_argument, nullptr, 'r'},
      {"report", required_argument, nullptr, kOptReport},
      {"header", required_argument, nullptr, kOptHeader},
      {"delay", required_argument, nullptr, kOptDelay},
      {"comm-mode", required_argument, nullptr, kOptCommMode},
      {"line", required_argument, nullptr, kOptLine},
      {"mailbox", required_argument, nullptr, kOptMailbox},
      {"mailbox-passcode", optional_argument, nullptr, kOptMailboxPasscode},
      {"relay", required_argument, nullptr, kOptRelay},
      {"relay-dest", required_argument, nullptr, kOptRelayDest},
      {"relay-print", no_argument, nullptr, kOptRelayPrint},
      {"fcode", required_argument, nullptr, kOptFCode},
      {"fcode-password", optional_argument, nullptr, kOptFCodePassword},
      {"account-id", required_argument, nullptr, kOptAccount},
      {"user-id", required_argument, nullptr, kOptUser},
      {"secure-print", optional_argument, nullptr, kOptSecurePrint},
      {"name", required_argument, nullptr, kOptName},
      {"title", required_argument, nullptr, 't'},
      {"yes", no_argument, nullptr, 'y'},
      {"wait", no_argument, nullptr, 'w'},
      {"dry-run", no_argument, nullptr, 'n'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};
  opterr = 0;
  int o;
  while ((o = getopt_long(argc, argv, ":q:r:t:ywnh", kOptions, nullptr)) != -1) {
    // Options of one recipient follow its --to.
    Target* last = c->targets.empty() ? nullptr : &c->targets.back();
    auto forTarget = [&](const char* name) -> Target* {
      if (!last)
        std::fprintf(stderr, "faxsend: --%s belongs to a recipient: give it after --to\n", name);
      else
        last->hasComm = true;
      return last;
    };
    switch (o) {
      case 'q':
        c->queue = optarg;
        break;
      case 'T':
        c->targets.emplace_back().text = optarg;
        break;
      case 'r':
        c->resolution = optarg;
        break;
      case kOptReport: {
        const std::string v = optarg;
        if (v == "always")
          c->report = "1";
        else if (v == "on-error")
          c->report = "2";
        else if (v == "off")
          c->report = "3";
        else
          return Usage("--report takes always, on-error or off");
        break;
      }
      case kOptHeader: {
        const std::string v = optarg;
        if (v != "on" && v != "off") return Usage("--header takes on or off");
        c->header = v == "on" ? "1" : "0";
        break;
      }
      case kOptDelay: {
        std::pair<int, int> t;
        if (!ParseTime(optarg, &t)) return Usage("--delay takes a time HH:MM (00:00 to 23:59)");
        c->delay = t;
        break;
      }
      case kOptCommMode: {
        Target* t = forTarget("comm-mode");
        if (!t) return Usage();
        const std::string v = optarg;
        if (v == "g3")
          t->comm.commMode = "0";
        else if (v == "g4")
          t->comm.commMode = "1";
        else if (v == "overseas")
          t->comm.commMode = "2";
        else
          return Usage("--comm-mode takes g3, g4 or overseas");
        break;
      }
      case kOptLine: {
        Target* t = forTarget("line");
        if (!t) return Usage();
        const std::string v = optarg;
        if (v != "outside" && v != "extension") return Usage("--line takes outside or extension");
        t->comm.line = v == "outside" ? "0" : "1";
        break;
      }
      case kOptMailbox:
        if (Target* t = forTarget("mailbox"))
          t->comm.mailboxId = optarg;
        else
          return Usage();
        break;
      case kOptRelay:
        if (Target* t = forTarget("relay"))
          t->comm.relayStation = optarg;
        else
          return Usage();
        break;
      case kOptRelayDest:
        if (Target* t = forTarget("relay-dest"))
          t->comm.relayDestinations.push_back(optarg);
        else
          return Usage();
        break;
      case kOptRelayPrint:
        if (Target* t = forTarget("relay-print"))
          t->comm.relayPrint = true;
        else
          return Usage();
        break;
      case kOptFCode:
        if (Target* t = forTarget("fcode"))
          t->comm.fCode = optarg;
        else
          return Usage();
        break;
      case kOptMailboxPasscode:
      case kOptFCodePassword:
      case kOptSecurePrint: {
        // A password given on the command line would be in the shell's history and in every
        // process listing: refused, without repeating it.
        if (optarg) {
          return Usage(
              "passwords are not taken from the command line; use the prompt or "
              "FAXSEND_MAILBOX_PASSCODE, FAXSEND_FCODE_PASSWORD, FAXSEND_PIN");
        }
        if (o == kOptSecurePrint) {
          c->securePrint = true;
        } else if (Target* t = forTarget(o == kOptMailboxPasscode ? "mailbox-passcode"
                                                                  : "fcode-password")) {
          (o == kOptMailboxPasscode ? t->askMailboxPasscode : t->askFCodePassword) = true;
        } else {
          return Usage();
        }
        break;
      }
      case kOptName:
        if (!last) return Usage("--name belongs to a recipient: give it after --to");
        last->name = optarg;
        break;
      case kOptAccount:
        c->accountId = optarg;
        break;
      case kOptUser:
        c->userId = optarg;
        break;
      case 't':
        c->title = optarg;
        break;
      case 'y':
        c->yes = true;
        break;
      case 'w':
        c->wait = true;
        break;
      case 'n':
        c->dryRun = true;
        break;
      case 'h':
        *help = true;
        return 0;
      case ':': {
        const std::string name = argv[optind - 1];
        return Usage((name + " needs a value").c_str());
      }
      default: {
        const std::string name = argv[optind - 1];
        return Usage(("unknown option " + name).c_str());
      }
    }
  }
  for (int i = optind; i < argc; ++i) c->files.emplace_back(argv[i]);
  if (c->targets.empty()) return Usage("no recipient: give --to");
  if (c->files.empty()) return Usage("no FILE to send");
  for (const Target& t : c->targets) {
    if (t.comm.mailboxId && t.comm.relayStation)
      return Usage(("--to " + t.text +
                    ": secure send (--mailbox) and relay send (--relay) exclude each other")
                       .c_str());
    if (t.askMailboxPasscode && !t.comm.mailboxId)
      return Usage(("--to " + t.text + ": --mailbox-passcode needs --mailbox").c_str());
    if (!t.comm.relayDestinations.empty() && !t.comm.relayStation)
      return Usage(("--to " + t.text + ": --relay-dest needs --relay").c_str());
  }
  return 0;
}

// ---- Queue and device options ----

struct Queue {
  std::string name;
  std::string ppdTemp;  // the PPD the print system handed out, removed at the end
  nx::cups::PpdFilePtr ppd;
  ~Queue() {
    if (!ppdTemp.empty()) std::remove(ppdTemp.c_str());
  }
};

// 0 or kExitSetup (printed).
int OpenQueue(const std::string& requested, Queue* q) {
  q->name = requested;
  if (q->name.empty()) {
    cups_dest_t* dests = nullptr;
    const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    if (cups_dest_t* d = cupsGetDest(nullptr, nullptr, n, dests)) q->name = d->name;
    cupsFreeDests(n, dests);
    if (q->name.empty()) {
      std::fputs("faxsend: no --queue given and the print system has no default destination\n",
                 stderr);
      return kExitSetup;
    }
  }
  if (const char* path = cupsGetPPD2(CUPS_HTTP_DEFAULT, q->name.c_str())) q->ppdTemp = path;
  if (q->ppdTemp.empty()) {
    std::fprintf(stderr, "faxsend: %s: no such queue, or it has no PPD (%s)\n", q->name.c_str(),
                 cupsLastErrorString());
    return kExitSetup;
  }
  q->ppd = nx::cups::OpenPpdFile(q->ppdTemp.c_str());
  if (!q->ppd) {
    std::fprintf(stderr, "faxsend: %s: its PPD cannot be read\n", q->name.c_str());
    return kExitSetup;
  }
  ppdMarkDefaults(q->ppd.get());
  if (!ppdFindAttr(q->ppd.get(), "NXSettingType", nullptr)) {
    std::fprintf(stderr, "faxsend: %s: not a fax queue of this driver\n", q->name.c_str());
    return kExitSetup;
  }
  return 0;
}

const char* const kOffOn[] = {"Off", "On"};
const char* const kResAddressNames[] = {"Normal", "FaxAndPhonebook", "SpeedDial", "Phonebook"};
const char* const kGenerationNames[] = {"1", "2"};

// 1-based index of the option's default choice in the PPD; 0 when it has none.
int DefaultChoiceNumber(ppd_file_t* ppd, const char* option) {
  ppd_option_t* o = ppdFindOption(ppd, option);
  if (!o) return 0;
  for (int i = 0; i < o->num_choices; ++i)
    if (std::strcmp(o->choices[i].choice, o->defchoice) == 0) return i + 1;
  return 0;
}

// What the queue's PPD and the stored device options say of the job.
struct Device {
  faxpde::DeviceOptionState state;
  std::vector<std::pair<const char*, std::string>> ticket;  // the device option panel's entries
  std::string moduleChoice;                                 // the NXFaxModule choice
  int restrictAddress = -1;
  bool oneRecipientOnly = false;
  bool generation2 = false;
};

// The device option panel's values: stored for the queue (any user) when an administrator saved
// them, else its defaults with the PPD's setting type; then its dependencies (the expansion kit
// is on with setting types 2 to 4; the extension port follows the outside line kit).
Device ReadDevice(const Queue& q) {
  auto services =
      nx::platform::Services::Linux(std::make_unique<nx::platform::ui::HeadlessToolkit>());
  auto stored = [&](const char* preferenceKey) -> std::optional<std::string> {
    std::string value;
    if (pdekit::GetValueFromPreference(services->preferences(), preferenceKey,
                                       nx::platform::PrefUser::kAny, q.name.c_str(), &value) == 1)
      return value;
    return std::nullopt;
  };
  Device d;
  ppd_file_t* ppd = q.ppd.get();
  const int ppdModule = std::max(1, DefaultChoiceNumber(ppd, "NXFaxModule"));
  auto value = [&](const char* ref, std::string fallback) {
    return stored(ref).value_or(std::move(fallback));
  };
  const std::string module =
      value(key::DeviceOptionFaxModuleTypePopupListReference, std::to_string(ppdModule));
  const int moduleNumber = std::atoi(module.c_str());
  const std::string kit = value(key::DeviceOptionOutsideExtensionKitPopupListReference, "2");
  std::string expansion = value(key::DeviceOptionPhonebookExpansionKitPopupListReference, "2");
  if (moduleNumber >= 2 && moduleNumber <= 4) expansion = "1";
  d.ticket = {
      {key::DeviceOptionFaxModuleTypePopupListTicket, module},
      {key::DeviceOptionISDNG4TypePopupListTicket,
       value(key::DeviceOptionISDNG4TypePopupListReference, "2")},
      {key::DeviceOptionOutsideExtensionKitPopupListTicket, kit},
      {key::DeviceOptionSpeedDialPopupListTicket,
       value(key::DeviceOptionSpeedDialPopupListReference, "1")},
      {key::DeviceOptionPhonebookExpansionKitPopupListTicket, expansion},
      {key::DeviceOptionOutlineNumberEtxtTicket,
       value(key::DeviceOptionOutlineNumberEtxtReference, "")},
      {key::DeviceOptionInlineNumberEtxtTicket,
       value(key::DeviceOptionInlineNumberEtxtReference, "")},
      {key::DeviceOptionPortSettingOutsideLinePopupListTicket,
       value(key::DeviceOptionPortSettingOutsideLinePopupListReference, "2")},
      {key::DeviceOptionPortSettingExtensionPopupListTicket,
       value(key::DeviceOptionPortSettingExtensionPopupListReference, kit == "1" ? "1" : "2")},
  };
  d.state = faxpde::ReadDeviceOptionState(
      [&](const char* ticketKey, const char*) -> std::optional<std::string> {
        for (const auto& [k, v] : d.ticket)
          if (std::strcmp(k, ticketKey) == 0) return v;
        return std::nullopt;
      });
  if (ppd_option_t* o = ppdFindOption(ppd, "NXFaxModule");
      o && moduleNumber >= 1 && moduleNumber <= o->num_choices)
    d.moduleChoice = o->choices[moduleNumber - 1].choice;
  d.restrictAddress = pdekit::GetValueFromPPD(ppd, "NXResAddress", kResAddressNames, 4);
  d.oneRecipientOnly = pdekit::GetValueFromPPD(ppd, "NXResMulAd", kOffOn, 2) == 1;
  d.generation2 = pdekit::GetValueFromPPD(ppd, "NXPlatformGeneration", kGenerationNames, 2) == 1;
  return d;
}

// ---- Recipients ----

bool IsIdText(const std::string& t, std::size_t from) {
  return t.size() > from && std::all_of(t.begin() + static_cast<std::ptrdiff_t>(from), t.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
}

// A text that reads as a fax number: it starts with a digit or a dialling character and holds no
// letter.
bool LooksLikeFaxNumber(const std::string& t) {
  if (t.empty() || !(std::isdigit(static_cast<unsigned char>(t[0])) || std::strchr("+*#,(", t[0])))
    return false;
  return std::none_of(t.begin(), t.end(),
                      [](unsigned char c) { return std::isalpha(c) || c >= 0x80; });
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

bool HasOwnCommunication(const FaxRecord& e) {
  return FaxRecordInteger(e, "CommMode", 0) != 0 || FaxRecordInteger(e, "LineType", 0) != 0 ||
         FaxRecordInteger(e, "SecureorRelay", 0) != 0 || !FaxRecordText(e, "FCode").empty() ||
         !FaxRecordText(e, "FCodePassword").empty();
}

class RecipientList {
 public:
  RecipientList(const Device& device, const nx::phonebook::FaxPhonebookModel* book)
      : device_(device), book_(book) {}

  // Adds what `target` names; false (the rule's message printed) when a rule refuses it.
  bool Add(const Target& target);
  const std::vector<FaxRecord>& records() const { return records_; }

 private:
  bool AddRecord(const std::string& what, FaxRecord record, long long adding);
  bool AddEntry(const Target& target, const FaxRecord& entry);
  bool ApplyComm(const Target& target, FaxRecord& record);
  const FaxRecord* FindEntry(const std::string& what, const std::string& text, bool byName,
                             bool* failed) const;

  const Device& device_;
  const nx::phonebook::FaxPhonebookModel* book_;
  std::vector<FaxRecord> records_;
};

bool RecipientList::AddRecord(const std::string& what, FaxRecord record, long long adding) {
  long long existing = 0;
  for (const auto& r : records_) {
    existing += FaxRecordInteger(r, "RecodeType") == nx::phonebook::kSpeedDial_Fax_Type
                    ? nx::phonebook::FaxPBRecipientModel::realRecipientCount(
                          device_.state.speedDialExpansion, FaxRecordText(r, "Address"))
                    : 1;
  }
  if (auto limit = faxpde::CheckAddLimits(existing, adding, records_.size(),
                                          device_.state.MaxRecords(), device_.oneRecipientOnly)) {
    PrintRule(what, limit->textKey, limit->arguments);
    return false;
  }
  records_.push_back(std::move(record));
  return true;
}

bool RecipientList::ApplyComm(const Target& target, FaxRecord& record) {
  nx::phonebook::FaxPBCommunicationChoice comm = target.comm;
  if (comm.commMode == "1" && !device_.state.isdnG4Kit) {
    // The window offers G4 only with the kit; sending G3 instead of what was asked is refused.
    std::fprintf(stderr,
                 "faxsend: %s: G4 needs the ISDN/G4 kit, which the device options do not have\n",
                 target.text.c_str());
    return false;
  }
  if (comm.relayStation && (device_.oneRecipientOnly || device_.generation2)) {
    PrintRule(target.text,
              device_.generation2
                  ? "Warning_Add_Recipient_Relay_Send_Unsupport_Content_Text_ID"
                  : "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_RelaytSend_ID");
    return false;
  }
  if (auto refusal = nx::phonebook::ApplyCommunicationChoice(record, comm)) {
    PrintRule(target.text, refusal->textKey, refusal->arguments);
    return false;
  }
  return true;
}

const FaxRecord* RecipientList::FindEntry(const std::string& what, const std::string& text,
                                          bool byName, bool* failed) const {
  *failed = true;
  if (!book_) return nullptr;
  const auto& individuals = book_->getAddrsByType(nx::phonebook::kFaxPBIndividuals);
  const auto& groups = book_->getAddrsByType(nx::phonebook::kFaxPBGroups);
  std::vector<const FaxRecord*> found;
  if (!byName) {
    for (const auto* list : {&individuals, &groups})
      for (const auto& e : *list)
        if (EqualNoCase(FaxRecordText(e, "Id"), text)) found.push_back(&e);
  } else {
    // An exact name wins over names that differ only in case.
    for (bool exact : {true, false}) {
      for (const auto& e : individuals)
        if (exact ? FaxRecordText(e, "Name") == text : EqualNoCase(FaxRecordText(e, "Name"), text))
          found.push_back(&e);
      for (const auto& e : groups)
        if (exact ? FaxRecordText(e, "GroupName") == text
                  : EqualNoCase(FaxRecordText(e, "GroupName"), text))
          found.push_back(&e);
      if (!found.empty()) break;
    }
  }
  if (found.empty()) {
    std::fprintf(stderr,
                 "faxsend: %s: no individual or group of the current phonebook has this %s\n",
                 what.c_str(), byName ? "name" : "Id");
    return nullptr;
  }
  if (found.size() > 1) {
    std::fprintf(stderr,
                 "faxsend: %s: the name is ambiguous; give one of these Ids (--to id:ID):\n",
                 what.c_str());
    for (const FaxRecord* e : found) {
      const bool group = FaxRecordText(*e, "Id").rfind('G', 0) == 0;
      std::fprintf(stderr, "  %s\t%s\t%s\n", FaxRecordText(*e, "Id").c_str(),
                   FaxRecordText(*e, group ? "GroupName" : "Name").c_str(),
                   group ? "group" : FaxRecordText(*e, "Address").c_str());
    }
    return nullptr;
  }
  *failed = false;
  return found.front();
}

bool RecipientList::AddEntry(const Target& target, const FaxRecord& entry) {
  const int settingType = device_.state.faxModule;
  std::vector<FaxRecord> members;
  const bool group = FaxRecordText(entry, "Id").rfind('G', 0) == 0;
  if (group) {
    if (device_.oneRecipientOnly) {
      PrintRule(target.text, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_Group_ID");
      return false;
    }
    for (const auto& id : FaxRecordList(entry, "EntryList"))
      if (const auto* m = book_->getMyFaxRecordByID(id)) members.push_back(*m);
    if (device_.generation2 &&
        std::any_of(members.begin(), members.end(), faxpde::IsRelaySendEntry))
      PrintRule(target.text, "Warning_Add_Recipient_Relay_Send_Unsupport_Content_Text_ID");
  } else {
    members.push_back(entry);
  }
  for (const FaxRecord& m : members) {
    const std::string what =
        group ? target.text + " (" + FaxRecordText(m, "Name") + ")" : target.text;
    const faxpde::EntryCheck check =
        faxpde::CheckPhonebookEntry(m, settingType, device_.generation2, device_.oneRecipientOnly);
    if (check.verdict == faxpde::EntryVerdict::kSkip) {
      if (!group) PrintRule(what, "Warning_Add_Recipient_Relay_Send_Unsupport_Content_Text_ID");
      continue;
    }
    if (check.verdict != faxpde::EntryVerdict::kAdd) {
      PrintRule(what, check.textKey);
      return false;
    }
    FaxRecord recipient = faxpde::PhonebookRecipient(m);
    if (target.hasComm) {
      if (HasOwnCommunication(m))
        std::fprintf(stderr,
                     "faxsend: %s: keeps the communication settings of its phonebook entry\n",
                     what.c_str());
      else if (!ApplyComm(target, recipient))
        return false;
    }
    if (!AddRecord(what, std::move(recipient), 1)) return false;
  }
  return true;
}

bool RecipientList::Add(const Target& target) {
  const std::string& t = target.text;
  const int settingType = device_.state.faxModule;
  const bool ipFax = settingType == 3 || settingType == 4;
  const bool faxLine = settingType != 3;
  // The name field's checks, for what is typed; a phonebook entry has its own name.
  if (target.name) {
    if (auto w = faxpde::CheckNameText(*target.name)) {
      PrintRule(t + " (--name)", w->textKey, w->arguments);
      return false;
    }
  }
  if (t.rfind("speed:", 0) == 0) {
    const std::string number = t.substr(6);
    // The category Speed Dial: off where the PPD restricts to fax and phonebook or the device is
    // of generation 2, the only one where it restricts to speed dials.
    if (device_.restrictAddress == 1 || device_.restrictAddress == 3 || device_.generation2) {
      std::fprintf(stderr, "faxsend: %s: the queue takes no speed dials\n", t.c_str());
      return false;
    }
    if (target.hasComm) {
      std::fprintf(stderr, "faxsend: %s: a speed dial has no communication settings\n", t.c_str());
      return false;
    }
    const bool threeDigit = device_.state.ThreeDigitSpeedDial();
    if (auto w = faxpde::CheckSpeedDialText(number, threeDigit, device_.state.speedDialExpansion,
                                            device_.state.speedDialType)) {
      PrintRule(t, w->textKey, w->arguments);
      return false;
    }
    FaxRecord record = nx::phonebook::initFax();
    FaxRecordSetText(record, "RecodeType", std::to_string(nx::phonebook::kSpeedDial_Fax_Type));
    FaxRecordSetText(record, "Address", faxpde::PadSpeedDial(number, threeDigit));
    FaxRecordSetText(record, "Name", target.name.value_or(""));
    const long long adding = nx::phonebook::FaxPBRecipientModel::realRecipientCount(
        device_.state.speedDialExpansion, FaxRecordText(record, "Address"));
    return AddRecord(t, std::move(record), adding);
  }
  const bool sip = t.rfind("sip:", 0) == 0;
  if (sip || LooksLikeFaxNumber(t)) {
    if (device_.restrictAddress == 2 || device_.restrictAddress == 3) {
      std::fprintf(stderr, "faxsend: %s: the queue takes recipients only from %s\n", t.c_str(),
                   device_.restrictAddress == 2 ? "speed dials" : "the phonebook");
      return false;
    }
    if (sip && !ipFax) {
      PrintRule(t, "Warning_Add_Recipient_SIP_Kit_Unsupport_Content_Title_ID");
      return false;
    }
    if (!sip && !faxLine) {
      PrintRule(t, "Warning_Add_Recipient_FAX_Kit_Unsupport_Content_Title_ID");
      return false;
    }
    if (auto w = faxpde::CheckFaxNumberText(
            t, sip ? faxpde::kMaxIPFaxAddressLength : faxpde::kMaxFaxNumberLength)) {
      PrintRule(t, w->textKey, w->arguments);
      return false;
    }
    FaxRecord record = nx::phonebook::initFax();
    FaxRecordSetText(record, "RecodeType", std::to_string(nx::phonebook::kNormal_Fax_Type));
    FaxRecordSetText(record, "AddressType", sip ? "4" : "0");
    FaxRecordSetText(record, "Address", t);
    FaxRecordSetText(record, "Name", target.name.value_or(""));
    if (target.hasComm && !ApplyComm(target, record)) return false;
    return AddRecord(t, std::move(record), 1);
  }
  // A phonebook entry.
  if (target.name) {
    std::fprintf(stderr, "faxsend: %s: a phonebook entry has its own name (--name)\n", t.c_str());
    return false;
  }
  bool byName = true;
  std::string text = t;
  if (t.rfind("id:", 0) == 0) {
    byName = false;
    text = t.substr(3);
  } else if (t.rfind("name:", 0) == 0) {
    text = t.substr(5);
  } else if ((t[0] == 'G' || t[0] == 'g') && IsIdText(t, 1)) {
    byName = false;
  }
  if (!byName &&
      !(IsIdText(text, 0) || ((text[0] == 'G' || text[0] == 'g') && IsIdText(text, 1)))) {
    std::fprintf(stderr, "faxsend: %s: not an entry Id (digits, or G and digits)\n", t.c_str());
    return false;
  }
  bool failed = false;
  const FaxRecord* entry = FindEntry(t, text, byName, &failed);
  if (!entry) return false;
  return AddEntry(target, *entry);
}

// ---- Ticket ----

// The panels' job options for the recipients and settings; false (printed) when refused.
bool BuildTicket(const Command& c, const Queue& q, const Device& d,
                 const std::vector<FaxRecord>& records, pdehost::JobOptionList* out) {
  pdehost::JobOptionList& options = *out;
  // The fax setting panel: resolution (the PPD's choices, accepted by the host), report, header.
  ppd_file_t* ppd = q.ppd.get();
  ppd_option_t* res = ppdFindOption(ppd, "NXFaxResolution");
  int resolution = DefaultChoiceNumber(ppd, "NXFaxResolution");
  if (!c.resolution.empty()) {
    resolution = 0;
    for (int i = 0; res && i < res->num_choices; ++i)
      if (EqualNoCase(res->choices[i].choice, c.resolution) ||
          EqualNoCase(res->choices[i].text, c.resolution))
        resolution = i + 1;
    if (resolution == 0) {
      std::string choices;
      for (int i = 0; res && i < res->num_choices; ++i)
        choices += std::string(i ? ", " : "") + res->choices[i].choice;
      std::fprintf(stderr, "faxsend: --resolution %s: the queue offers %s\n", c.resolution.c_str(),
                   choices.empty() ? "no resolutions" : choices.c_str());
      return false;
    }
  }
  if (res && resolution >= 1) {
    options.emplace_back(key::DFFaxResolutionPopupListTicket, std::to_string(resolution));
    options.emplace_back("NXFaxResolution", res->choices[resolution - 1].choice);
  }
  options.emplace_back(key::DFTransmissionReportPopupListTicket, c.report.empty() ? "2" : c.report);
  options.emplace_back(key::DFaxSendHeaderTicket, c.header.empty() ? "1" : c.header);

  // The device option panel.
  for (const auto& [k, v] : d.ticket) options.emplace_back(k, nx::ticket::EscapeTicketValue(v));
  if (!d.moduleChoice.empty()) options.emplace_back("NXFaxModule", d.moduleChoice);

  // The recipient window: the list, then the job confirmation window's delayed send.
  std::vector<nx::ticket::RecipientFields> fields;
  for (const auto& r : records) fields.push_back(faxpde::RecipientTicketFields(r));
  const nx::ticket::LineSettings line = d.state.Line();
  std::string paper;
  if (ppd_choice_t* marked = ppdFindMarkedChoice(ppd, "PageSize")) paper = marked->choice;
  std::vector<nx::ticket::TicketPair> pairs;
  if (!nx::ticket::BuildRecipientListTicket(fields, line, paper, &pairs)) {
    std::fputs(
        "faxsend: a recipient cannot be encoded for the device (a password too long to protect, or "
        "an "
        "address the job cannot carry)\n",
        stderr);
    return false;
  }
  if (d.generation2 && !faxpde::TakenByGeneration2Devices(fields, line)) {
    std::fputs("faxsend: the device takes no speed dial or relay send recipients\n", stderr);
    return false;
  }
  for (auto& [k, v] : pairs) options.emplace_back(std::move(k), std::move(v));
  if (c.delay) {
    const std::string dated =
        faxpde::DelayedSendDateText(std::time(nullptr), c.delay->first, c.delay->second);
    if (dated.empty()) {
      std::fputs("faxsend: the delayed send date cannot be worked out\n", stderr);
      return false;
    }
    char dummy[8];
    std::snprintf(dummy, sizeof dummy, "%02d:%02d", c.delay->first, c.delay->second);
    options.emplace_back(key::DFDelaySendKeyTicket, dated);
    options.emplace_back(key::DFDelaySendDummyKeyTicket, dummy);
  }

  // Accounting and secure print: the filter's conversion of the standard IDs into the panels'
  // entries, done here so that the PIN leaves this program only in its protected form.
  if (!c.accountId.empty() || !c.userId.empty() || c.securePrint) {
    pdehost::JobOptionList standard;
    if (!c.accountId.empty()) standard.emplace_back("job-account-id", c.accountId);
    if (!c.userId.empty()) standard.emplace_back("job-accounting-user-id", c.userId);
    if (c.securePrint) {
      auto pin = Secret("FAXSEND_PIN", true, "Secure print PIN");
      if (!pin) return false;
      if (pin->empty()) {
        std::fputs("faxsend: --secure-print needs a PIN\n", stderr);
        return false;
      }
      standard.emplace_back("job-password", *pin);
    }
    nx::filter::StandardJobContext context;
    context.userName = cupsUser();
    context.ppdPath = q.ppdTemp;
    std::vector<nx::filter::TicketEntry> entries;
    std::string refusal;
    std::string optionString = pdehost::FormatOptionString(standard);
    const bool built =
        nx::filter::BuildStandardTicketEntries(optionString, context, &entries, &refusal);
    std::fill(optionString.begin(), optionString.end(), '\0');
    if (!built) {
      std::fprintf(stderr, "faxsend: %s\n", refusal.c_str());
      return false;
    }
    for (auto& e : entries)
      options.emplace_back(std::move(e.key), nx::ticket::EscapeTicketValue(e.value));
  }
  return true;
}

// ---- Following a job ----

struct IppDeleter {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};

// The job's state (IPP_JSTATE_*), 0 when the server cannot be asked.
int JobState(int id, std::string* reason) {
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  char uri[256];
  std::snprintf(uri, sizeof uri, "ipp://localhost/jobs/%d", id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  std::unique_ptr<ipp_t, IppDeleter> response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
  if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING) return 0;
  if (ipp_attribute_t* m =
          ippFindAttribute(response.get(), "job-printer-state-message", IPP_TAG_TEXT))
    *reason = ippGetString(m, 0, nullptr);
  ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
  return state ? ippGetInteger(state, 0) : 0;
}

// Follows the job until it ends; 0 when it completed, kExitNotSent otherwise.
int Follow(const std::string& queue, int id) {
  std::string reason;
  int failures = 0;
  for (;;) {
    const int state = JobState(id, &reason);
    if (state == 0 && ++failures > 30) {
      std::printf("%s-%d unknown\n", queue.c_str(), id);
      std::fprintf(stderr, "faxsend: %s-%d: the print system does not answer (%s)\n", queue.c_str(),
                   id, cupsLastErrorString());
      return kExitNotSent;
    }
    if (state == IPP_JSTATE_COMPLETED) {
      std::printf("%s-%d completed\n", queue.c_str(), id);
      return kExitSent;
    }
    if (state == IPP_JSTATE_ABORTED || state == IPP_JSTATE_CANCELED ||
        state == IPP_JSTATE_STOPPED) {
      const char* name = state == IPP_JSTATE_ABORTED    ? "aborted"
                         : state == IPP_JSTATE_CANCELED ? "cancelled"
                                                        : "stopped";
      std::printf("%s-%d %s\n", queue.c_str(), id, name);
      if (!reason.empty())
        std::fprintf(stderr, "faxsend: %s-%d: %s\n", queue.c_str(), id, reason.c_str());
      return kExitNotSent;
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
}

int Run(const Command& c) {
  Queue queue;
  if (const int status = OpenQueue(c.queue, &queue)) return status;
  const Device device = ReadDevice(queue);

  // The phonebook only when a recipient names an entry.
  auto services =
      nx::platform::Services::Linux(std::make_unique<nx::platform::ui::HeadlessToolkit>());
  std::unique_ptr<nx::phonebook::FaxPhonebookModel> book;
  for (const Target& t : c.targets) {
    if (t.text.rfind("speed:", 0) == 0 || t.text.rfind("sip:", 0) == 0 ||
        LooksLikeFaxNumber(t.text))
      continue;
    std::string path;
    if (!nx::phonebook::CurrentPhonebookPath(*services, &path)) {
      std::fprintf(stderr, "faxsend: the current phonebook %s cannot be created\n", path.c_str());
      return kExitSetup;
    }
    book = std::make_unique<nx::phonebook::FaxPhonebookModel>(*services, nullptr);
    book->usePhonebookFile(path);
    if (!book->readMyFaxFile(path)) {
      std::fprintf(stderr, "faxsend: %s: not a readable phonebook\n", path.c_str());
      return kExitSetup;
    }
    break;
  }

  // Each recipient's passwords are asked once, however many group members they go to.
  std::vector<Target> targets = c.targets;
  for (Target& t : targets) {
    if (t.comm.mailboxId) {
      auto passcode = Secret("FAXSEND_MAILBOX_PASSCODE", t.askMailboxPasscode, "Mailbox passcode");
      if (!passcode) return kExitRefused;
      t.comm.mailboxPasscode = std::move(*passcode);
    }
    if (!t.comm.fCode.empty() || t.askFCodePassword) {
      auto password = Secret("FAXSEND_FCODE_PASSWORD", t.askFCodePassword, "F-code password");
      if (!password) return kExitRefused;
      t.comm.fCodePassword = std::move(*password);
    }
  }
  RecipientList list(device, book.get());
  for (const Target& t : targets)
    if (!list.Add(t)) return kExitRefused;
  if (const auto confidential = faxpde::FindConfidentialRecipients(list.records());
      confidential.any() && !c.yes) {
    // The recipient window asks before such a job goes; a command asks for --yes.
    std::vector<std::string> parts;
    if (confidential.secureSend) parts.push_back("secure send");
    if (confidential.fCode) parts.push_back("an F-code");
    if (confidential.fCodePassword) parts.push_back("an F-code password");
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? ", " : "") + parts[i];
    std::fprintf(stderr,
                 "faxsend: the job goes to several recipients and one has %s (Warning_Content_ID); "
                 "give --yes "
                 "to send it all the same\n",
                 joined.c_str());
    return kExitRefused;
  }

  pdehost::JobOptionList options;
  if (!BuildTicket(c, queue, device, list.records(), &options)) return kExitRefused;
  if (c.dryRun) {
    std::printf("%s\n", pdehost::FormatOptionString(options).c_str());
    return kExitSent;
  }
  int status = kExitSent;
  for (const std::string& file : c.files) {
    std::string error;
    const std::string title = c.title.empty() ? file.substr(file.find_last_of('/') + 1) : c.title;
    const int id = pdehost::SubmitJob(queue.name, file, title, options, &error);
    if (id <= 0) {
      std::fprintf(stderr, "faxsend: %s\n", error.c_str());
      return kExitSubmit;
    }
    if (!c.wait) {
      std::printf("%s-%d\n", queue.name.c_str(), id);
      continue;
    }
    status = std::max(status, Follow(queue.name, id));
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Command command;
  bool help = false;
  if (const int status = ParseCommandLine(argc, argv, &command, &help)) return status;
  if (help) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  return Run(command);
}
