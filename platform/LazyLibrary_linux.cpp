#include "platform/LazyLibrary_linux.h"

#include <dlfcn.h>

namespace qv {

LazyLibrary::LazyLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

LazyLibrary::~LazyLibrary() = default;  // kept loaded: pointers into it may outlive us at exit

void* LazyLibrary::symbol(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

}  // namespace qv
