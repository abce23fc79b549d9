#pragma once
// The base of everything that can copy its published state from another
// object of a compatible kind. `Assign` asks the target first and then the
// source (`AssignTo`), so either side may know how to copy; when neither
// does, it raises `EConvertError` "Cannot assign a X to a Y".
// Persistents have no owner by default; components and collection items
// answer `GetOwner()` so that names can be built as paths.

#include <string>

#include "framework/core/base/object.h"

class TPersistent : public TObject {
 public:
  TPersistent() = default;
  ~TPersistent() override = default;

  // Copies source's state into this object; source may be nullptr
  // (a class that accepts "nothing" overrides this).
  virtual void Assign(const TPersistent* source);

  // The object this one belongs to for naming purposes, or nullptr.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // A dotted path that names this object, for messages.
  virtual std::string GetNamePath() const;

  // The class name of the dynamic type ("TStringList"), for messages.
  std::string ClassName() const;

 protected:
  // Copies this object's state into dest; the default refuses.
  virtual void AssignTo(TPersistent* dest) const;

  // Raises the "Cannot assign" error for source (nullptr allowed) to this.
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// The demangled name of a dynamic type, used for messages.
std::string ClassNameOf(const TObject& object);
