// The phonebook lists: new ids, limits, duplicates, deletes with their group clean-up,
// replacements and renumbering.
#include <gtest/gtest.h>

#include "model_fixture.h"

namespace pbmodel {
namespace {

using Strings = std::vector<std::string>;

struct IdCase {
  const char* name;
  Strings existing;
  const char* next;
};

class NewIdTest : public ModelTest, public ::testing::WithParamInterface<IdCase> {};

TEST_P(NewIdTest, IsTheLargestPlusOneOrTheFirstGap) {
  for (const auto& id : GetParam().existing) {
    ASSERT_TRUE(model_->addAddrsFromPBByType(WithId(Person("P" + id, id), id), kFaxPBIndividuals));
  }
  EXPECT_EQ(model_->newIndividualID(), GetParam().next);
  std::string assigned;
  ASSERT_TRUE(model_->addFaxRecordsToPBByType(Person("New", "0300"), kFaxPBIndividuals, &assigned));
  EXPECT_EQ(assigned, GetParam().next);
  EXPECT_EQ(model_->phoneBookIDs().back(), GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, NewIdTest,
    ::testing::Values(IdCase{"Empty", {}, "1"}, IdCase{"AfterLargest", {"1", "2", "5"}, "6"},
                      IdCase{"Unordered", {"5", "2", "1"}, "6"},
                      IdCase{"GapAtTheTop", {"1", "2", "4", "5", "2000000000"}, "3"},
                      IdCase{"MaximumAlone", {"2000000000"}, "1"},
                      IdCase{"NoGapBelow", {"1", "2", "3", "2000000000"}, "4"},
                      IdCase{"JustBelowMaximum", {"1999999999"}, "2000000000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModelTest, GapsAreFoundAgainAfterDeletes) {
  for (const char* id : {"1", "2", "3", "2000000000"}) {
    model_->addAddrsFromPBByType(WithId(Person(id, id), id), kFaxPBIndividuals);
  }
  EXPECT_EQ(model_->newIndividualID(), "4");
  ASSERT_TRUE(model_->delectFaxRecordsFromPB({WithId({}, "2")}));
  EXPECT_EQ(model_->newIndividualID(), "2");
}

TEST_F(ModelTest, GroupIdsTakeTheFirstFreeNumber) {
  model_->addAddrsFromPBByType(Team("A", {}, "G1"), kFaxPBGroups);
  model_->addAddrsFromPBByType(Team("B", {}, "G3"), kFaxPBGroups);
  std::string id;
  ASSERT_TRUE(model_->addFaxRecordsToPBByType(Team("C", {}), kFaxPBGroups, &id));
  EXPECT_EQ(id, "G2");
  ASSERT_TRUE(model_->addFaxRecordsToPBByType(Team("D", {}), kFaxPBGroups, &id));
  EXPECT_EQ(id, "G4");
}

TEST_F(ModelTest, ListsStopAtTheirLimits) {
  for (int i = 0; i < kFaxPBMaxIndividuals; ++i) {
    ASSERT_TRUE(model_->addFaxRecordsToPBByType(Person("P", std::to_string(i)), kFaxPBIndividuals));
  }
  EXPECT_FALSE(model_->addFaxRecordsToPBByType(Person("P", "x"), kFaxPBIndividuals));
  EXPECT_EQ(model_->getFaxCountByType(kFaxPBIndividuals), kFaxPBMaxIndividuals);

  for (int i = 0; i < kFaxPBMaxGroups; ++i) {
    ASSERT_TRUE(model_->addFaxRecordsToPBByType(Team(std::to_string(i), {"1"}), kFaxPBGroups));
  }
  EXPECT_FALSE(model_->addFaxRecordsToPBByType(Team("last", {"1"}), kFaxPBGroups));
  EXPECT_EQ(model_->getFaxCountByType(kFaxPBGroups), kFaxPBMaxGroups);
  EXPECT_FALSE(model_->addFaxRecordsToPBByType(Person("P", "y"), 7)) << "unknown address type";
  EXPECT_EQ(model_->getFaxCountByType(7), 0);
}

TEST_F(ModelTest, AGroupHoldsAtMostFiftyMembers) {
  Strings members;
  for (int i = 1; i <= 51; ++i) members.push_back(std::to_string(i));
  EXPECT_FALSE(model_->addFaxRecordsToPBByType(Team("Big", members), kFaxPBGroups));
  members.pop_back();
  EXPECT_TRUE(model_->addFaxRecordsToPBByType(Team("Big", members), kFaxPBGroups));
}

TEST_F(ModelTest, DuplicatesAreEqualNameAddressAndType) {
  model_->addFaxRecordsToPBByType(Person("Taro", "0311"), kFaxPBIndividuals);
  model_->addFaxRecordsToPBByType(Team("Sales", {"1"}), kFaxPBGroups);
  EXPECT_TRUE(model_->checkDuplicate(Person("Taro", "0311"), kFaxPBIndividuals));
  EXPECT_FALSE(model_->checkDuplicate(Person("Taro", "0311", "4"), kFaxPBIndividuals));
  EXPECT_FALSE(model_->checkDuplicate(Person("Taro", "0312"), kFaxPBIndividuals));
  EXPECT_TRUE(model_->checkDuplicate(Team("Sales", {}), kFaxPBGroups));
  EXPECT_FALSE(model_->checkDuplicate(Team("sales", {}), kFaxPBGroups));
  const FaxRecord* same = model_->CheckDuplication(Person("Taro", "0311"));
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(FaxRecordText(*same, "Id"), "1");
  EXPECT_TRUE(model_->checkDuplicateID(1, "1", 1, 0));
  EXPECT_FALSE(model_->checkDuplicateID(0, "1", 1, 0)) << "only the first n entries";
  EXPECT_TRUE(model_->checkDuplicateID(5, "G1", 1, 1));
  EXPECT_FALSE(model_->checkDuplicateID(5, "1", 0, 0)) << "the GAD lists are empty";
}

TEST_F(ModelTest, DeletingMembersCleansEveryGroupAndKeepsEmptyGroups) {
  for (const char* name : {"A", "B", "C"}) {
    model_->addFaxRecordsToPBByType(Person(name, std::string("03") + name), kFaxPBIndividuals);
  }
  model_->addFaxRecordsToPBByType(Team("All", {"1", "2", "3"}), kFaxPBGroups);
  model_->addFaxRecordsToPBByType(Team("OnlyB", {"2"}), kFaxPBGroups);
  model_->addFaxRecordsToPBByType(Team("Gone", {"1"}), kFaxPBGroups);

  ASSERT_TRUE(model_->delectFaxRecordsFromPB({WithId({}, "2"), WithId({}, "G3")}));
  EXPECT_EQ(Ids(People()), (Strings{"1", "3"}));
  EXPECT_EQ(model_->phoneBookIDs(), (Strings{"1", "3"}));
  ASSERT_EQ(Ids(Teams()), (Strings{"G1", "G2"}));
  EXPECT_EQ(FaxRecordList(Teams()[0], "EntryList"), (Strings{"1", "3"}));
  EXPECT_EQ(FaxRecordText(Teams()[0], "EntryNum"), "2");
  EXPECT_EQ(FaxRecordList(Teams()[1], "EntryList"), Strings{});
  EXPECT_EQ(FaxRecordText(Teams()[1], "EntryNum"), "0") << "the emptied group stays";
  EXPECT_EQ(model_->getMyFaxRecordByID("2"), nullptr);
  ASSERT_NE(model_->getMyFaxRecordByID("3"), nullptr);

  // The deletion is on disk.
  auto reread = NewModel();
  ASSERT_TRUE(reread->readMyFaxFile(book_));
  EXPECT_EQ(Ids(reread->getAddrsByType(kFaxPBIndividuals)), (Strings{"1", "3"}));
  EXPECT_EQ(FaxRecordText(reread->getAddrsByType(kFaxPBGroups)[1], "EntryNum"), "0");
}

TEST_F(ModelTest, ReplacingAnEntrySavesIt) {
  model_->addFaxRecordsToPBByType(Person("A", "0311"), kFaxPBIndividuals);
  model_->addFaxRecordsToPBByType(Team("T", {"1"}), kFaxPBGroups);
  ASSERT_TRUE(model_->replaceFaxRecordsFromPBByID(WithId(Person("A2", "0399"), "1"), 0));
  ASSERT_TRUE(model_->replaceFaxRecordsFromPBByID(Team("T2", {"1"}, "G1"), 1));
  EXPECT_FALSE(model_->replaceFaxRecordsFromPBByID(WithId(Person("Z", "1"), "9"), 0));
  EXPECT_TRUE(model_->checkDuplicate(Person("A2", "0399"), kFaxPBIndividuals));
  EXPECT_FALSE(model_->checkDuplicate(Person("A", "0311"), kFaxPBIndividuals));

  auto reread = NewModel();
  ASSERT_TRUE(reread->readMyFaxFile(book_));
  EXPECT_EQ(FaxRecordText(reread->getAddrsByType(0)[0], "Name"), "A2");
  EXPECT_EQ(FaxRecordText(reread->getAddrsByType(1)[0], "GroupName"), "T2");
}

TEST_F(ModelTest, RenumberingKeepsGroupMembersOnTheirPeople) {
  for (const char* id : {"5", "9", "12"}) {
    model_->addAddrsFromPBByType(WithId(Person(id, id), id), kFaxPBIndividuals);
  }
  model_->addAddrsFromPBByType(Team("T", {"12", "5", "77"}, "G1"), kFaxPBGroups);
  model_->updateIDinOrder();
  EXPECT_EQ(model_->phoneBookIDs(), (Strings{"1", "2", "3"}));
  EXPECT_EQ(FaxRecordText(*model_->getMyFaxRecordByID("3"), "Name"), "12");
  EXPECT_EQ(FaxRecordList(Teams()[0], "EntryList"), (Strings{"3", "1"}));
  EXPECT_EQ(FaxRecordText(Teams()[0], "EntryNum"), "2") << "a member without a person is dropped";
}

// Look-ups in records with as many keys as an individual (or a group) but other keys, and
// records built from pairs in and out of key order (the last of repeated keys counts).
TEST(FaxRecordLookUp, FindsKeysWhateverTheRecordHolds) {
  std::vector<FaxRecord::Pair> pairs;
  for (int i = 0; i < static_cast<int>(kFaxIndividualKeys.size()); ++i) {
    pairs.emplace_back("K" + std::to_string(100 + i), std::to_string(i));
  }
  pairs[5].first = "Name";  // a standard key at a place no individual has it
  const FaxRecord odd(pairs);
  ASSERT_EQ(odd.size(), kFaxIndividualKeys.size());
  EXPECT_EQ(FaxRecordText(odd, "Name"), "5");
  EXPECT_EQ(FaxRecordText(odd, "K104"), "4");
  EXPECT_FALSE(odd.Has("Address"));
  EXPECT_FALSE(odd.Has("Id"));

  FaxRecord person = initFax("202001010000");
  FaxRecordSetText(person, "Name", "N");
  for (const char* key : kFaxIndividualKeys) EXPECT_TRUE(person.Has(key)) << key;
  EXPECT_EQ(FaxRecordText(person, "Name"), "N");
  // Every key finds its own value, not a neighbour's.
  for (const char* key : kFaxIndividualKeys) {
    if (std::string_view(key) == "RlyDestList") continue;
    FaxRecordSetText(person, key, std::string("v") + key);
  }
  ASSERT_EQ(person.size(), kFaxIndividualKeys.size());
  for (const char* key : kFaxIndividualKeys) {
    if (std::string_view(key) == "RlyDestList") continue;
    EXPECT_EQ(FaxRecordText(person, key), std::string("v") + key) << key;
  }
  FaxRecordSetText(person, "Name", "N");
  EXPECT_TRUE(person.FindList("RlyDestList") != nullptr);
  EXPECT_TRUE(person.FindText("RlyDestList") == nullptr);

  FaxRecord group = initFaxGroup("202001010000");
  for (const char* key : kFaxGroupKeys) EXPECT_TRUE(group.Has(key)) << key;
  FaxRecordSetText(group, "EntryNum", "7");
  FaxRecordSetText(group, "GroupName", "G");
  EXPECT_EQ(FaxRecordText(group, "EntryNum"), "7");
  EXPECT_EQ(FaxRecordText(group, "GroupName"), "G");
  EXPECT_EQ(group.size(), kFaxGroupKeys.size());
  EXPECT_FALSE(group.Has("Name"));

  const FaxRecord sorted({{"A", std::string("1")}, {"B", std::string("2")}});
  const FaxRecord repeated({{"B", std::string("2")}, {"A", std::string("1")}, {"B", std::string("3")}});
  EXPECT_EQ(FaxRecordText(sorted, "B"), "2");
  EXPECT_EQ(FaxRecordText(repeated, "B"), "3");
  EXPECT_EQ(repeated.size(), 2u);
  EXPECT_EQ(repeated.begin()->first, "A");
}

}  // namespace
}  // namespace pbmodel
