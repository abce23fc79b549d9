// TpFIBDataSet: local filtering (the Filter expression, OnFilterRecord and
// the accept hook), and with poVisibleRecno the record numbers and count of
// the records that pass.
//
// The visible records are a list of logical indexes, counted when first
// asked for and kept until something may change the answer: the cursor
// opens or closes, the filter text, options or flag change, a record is
// posted, deleted, cancelled or refreshed, or the dataset reports a change
// of its records (a local sort among them). Counting again after a change
// is the rule; keeping a stale list whenever the number of records happens
// to stay the same would report numbers of records that no longer pass.

#include <algorithm>

#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/filter/expression_parser.h"
#include "dbaccess/statement/query.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/text.h"

void TpFIBDataSet::InvalidateFilterCount() {
  FVisibleValid = false;
  FVisibleRecords.clear();
}

bool TpFIBDataSet::Filtering() const { return Filtered(); }

bool TpFIBDataSet::RecordPassesFilter(TRecordBuffer buffer) {
  if (!TFIBDataSet::RecordPassesFilter(buffer)) return false;
  if (!Filtering()) return true;
  return TestRecord(buffer);
}

bool TpFIBDataSet::TestRecord(TRecordBuffer) {
  if (CurrentRecordIndex() < 0) return false;
  // The fields read the record under test in the filtering state; the scope
  // puts the state back also when the expression or a handler raises.
  TTempState filtering(*this, dsFilter);
  ForgetFilterRecord();
  bool accept = true;
  if (FilterExpression() != nullptr) accept = FilterExpression()->Accepts();
  if (accept) DoFilterRecord(accept);
  if (accept) DoAcceptRecord(accept);
  return accept;
}

const std::vector<int>& TpFIBDataSet::VisibleRecords() const {
  if (FVisibleValid && FVisibleFetched == FetchedCount()) return FVisibleRecords;
  // Counting tests records, which enters the filtering state and moves the
  // cursor for the time of each test: work on the dataset, not a reading of
  // it, though a record count is asked of a const dataset.
  auto& self = const_cast<TpFIBDataSet&>(*this);
  std::vector<int> visible;
  if (Active() && RecordBufferSize() > 0) {
    const int saved = CurrentRecordIndex();
    const TAtScopeExit restore([&self, saved] {
      self.SetCurrentRecordIndex(saved);
      self.ForgetFilterRecord();
    });
    std::vector<std::byte> buffer(static_cast<std::size_t>(RecordBufferSize()));
    for (int index = FirstRecordIndex(); index < FetchedCount(); ++index) {
      self.SetCurrentRecordIndex(index);
      self.ReadRecordAt(index, buffer.data());
      if (self.RecordPassesFilter(buffer.data())) visible.push_back(index);
    }
  }
  FVisibleRecords = std::move(visible);
  FVisibleFetched = FetchedCount();
  FVisibleValid = true;
  return FVisibleRecords;
}

int TpFIBDataSet::GetRecordCount() const {
  if (!Active()) return 0;
  if (VisibleRecNo()) return static_cast<int>(VisibleRecords().size());
  return std::max(TFIBDataSet::GetRecordCount(), FServerRecordCount - DeletedCount());
}

int TpFIBDataSet::GetRecNo() const {
  const int recNo = TFIBDataSet::GetRecNo();
  if (!VisibleRecNo() || recNo <= 0) return recNo;
  const int index = FirstRecordIndex() + recNo - 1;
  const std::vector<int>& visible = VisibleRecords();
  return static_cast<int>(std::lower_bound(visible.begin(), visible.end(), index) - visible.begin()) + 1;
}

void TpFIBDataSet::SetRecNo(int value) {
  if (!VisibleRecNo()) return TFIBDataSet::SetRecNo(value);
  CheckBrowseMode();
  if (value <= 0) value = 1;
  if (value > static_cast<int>(VisibleRecords().size())) {
    FetchAll();
    value = std::min(value, static_cast<int>(VisibleRecords().size()));
  }
  if (value <= 0 || value == GetRecNo()) return;
  const int index = VisibleRecords()[static_cast<std::size_t>(value - 1)];
  DoBeforeScroll();
  SetCurrentRecordIndex(index);
  Resync(TResyncMode{});
  DoAfterScroll();
}

bool TpFIBDataSet::IsSequenced() const {
  if (TFIBDataSet::IsSequenced()) return true;
  if (VisibleRecNo()) return SelectQuery().Eof();
  return FServerRecordCount != 0;
}

void TpFIBDataSet::SetFiltered(bool value) {
  if (Active()) CheckBrowseMode();
  InvalidateFilterCount();
  TFIBDataSet::SetFiltered(value);
  // A filter text set while closed is compiled now.
  if (Active() && (FilterExpression() == nullptr || FilterExpression()->Text() != Trim(Filter())))
    TFIBDataSet::SetFilterText(Filter());
  if (Active()) First();
}

void TpFIBDataSet::SetFilterText(const std::string& text) {
  InvalidateFilterCount();
  TFIBDataSet::SetFilterText(text);
  InvalidateFilterCount();
}

void TpFIBDataSet::SetFilterOptions(TFilterOptions options) {
  InvalidateFilterCount();
  TFIBDataSet::SetFilterOptions(options);
  InvalidateFilterCount();
}

void TpFIBDataSet::DataEvent(TDataEvent event, const TDataEventInfo& info) {
  if (event == deDataSetChange) InvalidateFilterCount();
  TFIBDataSet::DataEvent(event, info);
}
