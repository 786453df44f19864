// The fax queues' policy block of cupsd.conf; see server_policy.h.
#include "nx/heldjobs/server_policy.h"

#include <sstream>

namespace nx::heldjobs {
namespace {

// The begin line says whether set-up had to end the file's last line first.
constexpr std::string_view kBegin =
    "# nxfax-setup: begin (nxfax-setup --undo removes this block)\n";
constexpr std::string_view kBeginNewline =
    "# nxfax-setup: begin, newline added (nxfax-setup --undo removes this block)\n";
constexpr std::string_view kEnd = "# nxfax-setup: end\n";
constexpr std::string_view kRecord = "# nxfax-setup: queue ";

// The stock policy of the print server, with two changes for the fax queues: the operations that
// change or release a held job need an authenticated owner (a claimed user name is not enough:
// over the local socket the owner's peer credentials are, over the network a password), and
// other users see none of a job's values (the ticket's entries). Send-Document stays as it is:
// ordinary printing sends its document with it right after creating the job.
constexpr std::string_view kPolicy =
    "<Policy nxfax>\n"
    "  JobPrivateAccess default\n"
    "  JobPrivateValues all\n"
    "  SubscriptionPrivateAccess default\n"
    "  SubscriptionPrivateValues default\n"
    "  <Limit Create-Job Print-Job Print-URI Validate-Job>\n"
    "    Order deny,allow\n"
    "  </Limit>\n"
    "  <Limit Set-Job-Attributes Hold-Job Release-Job Restart-Job Cancel-Job>\n"
    "    AuthType Default\n"
    "    Require user @OWNER @SYSTEM\n"
    "    Order deny,allow\n"
    "  </Limit>\n"
    "  <Limit Send-Document Send-URI Purge-Jobs Create-Job-Subscription Renew-Subscription "
    "Cancel-Subscription Get-Notifications Reprocess-Job Cancel-Current-Job Suspend-Current-Job "
    "Resume-Job Cancel-My-Jobs Close-Job CUPS-Move-Job CUPS-Get-Document CUPS-Authenticate-Job>\n"
    "    Require user @OWNER @SYSTEM\n"
    "    Order deny,allow\n"
    "  </Limit>\n"
    "  <Limit CUPS-Add-Modify-Printer CUPS-Delete-Printer CUPS-Add-Modify-Class CUPS-Delete-Class "
    "CUPS-Set-Default CUPS-Get-Devices>\n"
    "    AuthType Default\n"
    "    Require user @SYSTEM\n"
    "    Order deny,allow\n"
    "  </Limit>\n"
    "  <Limit Pause-Printer Resume-Printer Enable-Printer Disable-Printer "
    "Pause-Printer-After-Current-Job "
    "Hold-New-Jobs Release-Held-New-Jobs Deactivate-Printer Activate-Printer Restart-Printer "
    "Shutdown-Printer "
    "Startup-Printer Promote-Job Schedule-Job-After Cancel-Jobs CUPS-Accept-Jobs "
    "CUPS-Reject-Jobs>\n"
    "    AuthType Default\n"
    "    Require user @SYSTEM\n"
    "    Order deny,allow\n"
    "  </Limit>\n"
    "  <Limit All>\n"
    "    Order deny,allow\n"
    "  </Limit>\n"
    "</Policy>\n";

// Values in a record are keywords or policy names: no spaces, nothing that ends the line.
bool SafeWord(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '=') return false;
  }
  return true;
}

std::string RecordLine(const QueueRecord& r) {
  return std::string(kRecord) + r.queue + " existed=" + (r.existed ? "yes" : "no") +
         " op-policy=" + r.op_policy + " hold=" + r.hold_until + " error-policy=" + r.error_policy +
         "\n";
}

std::optional<QueueRecord> ParseRecord(std::string_view line) {
  if (!line.starts_with(kRecord)) return std::nullopt;
  std::istringstream in{std::string(line.substr(kRecord.size()))};
  QueueRecord r;
  in >> r.queue;
  for (std::string field; in >> field;) {
    const size_t eq = field.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string k = field.substr(0, eq), v = field.substr(eq + 1);
    if (k == "existed")
      r.existed = v == "yes";
    else if (k == "op-policy")
      r.op_policy = v;
    else if (k == "hold")
      r.hold_until = v;
    else if (k == "error-policy")
      r.error_policy = v;
  }
  if (r.queue.empty()) return std::nullopt;
  return r;
}

struct Block {
  size_t begin = 0, end = 0;  // [begin, end) in the file
  bool newline_added = false;
};

std::optional<Block> FindBlock(std::string_view conf) {
  Block b;
  size_t at = conf.find(kBegin);
  if (at == std::string_view::npos) {
    at = conf.find(kBeginNewline);
    if (at == std::string_view::npos) return std::nullopt;
    b.newline_added = true;
  }
  if (at != 0 && conf[at - 1] != '\n') return std::nullopt;
  const size_t end = conf.find(kEnd, at);
  if (end == std::string_view::npos) return std::nullopt;
  b.begin = at;
  b.end = end + kEnd.size();
  return b;
}

}  // namespace

std::optional<std::string> WithoutFaxPolicy(std::string_view conf,
                                            std::vector<QueueRecord>* records) {
  const auto block = FindBlock(conf);
  if (!block) return std::nullopt;
  if (block->newline_added && (block->begin == 0 || block->end != conf.size())) return std::nullopt;
  records->clear();
  std::string_view body = conf.substr(block->begin, block->end - block->begin);
  for (size_t pos = 0; pos < body.size();) {
    const size_t nl = body.find('\n', pos);
    const std::string_view line = body.substr(pos, nl - pos);
    if (auto r = ParseRecord(line)) records->push_back(*r);
    pos = nl == std::string_view::npos ? body.size() : nl + 1;
  }
  std::string out(conf.substr(0, block->begin - (block->newline_added ? 1 : 0)));
  out += conf.substr(block->end);
  return out;
}

std::string WithFaxPolicy(std::string_view conf, const std::vector<QueueRecord>& records) {
  std::vector<QueueRecord> kept;
  std::string base(conf);
  if (auto without = WithoutFaxPolicy(conf, &kept)) base = *without;
  for (const QueueRecord& r : records) {
    bool known = false;
    for (const QueueRecord& k : kept) known = known || k.queue == r.queue;
    if (!known && SafeWord(r.queue) && SafeWord(r.op_policy) && SafeWord(r.hold_until) &&
        SafeWord(r.error_policy))
      kept.push_back(r);
  }
  const bool add_newline = !base.empty() && base.back() != '\n';
  std::string out = base;
  if (add_newline) out += '\n';
  out += add_newline ? kBeginNewline : kBegin;
  for (const QueueRecord& r : kept) out += RecordLine(r);
  out += kPolicy;
  out += kEnd;
  return out;
}

}  // namespace nx::heldjobs
