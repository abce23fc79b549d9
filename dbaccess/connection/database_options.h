#pragma once
// Small option objects that the connection and the datasets group their
// settings into. Each is created and freed by the component that owns it
// (held in a unique_ptr) and is never shared; `Assign` copies one into
// another of the same kind.

#include <memory>
#include <string>
#include <string_view>

#include "framework/core/component/persistent.h"
#include "framework/core/component/strings.h"

class TFIBDatabase;

// The connection's parameter lines ("user_name=SYSDBA", "lc_ctype=WIN1251").
// Owned by its connection: a change while the connection is open raises
// client error 13 before anything changes, and every change marks the lines
// for the connection to build its parameter block again before the next
// attach.
class TDBParams : public TStringList {
 public:
  explicit TDBParams(TFIBDatabase* owner) : FOwner(owner) {}
  TFIBDatabase* Owner() const { return FOwner; }

  // Set by every change (and initially); the connection clears it once it
  // has built a block from these lines.
  bool ChangedSinceBuild() const { return FChangedSinceBuild; }
  void MarkBuilt() { FChangedSinceBuild = false; }

 protected:
  void Changing() override;
  void Changed() override;

 private:
  TFIBDatabase* FOwner;
  bool FChangedSinceBuild = true;
};

// A view of four parameter lines of its connection: reading gives the value
// after "=" (empty when the line is missing), writing replaces the line,
// appends it, or deletes it for an empty value.
class TConnectParams : public TPersistent {
 public:
  explicit TConnectParams(TFIBDatabase* owner) : FOwner(owner) {}

  std::string UserName() const;
  void SetUserName(std::string_view value);
  std::string RoleName() const;
  void SetRoleName(std::string_view value);
  std::string Password() const;
  void SetPassword(std::string_view value);
  std::string CharSet() const;
  void SetCharSet(std::string_view value);

  void Assign(const TPersistent* source) override;

 private:
  TFIBDatabase* FOwner;
};

enum TWhenGetGenID { wgNever, wgOnNewRecord, wgBeforePost };

// How a dataset writes its changes back by itself: the table, its key, and
// the generator that numbers new records.
class TAutoUpdateOptions : public TPersistent {
 public:
  TAutoUpdateOptions();
  ~TAutoUpdateOptions() override;

  const std::string& UpdateTableName() const { return FUpdateTableName; }
  // Names the generator "GEN_<table>_ID" when none is named and one is used.
  void SetUpdateTableName(std::string_view name);
  const std::string& KeyFields() const { return FKeyFields; }
  void SetKeyFields(std::string_view value) { FKeyFields = value; }
  bool AutoReWriteSqls() const { return FAutoReWriteSqls; }
  void SetAutoReWriteSqls(bool value) { FAutoReWriteSqls = value; }
  bool CanChangeSQLs() const { return FCanChangeSQLs; }
  void SetCanChangeSQLs(bool value) { FCanChangeSQLs = value; }
  const std::string& GeneratorName() const { return FGeneratorName; }
  void SetGeneratorName(std::string_view value) { FGeneratorName = value; }
  bool UpdateOnlyModifiedFields() const { return FUpdateOnlyModifiedFields; }
  // True takes only with AutoReWriteSqls and CanChangeSQLs both set.
  void SetUpdateOnlyModifiedFields(bool value);
  TWhenGetGenID WhenGetGenID() const { return FWhenGetGenID; }
  void SetWhenGetGenID(TWhenGetGenID value) { FWhenGetGenID = value; }
  int GeneratorStep() const { return FGeneratorStep; }
  void SetGeneratorStep(int value) { FGeneratorStep = value; }
  // Lines "parameter=field"; empty lines are dropped when assigned.
  TStrings& ParamsToFieldsLinks() const { return *FParamsToFieldsLinks; }
  void SetParamsToFieldsLinks(const TStrings& lines);
  bool AutoParamsToFields() const { return FAutoParamsToFields; }
  void SetAutoParamsToFields(bool value) { FAutoParamsToFields = value; }

  // Whether a generator is used; true when none was gives wgBeforePost,
  // false gives wgNever.
  bool UseGenerator() const { return FWhenGetGenID != wgNever; }
  void SetUseGenerator(bool value);

  void Assign(const TPersistent* source) override;

 private:
  std::string FUpdateTableName;
  std::string FKeyFields;
  bool FAutoReWriteSqls = false;
  bool FCanChangeSQLs = false;
  std::string FGeneratorName;
  bool FUpdateOnlyModifiedFields = false;
  TWhenGetGenID FWhenGetGenID = wgNever;
  int FGeneratorStep = 1;
  std::unique_ptr<TStringList> FParamsToFieldsLinks;
  bool FAutoParamsToFields = false;
};

// The display and edit formats a dataset gives its date and number fields.
class TFormatFields : public TPersistent {
 public:
  const std::string& DateTimeDisplayFormat() const { return FDateTimeDisplayFormat; }
  void SetDateTimeDisplayFormat(std::string_view value) { FDateTimeDisplayFormat = value; }
  const std::string& NumericDisplayFormat() const { return FNumericDisplayFormat; }
  void SetNumericDisplayFormat(std::string_view value) { FNumericDisplayFormat = value; }
  const std::string& NumericEditFormat() const { return FNumericEditFormat; }
  void SetNumericEditFormat(std::string_view value) { FNumericEditFormat = value; }
  const std::string& DisplayFormatDate() const { return FDisplayFormatDate; }
  void SetDisplayFormatDate(std::string_view value) { FDisplayFormatDate = value; }
  const std::string& DisplayFormatTime() const { return FDisplayFormatTime; }
  void SetDisplayFormatTime(std::string_view value) { FDisplayFormatTime = value; }

  void Assign(const TPersistent* source) override;

 private:
  std::string FDateTimeDisplayFormat = "dd.mm.yyyy hh:mm AMPM";
  std::string FNumericDisplayFormat = "#,##0.";
  std::string FNumericEditFormat = "0.";
  std::string FDisplayFormatDate = "dd.mm.yyyy";
  std::string FDisplayFormatTime = "hh:mm AMPM";
};

// Where a connection keeps its local copy of the schema information.
class TCacheSchemaOptions : public TPersistent {
 public:
  const std::string& LocalCacheFile() const { return FLocalCacheFile; }
  void SetLocalCacheFile(std::string_view value) { FLocalCacheFile = value; }
  bool AutoSaveToFile() const { return FAutoSaveToFile; }
  void SetAutoSaveToFile(bool value) { FAutoSaveToFile = value; }
  bool AutoLoadFromFile() const { return FAutoLoadFromFile; }
  void SetAutoLoadFromFile(bool value) { FAutoLoadFromFile = value; }
  bool ValidateAfterLoad() const { return FValidateAfterLoad; }
  void SetValidateAfterLoad(bool value) { FValidateAfterLoad = value; }

  void Assign(const TPersistent* source) override;

 private:
  std::string FLocalCacheFile;
  bool FAutoSaveToFile = false;
  bool FAutoLoadFromFile = false;
  bool FValidateAfterLoad = true;
};
