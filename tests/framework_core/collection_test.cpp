#include "framework/core/component/collection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/component/component.h"

namespace {

using Log = std::vector<std::string>;

class TBand : public TCollectionItem {
 public:
  void Assign(const TPersistent* source) override {
    if (const auto* band = dynamic_cast<const TBand*>(source)) {
      SetCaption(band->FCaption);
      return;
    }
    TCollectionItem::Assign(source);
  }
  void SetCaption(const std::string& caption) {
    FCaption = caption;
    Changed(false);
  }
  void SetWidth(int width) {
    FWidth = width;
    Changed(true);
  }
  std::string FCaption;
  int FWidth = 0;
  // Seen by the destructor: the item's index while it is being deleted.
  std::vector<int>* FIndexAtDeath = nullptr;
  ~TBand() override {
    if (FIndexAtDeath) FIndexAtDeath->push_back(Index());
  }

 protected:
  std::string GetDisplayName() const override { return FCaption.empty() ? "band" : FCaption; }
};

// Records every Update and Notify, naming items by caption.
class TBands : public TCollectionOf<TBand> {
 public:
  using TCollectionOf<TBand>::TCollectionOf;
  Log log;

 protected:
  void Update(TCollectionItem* item) override {
    log.push_back("update " + (item ? static_cast<TBand*>(item)->FCaption : std::string("*")));
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* const names[] = {"added", "extracting", "deleting"};
    log.push_back(std::string(names[action]) + " " + static_cast<TBand*>(item)->FCaption);
  }
};

std::string Captions(const TCollectionOf<TBand>& bands) {
  std::string result;
  for (int i = 0; i < bands.Count(); ++i) result += bands.Items(i)->FCaption;
  return result;
}

void Fill(TCollectionOf<TBand>& bands, const std::string& captions) {
  for (char c : captions) bands.Add()->FCaption = std::string(1, c);
}

TEST(Collection, IdsIncreaseAndAreNeverReused) {
  TCollectionOf<TBand> bands;
  Fill(bands, "abc");
  EXPECT_EQ(bands.Items(2)->ID(), 2);
  bands.Delete(2);
  EXPECT_EQ(bands.Add()->ID(), 3);
  EXPECT_EQ(bands.FindItemID(1), bands.Items(1));
  EXPECT_EQ(bands.FindItemID(2), nullptr);
  EXPECT_EQ(bands.Items(0)->Collection(), &bands);
}

TEST(Collection, IndexOutOfRangeRaisesListError) {
  TCollectionOf<TBand> bands;
  Fill(bands, "ab");
  try {
    bands.Items(2);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_THROW(bands.Delete(-1), EListError);
  EXPECT_THROW(bands.Items(0)->SetIndex(5), EListError);
  // A wrong position adds nothing.
  EXPECT_THROW(bands.Insert(3), EListError);
  EXPECT_EQ(Captions(bands), "ab");
}

TEST(Collection, InsertPlacesNewItem) {
  TCollectionOf<TBand> bands;
  Fill(bands, "ab");
  bands.Insert(1)->FCaption = "x";
  bands.Insert(3)->FCaption = "y";
  bands.Insert(0)->FCaption = "z";
  EXPECT_EQ(Captions(bands), "zaxby");
}

struct MoveCase {
  int from, to;
  const char* result;
};

class CollectionMove : public testing::TestWithParam<MoveCase> {};

TEST_P(CollectionMove, SetIndexMovesItemAndReportsAllChanged) {
  TBands bands;
  Fill(bands, "abcde");
  bands.log.clear();
  TBand* item = bands.Items(GetParam().from);
  item->SetIndex(GetParam().to);
  EXPECT_EQ(Captions(bands), GetParam().result);
  EXPECT_EQ(item->Index(), GetParam().to);
  if (GetParam().from == GetParam().to)
    EXPECT_TRUE(bands.log.empty());
  else
    EXPECT_EQ(bands.log, (Log{"update *"}));
}

INSTANTIATE_TEST_SUITE_P(Moves, CollectionMove,
                         testing::Values(MoveCase{0, 4, "bcdea"}, MoveCase{4, 0, "eabcd"},
                                         MoveCase{1, 3, "acdbe"}, MoveCase{3, 1, "adbce"},
                                         MoveCase{2, 2, "abcde"}));

TEST(Collection, ItemChangeReportsItemOrAll) {
  TBands bands;
  Fill(bands, "a");
  bands.log.clear();
  bands.Items(0)->SetCaption("b");
  bands.Items(0)->SetWidth(10);
  bands.Items(0)->SetDisplayName("ignored");
  EXPECT_EQ(bands.log, (Log{"update b", "update *", "update b"}));
  EXPECT_EQ(bands.Items(0)->DisplayName(), "b");
}

TEST(Collection, UpdatesWaitForOutermostEndUpdate) {
  TBands bands;
  bands.BeginUpdate();
  bands.BeginUpdate();
  Fill(bands, "ab");
  bands.Items(0)->SetCaption("x");
  bands.Items(1)->SetIndex(0);
  bands.EndUpdate();
  EXPECT_EQ(bands.log, (Log{"added ", "added "}));
  EXPECT_EQ(bands.UpdateCount(), 1);
  bands.EndUpdate();
  EXPECT_EQ(bands.log, (Log{"added ", "added ", "update *"}));
  EXPECT_THROW(bands.EndUpdate(), EInvalidOperation);
  EXPECT_EQ(bands.UpdateCount(), 0);
}

TEST(Collection, UpdateLockClosesBracketOnException) {
  TBands bands;
  try {
    TCollection::TUpdateLock lock(bands);
    Fill(bands, "a");
    throw EAbort("");
  } catch (const EAbort&) {
  }
  EXPECT_EQ(bands.UpdateCount(), 0);
  EXPECT_EQ(bands.log, (Log{"added ", "update *"}));
}

TEST(Collection, AddAndDeleteNotify) {
  TBands bands;
  bands.Add()->FCaption = "a";  // named after the notification
  bands.Items(0)->FCaption = "a";
  bands.Delete(0);
  EXPECT_EQ(bands.log, (Log{"added ", "update *", "deleting a", "extracting a", "update *"}));
  EXPECT_EQ(bands.Count(), 0);
}

TEST(Collection, ClearDeletesLastFirstWithOneUpdate) {
  TBands bands;
  Fill(bands, "ab");
  bands.log.clear();
  bands.Clear();
  EXPECT_EQ(bands.log, (Log{"deleting b", "extracting b", "deleting a", "extracting a", "update *"}));
}

TEST(Collection, ItemKnowsItsIndexWhileBeingDeleted) {
  std::vector<int> seen;
  {
    TCollectionOf<TBand> bands;
    Fill(bands, "abc");
    for (int i = 0; i < 3; ++i) bands.Items(i)->FIndexAtDeath = &seen;
    bands.Delete(1);
    EXPECT_EQ(Captions(bands), "ac");
  }
  // The rest go with the collection, last first.
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 0}));
}

TEST(Collection, AssignCopiesItemsThroughTheirAssign) {
  TBands source;
  Fill(source, "xyz");
  TBands target;
  Fill(target, "ab");
  target.log.clear();
  target.Assign(&source);
  EXPECT_EQ(Captions(target), "xyz");
  EXPECT_EQ(target.log.back(), "update *");
  EXPECT_EQ(std::count(target.log.begin(), target.log.end(), "update *"), 1);
  EXPECT_EQ(target.Items(0)->ID(), 2);  // new items, new IDs
}

TEST(Collection, AssigningToItselfKeepsItems) {
  TBands bands;
  Fill(bands, "ab");
  bands.Assign(&bands);
  EXPECT_EQ(Captions(bands), "ab");
}

TEST(Collection, AssignFromOtherKindRaisesConvertError) {
  TBands bands;
  TComponent component(nullptr);
  try {
    bands.Assign(&component);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TBands");
  }
  try {
    bands.Assign(nullptr);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TBands");
  }
  TCollectionItem* plain = bands.Add();
  EXPECT_THROW(plain->Assign(&component), EConvertError);
}

TEST(Collection, OwnedCollectionAnswersItsOwner) {
  TComponent grid(nullptr);
  grid.SetName("Grid");
  TBands bands(&grid);
  TBand* band = bands.Add();
  EXPECT_EQ(bands.Owner(), &grid);
  EXPECT_EQ(bands.GetOwner(), &grid);
  EXPECT_EQ(band->GetOwner(), &bands);
  EXPECT_EQ(TBands().Owner(), nullptr);
  EXPECT_EQ(band->GetNamePath(), bands.GetNamePath() + "[0]");
}

TEST(Collection, ItemMovesToAnotherCollectionOfItsKind) {
  TBands from;
  TBands to;
  Fill(from, "ab");
  from.log.clear();
  TBand* moving = from.Items(0);
  moving->SetCollection(&to);
  EXPECT_EQ(moving->Collection(), &to);
  EXPECT_EQ(Captions(from), "b");
  EXPECT_EQ(Captions(to), "a");
  EXPECT_EQ(from.log, (Log{"extracting a", "update *"}));
  EXPECT_EQ(to.log, (Log{"added a", "update *"}));

  struct TOther : TCollectionItem {};
  TCollectionOf<TOther> others;
  EXPECT_THROW(moving->SetCollection(&others), EListError);
  EXPECT_EQ(moving->Collection(), &to);
  EXPECT_THROW(moving->SetCollection(nullptr), EInvalidOperation);
}

TEST(Collection, FactoryMakesItemsWithArguments) {
  struct TColumn : TCollectionItem {
    explicit TColumn(int width) : FWidth(width) {}
    int FWidth;
  };
  TCollectionOf<TColumn> columns([] { return std::make_unique<TColumn>(100); }, nullptr);
  EXPECT_EQ(columns.Add()->FWidth, 100);
  TCollection plain([] { return std::unique_ptr<TCollectionItem>(); });
  EXPECT_THROW(plain.Add(), EInvalidOperation);
}

}  // namespace
