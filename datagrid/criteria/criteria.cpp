#include "datagrid/criteria/criteria.h"

#include <algorithm>
#include <utility>

#include "framework/core/text/sysutils.h"
#include "framework/core/text/text.h"

// --- TdxCriteriaItemList ------------------------------------------------------

TdxCustomCriteriaItem* TdxCriteriaItemList::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return FItems[static_cast<std::size_t>(index)].get();
}

int TdxCriteriaItemList::IndexOf(const TdxCustomCriteriaItem* item) const {
  const auto it =
      std::find_if(FItems.begin(), FItems.end(), [item](const auto& p) { return p.get() == item; });
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TdxCriteria* TdxCriteriaItemList::Criteria() const {
  const TdxCriteriaItemList* list = this;
  while (list->Parent() != nullptr) list = list->Parent();
  return list->FCriteria;
}

TdxCriteriaItem* TdxCriteriaItemList::AddItem(std::string key, int operatorCode, std::string displayText,
                                              const Variant& value) {
  // An unknown code would index past the operators when the tree is evaluated.
  dxOperator(operatorCode);
  TdxCriteria* criteria = Criteria();
  std::unique_ptr<TdxCriteriaItem> item =
      criteria != nullptr ? criteria->CreateItem(this) : std::make_unique<TdxCriteriaItem>(this);
  item->FDisplayText = std::move(displayText);
  item->FKey = std::move(key);
  item->FOperatorCode = static_cast<TdxOperatorCode>(operatorCode);
  item->FValue = value;
  TdxCriteriaItem* result = item.get();
  Append(std::move(item));
  return result;
}

TdxCriteriaItemList* TdxCriteriaItemList::AddList(TdxJunction junction) {
  auto list = std::make_unique<TdxCriteriaItemList>(this, junction);
  TdxCriteriaItemList* result = list.get();
  Append(std::move(list));
  return result;
}

void TdxCriteriaItemList::ClearItems() {
  // Moved out first so that nothing reachable from this list refers to a
  // child while it is being destroyed.
  std::vector<std::unique_ptr<TdxCustomCriteriaItem>> items;
  items.swap(FItems);
}

std::unique_ptr<TdxCustomCriteriaItem> TdxCriteriaItemList::Extract(int index) {
  Items(index);  // range check
  auto pos = FItems.begin() + index;
  std::unique_ptr<TdxCustomCriteriaItem> item = std::move(*pos);
  FItems.erase(pos);
  item->FParent = nullptr;
  return item;
}

void TdxCriteriaItemList::Append(std::unique_ptr<TdxCustomCriteriaItem> item) {
  item->FParent = this;
  FItems.push_back(std::move(item));
}

// --- TdxCriteriaItem ----------------------------------------------------------

Variant TdxCriteriaItem::RowValue(TdxCriteriaRow /*row*/) const {
  throw EInvalidOperation("Criteria item '" + FKey + "' cannot read a row value");
}

std::string TdxCriteriaItem::ExpressionName() const {
  throw EInvalidOperation("Criteria item '" + FKey + "' has no field name");
}

// --- TdxCriteria --------------------------------------------------------------

TdxCriteria::TdxCriteria() : FRoot(std::make_unique<TdxCriteriaItemList>(nullptr)) {
  FRoot->FCriteria = this;
}

TdxCriteria::~TdxCriteria() = default;

std::unique_ptr<TdxCriteriaItem> TdxCriteria::CreateItem(TdxCriteriaItemList* parent) {
  return std::make_unique<TdxCriteriaItem>(parent);
}

void TdxCriteria::Clear() {
  FRoot->ClearItems();
  FRoot->SetNegated(false);
  FRoot->SetJunction(jtAnd);
}

namespace {

TdxCriteriaItem* FindIn(const TdxCriteriaItemList& list, std::string_view key) {
  for (int i = 0; i < list.Count(); ++i) {
    TdxCustomCriteriaItem* child = list.Items(i);
    if (child->IsList()) {
      if (TdxCriteriaItem* found = FindIn(static_cast<const TdxCriteriaItemList&>(*child), key)) return found;
    } else {
      auto* item = static_cast<TdxCriteriaItem*>(child);
      if (item->Key() == key) return item;
    }
  }
  return nullptr;
}

bool EvaluateList(const TdxCriteria& criteria, const TdxCriteriaItemList& list, TdxCriteriaRow row) {
  bool acc = true;
  for (int i = 0; i < list.Count(); ++i) {
    const TdxCustomCriteriaItem* child = list.Items(i);
    bool v;
    if (child->IsList()) {
      v = EvaluateList(criteria, static_cast<const TdxCriteriaItemList&>(*child), row);
    } else {
      const auto& item = static_cast<const TdxCriteriaItem&>(*child);
      const Variant rowValue = criteria.ConvertValue(item.RowValue(row));
      const Variant value = criteria.ConvertValue(item.Value());
      v = dxOperator(item.OperatorCode()).Compare(rowValue, value);
      if (item.Negated()) v = !v;
    }
    // Every child is evaluated, so every leaf reads its row value.
    if (i == 0)
      acc = v;
    else if (list.Junction() == jtOr)
      acc = acc || v;
    else
      acc = acc && v;
  }
  return list.Negated() ? !acc : acc;
}

void CheckList(const TdxCriteriaItemList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const TdxCustomCriteriaItem* child = list.Items(i);
    if (child->Parent() != &list) throw EInvalidOperation("Criteria node's parent is not its list");
    if (child->IsList()) {
      const auto& sub = static_cast<const TdxCriteriaItemList&>(*child);
      if (sub.Junction() != jtAnd && sub.Junction() != jtOr)
        throw EInvalidOperation("Criteria list junction");
      CheckList(sub);
    } else if (!IsValidOperatorCode(static_cast<const TdxCriteriaItem&>(*child).OperatorCode())) {
      throw EInvalidOperation("Criteria item operator code out of range");
    }
  }
}

}  // namespace

TdxCriteriaItem* TdxCriteria::FindItem(std::string_view key) const { return FindIn(*FRoot, key); }

void TdxCriteria::RemoveItems(std::string_view key) {
  while (TdxCriteriaItem* item = FindItem(key)) {
    TdxCriteriaItemList* list = item->Parent();
    list->Extract(list->IndexOf(item));  // freed here
    Tidy(list);
  }
}

void TdxCriteria::Tidy(TdxCriteriaItemList* list) {
  while (list != FRoot.get() && list->Count() < 2) {
    TdxCriteriaItemList* owner = list->Parent();
    const std::unique_ptr<TdxCustomCriteriaItem> freed = owner->Extract(owner->IndexOf(list));
    if (list->Count() == 1) {
      // A list of one means its child, negated when the list was: the child
      // takes the negation along (NOT (A OR B) without A is NOT B).
      std::unique_ptr<TdxCustomCriteriaItem> child = list->Extract(0);
      child->SetNegated(child->Negated() != list->Negated());
      owner->Append(std::move(child));
      return;
    }
    // An empty list would pass every row (none when negated) and turn the
    // meaning of its owner; it goes, and its owner, one child short, may
    // need tidying in turn.
    list = owner;
  }
}

bool TdxCriteria::Evaluate(TdxCriteriaRow row) const { return EvaluateList(*this, *FRoot, row); }

void TdxCriteria::CheckInvariants() const {
  if (FRoot->Parent() != nullptr) throw EInvalidOperation("Criteria root has a parent");
  if (FRoot->FCriteria != this) throw EInvalidOperation("Criteria root does not know its criteria");
  CheckList(*FRoot);
}

std::string dxExpressionFieldName(std::string_view name) {
  auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  bool identifier = !name.empty() && isLetter(name.front());
  for (std::size_t i = 1; identifier && i < name.size(); ++i)
    identifier = isLetter(name[i]) || isDigit(name[i]);
  // A field named as one of the filter language's words would be read as
  // that word ("NULL = 'x'" is a test of the constant), or not at all.
  for (std::string_view word : {"AND", "OR", "NOT", "LIKE", "IN", "IS", "NULL", "TRUE", "FALSE"})
    if (identifier && SameText(name, word)) identifier = false;
  if (identifier) return std::string(name);
  // A "]" inside is doubled, as a quote is inside a text, or it would end
  // the name early.
  std::string result = "[";
  for (char c : name) {
    result += c;
    if (c == ']') result += ']';
  }
  return result + "]";
}
