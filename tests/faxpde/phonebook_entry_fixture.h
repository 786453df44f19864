// The phonebook entry windows on the headless toolkit, working on a phonebook file of their own.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "faxpde/CommunicationSettingsWindow.h"
#include "faxpde/PhonebookEntryWindows.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/phonebook/fax_record.h"
#include "nx/platform/bundle.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/help.h"
#include "nx/platform/identity.h"
#include "nx/platform/preferences.h"
#include "nx/platform/services.h"
#include "nx/platform/system_version.h"

namespace faxpde::testing {

using nx::phonebook::FaxRecord;
using nx::platform::ui::Step;

class EntryWindowFixture {
 public:
  EntryWindowFixture() {
    char tmpl[] = "/tmp/faxpde-entry-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("no temporary folder");
    dir_ = tmpl;
    const std::string contents = dir_ + "/faxpde.plugin/Contents";
    std::filesystem::create_directories(contents + "/Resources");
    std::ofstream(contents + "/Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.norvalex.nb.q21.pde.DirectFax</string></dict></plist>\n";
    for (const char* name : {"FaxPBIndividualEntry", "FaxPBGroupEntry", "FaxPBGroupProperties", "FaxCommunicationSettings"})
      std::filesystem::copy_file(std::string(NX_SOURCE_DIR) + "/faxpde/Resources/layouts/" + name + ".nxlayout",
                                 contents + "/Resources/" + name + ".nxlayout");
    auto opened = nx::platform::Bundle::Open(dir_ + "/faxpde.plugin");
    if (!opened) throw std::runtime_error("bundle not readable");
    bundle = std::make_unique<nx::platform::Bundle>(std::move(*opened));

    auto tk = std::make_unique<nx::platform::ui::HeadlessToolkit>();
    toolkit = tk.get();
    services = std::make_unique<nx::platform::Services>(
        std::make_unique<nx::platform::MemoryPreferences>(), nullptr,
        std::make_unique<nx::platform::FixedIdentity>("alice", false), nullptr,
        std::make_unique<nx::platform::RecordingHelp>(), std::make_unique<nx::platform::FixedKernelRelease>("9.8"),
        std::move(tk));

    bookPath = dir_ + "/book.fap";
    model = std::make_unique<nx::phonebook::FaxPhonebookModel>(*services, bundle.get());
    model->usePhonebookFile(bookPath);
    if (!model->createEmptyFaxPhoneBook(bookPath)) throw std::runtime_error("book not created");

    comm = Build<FaxPBCommunicationSettingsWindowsClass>("FaxCommunicationSettings",
                                                         "Fax Phonebook Communication Settings Window Title String");
    individual = Build<FaxPBNewIndividualEntryWindowsClass>("FaxPBIndividualEntry",
                                                            "Fax Phonebook New Individual Entry Window Title String");
    group = Build<FaxPBNewGroupEntryWindowsClass>("FaxPBGroupEntry", "Fax Phonebook New Group Entry Window Title String");
    properties = Build<FaxPBGroupPropertiesWindowsClass>("FaxPBGroupProperties",
                                                         "Fax Phonebook Group Properties Window Title String");
    individual->setPhonebookModel(model.get());
    individual->setCommunicationWindow(comm.get());
    group->setPhonebookModel(model.get());
    group->setIndividualEntryWindow(individual.get());
    group->setGroupPropertiesWindow(properties.get());
    properties->setPhonebookModel(model.get());
    properties->setIndividualEntryWindow(individual.get());
  }
  ~EntryWindowFixture() {
    properties.reset();
    group.reset();
    individual.reset();
    comm.reset();
    model.reset();
    std::filesystem::remove_all(dir_);
  }
  EntryWindowFixture(const EntryWindowFixture&) = delete;
  EntryWindowFixture& operator=(const EntryWindowFixture&) = delete;

  // Puts an individual into the book (unsaved) and answers its Id.
  std::string AddIndividual(const std::string& name, const std::string& address, const char* type = "0") {
    FaxRecord r = nx::phonebook::initFax("202612090000");
    nx::phonebook::FaxRecordSetText(r, "Name", name);
    nx::phonebook::FaxRecordSetText(r, "Address", address);
    nx::phonebook::FaxRecordSetText(r, "AddressType", type);
    std::string id;
    if (!model->addFaxRecordsToPBByType(std::move(r), nx::phonebook::kFaxPBIndividuals, &id))
      throw std::runtime_error("individual refused");
    return id;
  }
  std::string AddGroup(const std::string& name, std::vector<std::string> members) {
    FaxRecord g = nx::phonebook::initFaxGroup("202612090000");
    nx::phonebook::FaxRecordSetText(g, "GroupName", name);
    nx::phonebook::FaxRecordSetText(g, "EntryNum", std::to_string(members.size()));
    nx::phonebook::FaxRecordSetList(g, "EntryList", std::move(members));
    std::string id;
    if (!model->addFaxRecordsToPBByType(std::move(g), nx::phonebook::kFaxPBGroups, &id))
      throw std::runtime_error("group refused");
    return id;
  }
  void Save() {
    if (!model->saveMyFaxData()) throw std::runtime_error("book not saved");
  }
  // The book as the file holds it.
  std::unique_ptr<nx::phonebook::FaxPhonebookModel> Reread() {
    auto other = std::make_unique<nx::phonebook::FaxPhonebookModel>(*services, bundle.get());
    other->usePhonebookFile(bookPath);
    if (!other->readMyFaxFile(bookPath)) throw std::runtime_error("book not readable");
    return other;
  }

  std::vector<std::string> Rows(pdekit::BasePrintPanel& window, int tag) {
    std::vector<std::string> rows;
    auto* e = window.GetPanelControlPtr()->FindElement(tag);
    for (int i = 0; e && i < e->ItemCount(); ++i) rows.push_back(e->ItemTitle(i));
    return rows;
  }
  nx::platform::ui::Element& Element(pdekit::BasePrintPanel& window, int tag) {
    auto* e = window.GetPanelControlPtr()->FindElement(tag);
    if (!e) throw std::runtime_error("no element " + std::to_string(tag));
    return *e;
  }
  template <class F>
  Step Check(F f) {
    return Step::Call([f](nx::platform::ui::HeadlessToolkit&, nx::platform::ui::View*) { f(); });
  }

  std::unique_ptr<nx::platform::Bundle> bundle;
  nx::platform::ui::HeadlessToolkit* toolkit = nullptr;
  std::unique_ptr<nx::platform::Services> services;
  std::string bookPath;
  std::unique_ptr<nx::phonebook::FaxPhonebookModel> model;
  std::shared_ptr<FaxPBCommunicationSettingsWindowsClass> comm;
  std::shared_ptr<FaxPBNewIndividualEntryWindowsClass> individual;
  std::shared_ptr<FaxPBNewGroupEntryWindowsClass> group;
  std::shared_ptr<FaxPBGroupPropertiesWindowsClass> properties;

 private:
  template <class W>
  std::shared_ptr<W> Build(const char* layout, const char* title) {
    auto w = toolkit->LoadWindow(*bundle, layout);
    if (!w) throw std::runtime_error(std::string("layout not readable: ") + layout);
    auto window = std::make_shared<W>(std::move(w), title, nullptr, *services);
    if (!window->CreateDialog()) throw std::runtime_error(std::string("window not built: ") + layout);
    window->InitializeUserPane(bundle.get(), nullptr);
    return window;
  }

  std::string dir_;
};

}  // namespace faxpde::testing
