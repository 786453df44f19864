// The recipient list: every row of the real recipient count table, the duplicate confirmation
// and the change notifications.
#include "nx/phonebook/fax_pb_recipient_model.h"

#include <gtest/gtest.h>

#include "model_fixture.h"

namespace pbmodel {
namespace {

using nx::platform::ui::Step;

struct CountCase {
  const char* text;
  int withExpansion;
  int withoutExpansion;
};

class RealCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(RealCountTest, FirstMatchingPatternDecides) {
  EXPECT_EQ(FaxPBRecipientModel::realRecipientCount(true, GetParam().text), GetParam().withExpansion);
  EXPECT_EQ(FaxPBRecipientModel::realRecipientCount(false, GetParam().text),
            GetParam().withoutExpansion);
}

// One or more texts per row of the table, in its order, then texts no row matches.
INSTANTIATE_TEST_SUITE_P(
    Table, RealCountTest,
    ::testing::Values(CountCase{"7", 1, 1}, CountCase{"0012", 1, 1}, CountCase{"9999", 1, 1},
                      CountCase{"*", 9, 9}, CountCase{"000*", 9, 9},                 // row 2
                      CountCase{"**", 99, 99}, CountCase{"00**", 99, 99},            // row 3
                      CountCase{"1*", 10, 10}, CountCase{"0041*", 10, 10},           // row 4
                      CountCase{"1**", 100, 100}, CountCase{"0449**", 100, 100},     // row 5
                      CountCase{"50*", 10, 1}, CountCase{"050*", 10, 1},             // row 6
                      CountCase{"5**", 100, 1}, CountCase{"05**", 100, 1},           // row 7
                      CountCase{"6*", 10, 10}, CountCase{"00999*", 10, 10},          // row 8
                      CountCase{"6**", 100, 100}, CountCase{"0699**", 100, 100},     // row 9
                      // Rows 10 and 11 ("200*", "20**") never decide: rows 4 and 5 match
                      // those texts first.
                      CountCase{"200*", 10, 10}, CountCase{"20**", 100, 100},
                      CountCase{"", 0, 0}, CountCase{"***", 0, 0}, CountCase{"12345", 0, 0},
                      CountCase{"51*", 0, 0}, CountCase{"*1", 0, 0}, CountCase{"2000*", 0, 0}));

FaxRecord Recipient(const std::string& name, const std::string& address, int recodeType,
                    const char* addressType = "0") {
  FaxRecord r;
  FaxRecordSetText(r, "Name", name);
  FaxRecordSetText(r, "Address", address);
  FaxRecordSetText(r, "RecodeType", std::to_string(recodeType));
  if (addressType != nullptr) FaxRecordSetText(r, "AddressType", addressType);
  return r;
}

class RecipientTest : public ::testing::Test {
 protected:
  RecipientTest() {
    center_.AddObserver(kFaxPhonebookRecipientModelChanged, [this](const auto& n) {
      EXPECT_EQ(n.sender, &model_);
      ++changes_;
    });
  }
  nx::platform::NotificationCenter center_;
  HeadlessToolkit toolkit_;
  FaxPBRecipientModel model_{center_, toolkit_};
  int changes_ = 0;
};

TEST_F(RecipientTest, RealCountAddsSpeedDialsByTheirPattern) {
  model_.addRecipient(Recipient("Typed", "0311", kNormal_Fax_Type), false, false);
  model_.addRecipient(Recipient("Book", "0322", kPhonebook_Fax_Type), false, false);
  model_.addRecipient(Recipient("Dial", "5**", kSpeedDial_Fax_Type), false, false);
  model_.addRecipient(Recipient("Dial", "12", kSpeedDial_Fax_Type), false, false);
  EXPECT_EQ(model_.getRealRecipientCount(true), 103);
  EXPECT_EQ(model_.getRealRecipientCount(false), 4);
  EXPECT_EQ(model_.recipientCount(), 4u);
  EXPECT_EQ(changes_, 4);
}

TEST_F(RecipientTest, DuplicatesNeedTheUsersConfirmation) {
  ASSERT_TRUE(model_.addRecipient(Recipient("Taro", "0311", kNormal_Fax_Type), true, true));
  // Another origin, another category or another number is no duplicate.
  EXPECT_TRUE(model_.addRecipient(Recipient("Taro", "0311", kPhonebook_Fax_Type), true, true));
  EXPECT_TRUE(model_.addRecipient(Recipient("Taro", "0311", kNormal_Fax_Type, "4"), true, true));
  EXPECT_TRUE(toolkit_.Alerts().empty());

  toolkit_.Push(Step::AnswerAlert(1));  // Cancel
  EXPECT_FALSE(model_.addRecipient(Recipient("Taro", "0311", kNormal_Fax_Type), true, true));
  ASSERT_EQ(toolkit_.Alerts().size(), 1u);
  const auto& alert = toolkit_.Alerts()[0].alert;
  EXPECT_EQ(alert.title_key, "Warning_Add_Recipient_to_List_Win_Title_ID");
  EXPECT_EQ(alert.text_key, "Warning_Duplicated_Recipient_to_List_Win_Content_ID");
  EXPECT_EQ(alert.arguments, (std::vector<std::string>{"Taro", "0311"}));
  EXPECT_EQ(alert.buttons, (std::vector<std::string>{"OK Button Ctrl", "Cancel Button Ctrl"}));

  toolkit_.Push(Step::AnswerAlert(0));  // OK
  // Without an "AddressType" the category is not compared.
  EXPECT_TRUE(model_.addRecipient(Recipient("Taro", "0311", kNormal_Fax_Type, nullptr), true, true));
  EXPECT_FALSE(model_.addRecipient(Recipient("Taro", "0311", kNormal_Fax_Type), true, false))
      << "no confirmation, no duplicate";
  EXPECT_TRUE(model_.addRecipient(Recipient("Taro", "0311", kNormal_Fax_Type), false, false));
  EXPECT_EQ(model_.recipientCount(), 5u);
  EXPECT_EQ(changes_, 5) << "refusals post nothing";
}

TEST_F(RecipientTest, ReplaceAndRemove) {
  for (const char* n : {"A", "B", "C", "D"}) model_.addRecipient(Recipient(n, n, 0), false, false);
  // A recipient replaced by itself is no duplicate; by another one's twin it is.
  EXPECT_TRUE(model_.replaceRecipientWithIndex(1, Recipient("B", "B", 0), true));
  toolkit_.Push(Step::AnswerAlert(1));
  EXPECT_FALSE(model_.replaceRecipientWithIndex(1, Recipient("A", "A", 0), true));
  EXPECT_FALSE(model_.replaceRecipientWithIndex(9, Recipient("Z", "Z", 0), false));
  model_.removeRecipientAtIndexes({0, 2, 2, 17});
  ASSERT_EQ(model_.recipientCount(), 2u);
  EXPECT_EQ(FaxRecordText(*model_.getRecipientAtIndex(0), "Name"), "B");
  EXPECT_EQ(FaxRecordText(*model_.getRecipientAtIndex(1), "Name"), "D");
  EXPECT_EQ(model_.getRecipientAtIndex(2), nullptr);
  EXPECT_EQ(model_.getRecipientAtIndexes({1, 5}).size(), 1u);
  model_.removeAllRecipient();
  EXPECT_EQ(model_.recipientCount(), 0u);
  EXPECT_EQ(model_.getMaxRecipientNum(), kFaxPBDefaultMaxRecipients);
  model_.setMaxRecipientNum(50);
  EXPECT_EQ(model_.getMaxRecipientNum(), 50);
}

}  // namespace
}  // namespace pbmodel
