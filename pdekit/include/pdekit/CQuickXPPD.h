// The PPD constraint index and its cache file.
//
// The index maps the text "Option:Choice" of a constrained choice to the choices (group,
// option, choice positions in the parsed PPD) whose marking disables it; a conflict test is one
// look-up plus one marked-flag check per stored value. CQuickXPPD expands the PPD's
// *UIConstraints into such an index and writes or reads a cache file of per-panel sections:
//   <section name> LF
//   <key>@<group>@<option>@<choice>@ ... LF      (one data line, records back to back)
//   ... further sections ...
//   <stamp: the PPD's "*% Last Edit Date:" line, without terminator>
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pdekit {

// One condition choice: positions in the parsed PPD's group list, the group's options, the
// option's choices.
struct x_constraints {
  uint16_t group = 0;
  uint16_t option = 0;
  uint16_t choice = 0;
  bool operator==(const x_constraints&) const = default;
};

// h = 5h + c over the key's bytes taken as signed chars.
size_t constraintHash(std::string_view key);

// A hash multimap from text keys to x_constraints. Buckets come from the usual prime ladder
// (5, 53, 97, 193, ...) and grow when the element count passes the bucket count; equal keys are
// kept together. Iteration is in bucket order, which decides only the record order of a cache
// data line.
class ConstraintIndex {
 public:
  explicit ConstraintIndex(size_t sizeHint = 0);

  void insert(std::string_view key, x_constraints value);
  // The values stored under `key`, in stored order.
  std::vector<x_constraints> find(std::string_view key) const;
  void clear();
  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  size_t bucket_count() const { return buckets_.size(); }
  // Every record in iteration order.
  std::vector<std::pair<std::string, x_constraints>> records() const;

 private:
  using Bucket = std::vector<std::pair<std::string, x_constraints>>;
  void resize(size_t hint);
  std::vector<Bucket> buckets_;
  size_t count_ = 0;
};

// Describes one section of a cache file to write: its name and the option keywords whose
// constraints belong to it. A table of these ends at the first entry without keywords.
struct x_PDEConstr {
  const char* sectionName = nullptr;
  const std::vector<std::string>* keywords = nullptr;
};

inline constexpr size_t kMaxPDEConstr = 10;
inline constexpr const char* kLastEditDateMarker = "*% Last Edit Date:";

class CQuickXPPD {
 public:
  CQuickXPPD() = default;
  // For reading the section `sectionName` into `index`.
  CQuickXPPD(ConstraintIndex* index, const char* sectionName) : index_(index), section_(sectionName) {}
  // For writing: takes table entries while their keyword list is set, at most kMaxPDEConstr.
  CQuickXPPD(ppd_file_t* ppd, ConstraintIndex* index, const x_PDEConstr* table, size_t tableSize,
             const char* ppdPath);

  // Expands the PPD's constraints that touch the current keyword list into `index`. Returns 0.
  int SetXppd(ppd_file_t* ppd, ConstraintIndex* index);

  int xConst2Hash_O1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);
  int xConst2Hash_O1C1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);
  int xConst2Hash_O1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);
  int xConst2Hash_O1C1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);

  // Writes nothing (a cache file has no head). Returns 0.
  int SetFileHead(std::ostream& stream, ppd_file_t* ppd);
  // Writes the PPD's stamp line, or nothing when there is no PPD path or no stamp.
  void SetFileStamp(std::ostream& stream);
  // When `line` holds `delimiter`: appends the text before it to `out` and removes that text
  // and the delimiter from `line`. Otherwise leaves both unchanged.
  static void getoneline(std::string* line, std::string* out, char delimiter);

  // The whole cache file: every section of the table, then the stamp. The index is empty
  // afterwards.
  friend std::ostream& operator<<(std::ostream& stream, CQuickXPPD& xppd);
  // Reads the section named at construction into the index.
  friend std::istream& operator>>(std::istream& stream, CQuickXPPD& xppd);

  void setKeywords(std::vector<std::string> keywords) { keywords_ = std::move(keywords); }

 private:
  bool touchesKeywords(const ppd_const_t& c) const;

  ConstraintIndex* index_ = nullptr;
  ppd_file_t* ppd_ = nullptr;
  const char* section_ = nullptr;
  const char* ppdPath_ = nullptr;
  std::vector<std::string> keywords_;
  x_PDEConstr table_[kMaxPDEConstr] = {};
  size_t tableSize_ = 0;
};

// The same four expansions as free functions.
int xConst2Hash_O1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);
int xConst2Hash_O1C1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);
int xConst2Hash_O1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);
int xConst2Hash_O1C1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t constraint);

}  // namespace pdekit
