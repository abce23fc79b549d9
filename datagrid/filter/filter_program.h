#pragma once
// The grid's criteria compiled for filtering many nodes: the tree is
// flattened once, each condition value converted once, and a node's cells
// are read in place (a text compared where it lies, a kept value by
// reference), so a test costs no copy of what it reads.
//
// It gives the answers the criteria's own evaluation gives: a condition it
// cannot read in place (a column with a text event, a lookup column, a
// case-insensitive filter) falls back to the criteria's row value and
// conversion. It reads the cells as TCustomdxDBGrid keeps them in load-all
// mode; made for one filtering pass, it must not outlive the criteria.

#include <cstdint>
#include <string>
#include <vector>

#include "datagrid/forward.h"
#include "framework/core/base/variant.h"
#include "grid/forward.h"

class TdxDBGridCriteria;

class TdxDBGridFilterProgram {
 public:
  explicit TdxDBGridFilterProgram(const TdxDBGridCriteria& criteria);
  bool Passes(const TdxTreeListNode* node) const;

 private:
  struct TStep {
    // A list: Count children follow (their steps, nested); a leaf: one step.
    bool IsList = false;
    bool Negated = false;
    bool OrJunction = false;
    int Count = 0;    // children of a list
    int Span = 1;     // steps this one covers, itself included
    int Column = -1;  // a leaf read in place: the column's index
    std::uint8_t Operator = 0;
    const TdxCriteriaItem* Item = nullptr;  // a leaf read through the criteria
    Variant Value;                          // converted once
  };
  void Compile(const TdxCriteriaItemList& list);
  bool EvaluateList(const TdxTreeListNode* node, std::size_t at) const;
  bool EvaluateLeaf(const TdxTreeListNode* node, const TStep& step) const;

  const TdxDBGridCriteria& FCriteria;
  std::vector<TStep> FSteps;
};
