// Loading shared libraries at run time and finding the folder of a loaded module.
#pragma once

#include <string>

namespace tolvo::platform {

using LibraryHandle = void*;

// dlopen with RTLD_NOW | RTLD_LOCAL; null on failure (LastLibraryError tells why).
LibraryHandle LoadLibrary(const std::string& pathOrName);
void* FindSymbol(LibraryHandle library, const char* name);
void FreeLibrary(LibraryHandle library);
std::string LastLibraryError();

// The folder (no trailing '/') of the loaded module that contains the given address; empty when
// it cannot be told.
std::string ModuleFolderOf(const void* address);

// A library reference with one owner; released on destruction unless released earlier.
class Library {
 public:
  Library() = default;
  explicit Library(LibraryHandle handle) : handle_(handle) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  Library(Library&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Library& operator=(Library&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }
  ~Library() { Reset(); }
  LibraryHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  LibraryHandle Release() {
    LibraryHandle h = handle_;
    handle_ = nullptr;
    return h;
  }
  void Reset() {
    if (handle_) FreeLibrary(handle_);
    handle_ = nullptr;
  }

 private:
  LibraryHandle handle_ = nullptr;
};

}  // namespace tolvo::platform
