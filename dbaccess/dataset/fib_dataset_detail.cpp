// TFIBCustomDataSet: the master-detail link and the scroll timers.
//
// A detail dataset's select statement takes its parameters from the fields
// of its master's current record: a parameter MAS_<field> or <field> takes
// the master field of that name. When the master moves to a record that
// gives other values, the detail reopens, at once or, with
// dcWaitEndMasterScroll, once the master has stood still for the end-scroll
// delay. A second timer calls OnEndScroll when the dataset itself has
// stopped scrolling.

#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/text.h"

namespace {

// The master field a select parameter stands for, or nullptr.
TField* MasterFieldOf(TDataSet& master, std::string_view name) {
  if (name.size() > 4 && AnsiSameText(name.substr(0, 4), "MAS_")) return master.FindField(name.substr(4));
  return master.FindField(name);
}

// The select statement's parameters with their master fields: the
// parameters in order, then the extra names that name one.
template <class Visit>
void ForEachMasterParam(TFIBQuery& query, TDataSet& master, Visit visit) {
  TFIBXSQLDA& params = query.Params();
  for (int i = 0; i < params.Count(); ++i) {
    TFIBXSQLVAR& param = params[i];
    if (param.IsMacro()) continue;
    if (TField* field = MasterFieldOf(master, param.Name())) {
      if (!visit(param, *field)) return;
    }
  }
  for (const std::string& name : query.ExtraParamNames()) {
    TFIBXSQLVAR* param = query.FindParam(name);
    if (param == nullptr) continue;
    if (TField* field = MasterFieldOf(master, name)) {
      if (!visit(*param, *field)) return;
    }
  }
}

bool IsBlobType(TFieldType type) { return IsBlobFieldType(type); }

}  // namespace

// ---- The link --------------------------------------------------------------------------------

TFIBDataLink::~TFIBDataLink() = default;

TDataSet* TFIBDataLink::DetailDataSet() const { return FDataSet; }

void TFIBDataLink::ActiveChanged() {
  if (FDataSet == nullptr) return;
  if (Active()) {
    FDataSet->MasterChanged();
    return;
  }
  if (!FDataSet->DetailConditions().Contains(dcIgnoreMasterClose) && FDataSet->Active()) FDataSet->Close();
}

void TFIBDataLink::RecordChanged(TField* field) {
  if (FDataSet == nullptr || field != nullptr || !FDataSet->Active()) return;
  if (FDataSet->MasterParamsChanged()) FDataSet->MasterChanged();
}

// ---- The master data source ------------------------------------------------------------

TDataSource* TFIBCustomDataSet::GetDataSource() const { return FDataLink ? FDataLink->DataSource() : nullptr; }

TDataSet* TFIBCustomDataSet::MasterDataSet() const {
  TDataSource* source = GetDataSource();
  return source != nullptr ? source->DataSet() : nullptr;
}

void TFIBCustomDataSet::SetDataSource(TDataSource* source) {
  if (source == GetDataSource()) return;
  if (source != nullptr) {
    // The source's dataset, its master, and so on up, must not be this one.
    TDataSet* dataSet = source->DataSet();
    for (int depth = 0; dataSet != nullptr && depth < 1000; ++depth) {
      if (dataSet == this) RaiseClientError(ceCircularReference, ComponentPath(this));
      TDataSource* master = dataSet->GetDataSource();
      dataSet = master != nullptr ? master->DataSet() : nullptr;
    }
  }
  if (!FDataLink) FDataLink = std::make_unique<TFIBDataLink>(this);
  FDataLink->SetDataSource(source);
}

// ---- Master parameters ---------------------------------------------------------------------

void TFIBCustomDataSet::SetMasterParams() {
  TDataSet* master = MasterDataSet();
  if (master == nullptr || !master->Active()) return;
  ForEachMasterParam(*FSelectQuery, *master, [this](TFIBXSQLVAR& param, TField& field) {
    if (field.IsNull()) {
      param.SetIsNull(true);
      return true;
    }
    switch (field.DataType()) {
      case ftString:
        param.SetAsString(field.AsString());
        break;
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftBoolean:
        param.SetAsInteger(field.AsInteger());
        break;
      case ftFloat:
      case ftCurrency:
        param.SetAsDouble(field.AsFloat());
        break;
      case ftBCD: {
        const auto* bcd = dynamic_cast<const TFIBBCDField*>(&field);
        if (bcd != nullptr && bcd->Size() == 0)
          param.SetAsInt64(field.AsLargeInt());
        else
          param.SetAsBcd(field.AsBCD());
        break;
      }
      case ftDate:
        param.SetAsDate(field.AsDateTime());
        break;
      case ftTime:
        param.SetAsTime(field.AsDateTime());
        break;
      case ftDateTime:
        param.SetAsDateTime(field.AsDateTime());
        break;
      default:
        if (!IsBlobType(field.DataType()))
          throw EFIBClientError(ceUnsupportedFeature,
                                ComponentPath(this) + ":\r\n" + std::string(ClientErrorText(ceUnsupportedFeature)));
        param.SetAsString(field.AsString());
        break;
    }
    return true;
  });
}

bool TFIBCustomDataSet::MasterParamsChanged() {
  if (FSelectSQLChanged) return true;
  TDataSet* master = MasterDataSet();
  if (master == nullptr || !master->Active()) return false;
  bool changed = false;
  ForEachMasterParam(*FSelectQuery, *master, [&changed](TFIBXSQLVAR& param, TField& field) {
    const bool paramNull = param.IsNull();
    const bool fieldNull = field.IsNull();
    if (paramNull || fieldNull) {
      changed = paramNull != fieldNull;
      return !changed;
    }
    switch (field.DataType()) {
      case ftString:
        changed = param.AsString() != field.AsString();
        break;
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftBoolean:
        changed = param.AsInteger() != field.AsInteger();
        break;
      case ftFloat:
      case ftCurrency:
        changed = param.AsDouble() != field.AsFloat();
        break;
      case ftBCD: {
        const auto* bcd = dynamic_cast<const TFIBBCDField*>(&field);
        if (bcd != nullptr && bcd->Size() == 0)
          changed = param.AsInt64() != field.AsLargeInt();
        else
          changed = param.AsCurrency().Value != field.AsCurrency().Value;
        break;
      }
      case ftDate:
      case ftTime:
      case ftDateTime:
        changed = param.AsDateTime() != field.AsDateTime();
        break;
      default:
        changed = param.AsString() != field.AsString();
        break;
    }
    return !changed;
  });
  return changed;
}

// ---- Following the master ----------------------------------------------------------------

TDetailConditions TFIBCustomDataSet::DetailConditions() const {
  TDetailConditions conditions = FDetailConditions;
  conditions.Exclude(dcWaitEndMasterScroll);
  if (FMasterRefreshTimer && FMasterRefreshTimer->Interval() != 0) conditions.Include(dcWaitEndMasterScroll);
  return conditions;
}

void TFIBCustomDataSet::SetDetailConditions(TDetailConditions conditions) {
  FDetailConditions = conditions;
  FDetailConditions.Exclude(dcWaitEndMasterScroll);
  if (!conditions.Contains(dcWaitEndMasterScroll)) {
    FMasterRefreshTimer.reset();
    return;
  }
  if (FMasterRefreshTimer) return;
  FMasterRefreshTimer = std::make_unique<TTimer>(nullptr);
  FMasterRefreshTimer->SetEnabled(false);
  FMasterRefreshTimer->SetInterval(FEndScrollDelay);
  FMasterRefreshTimer->OnTimer = TNotifyEvent(this, &TFIBCustomDataSet::MasterRefreshTimerTick);
}

void TFIBCustomDataSet::MasterChanged() {
  if (!FMasterRefreshTimer || FMasterRefreshTimer->Interval() == 0) {
    RefreshDetail();
    return;
  }
  // A master that is itself following its own master on its timer has
  // waited already: its details follow at once.
  auto* master = dynamic_cast<TFIBCustomDataSet*>(MasterDataSet());
  if (master != nullptr && master->FInTimerRefresh) {
    const bool saved = FInTimerRefresh;
    FInTimerRefresh = true;
    struct TRestore {
      bool& Flag;
      bool Saved;
      ~TRestore() { Flag = Saved; }
    } restore{FInTimerRefresh, saved};
    RefreshDetail();
    return;
  }
  FMasterRefreshTimer->SetEnabled(false);
  FMasterRefreshTimer->SetEnabled(true);
}

void TFIBCustomDataSet::MasterRefreshTimerTick(TObject*) {
  const bool saved = FInTimerRefresh;
  FInTimerRefresh = true;
  struct TRestore {
    bool& Flag;
    bool Saved;
    ~TRestore() { Flag = Saved; }
  } restore{FInTimerRefresh, saved};
  RefreshDetail();
}

void TFIBCustomDataSet::RefreshDetail() {
  if (FMasterRefreshTimer) FMasterRefreshTimer->SetEnabled(false);
  {
    TDisableControlsScope controls(*this);
    if (!IsBlankText(SelectSQL().Text()) && (Active() || FDetailConditions.Contains(dcForceOpen))) {
      TScreenCursorScope cursor(FSQLScreenCursor);
      if (Active()) Close();
      Open();
    }
  }
  DataEvent(deDataSetScroll);
}

void TFIBCustomDataSet::MasterCheck() {
  TDataSet* master = MasterDataSet();
  if (auto* fibMaster = dynamic_cast<TFIBCustomDataSet*>(master)) fibMaster->MasterCheck();
  if (master != nullptr && Active() && MasterParamsChanged()) RefreshDetail();
  if (FMasterRefreshTimer) FMasterRefreshTimer->SetEnabled(false);
}

// ---- End of scrolling ------------------------------------------------------------------------

void TFIBCustomDataSet::RestartEndScrollTimer() {
  if (!OnEndScroll) {
    FEndScrollTimer.reset();
    return;
  }
  if (!FEndScrollTimer) {
    FEndScrollTimer = std::make_unique<TTimer>(nullptr);
    FEndScrollTimer->SetEnabled(false);
    FEndScrollTimer->SetInterval(FEndScrollDelay);
    FEndScrollTimer->OnTimer = TNotifyEvent(this, &TFIBCustomDataSet::EndScrollTimerTick);
  }
  FEndScrollTimer->SetEnabled(false);
  FEndScrollTimer->SetEnabled(true);
}

void TFIBCustomDataSet::EndScrollTimerTick(TObject*) {
  if (FEndScrollTimer) FEndScrollTimer->SetEnabled(false);
  if (OnEndScroll) OnEndScroll(this);
}
