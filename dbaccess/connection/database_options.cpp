#include "dbaccess/connection/database_options.h"

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/util/helpers.h"

namespace {

// The DPB codes of the lines TConnectParams shows.
constexpr int DpbUserName = 28;
constexpr int DpbPassword = 29;
constexpr int DpbLcCtype = 48;
constexpr int DpbSqlRoleName = 60;

}  // namespace

// ---- TDBParams ----------------------------------------------------------------------

void TDBParams::Changing() {
  if (FOwner != nullptr && FOwner->Connected() &&
      !FOwner->ComponentState().Contains(TComponentStateItem::csDesigning))
    RaiseClientError(ceDatabaseOpen);
  TStringList::Changing();
}

void TDBParams::Changed() {
  FChangedSinceBuild = true;
  TStringList::Changed();
}

// ---- TConnectParams -------------------------------------------------------------------

std::string TConnectParams::UserName() const { return FOwner->ParamValue(DpbUserName); }
void TConnectParams::SetUserName(std::string_view value) { FOwner->SetParamValue(DpbUserName, value); }
std::string TConnectParams::RoleName() const { return FOwner->ParamValue(DpbSqlRoleName); }
void TConnectParams::SetRoleName(std::string_view value) { FOwner->SetParamValue(DpbSqlRoleName, value); }
std::string TConnectParams::Password() const { return FOwner->ParamValue(DpbPassword); }
void TConnectParams::SetPassword(std::string_view value) { FOwner->SetParamValue(DpbPassword, value); }
std::string TConnectParams::CharSet() const { return FOwner->ParamValue(DpbLcCtype); }
void TConnectParams::SetCharSet(std::string_view value) { FOwner->SetParamValue(DpbLcCtype, value); }

void TConnectParams::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TConnectParams*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  SetUserName(other->UserName());
  SetRoleName(other->RoleName());
  SetPassword(other->Password());
  SetCharSet(other->CharSet());
}

// ---- TAutoUpdateOptions -------------------------------------------------------------------

TAutoUpdateOptions::TAutoUpdateOptions() : FParamsToFieldsLinks(std::make_unique<TStringList>()) {}

TAutoUpdateOptions::~TAutoUpdateOptions() = default;

void TAutoUpdateOptions::SetUpdateTableName(std::string_view name) {
  FUpdateTableName = name;
  if (FGeneratorName.empty() && FWhenGetGenID != wgNever) FGeneratorName = "GEN_" + FUpdateTableName + "_ID";
}

void TAutoUpdateOptions::SetUpdateOnlyModifiedFields(bool value) {
  FUpdateOnlyModifiedFields = value && FAutoReWriteSqls && FCanChangeSQLs;
}

void TAutoUpdateOptions::SetParamsToFieldsLinks(const TStrings& lines) {
  FParamsToFieldsLinks->Assign(&lines);
  DeleteEmptyLines(*FParamsToFieldsLinks);
}

void TAutoUpdateOptions::SetUseGenerator(bool value) {
  if (!value)
    FWhenGetGenID = wgNever;
  else if (FWhenGetGenID == wgNever)
    FWhenGetGenID = wgBeforePost;
}

void TAutoUpdateOptions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TAutoUpdateOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  FUpdateTableName = other->FUpdateTableName;
  FKeyFields = other->FKeyFields;
  FAutoReWriteSqls = other->FAutoReWriteSqls;
  FCanChangeSQLs = other->FCanChangeSQLs;
  FGeneratorName = other->FGeneratorName;
  FUpdateOnlyModifiedFields = other->FUpdateOnlyModifiedFields;
  FWhenGetGenID = other->FWhenGetGenID;
  FGeneratorStep = other->FGeneratorStep;
  FParamsToFieldsLinks->Assign(other->FParamsToFieldsLinks.get());
  FAutoParamsToFields = other->FAutoParamsToFields;
}

// ---- TFormatFields, TCacheSchemaOptions ------------------------------------------------------

void TFormatFields::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFormatFields*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  FDateTimeDisplayFormat = other->FDateTimeDisplayFormat;
  FNumericDisplayFormat = other->FNumericDisplayFormat;
  FNumericEditFormat = other->FNumericEditFormat;
  FDisplayFormatDate = other->FDisplayFormatDate;
  FDisplayFormatTime = other->FDisplayFormatTime;
}

void TCacheSchemaOptions::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCacheSchemaOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  FLocalCacheFile = other->FLocalCacheFile;
  FAutoSaveToFile = other->FAutoSaveToFile;
  FAutoLoadFromFile = other->FAutoLoadFromFile;
  FValidateAfterLoad = other->FValidateAfterLoad;
}
