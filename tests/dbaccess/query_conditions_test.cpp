// A statement's named extra conditions: the list, applying them to the
// statement's text, and their stored forms. The statement needs no
// connection for any of it.

#include "dbaccess/statement/query_conditions.h"

#include <gtest/gtest.h>

#include <vector>

#include "dbaccess/statement/query.h"
#include "framework/core/base/exceptions.h"

namespace {

std::vector<bool> Flags(TConditions& list) {
  std::vector<bool> flags;
  for (int i = 0; i < list.Count(); ++i) flags.push_back(list.Condition(i).Enabled());
  return flags;
}

class QueryConditions : public testing::Test {
 protected:
  TConditions& Conditions() { return FQuery.Conditions(); }
  std::string SQLText() const { return FQuery.SQL().Text(); }
  void SetSQLText(std::string_view text) { FQuery.SQL().SetText(text); }

  TFIBQuery FQuery{nullptr};
};

TEST_F(QueryConditions, AddConditionKeepsTheFirstOfAName) {
  TCondition& phone = Conditions().AddCondition("phone", "PHONE = '12'", true);
  EXPECT_EQ(Conditions().Text(), "phone=PHONE = '12'\r\n");
  EXPECT_TRUE(phone.Enabled());
  EXPECT_EQ(phone.Name(), "phone");
  EXPECT_EQ(phone.Text(), "PHONE = '12'");
  EXPECT_EQ(phone.List(), &Conditions());

  TCondition& again = Conditions().AddCondition("PHONE", "PHONE = '34'", false);
  EXPECT_EQ(&again, &phone);
  EXPECT_TRUE(again.Enabled());
  EXPECT_EQ(Conditions().Count(), 1);
  EXPECT_EQ(Conditions().FindCondition("Phone"), &phone);
  EXPECT_EQ(Conditions().FindCondition("name"), nullptr);
}

// A foreign object is refused; a condition handed in lends only its flag.
TEST_F(QueryConditions, EveryLineHoldsItsOwnCondition) {
  TConditions& list = Conditions();
  list.Add("a=A = 1");
  list.Insert(0, "b=B = 2");
  TCondition lent(nullptr, true);
  EXPECT_EQ(list.AddObject("c=C = 3", &lent), 2);
  TStringList foreign;
  EXPECT_EQ(list.AddObject("d=D = 4", &foreign), -1);
  EXPECT_THROW(list.InsertObject(0, "d=D = 4", &foreign), EStringListError);
  EXPECT_THROW(list.SetObjects(0, &lent), EStringListError);

  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Condition(0).Name(), "b");
  EXPECT_FALSE(list.Condition(0).Enabled());
  EXPECT_NE(&list.Condition(2), &lent);
  EXPECT_TRUE(list.Condition(2).Enabled());
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Condition(i).List(), &list);

  TFIBQuery other(nullptr);
  other.SetConditions(list);
  ASSERT_EQ(other.Conditions().Count(), 3);
  EXPECT_EQ(other.Conditions().Text(), list.Text());
  EXPECT_TRUE(other.Conditions().Condition(2).Enabled());
  EXPECT_EQ(other.Conditions().Condition(2).List(), &other.Conditions());

  list.Delete(1);
  EXPECT_EQ(list.Condition(1).Name(), "c");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(QueryConditions, ConditionsTextJoinsTheEnabledOnes) {
  EXPECT_EQ(Conditions().ConditionsText(), "");
  Conditions().AddCondition("a", "A = 1", true);
  Conditions().AddCondition("off", "X = 0", false);
  Conditions().AddCondition("b", "B = 2", true);
  EXPECT_EQ(Conditions().ConditionsText(), "(A = 1)\r\n\r\n and (B = 2)\r\n");
  Conditions().Condition(0).SetEnabled(false);
  EXPECT_EQ(Conditions().ConditionsText(), "(B = 2)\r\n");
}

TEST_F(QueryConditions, ApplyAddsAWhereClauseBeforeOrderBy) {
  SetSQLText("select A from T\r\norder by A");
  const std::string primary = SQLText();
  Conditions().AddCondition("a", "A > 1", true);
  Conditions().Apply();
  EXPECT_TRUE(Conditions().Applied());
  EXPECT_EQ(Conditions().PrimarySQL(), primary);
  EXPECT_EQ(FQuery.MainWhereClause(), "(A > 1)");
  EXPECT_EQ(SQLText(), "select A from T\r\n WHERE (A > 1)\r\n\r\norder by A\r\n");

  // A second run starts again from the primary text: nothing stacks.
  const std::string once = SQLText();
  Conditions().Apply();
  EXPECT_EQ(SQLText(), once);

  Conditions().CancelApply();
  EXPECT_FALSE(Conditions().Applied());
  EXPECT_EQ(SQLText(), primary);
}

TEST_F(QueryConditions, ApplyJoinsAnExistingWhereClause) {
  SetSQLText("select A from T where B = 1");
  Conditions().AddCondition("a", "A > 1", true);
  Conditions().AddCondition("c", "C < 3", true);
  Conditions().Apply();
  EXPECT_EQ(FQuery.MainWhereClause(), "B = 1\r\nand (A > 1)\r\n\r\n and (C < 3)");

  for (int i : {0, 1}) Conditions().Condition(i).SetEnabled(false);
  Conditions().Apply();
  EXPECT_EQ(SQLText(), "select A from T where B = 1\r\n");
}

TEST_F(QueryConditions, StatementFindsTheParametersOfAppliedConditions) {
  SetSQLText("select A from T where B = :B");
  Conditions().AddCondition("id", "ID = :ID", true);
  Conditions().Apply();
  ASSERT_EQ(FQuery.Params().Count(), 2);
  EXPECT_EQ(FQuery.Params()[1].Name(), "ID");
}

// The applied flag goes stale when a condition changes, and a text set from
// outside forgets the primary text; Apply then starts from the new text.
TEST_F(QueryConditions, ChangesFromOutsideForgetTheAppliedState) {
  SetSQLText("select A from T");
  TCondition& a = Conditions().AddCondition("a", "A > 1", true);
  Conditions().Apply();
  a.SetEnabled(false);
  EXPECT_FALSE(Conditions().Applied());
  EXPECT_FALSE(Conditions().PrimarySQL().empty());
  Conditions().Apply();
  Conditions().AddCondition("b", "B > 2", true);
  EXPECT_FALSE(Conditions().Applied());
  Conditions().Apply();
  EXPECT_EQ(FQuery.MainWhereClause(), "(B > 2)");

  SetSQLText("select C from U");
  EXPECT_FALSE(Conditions().Applied());
  EXPECT_EQ(Conditions().PrimarySQL(), "");
  Conditions().Apply();
  EXPECT_EQ(Conditions().PrimarySQL(), "select C from U\r\n");
  EXPECT_EQ(FQuery.MainWhereClause(), "(B > 2)");
}

TEST_F(QueryConditions, StoredEnabledFlags) {
  for (const char* name : {"a", "b", "c"}) Conditions().AddCondition(name, "X = 1", false);
  EXPECT_EQ(Conditions().StoredEnabled(), std::nullopt);
  Conditions().Condition(0).SetEnabled(true);
  Conditions().Condition(2).SetEnabled(true);
  EXPECT_EQ(Conditions().StoredEnabled(), "[1,0,1]");

  Conditions().ReadStoredEnabled("[0,1]");
  EXPECT_EQ(Flags(Conditions()), (std::vector<bool>{false, true, false}));
}

TEST_F(QueryConditions, SavedLinesLoadBackTheSameConditions) {
  Conditions().AddCondition("phone", "PHONE = '1'", true);
  Conditions().AddCondition("name", "NAME = 'A=B'", false);
  const std::string saved = Conditions().SaveToText();
  EXPECT_EQ(saved, "phone#$#$PHONE = '1'#$#$1\r\nname#$#$NAME = 'A=B'#$#$0\r\n");

  TFIBQuery other(nullptr);
  other.Conditions().AddCondition("old", "X = 1", true);
  other.Conditions().LoadFromText(saved + "\r\nshort#$#$S = 1#$#$ 1 \r\nbare\r\n");
  ASSERT_EQ(other.Conditions().Count(), 4);
  EXPECT_EQ(other.Conditions().Text(), "phone=PHONE = '1'\r\nname=NAME = 'A=B'\r\nshort=S = 1\r\nbare=\r\n");
  EXPECT_EQ(Flags(other.Conditions()), (std::vector<bool>{true, false, true, false}));
}

}  // namespace
