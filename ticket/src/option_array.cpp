// The owner of a parsed option array; see option_array.h.
#include "nx/ticket/option_array.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace nx::ticket {
namespace {

std::atomic<std::size_t> gParseCount{0};

}  // namespace

OptionArray::OptionArray(const char* optionString) {
  gParseCount.fetch_add(1, std::memory_order_relaxed);
  count_ = cupsParseOptions(optionString ? optionString : "", 0, &options_);
  if (count_ < 0 || options_ == nullptr) count_ = 0;
}

OptionArray::~OptionArray() { cupsFreeOptions(count_, options_); }

OptionArray::OptionArray(OptionArray&& other) noexcept
    : count_(std::exchange(other.count_, 0)), options_(std::exchange(other.options_, nullptr)) {}

OptionArray& OptionArray::operator=(OptionArray&& other) noexcept {
  if (this != &other) {
    cupsFreeOptions(count_, options_);
    count_ = std::exchange(other.count_, 0);
    options_ = std::exchange(other.options_, nullptr);
  }
  return *this;
}

const char* OptionArray::Find(const char* name) const {
  if (name == nullptr) return nullptr;
  return cupsGetOption(name, count_, options_);
}

bool OptionArray::Add(const char* name, const char* value) {
  if (name == nullptr || *name == 0 || value == nullptr) return false;
  count_ = cupsAddOption(name, value, count_, &options_);
  const char* stored = Find(name);
  return stored != nullptr && std::strcmp(stored, value) == 0;
}

const char* OptionArray::name(int index) const {
  return index >= 0 && index < count_ ? options_[index].name : nullptr;
}

const char* OptionArray::value(int index) const {
  return index >= 0 && index < count_ ? options_[index].value : nullptr;
}

std::size_t OptionArray::ParseCount() { return gParseCount.load(std::memory_order_relaxed); }

}  // namespace nx::ticket
