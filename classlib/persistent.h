// The root of the class-library objects (TObject) and of the objects with published
// properties that can be assigned to one another and can declare extra stream properties to
// a filer (TPersistent).
#pragma once

#include <any>
#include <functional>
#include <string>

#include "classlib/sysutils.h"
#include "classlib/typinfo.h"

namespace classlib {

class TStream;
class TFiler;

// The root of every object of the layer: forms, controls, menus, graphics objects, bitmaps.
class TObject {
 public:
  static const TClassInfo ClassInfo;

  virtual ~TObject() = default;

  // The class reference; classes that publish properties declare their own.
  virtual TClass ClassType() const { return &ClassInfo; }
  // The class reference's name. A class without a class reference of its own is named by
  // its most derived C++ class without the namespace, for example "TBitmap"; used in error
  // texts.
  std::string ClassName() const;
};

// A notification: the object that sent it (a click, a change of a graphics object or
// canvas, a resize of a bitmap).
using TNotifyEvent = std::function<void(TObject* sender)>;

// An object cannot be assigned to another: "Cannot assign a <source> to a <target>".
class EAssignError : public EConvertError {
 public:
  using EConvertError::EConvertError;
};

// An object whose state can be copied from another object (Assign) and written to and read
// from a stream through the properties it declares to a filer (DefineProperties).
class TPersistent : public TObject {
 public:
  static const TClassInfo ClassInfo;

  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  TClass ClassType() const override { return &ClassInfo; }

  // Copies Source into this object. The base asks Source to copy itself into this object
  // (Source->AssignTo(this)); a nil source, or one that cannot, fails with EAssignError.
  virtual void Assign(TPersistent* source);
  // Copies this object into Dest. The base cannot and fails with EAssignError.
  virtual void AssignTo(TPersistent* dest);

 protected:
  // Declares the object's extra stream properties; the base has none.
  virtual void DefineProperties(TFiler& filer);
  // Throws "Cannot assign a <source class or nil> to a <this class>".
  [[noreturn]] void AssignError(const TPersistent* source) const;

  friend class TFiler;
};

// The reader or writer of an object's stream properties. An object declares each extra
// property with DefineBinaryProperty; the writer calls the write routine of the ones that
// have data, the reader the read routine of the ones it finds in the stream.
class TFiler {
 public:
  using BinaryProc = std::function<void(TStream& stream)>;
  // Declares an object's properties to a filer (its DefineProperties).
  using DefineProc = std::function<void(TFiler& filer)>;

  virtual ~TFiler() = default;
  // The object this one is compared with when writing (the object it was made from), as a
  // const TPersistent*; empty when there is none. Properties equal to the ancestor's need not
  // be written.
  const std::any& Ancestor() const { return ancestor_; }
  void SetAncestor(std::any ancestor) { ancestor_ = std::move(ancestor); }

  virtual void DefineBinaryProperty(const std::string& name, BinaryProc read_data,
                                    BinaryProc write_data, bool has_data) = 0;

 protected:
  static DefineProc PropertiesOf(TPersistent& instance) {
    return [&instance](TFiler& filer) { instance.DefineProperties(filer); };
  }

 private:
  std::any ancestor_;
};

}  // namespace classlib
