// The fax queues' operation policy in the print server's cupsd.conf, as nxfax-setup installs it:
// one block of our own at the end of the file, holding the policy and what each queue had before
// (so that the undo can give it back), removed whole by the undo. Everything else in the file
// stays byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nx::heldjobs {

inline constexpr char kFaxPolicyName[] = "nxfax";

// What a queue had before set-up.
struct QueueRecord {
  std::string queue;
  bool existed = false;
  std::string op_policy;     // printer-op-policy
  std::string hold_until;    // job-hold-until-default
  std::string error_policy;  // printer-error-policy
};

// `conf` with our block (re)written at its end, listing `records` (earlier records of a queue
// win: they hold what the queue had before the first set-up).
std::string WithFaxPolicy(std::string_view conf, const std::vector<QueueRecord>& records);

// `conf` without our block, byte for byte as it was before the first set-up; the records it held
// go to *records. Nothing when there is no block (or a damaged one: then nothing is changed).
std::optional<std::string> WithoutFaxPolicy(std::string_view conf,
                                            std::vector<QueueRecord>* records);

}  // namespace nx::heldjobs
