// A phonebook model on services rooted in a temporary folder, with a headless toolkit whose
// alerts the tests read, and builders of entries and address book files.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nx/phonebook/abif_file.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/services.h"
#include "phonebook_test_support.h"

namespace pbmodel {

using namespace nx::phonebook;
using nx::platform::ui::HeadlessToolkit;

inline constexpr char kStamp[] = "202401021530";

inline FaxRecord Person(const std::string& name, const std::string& address,
                        const std::string& type = "0") {
  FaxRecord e = initFax(kStamp);
  FaxRecordSetText(e, "Name", name);
  FaxRecordSetText(e, "Address", address);
  FaxRecordSetText(e, "AddressType", type);
  FaxRecordSetText(e, "RlyNum", "0");
  return e;
}

inline FaxRecord WithId(FaxRecord e, const std::string& id) {
  FaxRecordSetText(e, "Id", id);
  return e;
}

inline FaxRecord Team(const std::string& name, const std::vector<std::string>& members,
                      const std::string& id = {}) {
  FaxRecord g = initFaxGroup(kStamp);
  FaxRecordSetText(g, "Id", id);
  FaxRecordSetText(g, "GroupName", name);
  FaxRecordSetList(g, "EntryList", members);
  FaxRecordSetText(g, "EntryNum", std::to_string(members.size()));
  return g;
}

inline std::vector<std::string> Ids(const std::vector<FaxRecord>& list) {
  std::vector<std::string> out;
  for (const auto& e : list) out.push_back(FaxRecordText(e, "Id"));
  return out;
}

class ModelTest : public ::testing::Test {
 protected:
  ModelTest() {
    auto toolkit = std::make_unique<HeadlessToolkit>();
    toolkit_ = toolkit.get();
    services_ = std::make_unique<nx::platform::Services>(
        std::make_unique<nx::platform::MemoryPreferences>(),
        std::make_unique<nx::platform::RootedFolders>(dir_.path()), nullptr, nullptr, nullptr,
        nullptr, std::move(toolkit));
    model_ = NewModel();
    book_ = dir_.File("book.fap");
    model_->usePhonebookFile(book_);
  }

  std::unique_ptr<FaxPhonebookModel> NewModel() const {
    auto model = std::make_unique<FaxPhonebookModel>(*services_);
    model->setTimeStampSource([] { return std::string(kStamp); });
    return model;
  }

  // The text keys of the alerts shown so far.
  std::vector<std::string> AlertKeys() const {
    std::vector<std::string> keys;
    for (const auto& a : toolkit_->Alerts()) keys.push_back(a.alert.text_key);
    return keys;
  }

  const std::vector<FaxRecord>& People() const { return model_->getAddrsByType(kFaxPBIndividuals); }
  const std::vector<FaxRecord>& Teams() const { return model_->getAddrsByType(kFaxPBGroups); }

  pbtest::TempDir dir_;
  HeadlessToolkit* toolkit_ = nullptr;
  std::unique_ptr<nx::platform::Services> services_;
  std::unique_ptr<FaxPhonebookModel> model_;
  std::string book_;
};

// ---- Address book files ---------------------------------------------------------------------

// A GAD file: UTF-16LE units, numbers as raw little-endian bytes, 0x0003 after each field.
class GadFile {
 public:
  GadFile() {
    for (char c : std::string(kGadMagic)) Unit(static_cast<unsigned char>(c));
    Unit(4);
  }
  GadFile& Person(unsigned id, const std::u16string& name, const std::u16string& fax,
                  unsigned commMode = 0, long long time = 1704205800) {
    Unit(1);
    Number(id, 2);
    Text(name);
    Text(fax);
    Text(u"");
    Text(u"");
    Number(commMode, 2);
    Number(static_cast<unsigned long long>(time), 8);
    Text(u"");
    Unit(4);
    return *this;
  }
  GadFile& Team(unsigned id, const std::u16string& name, const std::vector<unsigned>& members) {
    Unit(2);
    Number(id, 2);
    Text(name);
    Number(1704205800, 8);
    Number(members.size(), 2);
    for (unsigned m : members) Number(m, 2, false);
    Unit(3);
    Unit(4);
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  void Unit(unsigned u) {
    bytes_.push_back(static_cast<char>(u & 0xFF));
    bytes_.push_back(static_cast<char>(u >> 8));
  }
  void Text(const std::u16string& text) {
    for (char16_t u : text) Unit(u);
    Unit(3);
  }
  void Number(unsigned long long v, int size, bool end = true) {
    for (int i = 0; i < size; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    if (end) Unit(3);
  }
  std::string bytes_;
};

}  // namespace pbmodel
