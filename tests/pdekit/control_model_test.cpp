// The control model: ticket writers, both preference stores, protected keys, counted enabling.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "EncryptLib.h"
#include "control_fixture.h"
#include "pdekit/StateControls.h"
#include "pdekit/TextEditCtrl.h"
#include "ppd_fixture.h"

namespace {

using namespace pdekit;
using namespace pdekit::testing;
using nx::platform::PrefUser;
using nx::platform::ui::ElementKind;

constexpr const char* kNoteTicket = "com.norvalex.nb.qtz.printsettings.NoteTextEditTicket";
constexpr const char* kNoteReference = "com.norvalex.nb.qtz.printsettings.NoteTextEditReference";
constexpr const char* kPasswordReference = "com.norvalex.nb.qtz.printsettings.JBAUserPasswordTextEditReference";
constexpr DataAccessInfo kNoteAccess{kAccessTypeText, kAccessTypeText, kNoteTicket, kNoteReference};
constexpr DataAccessInfo kPasswordAccess{kAccessTypePassword, kAccessTypePassword,
                                         "com.norvalex.nb.qtz.printsettings.JBAUserPasswordTextEditTicket",
                                         kPasswordReference};
constexpr DataAccessInfo kPreferenceOnly{0, 0, nullptr, "com.norvalex.nb.qtz.printsettings.OnlyStoredReference"};
const TextEditIniData kNoteIni{"", "default note", 0, 64};
const CheckBoxIniData kBoxIni{0, 1, -1, "Box"};

std::shared_ptr<TextEditCtrl> Note(PanelFixture& f, const DataAccessInfo* access = &kNoteAccess,
                                   PrefUser user = PrefUser::kCurrent, int tag = 7) {
  return f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kTextField, tag), &kNoteIni, nullptr, access, user,
                                               nullptr));
}

void Put(TextEditCtrl& c, const std::string& text) { c.setExternalValueToData(text.data(), text.size(), 0); }

// ---- Ticket writer ----

struct TicketCase {
  const char* text;
  const char* stored;
};

class TicketTextTest : public ::testing::TestWithParam<TicketCase> {};

TEST_P(TicketTextTest, ByteListOnlyWhereTheOptionSyntaxNeedsIt) {
  PanelFixture f;
  auto note = Note(f);
  Put(*note, GetParam().text);
  ASSERT_TRUE(note->SetValueToTicket(&f.settings, false));
  EXPECT_EQ(f.Setting(kNoteTicket), GetParam().stored);
  // Read back, the stored form gives the text again.
  EXPECT_EQ(FromTicketByteList(f.Setting(kNoteTicket)), GetParam().text);
}

TEST(TicketReader, ByteListsDecodeAsTheFilterDecodesThem) {
  // The signed form of the recipient items, a zero byte ending the text, values of 256 and more
  // (a zero byte), and a plain text that merely contains "/".
  EXPECT_EQ(FromTicketByteList("/-61/-87/44"), "\xC3\xA9,");
  EXPECT_EQ(FromTicketByteList("/57/0/44"), "9");
  EXPECT_EQ(FromTicketByteList("/57/300/44"), "9");
  EXPECT_EQ(FromTicketByteList("/ 57x/44"), "9,");
  EXPECT_EQ(FromTicketByteList("9/44"), "9/44");
  EXPECT_EQ(FromTicketByteList(""), "");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TicketTextTest,
    ::testing::Values(TicketCase{"a,b", "/97/44/98"}, TicketCase{"ab", "ab"}, TicketCase{"/", "/47"},
                      TicketCase{"it's", "/105/116/39/115"}, TicketCase{"C:\\x", "/67/58/92/120"},
                      TicketCase{"a/b", "a/b"}, TicketCase{"", ""},
                      TicketCase{"\xC3\xA9,", "/195/169/44"},       // é: each byte unsigned
                      TicketCase{"caf\xC3\xA9", "caf\xC3\xA9"}));  // plain UTF-8 stays

TEST(TicketWriter, LockedAndMissingKeysAnswerFalse) {
  PanelFixture f;
  auto note = Note(f);
  Put(*note, "x");
  ASSERT_EQ(f.settings.SetValue(kNoteTicket, "held", true), noErr);
  EXPECT_FALSE(note->SetValueToTicket(&f.settings, false));
  EXPECT_EQ(f.Setting(kNoteTicket), "held");

  auto stored = Note(f, &kPreferenceOnly, PrefUser::kCurrent, 8);
  Put(*stored, "kept");
  EXPECT_FALSE(stored->SetValueToTicket(&f.settings, false));
  EXPECT_TRUE(stored->SetValueToPreference());
  EXPECT_TRUE(stored->SetValueToPreferenceWithPrinterSettings());
  EXPECT_EQ(f.Setting("com.norvalex.nb.qtz.printsettings.OnlyStoredReference"), "kept");
  EXPECT_EQ(f.preferences->CopyString(std::string(kPrinter) + "com.norvalex.nb.qtz.printsettings.OnlyStoredReference",
                                      f.Domain()),
            "kept");
  EXPECT_EQ(f.settings.size(), 2u);  // the locked note and the stored value; no ticket entry
}

TEST(TicketWriter, EncipheredWriteCoversEveryByteAndIsChosenByTag) {
  PanelFixture f;
  auto pw = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kSecureTextField, 5), &kNoteIni, nullptr,
                                                  &kPasswordAccess, PrefUser::kCurrent, nullptr));
  const std::string secret = "ab\xC2\xA5" "12";  // the yen sign is two bytes but one column
  Put(*pw, secret);
  const std::vector<int> others{9};
  ASSERT_TRUE(pw->SetValueToTicket(&f.settings, false, &others));
  EXPECT_EQ(f.Setting(kPasswordAccess.ticketKey), secret);
  const std::vector<int> mine{9, 5};
  ASSERT_TRUE(pw->SetValueToTicket(&f.settings, false, &mine));
  const std::string stored = f.Setting(kPasswordAccess.ticketKey);
  EXPECT_NE(stored, secret);
  unsigned char bytes[64];
  int n = 0;
  ASSERT_EQ(nx::encrypt::XSPB64ToBin(stored.data(), static_cast<int>(stored.size()), bytes, &n, sizeof bytes), 0);
  int m = 0;
  ASSERT_EQ(nx::encrypt::XSPEncrypt(bytes, n, bytes, &m, sizeof bytes), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(m)), secret);

  Put(*pw, "");
  ASSERT_TRUE(pw->SetValueToTicketWithXSPEnc(&f.settings, false));
  EXPECT_EQ(f.Setting(kPasswordAccess.ticketKey), "");
}

// ---- Preference stores ----

TEST(PreferenceStores, SharedSettingIsLeftAloneForNonAdministrators) {
  for (const bool admin : {false, true}) {
    PanelFixture f(kBeforeGate, admin);
    auto note = Note(f, &kNoteAccess, PrefUser::kAny);
    Put(*note, "shared");
    EXPECT_TRUE(note->SetValueToPreference());
    EXPECT_TRUE(note->SetValueToPreferenceWithPrinterSettings());
    const auto stored = f.preferences->CopyString(std::string(kPrinter) + kNoteReference, f.Domain(PrefUser::kAny));
    EXPECT_EQ(stored.has_value(), admin);
    EXPECT_EQ(f.Setting(kNoteReference), admin ? "shared" : "<absent>");
  }
}

TEST(PreferenceStores, OldStyleStoreIsPerPrinterAndStopsAtTheGate) {
  PanelFixture before(kBeforeGate);
  auto note = Note(before);
  Put(*note, "n1");
  ASSERT_TRUE(note->SetValueToPreference());
  EXPECT_EQ(before.preferences->stored[before.Domain()].count(std::string(kPrinter) + kNoteReference), 1u);
  Put(*note, "other");
  ASSERT_TRUE(note->GetValueFromPreference());
  EXPECT_EQ(note->GetControlText(), "n1");

  before.preferences->fail_writes = true;
  EXPECT_FALSE(note->SetValueToPreference());

  PanelFixture at(kAtGate);
  auto later = Note(at);
  Put(*later, "n2");
  EXPECT_TRUE(later->SetValueToPreference());  // nothing is written from 0x1070 on
  EXPECT_TRUE(at.preferences->stored.empty());
  at.preferences->SetValue(std::string(kPrinter) + kNoteReference, nx::platform::PropertyValue("old"), at.Domain());
  EXPECT_FALSE(later->GetValueFromPreference());  // nor read
  EXPECT_EQ(later->GetControlText(), "n2");
}

TEST(PreferenceStores, OldStyleReadRefusesOverlongValuesAndNeedsAPrinter) {
  PanelFixture f;
  auto note = Note(f);
  f.preferences->SetValue(std::string(kPrinter) + kNoteReference, nx::platform::PropertyValue(std::string(300, 'x')),
                          f.Domain());
  EXPECT_FALSE(note->GetValueFromPreference());
  f.session.SetCurrentPrinterID("");
  EXPECT_FALSE(f.panel->SetCurrentPrinterString(&f.session));
  EXPECT_FALSE(note->SetValueToPreference());
  EXPECT_FALSE(note->GetValueFromPreference());
}

TEST(PreferenceStores, ProtectedKeyIsHeldAsBase64OfTheStorageCipher) {
  PanelFixture f(kAtGate);
  auto pw = f.Wire(std::make_shared<TextEditCtrl>(&f.Add(ElementKind::kSecureTextField, 5), &kNoteIni, nullptr,
                                                  &kPasswordAccess, PrefUser::kCurrent, nullptr));
  Put(*pw, "s3cret\xC2\xA5");
  ASSERT_TRUE(pw->SetValueToPreferenceWithPrinterSettings());
  const std::string stored = f.Setting(kPasswordReference);
  EXPECT_EQ(stored.size(), 24u);  // base64 of one 16-byte block
  EXPECT_EQ(stored.find("s3cret"), std::string::npos);
  unsigned char cipher[64];
  int n = 0;
  ASSERT_EQ(nx::encrypt::XSPB64ToBin(stored.data(), static_cast<int>(stored.size()), cipher, &n, sizeof cipher), 0);
  char plain[64];
  int p = sizeof plain;
  ASSERT_EQ(nx::encrypt::Decode_Storage(cipher, n, nx::encrypt::seed1, nx::encrypt::seed1Len, nx::encrypt::seed2,
                                        nx::encrypt::seed2Len, nx::encrypt::seed3, nx::encrypt::seed3Len, plain, &p),
            0);
  EXPECT_EQ(std::string(plain, static_cast<size_t>(p)), "s3cret\xC2\xA5");

  Put(*pw, "changed");
  ASSERT_TRUE(pw->GetValueFromPreferenceWithPrinterSettings());
  EXPECT_EQ(pw->GetControlText(), "s3cret\xC2\xA5");

  // Stored text that is not the protected form is refused rather than taken as a password.
  ASSERT_EQ(f.settings.SetValue(kPasswordReference, "s3cret", false), noErr);
  EXPECT_FALSE(pw->GetValueFromPreferenceWithPrinterSettings());
  ASSERT_EQ(f.settings.SetValue(kPasswordReference, "AAAAAAAAAAAAAAAAAAAAAA==", false), noErr);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(pw->GetValueFromPreferenceWithPrinterSettings());
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              ::testing::EndsWith("##Plugin debug## GetValueFromPreference encode fail: 99 \n"));
}

TEST(PreferenceStores, PlainKeysAreStoredAsTheyAreWithoutPrinterPrefix) {
  PanelFixture f(kAtGate);
  auto note = Note(f);
  Put(*note, "a,b");
  ASSERT_TRUE(note->SetValueToPreferenceWithPrinterSettings());
  EXPECT_EQ(f.Setting(kNoteReference), "a,b");
  Put(*note, "other");
  ASSERT_TRUE(note->GetValueFromPreferenceWithPrinterSettings());
  EXPECT_EQ(note->GetControlText(), "a,b");
  f.settings.SetValue(kNoteReference, "\xFF\xFE", false);  // not UTF-8: refused, the default applies later
  EXPECT_FALSE(note->GetValueFromPreferenceWithPrinterSettings());
}

TEST(PreferenceStores, ProtectedKeysAreExactlyTheEight) {
  EXPECT_TRUE(IsProtectedPreferenceKey("com.norvalex.nb.qtz.printsettings.PrintTypePasswordReference"));
  EXPECT_TRUE(IsProtectedPreferenceKey("com.norvalex.nb.qtz.printsettings.JBAInputStoragePasswordTextEditReference"));
  EXPECT_FALSE(IsProtectedPreferenceKey("com.norvalex.nb.qtz.printsettings.JBAUserPasswordTextEditTicket"));
  EXPECT_FALSE(IsProtectedPreferenceKey("com.norvalex.nb.qtz.printsettings.PrintTypePasswordReferenceX"));
}

// ---- The fax plug-in's reader ----

TEST(DeviceOptionReader, FromTheGateTheDeviceOptionsComeFromThePPD) {
  nx::testing::TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*FaxModuleTypePopupListX: \"3\"\n*OutlineNumberEtxt: \"9\"\n"));
  ASSERT_TRUE(ppd);
  const DataAccessInfo kModule{0, 0, nullptr,
                               "com.norvalex.nb.qtz.printsettings.DeviceOptionFaxModuleTypePopupListReference"};
  const DataAccessInfo kIsdn{0, 0, nullptr, "com.norvalex.nb.qtz.printsettings.DeviceOptionISDNG4TypePopupListReference"};
  const DataAccessInfo kSpeedDial{0, 0, nullptr,
                                  "com.norvalex.nb.qtz.printsettings.DeviceOptionSpeedDialPopupListReference"};

  for (const char* release : {kBeforeGate, kAtGate}) {
    PanelFixture f(release);
    f.panel->SetPreferenceReaderKind(PreferenceReaderKind::kDeviceOptionsFromPPD);
    auto module = Note(f, &kModule, PrefUser::kAny, 1);
    auto isdn = Note(f, &kIsdn, PrefUser::kAny, 2);
    auto speed = Note(f, &kSpeedDial, PrefUser::kAny, 3);
    // Without a PPD nothing is found.
    EXPECT_FALSE(module->GetValueFromPreference());
    for (auto* c : {module.get(), isdn.get(), speed.get()}) c->InitializeCtrl(nullptr, ppd.get());
    Put(*speed, "unchanged");
    if (std::string(release) == kAtGate) {
      ASSERT_TRUE(module->GetValueFromPreference());  // prefix match of the attribute name
      EXPECT_EQ(module->GetControlText(), "3");
      EXPECT_FALSE(isdn->GetValueFromPreference());  // its attribute is missing
      EXPECT_TRUE(speed->GetValueFromPreference());  // not a device-option key: empty text, found
      EXPECT_EQ(speed->GetControlText(), "");
    } else {
      EXPECT_FALSE(module->GetValueFromPreference());  // the stored per-printer value is absent
    }
  }
  EXPECT_STREQ(DeviceOptionAttributeForPreferenceKey(
                   "com.norvalex.nb.qtz.printsettings.DeviceOptionPortSettingExtensionPopupListReference"),
               "PortSettingExtensionPopupList");
  EXPECT_EQ(DeviceOptionAttributeForPreferenceKey(kNoteReference), nullptr);
}

TEST(DeviceOptionReader, StandardPanelsReadNothingFromTheGate) {
  nx::testing::TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*FaxModuleTypePopupList: \"3\"\n"));
  PanelFixture f(kAtGate);
  const DataAccessInfo kModule{0, 0, nullptr,
                               "com.norvalex.nb.qtz.printsettings.DeviceOptionFaxModuleTypePopupListReference"};
  auto module = Note(f, &kModule);
  module->InitializeCtrl(nullptr, ppd.get());
  EXPECT_FALSE(module->GetValueFromPreference());
}

// ---- Counted enabling ----

TEST(CountedStatus, AControlStaysDisabledUntilEveryRequestIsReleased) {
  PanelFixture f;
  auto third = Note(f);
  nx::platform::ui::Element* e = third->GetControlPtr();
  third->Disable();
  third->Disable();
  third->Enable();
  EXPECT_FALSE(e->IsEnabled());
  EXPECT_EQ(third->GetConstrainCount(), 1);
  third->Enable();
  EXPECT_TRUE(e->IsEnabled());
  // An extra release drives the count below zero; the next request only brings it back.
  third->Enable();
  third->Disable();
  EXPECT_TRUE(e->IsEnabled());
  third->Disable();
  EXPECT_FALSE(e->IsEnabled());

  third->Hide();
  third->Hide();
  third->Show();
  EXPECT_TRUE(e->IsHidden());
  EXPECT_FALSE(third->ToGetSummaryText());
  third->ResetStatus();
  EXPECT_TRUE(e->IsEnabled());
  EXPECT_FALSE(e->IsHidden());
  EXPECT_TRUE(third->ToGetSummaryText());
}

TEST(CountedStatus, TwoCheckBoxesDisablingAThirdAndOneReleasingIt) {
  PanelFixture f;
  static constexpr int kOn[] = {30, 0};
  static constexpr ControlIDList kLists[] = {{}, kOn};  // state 1 disables control 30
  static constexpr ConstrainTable kTable{kLists, {}, {}};
  auto a = f.Wire(std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 10), &kBoxIni, &kTable, nullptr,
                                             PrefUser::kCurrent));
  auto b = f.Wire(std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 20), &kBoxIni, &kTable, nullptr,
                                             PrefUser::kCurrent));
  auto third = Note(f, &kNoteAccess, PrefUser::kCurrent, 30);
  f.panel->SetUIDataToIniData();
  f.panel->SetCurrentValueToUI();  // both start on, their default
  EXPECT_EQ(third->GetConstrainCount(), 2);
  ASSERT_TRUE(f.toolkit->Perform(*f.view, nx::platform::ui::Step::Click(10)));  // a releases
  EXPECT_FALSE(third->GetControlPtr()->IsEnabled());
  ASSERT_TRUE(f.toolkit->Perform(*f.view, nx::platform::ui::Step::Click(20)));  // b releases
  EXPECT_TRUE(third->GetControlPtr()->IsEnabled());
  EXPECT_EQ(third->GetConstrainCount(), 0);
  ASSERT_TRUE(f.toolkit->Perform(*f.view, nx::platform::ui::Step::Click(20)));
  EXPECT_FALSE(third->GetControlPtr()->IsEnabled());
  EXPECT_EQ(third->GetConstrainCount(), 1);
}

TEST(ValueBlocks, ExternalTextNeverLeavesATailOrOverrunsSmallBlocks) {
  PanelFixture f;
  auto note = Note(f);
  Put(*note, std::string(300, 'x'));
  Put(*note, "short");
  EXPECT_EQ(note->GetControlText(), "short");
  Put(*note, std::string(600, 'y'));
  EXPECT_EQ(note->GetControlText().size(), kTextBlockSize - 1);
  auto box = f.Wire(std::make_shared<CheckBox>(&f.Add(ElementKind::kCheckBox, 1), &kBoxIni, nullptr, nullptr,
                                               PrefUser::kCurrent));
  box->setExternalValueToData("a long text for a 4-byte block", 30, 0);
  EXPECT_EQ(box->GetBlockCapacity(), sizeof(int32_t));
  const int32_t three = 3;
  box->setExternalValueToData(&three, sizeof three, 2);
  EXPECT_EQ(box->GetState(), 3);
}

}  // namespace
