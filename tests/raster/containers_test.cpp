// Pointer map, rectangle list, class list and published-property copying.
#include "raster/Raster_Containers.h"

#include <gtest/gtest.h>

#include <map>

namespace raster {
namespace {

void* Key(uintptr_t address) { return reinterpret_cast<void*>(address); }

TEST(PointerMap, AddPresentKeyKeepsData) {
  TPointerMap map;
  bool created = false;
  void** slot = map.Add(Key(0x1000), Key(1), created);
  EXPECT_TRUE(created);
  EXPECT_EQ(*slot, Key(1));
  void** again = map.Add(Key(0x1000), Key(2), created);
  EXPECT_FALSE(created);
  EXPECT_EQ(again, slot);
  EXPECT_EQ(*again, Key(1));
  EXPECT_EQ(map.Count(), 1);
  *again = Key(3);
  EXPECT_EQ(map.Data(Key(0x1000)), Key(3));
}

TEST(PointerMap, BucketsByTheSecondByte) {
  TPointerMap map;
  bool created = false;
  map.Add(Key(0x00001000), Key(1), created);
  map.Add(Key(0x00011000), Key(2), created);
  map.Add(Key(0x0000FF00), Key(3), created);
  int bucket = 0, item = 0;
  ASSERT_TRUE(map.Exists(Key(0x00011000), bucket, item));
  EXPECT_EQ(bucket, 16);
  EXPECT_EQ(item, 1);
  ASSERT_TRUE(map.Exists(Key(0x0000FF00), bucket, item));
  EXPECT_EQ(bucket, 255);
  EXPECT_FALSE(map.Exists(Key(0x00021000), bucket, item));
  EXPECT_EQ(bucket, 16);  // set also when absent
  // Buckets upwards, each from its last entry to its first.
  TPointerMapIterator it(map);
  std::vector<void*> walked;
  while (it.Next()) walked.push_back(it.Item);
  EXPECT_EQ(walked, (std::vector<void*>{Key(0x00011000), Key(0x00001000), Key(0x0000FF00)}));
}

TEST(PointerMap, IteratorOnEmptyAndSingleEntry) {
  TPointerMap map;
  TPointerMapIterator empty(map);
  EXPECT_FALSE(empty.Next());
  bool created = false;
  map.Add(Key(0x4200), Key(9), created);
  TPointerMapIterator one(map);
  ASSERT_TRUE(one.Next());
  EXPECT_EQ(one.Item, Key(0x4200));
  EXPECT_EQ(one.Data, Key(9));
  EXPECT_FALSE(one.Next());
}

TEST(PointerMap, BucketCapacityGrowth) {
  TPointerMap map;
  bool created = false;
  std::vector<size_t> capacities;
  for (uintptr_t i = 0; i < 118; ++i) {
    map.Add(Key(0x10000 * (i + 1)), nullptr, created);  // all in bucket 0
    const size_t capacity = map.Bucket(0).Items.size();
    if (capacities.empty() || capacities.back() != capacity) capacities.push_back(capacity);
  }
  EXPECT_EQ(capacities, (std::vector<size_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  EXPECT_EQ(map.Count(), 118);
}

TEST(PointerMap, RemoveShiftsEntriesAndReleasesLast) {
  TPointerMap map;
  bool created = false;
  for (uintptr_t i = 1; i <= 3; ++i) map.Add(Key(0x10000 * i), Key(i), created);
  EXPECT_EQ(map.Remove(Key(0x10000)), Key(1));
  EXPECT_EQ(map.Remove(Key(0x10000)), nullptr);
  int bucket = 0, item = 0;
  ASSERT_TRUE(map.Exists(Key(0x30000), bucket, item));
  EXPECT_EQ(item, 1);
  EXPECT_EQ(map.Count(), 2);
  map.Remove(Key(0x20000));
  map.Remove(Key(0x30000));
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(map.Bucket(0).Items.size(), 0u);
}

TEST(PointerMap, DataOfAbsentKeyFails) {
  TPointerMap map;
  try {
    map.Data(Key(0x1A2B));
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Item not found ($01A2B)");
  }
}

// A descendant that owns its Data, as the repaint optimizer's tile map does.
class OwningMap : public TPointerMap {
 public:
  ~OwningMap() override { Clear(); }
  void* Delete(int BucketIndex, int ItemIndex) override {
    void* data = TPointerMap::Delete(BucketIndex, ItemIndex);
    deleted.push_back(data);
    return data;
  }
  std::vector<void*> deleted;
};

TEST(PointerMap, ClearHandsEveryDataToTheDescendant) {
  OwningMap map;
  bool created = false;
  map.Add(Key(0x100), Key(1), created);
  map.Add(Key(0x200), Key(2), created);
  map.Add(Key(0x10200), Key(3), created);
  map.Clear();
  EXPECT_EQ(map.deleted, (std::vector<void*>{Key(1), Key(3), Key(2)}));
  EXPECT_EQ(map.Count(), 0);
  EXPECT_FALSE(map.Contains(Key(0x200)));
  map.deleted.clear();
  map.Add(Key(0x300), Key(4), created);
  EXPECT_EQ(map.Remove(Key(0x300)), Key(4));
  EXPECT_EQ(map.deleted, (std::vector<void*>{Key(4)}));
}

TEST(RectList, GrowthSequenceAndClear) {
  TRectList list;
  std::vector<int32_t> capacities;
  for (int i = 0; i < 150; ++i) {
    EXPECT_EQ(list.Add(RectOf(i, 0, i + 1, 1)), i);
    if (capacities.empty() || capacities.back() != list.Capacity())
      capacities.push_back(list.Capacity());
    if (i == 8) {
      EXPECT_EQ(list.Capacity(), 16) << "after 9 additions";
    }
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{8, 16, 48, 80, 112, 144, 180}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 10);
  for (int i = 0; i < 11; ++i) list.Add(RectOf(0, 0, 1, 1));
  EXPECT_EQ(list.Capacity(), 42);
}

TEST(RectList, SetCountZeroesAndDeleteShifts) {
  TRectList list;
  list.SetCount(5);
  ASSERT_EQ(list.Count(), 5);
  for (int i = 0; i < 5; ++i) {
    const TRect* r = list.Get(i);
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->left == 0 && r->top == 0 && r->right == 0 && r->bottom == 0) << i;
  }
  EXPECT_EQ(list.Get(5), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  for (int i = 0; i < 5; ++i) *list.Get(i) = RectOf(i, i, i, i);
  list.Delete(1);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(1)->left, 2);
  EXPECT_EQ(list.Get(3)->left, 4);
  list.Delete(3);
  EXPECT_EQ(list.Count(), 3);
  list.SetCapacity(2);  // shrinking below the count drops the entries beyond it
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(2), nullptr);
}

// ---------------------------------------------------------------------------------------
// Published properties

enum TShade : uint8_t { shLight, shMedium, shDark };

class TSettings : public TPersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }
  void Assign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<TSettings*>(Source)) {
      Level = other->Level;
      ++assigned;
      return;
    }
    TPersistent::Assign(Source);
  }
  int32_t Level = 0;
  int assigned = 0;
};

const TClassInfo TSettings::ClassInfo{
    "TSettings", &TPersistent::ClassInfo,
    {{"Level", tkInteger,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(static_cast<const TSettings&>(o).Level); },
      [](TPersistent& o, const TPropertyValue& v) { static_cast<TSettings&>(o).Level = int32_t(OrdinalOf(v)); },
      nullptr}}};

class TBase : public TPersistent {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }
  float Width = 1.0f;
  TShade Shade = shLight;
  std::string Title;
  TSettings* Settings = nullptr;
  int events = 0;
};

class TDerived : public TBase {
 public:
  static const TClassInfo ClassInfo;
  TClass ClassType() const override { return &ClassInfo; }
  int32_t Extra = 0;
};

#define SELF(T) static_cast<T&>(o)
#define CSELF(T) static_cast<const T&>(o)
const TClassInfo TBase::ClassInfo{
    "TBase", &TPersistent::ClassInfo,
    {{"Width", tkFloat,
      [](const TPersistent& o) -> TPropertyValue { return double(CSELF(TBase).Width); },
      [](TPersistent& o, const TPropertyValue& v) { SELF(TBase).Width = float(FloatOf(v)); },
      nullptr},
     {"Shade", tkEnumeration,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(CSELF(TBase).Shade); },
      [](TPersistent& o, const TPropertyValue& v) { SELF(TBase).Shade = TShade(OrdinalOf(v)); },
      nullptr},
     {"OnEvent", tkMethod,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(CSELF(TBase).events); },
      [](TPersistent& o, const TPropertyValue& v) { SELF(TBase).events = int(OrdinalOf(v)); },
      nullptr},
     {"Settings", tkClass, nullptr, nullptr,
      [](const TPersistent& o) -> TPersistent* { return CSELF(TBase).Settings; }},
     {"Title", tkLString,
      [](const TPersistent& o) -> TPropertyValue { return CSELF(TBase).Title; },
      [](TPersistent& o, const TPropertyValue& v) { SELF(TBase).Title = StringOf(v); },
      nullptr}}};

const TClassInfo TDerived::ClassInfo{
    "TDerived", &TBase::ClassInfo,
    {{"Extra", tkInteger,
      [](const TPersistent& o) -> TPropertyValue { return int64_t(CSELF(TDerived).Extra); },
      [](TPersistent& o, const TPropertyValue& v) { SELF(TDerived).Extra = int32_t(OrdinalOf(v)); },
      nullptr}}};

TEST(PublishedProperties, ListInDeclarationOrderBaseFirst) {
  std::vector<std::string> names;
  for (const TPropInfo* info : GetPropList(&TDerived::ClassInfo, tkAny)) names.push_back(info->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Width", "Shade", "OnEvent", "Settings", "Title", "Extra"}));
  names.clear();
  for (const TPropInfo* info : GetPropList(&TDerived::ClassInfo, tkProperties)) names.push_back(info->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Width", "Shade", "Settings", "Title", "Extra"}));
  EXPECT_EQ(PublishedPropertyCount(&TDerived::ClassInfo), 6);
  EXPECT_EQ(PublishedPropertyCount(&TPersistent::ClassInfo), 0);
}

TEST(PublishedProperties, ReadAndWriteByName) {
  TDerived d;
  SetPropValue(d, "Shade", int64_t(shDark));
  SetPropValue(d, "Width", 2.5);
  SetPropValue(d, "Title", std::string("Lanczos"));
  EXPECT_EQ(d.Shade, shDark);
  EXPECT_EQ(std::get<int64_t>(GetPropValue(d, "Shade")), 2);  // enumerations as numbers
  EXPECT_EQ(std::get<double>(GetPropValue(d, "Width")), 2.5);
  EXPECT_EQ(std::get<std::string>(GetPropValue(d, "Title")), "Lanczos");
  try {
    GetPropValue(d, "Radius");
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Radius does not exist");
  }
  EXPECT_THROW(SetPropValue(d, "Title", int64_t(1)), EConvertError);
}

TEST(PublishedProperties, CopyValuesAndAssignObjects) {
  TSettings source_settings, dest_settings;
  source_settings.Level = 7;
  TDerived source, dest;
  source.Width = 3.0f;
  source.Shade = shMedium;
  source.Title = "kernel";
  source.Extra = 42;
  source.events = 5;
  source.Settings = &source_settings;
  dest.Settings = &dest_settings;
  CopyPublishedProperties(source, dest, tkProperties);
  EXPECT_EQ(dest.Width, 3.0f);
  EXPECT_EQ(dest.Shade, shMedium);
  EXPECT_EQ(dest.Title, "kernel");
  EXPECT_EQ(dest.Extra, 42);
  EXPECT_EQ(dest.events, 0) << "events are not copied";
  EXPECT_EQ(dest_settings.Level, 7);
  EXPECT_EQ(dest_settings.assigned, 1);
}

TEST(PublishedProperties, NilObjectOnEitherSideSkips) {
  TSettings settings;
  TBase source, dest;
  dest.Settings = &settings;  // source has none
  CopyPublishedProperties(source, dest, tkProperties);
  EXPECT_EQ(settings.assigned, 0);
  source.Settings = &settings;
  dest.Settings = nullptr;
  source.Width = 9.0f;
  CopyPublishedProperties(source, dest, tkProperties);
  EXPECT_EQ(dest.Width, 9.0f);
  EXPECT_EQ(settings.assigned, 0);
}

TEST(PublishedProperties, DestWithoutThePropertyFails) {
  TDerived source;
  TBase dest;
  source.Width = 4.0f;
  try {
    CopyPublishedProperties(source, dest, tkProperties);
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Extra does not exist");
  }
  EXPECT_EQ(dest.Width, 4.0f) << "properties before the failure are copied";
}

TEST(PublishedProperties, AssignOfUnrelatedClassFails) {
  TSettings settings;
  TBase other;
  try {
    settings.Assign(&other);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TBase to a TSettings");
  }
  try {
    settings.Assign(nullptr);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TSettings");
  }
}

TEST(ClassList, FindIsExactAndInRegistrationOrder) {
  TClassList list;
  const TClassInfo first{"TDraftResampler", &TPersistent::ClassInfo, {}};
  const TClassInfo second{"TDraftResampler", &TPersistent::ClassInfo, {}};
  list.Add(&TBase::ClassInfo);
  list.Add(&first);
  list.Add(&second);
  EXPECT_EQ(list.Find("TDraftResampler"), &first);
  EXPECT_EQ(list.Find("tdraftresampler"), nullptr);
  EXPECT_EQ(list.Find("TBase"), &TBase::ClassInfo);
  EXPECT_EQ(list.Find(""), nullptr);
  EXPECT_TRUE(InheritsFrom(&TDerived::ClassInfo, &TPersistent::ClassInfo));
  EXPECT_FALSE(InheritsFrom(&TBase::ClassInfo, &TDerived::ClassInfo));
}

}  // namespace
}  // namespace raster
