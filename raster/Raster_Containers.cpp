// Pointer map, rectangle list, class list and the copying of published properties.
#include "raster/Raster_Containers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace raster {

// ---------------------------------------------------------------------------------------
// Copying published properties

void CopyPublishedProperties(const TPersistent& Source, TPersistent& Dest, TTypeKinds Kinds) {
  if (PublishedPropertyCount(Source.ClassType()) == 0) return;
  // The list is a local vector, so it is released on every way out, failures included.
  const std::vector<const TPropInfo*> list = GetPropList(Source.ClassType(), Kinds);
  for (const TPropInfo* info : list) {
    if (info->Kind == tkClass) {
      TPersistent* dest_object = GetObjectProp(Dest, info->Name);
      if (dest_object == nullptr) continue;
      TPersistent* source_object = GetObjectProp(Source, info->Name);
      if (source_object != nullptr) dest_object->Assign(source_object);
    } else {
      SetPropValue(Dest, info->Name, GetPropValue(Source, info->Name));
    }
  }
}

// ---------------------------------------------------------------------------------------
// TPointerMap

int32_t TPointerMap::GrownCapacity(int32_t capacity) {
  if (capacity > 64) return capacity + capacity / 4;
  if (capacity > 8) return capacity + 16;
  return capacity + 4;
}

void** TPointerMap::Add(void* Item, void* Data, bool& Created) {
  int bucket_index = 0, item_index = 0;
  if (Exists(Item, bucket_index, item_index)) {
    Created = false;
    return &buckets_[bucket_index].Items[size_t(item_index)].Data;
  }
  TPointerBucket& bucket = buckets_[bucket_index];
  if (size_t(bucket.Count) == bucket.Items.size())
    bucket.Items.resize(size_t(GrownCapacity(bucket.Count)));
  TPointerBucketItem& entry = bucket.Items[size_t(bucket.Count)];
  entry = TPointerBucketItem{Item, Data};
  ++bucket.Count;
  ++count_;
  Created = true;
  return &entry.Data;
}

bool TPointerMap::Exists(const void* Item, int& BucketIndex, int& ItemIndex) const {
  BucketIndex = BucketOf(Item);
  const TPointerBucket& bucket = buckets_[BucketIndex];
  for (int i = 0; i < bucket.Count; ++i) {
    if (bucket.Items[size_t(i)].Item == Item) {
      ItemIndex = i;
      return true;
    }
  }
  return false;
}

bool TPointerMap::Contains(const void* Item) const {
  int bucket_index = 0, item_index = 0;
  return Exists(Item, bucket_index, item_index);
}

void* TPointerMap::Remove(const void* Item) {
  int bucket_index = 0, item_index = 0;
  if (!Exists(Item, bucket_index, item_index)) return nullptr;
  return Delete(bucket_index, item_index);
}

void* TPointerMap::Delete(int BucketIndex, int ItemIndex) {
  TPointerBucket& bucket = buckets_[BucketIndex];
  void* data = bucket.Items[size_t(ItemIndex)].Data;
  if (count_ == 0) return data;
  if (bucket.Count == 1) {
    bucket.Items = {};
  } else {
    bucket.Items.erase(bucket.Items.begin() + ItemIndex);
    bucket.Items.push_back(TPointerBucketItem{});  // the capacity stays as it was
  }
  --bucket.Count;
  --count_;
  return data;
}

void* TPointerMap::Data(const void* Item) const {
  int bucket_index = 0, item_index = 0;
  if (!Exists(Item, bucket_index, item_index)) {
    char message[64];
    std::snprintf(message, sizeof message, "Item not found ($0%X)", unsigned(uintptr_t(Item)));
    throw EListError(message);
  }
  return buckets_[bucket_index].Items[size_t(item_index)].Data;
}

void TPointerMap::Clear() {
  count_ = 0;
  for (int b = 0; b < BucketCount; ++b) {
    for (int i = buckets_[b].Count - 1; i >= 0; --i) Delete(b, i);
    buckets_[b].Count = 0;
    buckets_[b].Items = {};
  }
}

bool TPointerMapIterator::Next() {
  if (ItemIndex > 0) {
    --ItemIndex;
  } else {
    ItemIndex = -1;
    while (ItemIndex == -1 && BucketIndex < TPointerMap::BucketCount - 1) {
      ++BucketIndex;
      ItemIndex = map_.Bucket(BucketIndex).Count - 1;
    }
    if (ItemIndex == -1) return false;
  }
  const TPointerBucketItem& entry = map_.Bucket(BucketIndex).Items[size_t(ItemIndex)];
  Item = entry.Item;
  Data = entry.Data;
  return true;
}

// ---------------------------------------------------------------------------------------
// TRectList

TRectList::~TRectList() {
  SetCount(0);
  SetCapacity(0);
}

int32_t TRectList::Add(const TRect& R) {
  if (count_ == capacity_) Grow();
  list_[count_] = R;
  return count_++;
}

void TRectList::Delete(int32_t Index) {
  --count_;
  if (Index < count_)
    std::memmove(list_ + Index, list_ + Index + 1, size_t(count_ - Index) * sizeof(TRect));
}

TRect* TRectList::Get(int32_t Index) const {
  if (Index < 0 || Index >= count_) return nullptr;
  return list_ + Index;
}

void TRectList::SetCount(int32_t N) {
  if (N < 0) N = 0;
  if (N > capacity_) SetCapacity(N);
  if (N > count_) {
    std::memset(list_ + count_, 0, size_t(N - count_) * sizeof(TRect));
  } else {
    for (int32_t i = count_ - 1; i >= N; --i) Delete(i);
  }
  count_ = N;
}

void TRectList::SetCapacity(int32_t N) {
  if (N < 0) N = 0;
  if (N == capacity_) return;
  if (N == 0) {
    std::free(list_);
    list_ = nullptr;
  } else {
    void* grown = std::realloc(list_, size_t(N) * sizeof(TRect));
    if (grown == nullptr) throw std::bad_alloc();
    list_ = static_cast<TRect*>(grown);
  }
  capacity_ = N;
  // Entries beyond a smaller capacity are gone; the count must not point past them.
  if (count_ > capacity_) count_ = capacity_;
}

void TRectList::Grow() {
  int32_t delta = 8;
  if (capacity_ > 128) {
    delta = capacity_ / 4;
  } else if (capacity_ > 8) {
    delta = 32;
  }
  SetCapacity(capacity_ + delta);
}

void TRectList::Clear() {
  SetCount(0);
  SetCapacity(10);
}

// ---------------------------------------------------------------------------------------
// TClassList

TClass TClassList::Find(const std::string& Name) const {
  for (TClass Class : classes_)
    if (Name == Class->ClassName) return Class;
  return nullptr;
}

}  // namespace raster
