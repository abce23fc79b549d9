#include "datagrid/filter/filter_program.h"

#include "datagrid/control/db_column.h"
#include "datagrid/control/db_node.h"
#include "datagrid/filter/grid_criteria.h"

TdxDBGridFilterProgram::TdxDBGridFilterProgram(const TdxDBGridCriteria& criteria) : FCriteria(criteria) {
  Compile(criteria.Root());
}

void TdxDBGridFilterProgram::Compile(const TdxCriteriaItemList& list) {
  const std::size_t at = FSteps.size();
  FSteps.push_back({});
  FSteps[at].IsList = true;
  FSteps[at].Negated = list.Negated();
  FSteps[at].OrJunction = list.Junction() == jtOr;
  FSteps[at].Count = list.Count();
  for (int i = 0; i < list.Count(); ++i) {
    const TdxCustomCriteriaItem* child = list.Items(i);
    if (child->IsList()) {
      Compile(static_cast<const TdxCriteriaItemList&>(*child));
      continue;
    }
    const auto& item = static_cast<const TdxCriteriaItem&>(*child);
    TStep step;
    step.Negated = item.Negated();
    step.Operator = item.OperatorCode();
    step.Value = FCriteria.ConvertValue(item.Value());
    step.Item = &item;
    const auto* gridItem = dynamic_cast<const TdxDBGridCriteriaItem*>(&item);
    const TdxDBTreeListColumn* column = gridItem != nullptr ? gridItem->Column() : nullptr;
    // Read in place only what the criteria would read the same way.
    const bool inPlace = column != nullptr && !FCriteria.CaseInsensitive() && !column->OnGetText &&
                         (column->Field() == nullptr || !column->Field()->IsLookupField());
    if (inPlace) step.Column = column->Index();
    FSteps.push_back(std::move(step));
  }
  FSteps[at].Span = static_cast<int>(FSteps.size() - at);
}

bool TdxDBGridFilterProgram::Passes(const TdxTreeListNode* node) const {
  // One condition in the root, the drop-down's usual filter: no list walk.
  if (FSteps.size() == 2 && FSteps[0].Count == 1) {
    const bool v = EvaluateLeaf(node, FSteps[1]);
    return FSteps[0].Negated ? !v : v;
  }
  return EvaluateList(node, 0);
}

bool TdxDBGridFilterProgram::EvaluateList(const TdxTreeListNode* node, std::size_t at) const {
  const TStep& list = FSteps[at];
  bool acc = true;
  std::size_t next = at + 1;
  for (int i = 0; i < list.Count; ++i) {
    const TStep& child = FSteps[next];
    // Every child is evaluated, as the criteria do.
    const bool v = child.IsList ? EvaluateList(node, next) : EvaluateLeaf(node, child);
    if (i == 0)
      acc = v;
    else if (list.OrJunction)
      acc = acc || v;
    else
      acc = acc && v;
    next += static_cast<std::size_t>(child.Span);
  }
  return list.Negated ? !acc : acc;
}

bool TdxDBGridFilterProgram::EvaluateLeaf(const TdxTreeListNode* node, const TStep& step) const {
  bool v;
  // The dataset-bound tree list makes only nodes of this class.
  const auto* dbNode = step.Column >= 0 ? static_cast<const TdxDBTreeListControlNode*>(node) : nullptr;
  if (dbNode == nullptr) {
    v = dxOperator(step.Operator).Compare(FCriteria.ConvertValue(step.Item->RowValue(node)), step.Value);
  } else if (std::string_view text; dbNode->PlainText(step.Column, text)) {
    // A cell without a kept value holds its text: a string.
    const std::string* value = step.Value.StringPtr();
    if (step.Operator == ocIsNull)
      v = text.empty();
    else if (step.Operator == ocEqual && value != nullptr)
      v = text == *value;
    else
      v = dxOperator(step.Operator).Compare(Variant(text), step.Value);
  } else {
    const Variant held = *dbNode->HeldValue(step.Column);
    v = held.VarType() == TVarType::Currency
            ? dxOperator(step.Operator).Compare(FCriteria.ConvertValue(held), step.Value)
            : dxOperator(step.Operator).Compare(held, step.Value);
  }
  return step.Negated ? !v : v;
}
