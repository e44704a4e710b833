// URLs with the platform's behaviour: file URLs made from paths, percent
// encoding, directory URLs that keep their trailing slash, equality as
// equality of the whole absolute string.
#pragma once

#include <string>

#include "platform/Object.h"
#include "platform/String.h"

namespace qv {

class URLObject final : public Object {
 public:
  explicit URLObject(std::string absolute);
  const std::string& absolute() const { return absolute_; }
  const char* className() const override { return "NSURL"; }
  String description() const override { return String::fromUTF8(absolute_); }
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override { return std::hash<std::string>{}(absolute_); }

  // Offsets into the absolute string.
  std::size_t schemeEnd = 0;  // 0 without a scheme, else index of ':'
  std::size_t pathStart = 0;
  std::size_t pathEnd = 0;

 private:
  std::string absolute_;
};

class URL {
 public:
  URL() = default;
  // A relative path is taken from the current directory; the URL ends in "/"
  // when the path does or when it names an existing directory.
  static URL fileURLWithPath(const String& path);
  static URL fileURLWithPath(const String& path, bool isDirectory);
  // Nil when the text holds characters a URL cannot carry.
  static URL URLWithString(const String& text);
  static URL fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }

  String absoluteString() const;
  String scheme() const;
  String host() const;
  // The decoded path, without a trailing slash (except for "/").
  String path() const;
  String lastPathComponent() const { return path().lastPathComponent(); }
  String pathExtension() const { return path().pathExtension(); }
  bool isFileURL() const;
  bool hasDirectoryPath() const;

  URL URLByDeletingLastPathComponent() const;
  URL URLByAppendingPathComponent(const String& component) const;
  URL URLByAppendingPathComponent(const String& component, bool isDirectory) const;

  bool isEqual(const URL& other) const { return isEqualObjects(object(), other.object()); }
  friend bool operator==(const URL& a, const URL& b) { return a.isEqual(b); }
  String description() const { return describe(object()); }
  Id object() const { return std::const_pointer_cast<URLObject>(obj_); }

 private:
  explicit URL(Ref<const URLObject> obj) : obj_(std::move(obj)) {}
  static URL make(std::string absolute);
  URL appending(const String& component, int directory) const;
  Ref<const URLObject> obj_;
};

namespace url {
// Percent-encodes what a URL path cannot carry; "/" is kept.
std::string encodePath(std::string_view utf8);
// Nil (false) when an escape decodes to invalid UTF-8.
bool decodePercent(std::string_view in, std::string& out);
}  // namespace url

}  // namespace qv
