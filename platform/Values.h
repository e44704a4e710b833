// Data, numbers, arrays and dictionaries: the value objects that property
// lists, error details and configurations are made of. Handles are nullable
// and share their object; arrays and dictionaries are mutable through any
// handle that shares them, as the platform's mutable collections are.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/Object.h"
#include "platform/String.h"

namespace qv {

class DataObject final : public Object {
 public:
  explicit DataObject(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  const char* className() const override { return "NSData"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override;

 private:
  std::vector<std::uint8_t> bytes_;
};

class Data {
 public:
  Data() = default;
  explicit Data(std::vector<std::uint8_t> bytes) : obj_(std::make_shared<const DataObject>(std::move(bytes))) {}
  static Data withBytes(const void* bytes, std::size_t length);
  static Data fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }
  std::size_t length() const { return obj_ ? obj_->bytes().size() : 0; }
  const std::uint8_t* bytes() const { return obj_ ? obj_->bytes().data() : nullptr; }
  const std::vector<std::uint8_t>& vector() const;
  friend bool operator==(const Data& a, const Data& b) { return isEqualObjects(a.object(), b.object()); }
  String description() const { return describe(object()); }
  Id object() const { return std::const_pointer_cast<DataObject>(obj_); }

 private:
  explicit Data(Ref<const DataObject> obj) : obj_(std::move(obj)) {}
  Ref<const DataObject> obj_;
};

class NumberObject final : public Object {
 public:
  enum class Kind { Bool, Integer, Unsigned, Real };
  NumberObject(Kind kind, std::int64_t i, std::uint64_t u, double d) : kind_(kind), i_(i), u_(u), d_(d) {}
  Kind kind() const { return kind_; }
  std::int64_t int64Value() const;
  std::uint64_t uint64Value() const;
  double doubleValue() const;
  bool boolValue() const { return kind_ == Kind::Real ? d_ != 0 : (kind_ == Kind::Unsigned ? u_ != 0 : i_ != 0); }
  const char* className() const override { return "NSNumber"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override;

 private:
  Kind kind_;
  std::int64_t i_;
  std::uint64_t u_;
  double d_;
};

class Number {
 public:
  Number() = default;
  static Number numberWithInt(std::int32_t v) { return numberWithLongLong(v); }
  static Number numberWithLongLong(std::int64_t v);
  static Number numberWithUnsignedLongLong(std::uint64_t v);
  static Number numberWithDouble(double v);
  static Number numberWithBool(bool v);
  static Number fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }
  std::int64_t int64Value() const { return obj_ ? obj_->int64Value() : 0; }
  std::int32_t intValue() const { return static_cast<std::int32_t>(int64Value()); }
  std::uint64_t uint64Value() const { return obj_ ? obj_->uint64Value() : 0; }
  double doubleValue() const { return obj_ ? obj_->doubleValue() : 0; }
  bool boolValue() const { return obj_ && obj_->boolValue(); }
  bool isBool() const { return obj_ && obj_->kind() == NumberObject::Kind::Bool; }
  bool isReal() const { return obj_ && obj_->kind() == NumberObject::Kind::Real; }
  friend bool operator==(const Number& a, const Number& b) { return isEqualObjects(a.object(), b.object()); }
  String description() const { return describe(object()); }
  Id object() const { return std::const_pointer_cast<NumberObject>(obj_); }

 private:
  explicit Number(Ref<const NumberObject> obj) : obj_(std::move(obj)) {}
  Ref<const NumberObject> obj_;
};

class ArrayObject final : public Object {
 public:
  std::vector<Id> items;
  const char* className() const override { return "NSArray"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override { return items.size(); }
};

class Array {
 public:
  Array() = default;
  static Array array() { return Array(std::make_shared<ArrayObject>()); }
  static Array withObjects(std::initializer_list<Id> objects);
  static Array withStrings(std::initializer_list<String> strings);
  static Array fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }
  std::size_t count() const { return obj_ ? obj_->items.size() : 0; }
  Id objectAtIndex(std::size_t i) const { return obj_ && i < obj_->items.size() ? obj_->items[i] : Id{}; }
  void addObject(Id object) const;
  const std::vector<Id>& items() const;
  friend bool operator==(const Array& a, const Array& b) { return isEqualObjects(a.object(), b.object()); }
  String description() const { return describe(object()); }
  Id object() const { return obj_; }

 private:
  explicit Array(Ref<ArrayObject> obj) : obj_(std::move(obj)) {}
  Ref<ArrayObject> obj_;
};

struct IdHash {
  std::size_t operator()(const Id& o) const { return o ? o->hash() : 0; }
};
struct IdEqual {
  bool operator()(const Id& a, const Id& b) const { return isEqualObjects(a, b); }
};

class DictionaryObject final : public Object {
 public:
  // Insertion order is kept so that written files are stable.
  std::vector<std::pair<Id, Id>> entries;
  Id find(const Id& key) const;
  void set(Id key, Id value);
  void remove(const Id& key);
  const char* className() const override { return "NSDictionary"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override { return entries.size(); }
};

class Dictionary {
 public:
  Dictionary() = default;
  static Dictionary dictionary() { return Dictionary(std::make_shared<DictionaryObject>()); }
  static Dictionary fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }
  std::size_t count() const { return obj_ ? obj_->entries.size() : 0; }
  Id objectForKey(const Id& key) const { return obj_ ? obj_->find(key) : Id{}; }
  Id objectForKey(const String& key) const { return objectForKey(key.object()); }
  String stringForKey(const String& key) const { return String::fromObject(objectForKey(key)); }
  void setObject(Id value, Id key) const;
  void setObject(Id value, const String& key) const { setObject(std::move(value), key.object()); }
  void removeObjectForKey(const Id& key) const;
  const std::vector<std::pair<Id, Id>>& entries() const;
  friend bool operator==(const Dictionary& a, const Dictionary& b) { return isEqualObjects(a.object(), b.object()); }
  String description() const { return describe(object()); }
  Id object() const { return obj_; }

 private:
  explicit Dictionary(Ref<DictionaryObject> obj) : obj_(std::move(obj)) {}
  Ref<DictionaryObject> obj_;
};

}  // namespace qv

namespace qv {

// A moment as seconds since 2001-01-01 00:00:00 UTC, the platform's epoch.
class DateObject final : public Object {
 public:
  explicit DateObject(double sinceReferenceDate) : t_(sinceReferenceDate) {}
  double timeIntervalSinceReferenceDate() const { return t_; }
  const char* className() const override { return "NSDate"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override { return std::hash<double>{}(t_); }

 private:
  double t_;
};

class Date {
 public:
  static constexpr double kUnixToReference = 978307200.0;
  Date() = default;
  static Date withTimeIntervalSinceReferenceDate(double t) { return Date(std::make_shared<const DateObject>(t)); }
  static Date withTimeIntervalSince1970(double t) { return withTimeIntervalSinceReferenceDate(t - kUnixToReference); }
  static Date now();
  static Date fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }
  double timeIntervalSinceReferenceDate() const { return obj_ ? obj_->timeIntervalSinceReferenceDate() : 0; }
  double timeIntervalSince1970() const { return timeIntervalSinceReferenceDate() + kUnixToReference; }
  String description() const { return describe(object()); }
  Id object() const { return std::const_pointer_cast<DateObject>(obj_); }

 private:
  explicit Date(Ref<const DateObject> obj) : obj_(std::move(obj)) {}
  Ref<const DateObject> obj_;
};

// The object-reference value of binary property lists (keyed archives).
class UIDObject final : public Object {
 public:
  explicit UIDObject(std::uint64_t value) : value_(value) {}
  std::uint64_t value() const { return value_; }
  const char* className() const override { return "__NSCFKeyedArchiverUID"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override { return std::hash<std::uint64_t>{}(value_); }

 private:
  std::uint64_t value_;
};

}  // namespace qv
