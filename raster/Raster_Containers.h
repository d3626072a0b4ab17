// Containers of the raster library (pointer map, rectangle list, class list) and the
// run-time property facility behind CopyPublishedProperties.
#pragma once

#include "Raster_Math.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace raster {

// ---------------------------------------------------------------------------------------
// Errors of the class-library layer that the containers and property access raise.

class EListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EPropertyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------------------
// Run-time type information: a class publishes properties by listing them, in declaration
// order, in its TClassInfo; a class's full list is its parent's followed by its own.

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

class TPersistent;

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

// The root of every object with published properties.
class TPersistent {
 public:
  static const TClassInfo ClassInfo;

  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  virtual TClass ClassType() const { return &ClassInfo; }
  std::string ClassName() const { return ClassType()->ClassName; }

  // Copies Source into this object; the base asks Source to assign itself to this
  // object, and fails with EConvertError when it cannot.
  virtual void Assign(TPersistent* Source);
  // Copies this object into Dest; the base fails with EConvertError.
  virtual void AssignTo(TPersistent* Dest);

 protected:
  // Raises "Cannot assign a <Source class or nil> to a <this class>".
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

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

// Copies every published property of Source whose kind is in Kinds to the property of the
// same name of Dest: object properties with Assign (nil on either side skips), the others
// by value. A failure of the property access passes to the caller.
void CopyPublishedProperties(const TPersistent& Source, TPersistent& Dest, TTypeKinds Kinds);

// ---------------------------------------------------------------------------------------
// A hash map from pointers to pointers: 256 buckets chosen by the second-lowest byte of
// the key address, each searched linearly.

struct TPointerBucketItem {
  void* Item;
  void* Data;
};

struct TPointerBucket {
  int32_t Count = 0;
  std::vector<TPointerBucketItem> Items;  // its size is the bucket's capacity
};

class TPointerMap {
 public:
  static constexpr int BucketCount = 256;

  TPointerMap() = default;
  TPointerMap(const TPointerMap&) = delete;
  TPointerMap& operator=(const TPointerMap&) = delete;
  // Empties the map. A descendant that disposes of Data in Delete must call Clear in its
  // own destructor, since the base destructor no longer reaches the override.
  virtual ~TPointerMap() { Clear(); }

  static int BucketOf(const void* Item) { return int((uintptr_t(Item) >> 8) & 255); }

  // The address of Item's Data slot; Created tells whether the entry is new. The address
  // stays valid until the next Add to the same bucket.
  void** Add(void* Item, bool& Created) { return Add(Item, nullptr, Created); }
  void** Add(void* Item, void* Data, bool& Created);
  bool Exists(const void* Item, int& BucketIndex, int& ItemIndex) const;
  bool Contains(const void* Item) const;
  // Data of the removed entry, nullptr when Item is absent.
  void* Remove(const void* Item);
  // Removes the entry at a position in use and returns its Data. While the map's Count is
  // 0 (during Clear) it only returns the Data.
  virtual void* Delete(int BucketIndex, int ItemIndex);
  // Data of Item; EListError "Item not found ($0<hex key>)" when absent.
  void* Data(const void* Item) const;
  void Clear();
  int32_t Count() const { return count_; }
  const TPointerBucket& Bucket(int Index) const { return buckets_[Index]; }

 private:
  static int32_t GrownCapacity(int32_t capacity);

  TPointerBucket buckets_[BucketCount];
  int32_t count_ = 0;
};

// Walks a map bucket by bucket upwards, each bucket from its last entry to its first.
class TPointerMapIterator {
 public:
  explicit TPointerMapIterator(const TPointerMap& Map) : map_(Map) {}
  bool Next();

  void* Item = nullptr;
  void* Data = nullptr;
  int BucketIndex = -1;
  int ItemIndex = -1;

 private:
  const TPointerMap& map_;
};

// ---------------------------------------------------------------------------------------
// A growing array of rectangles.

class TRectList {
 public:
  TRectList() = default;
  TRectList(const TRectList&) = delete;
  TRectList& operator=(const TRectList&) = delete;
  virtual ~TRectList();

  int32_t Add(const TRect& R);
  // Index must be in use.
  void Delete(int32_t Index);
  // The entry's address, nullptr outside 0..Count-1.
  TRect* Get(int32_t Index) const;
  void SetCount(int32_t N);
  void SetCapacity(int32_t N);
  virtual void Grow();
  virtual void Clear();

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  TRect* List() const { return list_; }

 private:
  TRect* list_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
};

// ---------------------------------------------------------------------------------------
// Class references in the order of registration.

class TClassList {
 public:
  void Add(TClass Class) { classes_.push_back(Class); }
  // The first class registered under exactly that name (case-sensitive), or nullptr.
  TClass Find(const std::string& Name) const;
  int Count() const { return int(classes_.size()); }
  TClass Items(int Index) const { return classes_.at(size_t(Index)); }

 private:
  std::vector<TClass> classes_;
};

}  // namespace raster
