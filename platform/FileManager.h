// The file manager service.
#pragma once

#include "platform/Error.h"
#include "platform/Service.h"
#include "platform/String.h"
#include "platform/Values.h"

namespace qv {

class FileManager {
 public:
  virtual ~FileManager() = default;
  static FileManager& defaultManager();

  // Anything at the path counts, a dangling symbolic link included.
  virtual bool fileExistsAtPath(const String& path, bool* isDirectory);
  virtual bool fileExistsAtPath(const String& path) { return fileExistsAtPath(path, nullptr); }
  // A file, or a directory with everything below it; symbolic links are
  // removed, never followed.
  virtual bool removeItemAtPath(const String& path, Error* error);
  virtual bool createDirectoryAtPath(const String& path, bool withIntermediateDirectories, const Dictionary& attributes,
                                     Error* error);
};

}  // namespace qv
