#include "framework/core/component/persistent.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "framework/core/base/exceptions.h"

std::string ClassNameOf(const TObject& object) {
  const char* mangled = typeid(object).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                   std::free);
  if (status != 0 || !demangled) return mangled;
  // The class's own name, without the scopes a test or helper class sits in.
  const std::string name(demangled.get());
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    if (name[i] == '<' || name[i] == '(')
      ++depth;
    else if (name[i] == '>' || name[i] == ')')
      --depth;
    else if (depth == 0 && name[i] == ':' && name[i + 1] == ':')
      start = i + 2;
  }
  return name.substr(start);
}

std::string TPersistent::ClassName() const { return ClassNameOf(*this); }

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  const std::string sourceName = source ? source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + sourceName + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const { return ClassName(); }
