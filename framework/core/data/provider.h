#pragma once
// What a dataset offers a data provider that applies changes through it
// (the dataset's provider-support group, TDataSet::PS...): the parameter
// collection handed back and forth, the kinds of change, the error that
// reports one failed change, and the flags by which fields tell a provider
// which of them identify a record.
//
// `TParams` owns its `TParam` items; a dataset that hands one out keeps
// it (made on first use) and refills it on every request.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "framework/core/base/set.h"
#include "framework/core/base/variant.h"
#include "framework/core/data/dataset_types.h"

enum TProviderFlag { pfInUpdate = 0, pfInWhere = 1, pfInKey = 2, pfHidden = 3 };
using TProviderFlags = TSet<TProviderFlag>;

enum TParamType { ptUnknown = 0, ptInput = 1, ptOutput = 2, ptInputOutput = 3, ptResult = 4 };

// One named value of a statement.
class TParam {
 public:
  TParam(std::string name, TFieldType dataType, TParamType paramType)
      : FName(std::move(name)), FDataType(dataType), FParamType(paramType) {}

  const std::string& Name() const { return FName; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType type) { FDataType = type; }
  TParamType ParamType() const { return FParamType; }
  void SetParamType(TParamType type) { FParamType = type; }
  // Unassigned (empty) until a value is set; null is a value.
  const Variant& Value() const { return FValue; }
  void SetValue(const Variant& value) { FValue = value; }
  bool IsNull() const { return FValue.IsNull() || FValue.IsEmpty(); }
  void Clear() { FValue = Variant::Null(); }

 private:
  std::string FName;
  TFieldType FDataType;
  TParamType FParamType;
  Variant FValue;
};

class TParams {
 public:
  TParams() = default;
  TParams(const TParams& other) { Assign(other); }
  TParams& operator=(const TParams& other) {
    if (this != &other) Assign(other);
    return *this;
  }

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (<i>)".
  TParam& Items(int index) const;
  TParam& operator[](int index) const { return Items(index); }
  // By name, ignoring case; nullptr when there is none.
  TParam* FindParam(std::string_view name) const;
  // Raises EDatabaseError "Parameter '<name>' not found".
  TParam& ParamByName(std::string_view name) const;
  TParam& CreateParam(TFieldType dataType, std::string name, TParamType paramType);
  void Clear() { FItems.clear(); }
  // Copies the items (names, types and values).
  void Assign(const TParams& other);

 private:
  std::vector<std::unique_ptr<TParam>> FItems;
};

// One change a provider could not apply: the server's message with its code
// (ErrorCode) and the code of the error met before it (PreviousError, 0
// without one).
class EUpdateError : public EDatabaseError {
 public:
  EUpdateError(std::string message, std::string context, int errorCode, int previousError)
      : EDatabaseError(std::move(message)),
        FContext(std::move(context)),
        FErrorCode(errorCode),
        FPreviousError(previousError) {}

  const std::string& Context() const { return FContext; }
  int ErrorCode() const { return FErrorCode; }
  int PreviousError() const { return FPreviousError; }

 private:
  std::string FContext;
  int FErrorCode;
  int FPreviousError;
};
