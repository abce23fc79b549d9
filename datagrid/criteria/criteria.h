#pragma once
// The model of a grid's auto-filter: a tree of conditions. `TdxCriteria` owns
// a root `TdxCriteriaItemList`; a list owns its children in order, each a
// further list (joined by AND or OR) or a leaf condition `TdxCriteriaItem`
// (a key naming the column, an operator code, a value and the value's text
// as the user saw it). Any node may be negated.
//
// The criteria evaluate against a row, render a caption for the filter
// status panel and an expression for a dataset's Filter, and store
// themselves in a binary stream kept with the grid's layout. They know
// nothing of grids: a leaf's row value, caption and field name come from
// virtual operations that grid-bound descendants supply, and the criteria's
// own item factory and value conversion are virtual too.
//
// Ownership: the criteria own the root, each list owns its children; nodes
// are made only by `AddItem` / `AddList` and freed by their list
// (`ClearItems`, `TdxCriteria::Clear`, `TdxCriteria::RemoveItems`).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datagrid/criteria/criteria_operators.h"
#include "framework/core/base/variant.h"

class TStream;
class TdxCriteria;
class TdxCriteriaItem;
class TdxCriteriaItemList;

// The row a condition is tested against, opaque here: the descendant that
// supplies row values knows what it points at (the grid passes its node).
using TdxCriteriaRow = const void*;

enum TdxJunction : std::uint8_t { jtAnd = 0, jtOr = 1 };

// A node of the tree: a list or a leaf. Its parent list owns it.
class TdxCustomCriteriaItem {
 public:
  explicit TdxCustomCriteriaItem(TdxCriteriaItemList* parent) : FParent(parent) {}
  TdxCustomCriteriaItem(const TdxCustomCriteriaItem&) = delete;
  TdxCustomCriteriaItem& operator=(const TdxCustomCriteriaItem&) = delete;
  virtual ~TdxCustomCriteriaItem() = default;

  // The list holding this node; nullptr for the root.
  TdxCriteriaItemList* Parent() const { return FParent; }
  bool Negated() const { return FNegated; }
  void SetNegated(bool value) { FNegated = value; }

  virtual bool IsList() const = 0;
  // Runs once a stream has been read into this node and Negated is set.
  virtual void AfterLoad() {}

 private:
  friend class TdxCriteriaItemList;
  TdxCriteriaItemList* FParent;
  bool FNegated = false;
};

class TdxCriteriaItemList : public TdxCustomCriteriaItem {
 public:
  explicit TdxCriteriaItemList(TdxCriteriaItemList* parent, TdxJunction junction = jtAnd)
      : TdxCustomCriteriaItem(parent), FJunction(junction) {}

  bool IsList() const override { return true; }

  int Count() const { return static_cast<int>(FItems.size()); }
  // Index out of range: EListError "List index out of bounds (<index>)".
  TdxCustomCriteriaItem* Items(int index) const;
  // -1 when the node is not a child of this list.
  int IndexOf(const TdxCustomCriteriaItem* item) const;

  TdxJunction Junction() const { return FJunction; }
  void SetJunction(TdxJunction value) { FJunction = value; }

  // The criteria owning the tree this list belongs to.
  TdxCriteria* Criteria() const;

  // Appends a leaf made by the owning criteria's item factory. A code outside
  // 0..5 raises EListError and adds nothing.
  TdxCriteriaItem* AddItem(std::string key, int operatorCode, std::string displayText, const Variant& value);
  TdxCriteriaItemList* AddList(TdxJunction junction);
  // Frees every child.
  void ClearItems();

 private:
  friend class TdxCriteria;
  std::unique_ptr<TdxCustomCriteriaItem> Extract(int index);
  void Append(std::unique_ptr<TdxCustomCriteriaItem> item);

  std::vector<std::unique_ptr<TdxCustomCriteriaItem>> FItems;
  TdxJunction FJunction;
  TdxCriteria* FCriteria = nullptr;  // set on the root only
};

// A leaf condition. The row value and the field name are the descendant's:
// a plain item has neither and raises EInvalidOperation when asked.
class TdxCriteriaItem : public TdxCustomCriteriaItem {
 public:
  explicit TdxCriteriaItem(TdxCriteriaItemList* parent) : TdxCustomCriteriaItem(parent) {}

  bool IsList() const override { return false; }

  const std::string& DisplayText() const { return FDisplayText; }
  // The name of the column the condition belongs to.
  const std::string& Key() const { return FKey; }
  TdxOperatorCode OperatorCode() const { return FOperatorCode; }
  const Variant& Value() const { return FValue; }

  // The name the caption shows; here the key.
  virtual std::string Caption() const { return FKey; }
  virtual Variant RowValue(TdxCriteriaRow row) const;
  // The name the filter expression uses for the field (see
  // dxExpressionFieldName).
  virtual std::string ExpressionName() const;

 private:
  friend class TdxCriteriaItemList;
  std::string FDisplayText;
  std::string FKey;
  TdxOperatorCode FOperatorCode = ocIsNull;
  Variant FValue;
};

class TdxCriteria {
 public:
  TdxCriteria();
  TdxCriteria(const TdxCriteria&) = delete;
  TdxCriteria& operator=(const TdxCriteria&) = delete;
  virtual ~TdxCriteria();

  TdxCriteriaItemList& Root() { return *FRoot; }
  const TdxCriteriaItemList& Root() const { return *FRoot; }

  // Frees every node; the root becomes an empty, not negated AND list.
  void Clear();
  // Depth-first, children in order: the first leaf whose key equals key
  // (case-sensitive); nullptr when none.
  TdxCriteriaItem* FindItem(std::string_view key) const;
  // Frees every leaf with this key and tidies the lists they leave, keeping
  // the meaning of what remains: a list left with one child hands it to its
  // own parent (at the end), with the list's negation, and is freed; an
  // empty list is freed, and its parent tidied in turn. The root always
  // stays.
  void RemoveItems(std::string_view key);

  // Whether the row passes. An empty criteria passes every row; every leaf's
  // row value is read (no short cut).
  bool Evaluate(TdxCriteriaRow row) const;

  // The caption for the filter status panel: names by Caption, values by
  // their display texts.
  std::string DisplayText() const;
  // The expression for a dataset's Filter: names by ExpressionName, values
  // as literals the dataset's filter parser reads ("." as the decimal
  // separator, strings and dates in single quotes with inner quotes doubled,
  // a Null or unassigned value as NULL, a text ending in "*" as a sum so
  // that the dataset does not take it for a prefix). The dataset finds the
  // rows the criteria pass, with two exceptions: the criteria take an empty
  // text for Null under "Is Null" and the dataset does not, and an
  // unassigned value is written as Null.
  std::string FilterText() const;

  // The binary form kept in the grid's layout (little-endian). Nothing is
  // written when a value cannot be stored (EWriteError "Stream write error").
  void SaveToStream(TStream& stream) const;
  // Replaces the tree by the one read. A stream that ends early or holds
  // something the writer never writes raises EReadError "Stream read error"
  // and leaves the criteria as they were.
  void LoadFromStream(TStream& stream);

  // Called by the criteria's user after changing them; descendants bind
  // their leaves here.
  virtual void Changed() {}
  // Applied to the row value and to the condition value before they are
  // compared; here a plain copy.
  virtual Variant ConvertValue(const Variant& value) const { return value; }

  // Raises EInvalidOperation when the tree's links are inconsistent (a
  // child whose parent is not its list, a root with a parent, an operator
  // code out of range). For tests.
  void CheckInvariants() const;

 protected:
  // The item factory: the leaf type this criteria's lists create.
  virtual std::unique_ptr<TdxCriteriaItem> CreateItem(TdxCriteriaItemList* parent);

 private:
  friend class TdxCriteriaItemList;
  // Dissolves a list that removing a leaf left with fewer than two children.
  void Tidy(TdxCriteriaItemList* list);
  std::unique_ptr<TdxCriteriaItemList> FRoot;
};

// A field name as a filter expression writes it: unchanged when it is an
// identifier (an ASCII letter or "_", then ASCII letters, digits or "_"),
// otherwise between "[" and "]", with a "]" inside doubled.
std::string dxExpressionFieldName(std::string_view name);
