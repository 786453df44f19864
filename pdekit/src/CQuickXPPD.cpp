// Constraint index, constraint expansion and the cache file; see CQuickXPPD.h.
#include "pdekit/CQuickXPPD.h"

#include <strings.h>

#include <algorithm>
#include <fstream>
#include <functional>

namespace pdekit {
namespace {

constexpr size_t kPrimes[] = {5ul,        53ul,        97ul,         193ul,       389ul,       769ul,
                              1543ul,     3079ul,      6151ul,       12289ul,     24593ul,     49157ul,
                              98317ul,    196613ul,    393241ul,     786433ul,    1572869ul,   3145739ul,
                              6291469ul,  12582917ul,  25165843ul,   50331653ul,  100663319ul, 201326611ul,
                              402653189ul, 805306457ul, 1610612741ul, 3221225473ul, 4294967291ul};

size_t NextPrime(size_t n) {
  for (size_t p : kPrimes)
    if (p >= n) return p;
  return kPrimes[std::size(kPrimes) - 1];
}

bool SameText(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// The first choice, then everything from index 1 on is "expanded" except the off-like ones.
bool Expandable(const ppd_option_t& option, int index) {
  if (index < 1) return false;
  const char* c = option.choices[index].choice;
  return !SameText(c, "None") && !SameText(c, "Off") && !SameText(c, "False");
}

x_constraints Position(int g, int o, int c) {
  return x_constraints{static_cast<uint16_t>(g), static_cast<uint16_t>(o), static_cast<uint16_t>(c)};
}

std::string Key(std::string_view option, std::string_view choice) {
  std::string k(option);
  k += ':';
  k += choice;
  return k;
}

// Calls `visit(group, option index, option)` for every option whose keyword matches `keyword`
// (ignoring case), in PPD order, until it answers false.
void ForEachOption(ppd_file_t* ppd, const char* keyword,
                   const std::function<bool(int, int, ppd_option_t&)>& visit) {
  for (int g = 0; g < ppd->num_groups; ++g) {
    ppd_group_t& group = ppd->groups[g];
    for (int o = 0; o < group.num_options; ++o) {
      if (SameText(group.options[o].keyword, keyword) && !visit(g, o, group.options[o])) return;
    }
  }
}

int FindChoice(const ppd_option_t& option, const char* choice) {
  for (int c = 0; c < option.num_choices; ++c)
    if (SameText(option.choices[c].choice, choice)) return c;
  return -1;
}

const ppd_const_t* Constraint(ppd_file_t* ppd, uint16_t n) {
  if (!ppd || !ppd->consts || n >= ppd->num_consts) return nullptr;
  return &ppd->consts[n];
}

// atoi, but defined for every input: the number modulo 65536 (a sign negates it).
uint16_t ParseField(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = (v * 10 + (text[i] - '0')) & 0xFFFF;
  return static_cast<uint16_t>(negative ? (0x10000 - v) & 0xFFFF : v);
}

}  // namespace

size_t constraintHash(std::string_view key) {
  size_t h = 0;
  for (char c : key) h = 5 * h + static_cast<size_t>(static_cast<signed char>(c));
  return h;
}

// ---- ConstraintIndex ----

ConstraintIndex::ConstraintIndex(size_t sizeHint) : buckets_(NextPrime(sizeHint)) {}

void ConstraintIndex::resize(size_t hint) {
  if (hint <= buckets_.size()) return;
  const size_t n = NextPrime(hint);
  if (n <= buckets_.size()) return;
  // Move every node to the head of its new bucket, walking the old buckets in order.
  std::vector<Bucket> moved(n);
  for (auto& bucket : buckets_) {
    for (auto& node : bucket) {
      Bucket& dst = moved[constraintHash(node.first) % n];
      dst.insert(dst.begin(), std::move(node));
    }
  }
  buckets_ = std::move(moved);
}

void ConstraintIndex::insert(std::string_view key, x_constraints value) {
  resize(count_ + 1);
  Bucket& b = buckets_[constraintHash(key) % buckets_.size()];
  // An equal key gets the new value right after its first node; a new key goes to the head.
  auto it = std::find_if(b.begin(), b.end(), [&](const auto& n) { return n.first == key; });
  if (it != b.end()) b.insert(it + 1, {std::string(key), value});
  else b.insert(b.begin(), {std::string(key), value});
  ++count_;
}

std::vector<x_constraints> ConstraintIndex::find(std::string_view key) const {
  std::vector<x_constraints> out;
  const Bucket& b = buckets_[constraintHash(key) % buckets_.size()];
  for (const auto& n : b)
    if (n.first == key) out.push_back(n.second);
  return out;
}

void ConstraintIndex::clear() {
  for (auto& b : buckets_) b.clear();
  count_ = 0;
}

std::vector<std::pair<std::string, x_constraints>> ConstraintIndex::records() const {
  std::vector<std::pair<std::string, x_constraints>> out;
  out.reserve(count_);
  for (const auto& b : buckets_)
    for (const auto& n : b) out.push_back(n);
  return out;
}

// ---- Expansion ----

int xConst2Hash_O1C1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  const ppd_const_t* c = Constraint(ppd, n);
  if (!c || !index) return 0;
  ForEachOption(ppd, c->option1, [&](int g, int o, ppd_option_t& option) {
    const int ch = FindChoice(option, c->choice1);
    if (ch >= 0) index->insert(Key(c->option2, c->choice2), Position(g, o, ch));
    return false;  // the first matching option only
  });
  return 0;
}

int xConst2Hash_O1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  const ppd_const_t* c = Constraint(ppd, n);
  if (!c || !index) return 0;
  const std::string key = Key(c->option2, c->choice2);
  ForEachOption(ppd, c->option1, [&](int g, int o, ppd_option_t& option) {
    for (int ch = 0; ch < option.num_choices; ++ch)
      if (Expandable(option, ch)) index->insert(key, Position(g, o, ch));
    return false;
  });
  return 0;
}

int xConst2Hash_O1C1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  const ppd_const_t* c = Constraint(ppd, n);
  if (!c || !index) return 0;
  ForEachOption(ppd, c->option1, [&](int g1, int o1, ppd_option_t& option1) {
    const int ch1 = FindChoice(option1, c->choice1);
    if (ch1 < 0) return true;
    ForEachOption(ppd, c->option2, [&](int, int, ppd_option_t& option2) {
      for (int ch2 = 0; ch2 < option2.num_choices; ++ch2)
        if (Expandable(option2, ch2))
          index->insert(Key(option2.keyword, option2.choices[ch2].choice), Position(g1, o1, ch1));
      return true;
    });
    return true;
  });
  return 0;
}

int xConst2Hash_O1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  const ppd_const_t* c = Constraint(ppd, n);
  if (!c || !index) return 0;
  ForEachOption(ppd, c->option1, [&](int g1, int o1, ppd_option_t& option1) {
    for (int ch1 = 0; ch1 < option1.num_choices; ++ch1) {
      if (!Expandable(option1, ch1)) continue;
      ForEachOption(ppd, c->option2, [&](int, int, ppd_option_t& option2) {
        for (int ch2 = 0; ch2 < option2.num_choices; ++ch2)
          if (Expandable(option2, ch2))
            index->insert(Key(option2.keyword, option2.choices[ch2].choice), Position(g1, o1, ch1));
        return true;
      });
    }
    return true;
  });
  return 0;
}

// ---- CQuickXPPD ----

CQuickXPPD::CQuickXPPD(ppd_file_t* ppd, ConstraintIndex* index, const x_PDEConstr* table, size_t tableSize,
                       const char* ppdPath)
    : index_(index), ppd_(ppd), ppdPath_(ppdPath) {
  for (size_t i = 0; table && i < tableSize && i < kMaxPDEConstr && table[i].keywords; ++i) table_[tableSize_++] = table[i];
}

bool CQuickXPPD::touchesKeywords(const ppd_const_t& c) const {
  return std::any_of(keywords_.begin(), keywords_.end(),
                     [&](const std::string& k) { return k == c.option1 || k == c.option2; });
}

int CQuickXPPD::SetXppd(ppd_file_t* ppd, ConstraintIndex* index) {
  if (!ppd || !index || ppd->num_consts <= 0 || !ppd->consts) return 0;
  // Constraint numbers are 16 bits wide: a PPD cannot name more constraints than that.
  const int count = std::min(ppd->num_consts, 0x10000);
  for (int i = 0; i < count; ++i) {
    const ppd_const_t& c = ppd->consts[i];
    if (!touchesKeywords(c)) continue;
    const auto n = static_cast<uint16_t>(i);
    const bool has1 = c.choice1[0] != '\0';
    const bool has2 = c.choice2[0] != '\0';
    if (!has1 && !has2) xConst2Hash_O1O2(ppd, index, n);
    else if (has1 && !has2) xConst2Hash_O1C1O2(ppd, index, n);
    else if (!has1) xConst2Hash_O1O2C2(ppd, index, n);
    else xConst2Hash_O1C1O2C2(ppd, index, n);
  }
  return 0;
}

int CQuickXPPD::xConst2Hash_O1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  return pdekit::xConst2Hash_O1O2(ppd, index, n);
}
int CQuickXPPD::xConst2Hash_O1C1O2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  return pdekit::xConst2Hash_O1C1O2(ppd, index, n);
}
int CQuickXPPD::xConst2Hash_O1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  return pdekit::xConst2Hash_O1O2C2(ppd, index, n);
}
int CQuickXPPD::xConst2Hash_O1C1O2C2(ppd_file_t* ppd, ConstraintIndex* index, uint16_t n) {
  return pdekit::xConst2Hash_O1C1O2C2(ppd, index, n);
}

int CQuickXPPD::SetFileHead(std::ostream&, ppd_file_t*) { return 0; }

void CQuickXPPD::SetFileStamp(std::ostream& stream) {
  if (!ppdPath_) return;
  std::ifstream ppd(ppdPath_, std::ios::binary);
  if (!ppd) return;
  std::string piece;
  // Pieces end at carriage returns. Within the piece that holds the marker only its own line
  // is taken: a PPD with line feeds would otherwise put the whole file into the stamp.
  while (std::getline(ppd, piece, '\r')) {
    const size_t at = piece.find(kLastEditDateMarker);
    if (at == std::string::npos) continue;
    const size_t newline_before = piece.rfind('\n', at);
    const size_t start = newline_before == std::string::npos ? 0 : newline_before + 1;
    const size_t end = piece.find('\n', at);
    stream << piece.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return;
  }
}

void CQuickXPPD::getoneline(std::string* line, std::string* out, char delimiter) {
  if (!line || !out) return;
  const size_t at = line->find(delimiter);
  if (at == std::string::npos) return;
  out->append(*line, 0, at);
  line->erase(0, at + 1);
}

std::ostream& operator<<(std::ostream& stream, CQuickXPPD& x) {
  for (size_t i = 0; i < x.tableSize_; ++i) {
    const x_PDEConstr& entry = x.table_[i];
    x.keywords_ = *entry.keywords;
    if (x.index_) x.SetXppd(x.ppd_, x.index_);
    stream << (entry.sectionName ? entry.sectionName : "") << '\n';
    if (x.index_) {
      for (const auto& [key, v] : x.index_->records())
        stream << key << '@' << v.group << '@' << v.option << '@' << v.choice << '@';
      x.index_->clear();
    }
    x.keywords_.clear();
    stream << '\n';
  }
  x.SetFileStamp(stream);
  return stream;
}

std::istream& operator>>(std::istream& stream, CQuickXPPD& x) {
  if (!stream || !x.section_ || !x.index_) return stream;
  std::string line;
  bool found = false;
  while (std::getline(stream, line)) {
    if (line == x.section_) {
      found = true;
      break;
    }
  }
  if (!found) return stream;
  std::string data;
  if (!std::getline(stream, data) || data.empty()) return stream;
  while (!data.empty()) {
    // A record is four "@"-terminated fields; a remainder that cannot form one ends the line
    // (a cut record must not become a constraint on choice 0 of option 0).
    std::string fields[4];
    int got = 0;
    while (got < 4 && data.find('@') != std::string::npos) CQuickXPPD::getoneline(&data, &fields[got++], '@');
    if (got < 4) break;
    if (!fields[0].empty())
      x.index_->insert(fields[0], x_constraints{ParseField(fields[1]), ParseField(fields[2]), ParseField(fields[3])});
  }
  return stream;
}

}  // namespace pdekit
