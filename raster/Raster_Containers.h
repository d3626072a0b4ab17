// Containers of the raster library (pointer map, rectangle list, class list) and the
// copying of published properties.
#pragma once

#include "raster/Raster_Math.h"

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/persistent.h"

namespace raster {

// The root classes, the run-time property facility and the errors come from the class
// library; raster code names them as its own.
using classlib::TObject, classlib::TPersistent, classlib::TNotifyEvent;
using classlib::TClassInfo, classlib::TClass, classlib::TPropInfo, classlib::TPropertyValue;
using classlib::TTypeKind, classlib::TTypeKinds, classlib::KindsOf, classlib::tkAny,
    classlib::tkProperties;
using classlib::tkUnknown, classlib::tkInteger, classlib::tkChar, classlib::tkEnumeration,
    classlib::tkFloat, classlib::tkString, classlib::tkSet, classlib::tkClass,
    classlib::tkMethod, classlib::tkWChar, classlib::tkLString, classlib::tkWString,
    classlib::tkVariant, classlib::tkArray, classlib::tkRecord, classlib::tkInterface,
    classlib::tkInt64, classlib::tkDynArray;
using classlib::InheritsFrom, classlib::PublishedPropertyCount, classlib::GetPropList,
    classlib::FindPropInfo, classlib::GetPropValue, classlib::SetPropValue,
    classlib::GetObjectProp, classlib::OrdinalOf, classlib::FloatOf, classlib::StringOf;
using classlib::Exception, classlib::EListError, classlib::EConvertError,
    classlib::EPropertyError, classlib::EAssignError;

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
