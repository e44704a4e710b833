// The object model shared by every subsystem: reference-counted objects with a
// class name, a description and content equality, plus the class registry that
// lets code find a class by name at run time.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

class String;
class Object;

template <class T>
using Ref = std::shared_ptr<T>;
using Id = Ref<Object>;

class Object : public std::enable_shared_from_this<Object> {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  virtual const char* className() const { return "NSObject"; }
  // "<ClassName: 0x…>" unless a class has a text form of its own.
  virtual String description() const;
  virtual bool isEqual(const Object& other) const { return this == &other; }
  virtual std::size_t hash() const { return std::hash<const void*>{}(this); }

  // Dynamic messaging for the few places that talk to classes they do not
  // link against (a crash reporter, an application delegate named in Info.plist).
  virtual bool respondsToSelector(std::string_view selector) const;
  virtual Id performSelector(std::string_view selector, const Id& argument);
};

// Identity and content equality for possibly-nil references.
bool isEqualObjects(const Id& a, const Id& b);
String describe(const Id& object);

// A class known by name: its instances are made by `make`, its class methods
// are reached through performSelector.
class Class final : public Object {
 public:
  using Method = std::function<Id(const Id& argument)>;

  Class(std::string name, std::function<Id()> make = {}, std::map<std::string, Method, std::less<>> classMethods = {});

  const std::string& name() const { return name_; }
  Id makeInstance() const { return make_ ? make_() : Id{}; }

  const char* className() const override { return name_.c_str(); }
  String description() const override;
  bool respondsToSelector(std::string_view selector) const override;
  Id performSelector(std::string_view selector, const Id& argument) override;

 private:
  std::string name_;
  std::function<Id()> make_;
  std::map<std::string, Method, std::less<>> classMethods_;
};

// Process-wide registry; registering a name again replaces the earlier class.
void registerClass(Ref<Class> cls);
void unregisterClass(std::string_view name);
Ref<Class> classNamed(std::string_view name);

// Registers a class for the lifetime of a scope (used by tests and plug-ins).
class ScopedClassRegistration {
 public:
  explicit ScopedClassRegistration(Ref<Class> cls);
  ~ScopedClassRegistration();
  ScopedClassRegistration(const ScopedClassRegistration&) = delete;
  ScopedClassRegistration& operator=(const ScopedClassRegistration&) = delete;

 private:
  std::string name_;
  Ref<Class> previous_;
};

// Who a site-tagged message is about: a class prints as its bare name, an
// object as its description.
struct ClassName {
  const char* name;
};

}  // namespace qv
