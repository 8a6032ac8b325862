// The registered window classes of the process, with the predefined system classes.
#pragma once
#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "platform/src/user/ClassRecord.h"

namespace jf {

class ClassRegistry {
 public:
  static ClassRegistry& Get();

  // Registers a class; 0 with ERROR_CLASS_ALREADY_EXISTS when the module has one of that name.
  ATOM Register(const WNDCLASSEXW& wc);
  // Removes a class that has no windows left.
  BOOL Unregister(LPCWSTR name, HINSTANCE instance);
  // The class a window of `instance` gets for `name`: the module's own class first, then a
  // system class, then any class of that name. Null with ERROR_CANNOT_FIND_WND_CLASS.
  std::shared_ptr<ClassRecord> Find(LPCWSTR name, HINSTANCE instance);
  // Counts the class's live windows (UnregisterClassW refuses classes in use).
  void AddWindow(const std::shared_ptr<ClassRecord>& cls, int delta);
  // Lets the display half give a system class ("Edit", "Button", ...) its real procedure and
  // the extra bytes its windows keep their state in.
  void SetSystemProc(LPCWSTR name, WNDPROC proc, int wndExtra = 0);

 private:
  ClassRegistry();
  std::shared_ptr<ClassRecord> FindLocked(const std::wstring& folded, HINSTANCE instance, bool exact);

  std::mutex lock_;
  std::vector<std::shared_ptr<ClassRecord>> classes_;
};

}  // namespace jf
