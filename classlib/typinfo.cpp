// The run-time property facility: class chains, property lists and access by name.
#include "classlib/typinfo.h"

#include "classlib/persistent.h"

namespace classlib {

bool InheritsFrom(TClass Class, TClass Ancestor) {
  for (; Class != nullptr; Class = Class->Parent)
    if (Class == Ancestor) return true;
  return false;
}

namespace {

// The class chain from the root down to Class, so that base properties come first.
std::vector<TClass> ChainFromRoot(TClass Class) {
  std::vector<TClass> chain;
  for (; Class != nullptr; Class = Class->Parent) chain.insert(chain.begin(), Class);
  return chain;
}

const TPropInfo& RequirePropInfo(TClass Class, const std::string& Name) {
  const TPropInfo* info = FindPropInfo(Class, Name);
  if (info == nullptr) throw EPropertyError("Property " + Name + " does not exist");
  return *info;
}

}  // namespace

int PublishedPropertyCount(TClass Class) {
  int count = 0;
  for (; Class != nullptr; Class = Class->Parent) count += int(Class->Published.size());
  return count;
}

std::vector<const TPropInfo*> GetPropList(TClass Class, TTypeKinds Kinds) {
  std::vector<const TPropInfo*> list;
  for (TClass level : ChainFromRoot(Class))
    for (const TPropInfo& info : level->Published)
      if (Kinds & KindsOf(info.Kind)) list.push_back(&info);
  return list;
}

const TPropInfo* FindPropInfo(TClass Class, const std::string& Name) {
  // The most derived declaration of a name wins, as a redeclared property would.
  for (; Class != nullptr; Class = Class->Parent)
    for (const TPropInfo& info : Class->Published)
      if (Name == info.Name) return &info;
  return nullptr;
}

TPropertyValue GetPropValue(const TPersistent& Instance, const std::string& Name) {
  const TPropInfo& info = RequirePropInfo(Instance.ClassType(), Name);
  if (info.Get == nullptr) throw EPropertyError("Property " + Name + " is not readable");
  return info.Get(Instance);
}

void SetPropValue(TPersistent& Instance, const std::string& Name, const TPropertyValue& Value) {
  const TPropInfo& info = RequirePropInfo(Instance.ClassType(), Name);
  if (info.Set == nullptr) throw EPropertyError("Property " + Name + " is read-only");
  info.Set(Instance, Value);
}

TPersistent* GetObjectProp(const TPersistent& Instance, const std::string& Name) {
  const TPropInfo& info = RequirePropInfo(Instance.ClassType(), Name);
  if (info.GetObject == nullptr) throw EPropertyError("Property " + Name + " is not an object");
  return info.GetObject(Instance);
}

int64_t OrdinalOf(const TPropertyValue& Value) {
  if (const int64_t* ordinal = std::get_if<int64_t>(&Value)) return *ordinal;
  if (const double* number = std::get_if<double>(&Value)) return int64_t(*number);
  throw EConvertError("Invalid variant type conversion");
}

double FloatOf(const TPropertyValue& Value) {
  if (const double* number = std::get_if<double>(&Value)) return *number;
  if (const int64_t* ordinal = std::get_if<int64_t>(&Value)) return double(*ordinal);
  throw EConvertError("Invalid variant type conversion");
}

const std::string& StringOf(const TPropertyValue& Value) {
  if (const std::string* text = std::get_if<std::string>(&Value)) return *text;
  throw EConvertError("Invalid variant type conversion");
}

}  // namespace classlib
