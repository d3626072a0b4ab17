#include "classlib/persistent.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace classlib {

namespace {

// The most derived C++ class of an object without its namespace.
std::string TypeNameOf(const TObject& object) {
  const char* mangled = typeid(object).name();
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
  std::string name = status == 0 && demangled ? demangled.get() : mangled;
  // "classlib::TBitmap" and "(anonymous namespace)::TFoo" alike: keep the last part.
  std::string::size_type colons = name.rfind("::");
  return colons == std::string::npos ? name : name.substr(colons + 2);
}

}  // namespace

const TClassInfo TObject::ClassInfo{"TObject", nullptr, {}};
const TClassInfo TPersistent::ClassInfo{"TPersistent", &TObject::ClassInfo, {}};

std::string TObject::ClassName() const {
  TClass type = ClassType();
  // Most classes of the layer publish nothing and declare no class reference: their C++
  // class names them.
  if (type == &TObject::ClassInfo || type == &TPersistent::ClassInfo) return TypeNameOf(*this);
  return type->ClassName;
}

void TPersistent::Assign(TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::AssignError(const TPersistent* source) const {
  std::string source_name = source ? source->ClassName() : "nil";
  throw EAssignError("Cannot assign a " + source_name + " to a " + ClassName());
}

}  // namespace classlib
