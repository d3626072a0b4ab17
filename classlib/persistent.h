// Persistent objects of the class-library layer: objects with a run-time class name that
// can be assigned to one another and can declare extra stream properties to a filer.
#pragma once

#include <any>
#include <functional>
#include <stdexcept>
#include <string>

namespace classlib {

class TStream;
class TFiler;
class TPersistent;

// A change notification of a graphics object or canvas: the object that changed.
using TChangeEvent = std::function<void(TPersistent* sender)>;

// An object cannot be assigned to another: "Cannot assign a <source> to a <target>".
class EAssignError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An object whose state can be copied from another object (Assign) and written to and read
// from a stream through the properties it declares to a filer (DefineProperties).
class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  // The name of the object's most derived class without its namespace, for example
  // "TBitmap"; used in error texts.
  std::string ClassName() const;

  // Copies Source into this object. The base asks Source to copy itself into this object
  // (Source->AssignTo(this)); a nil source, or one that cannot, fails with EAssignError.
  virtual void Assign(TPersistent* source);

 protected:
  // Copies this object into Dest. The base cannot and fails with EAssignError.
  virtual void AssignTo(TPersistent* dest);
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
  // pointer to the root class of its hierarchy (const TPersistent* for the objects of this
  // layer); empty when there is none. Properties equal to the ancestor's need not be written.
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
