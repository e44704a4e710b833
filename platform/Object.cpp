#include "platform/Object.h"

#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "platform/String.h"

namespace qv {

String Object::description() const {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "<%s: %p>", className(), static_cast<const void*>(this));
  return String(buffer);
}

bool Object::respondsToSelector(std::string_view selector) const {
  return selector == "description" || selector == "className";
}

Id Object::performSelector(std::string_view selector, const Id&) {
  if (selector == "description") return description().object();
  if (selector == "className") return String(className()).object();
  return {};
}

bool isEqualObjects(const Id& a, const Id& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->isEqual(*b);
}

String describe(const Id& object) { return object ? object->description() : String("(null)"); }

Class::Class(std::string name, std::function<Id()> make, std::map<std::string, Method, std::less<>> classMethods)
    : name_(std::move(name)), make_(std::move(make)), classMethods_(std::move(classMethods)) {}

String Class::description() const { return String::fromUTF8(name_); }

bool Class::respondsToSelector(std::string_view selector) const {
  if (selector == "new") return static_cast<bool>(make_);
  return classMethods_.find(selector) != classMethods_.end() || Object::respondsToSelector(selector);
}

Id Class::performSelector(std::string_view selector, const Id& argument) {
  if (selector == "new") return makeInstance();
  auto it = classMethods_.find(selector);
  if (it != classMethods_.end()) return it->second(argument);
  return Object::performSelector(selector, argument);
}

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, Ref<Class>> classes;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: classes may be looked up during exit
  return *r;
}

}  // namespace

void registerClass(Ref<Class> cls) {
  if (!cls) return;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.classes[cls->name()] = std::move(cls);
}

void unregisterClass(std::string_view name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.classes.erase(std::string(name));
}

Ref<Class> classNamed(std::string_view name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.classes.find(std::string(name));
  return it == r.classes.end() ? nullptr : it->second;
}

ScopedClassRegistration::ScopedClassRegistration(Ref<Class> cls) : name_(cls ? cls->name() : std::string()) {
  previous_ = classNamed(name_);
  registerClass(std::move(cls));
}

ScopedClassRegistration::~ScopedClassRegistration() {
  if (previous_) {
    registerClass(previous_);
  } else {
    unregisterClass(name_);
  }
}

}  // namespace qv
