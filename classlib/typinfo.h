// Run-time type information of the class-library layer: a class publishes properties by
// listing them, in declaration order, in its TClassInfo; a class's full list is its
// parent's followed by its own. Properties are read and written by name through the
// functions below.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "classlib/sysutils.h"

namespace classlib {

class TPersistent;

// A property name the class does not publish, or an access the property does not allow.
class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

enum TTypeKind : uint8_t {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64,
  tkDynArray
};

// A set of type kinds, one bit per kind.
using TTypeKinds = uint32_t;
constexpr TTypeKinds KindsOf(TTypeKind kind) { return TTypeKinds(1) << kind; }
constexpr TTypeKinds tkAny = (TTypeKinds(1) << (tkDynArray + 1)) - 1;
// What property copying takes: everything but unknown kinds and events.
constexpr TTypeKinds tkProperties = tkAny & ~(KindsOf(tkUnknown) | KindsOf(tkMethod));

// A property value read or written by name: ordinals and enumerations as numbers, floats
// as double, strings as UTF-8.
using TPropertyValue = std::variant<int64_t, double, std::string>;

// One published property. Object properties (tkClass) give their object through
// GetObject and have no Get/Set; every other kind goes through Get and Set.
struct TPropInfo {
  const char* Name;
  TTypeKind Kind;
  TPropertyValue (*Get)(const TPersistent& instance);
  void (*Set)(TPersistent& instance, const TPropertyValue& value);
  TPersistent* (*GetObject)(const TPersistent& instance);
};

// The class reference: name, parent and the properties the class itself publishes.
// Registries may keep descendants of it that add a constructor.
struct TClassInfo {
  const char* ClassName;
  const TClassInfo* Parent;
  std::vector<TPropInfo> Published;
};
using TClass = const TClassInfo*;

bool InheritsFrom(TClass Class, TClass Ancestor);
// The number of published properties of Class, inherited ones included.
int PublishedPropertyCount(TClass Class);
// The published properties of Class whose kind is in Kinds, base class first.
std::vector<const TPropInfo*> GetPropList(TClass Class, TTypeKinds Kinds);
// The property of that exact name, or nullptr.
const TPropInfo* FindPropInfo(TClass Class, const std::string& Name);
// By name; a name the class does not publish fails with EPropertyError
// "Property <name> does not exist".
TPropertyValue GetPropValue(const TPersistent& Instance, const std::string& Name);
void SetPropValue(TPersistent& Instance, const std::string& Name, const TPropertyValue& Value);
TPersistent* GetObjectProp(const TPersistent& Instance, const std::string& Name);

// Converts a property value for a setter: numbers convert between each other, strings
// only to strings (EConvertError otherwise).
int64_t OrdinalOf(const TPropertyValue& Value);
double FloatOf(const TPropertyValue& Value);
const std::string& StringOf(const TPropertyValue& Value);

}  // namespace classlib
