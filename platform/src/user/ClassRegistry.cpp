#include "platform/src/user/ClassRegistry.h"

#include <algorithm>

#include "platform/src/internal/trace.h"
#include "platform/src/user/MsgAtomTable.h"
#include "platform/src/user/WindowTable.h"
#include "platform/src/internal/errors.h"

namespace jf {

namespace {

// Predefined classes answer like plain windows until the display half gives them a procedure.
LRESULT CALLBACK SystemClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_TRACE_ENTRY(User, "hwnd %p msg 0x%x", (void*)hwnd, msg);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

namespace {

const wchar_t* const kSystemClasses[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ComboBox",
                                         L"ScrollBar", L"tooltips_class32", L"SysDateTimePick32",
                                         L"SysMonthCal32"};

}  // namespace

ClassRegistry& ClassRegistry::Get() {
  static ClassRegistry* registry = new ClassRegistry;
  return *registry;
}

ClassRegistry::ClassRegistry() {
  for (const wchar_t* name : kSystemClasses) {
    auto cls = std::make_shared<ClassRecord>();
    cls->name = name;
    cls->folded = MsgAtomTable::Fold(name);
    cls->atom = MsgAtomTable::Get().Add(name);
    cls->style = CS_GLOBALCLASS | CS_DBLCLKS;
    cls->proc = SystemClassProc;
    cls->system = true;
    classes_.push_back(cls);
  }
}

std::shared_ptr<ClassRecord> ClassRegistry::FindLocked(const std::wstring& folded, HINSTANCE instance,
                                                        bool exact) {
  for (auto& cls : classes_) {
    if (cls->folded == folded && !cls->system && cls->instance == instance) return cls;
  }
  if (exact) return nullptr;
  for (auto& cls : classes_) {
    if (cls->folded == folded && (cls->system || (cls->style & CS_GLOBALCLASS) != 0)) return cls;
  }
  for (auto& cls : classes_) {
    if (cls->folded == folded) return cls;
  }
  return nullptr;
}

ATOM ClassRegistry::Register(const WNDCLASSEXW& wc) {
  std::wstring name = MsgAtomTable::NameArgument(wc.lpszClassName);
  if (name.empty() || wc.lpfnWndProc == nullptr || wc.cbWndExtra < 0 || wc.cbClsExtra < 0) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto cls = std::make_shared<ClassRecord>();
  cls->name = name;
  cls->folded = MsgAtomTable::Fold(name);
  if (wc.lpszMenuName != nullptr) {
    cls->menuIsId = IS_INTRESOURCE(wc.lpszMenuName);
    if (!cls->menuIsId) cls->menuName = wc.lpszMenuName;
  }
  cls->style = wc.style;
  cls->proc = wc.lpfnWndProc;
  cls->clsExtra = wc.cbClsExtra;
  cls->wndExtra = wc.cbWndExtra;
  cls->instance = wc.hInstance;
  cls->icon = wc.hIcon;
  cls->iconSm = wc.hIconSm;
  cls->cursor = wc.hCursor;
  cls->background = wc.hbrBackground;
  std::lock_guard<std::mutex> guard(lock_);
  if (FindLocked(cls->folded, cls->instance, true)) {
    JF_SET_ERROR(User, ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  cls->atom = MsgAtomTable::Get().Add(name);
  if (cls->atom == 0) {
    JF_SET_ERROR(User, ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  classes_.push_back(cls);
  return cls->atom;
}

BOOL ClassRegistry::Unregister(LPCWSTR name, HINSTANCE instance) {
  std::wstring folded = MsgAtomTable::Fold(MsgAtomTable::NameArgument(name));
  std::lock_guard<std::mutex> guard(lock_);
  auto it = std::find_if(classes_.begin(), classes_.end(), [&](const std::shared_ptr<ClassRecord>& c) {
    return !c->system && c->folded == folded && (c->instance == instance || instance == nullptr);
  });
  if (folded.empty() || it == classes_.end()) {
    JF_SET_ERROR(User, ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if ((*it)->windows > 0) {
    JF_SET_ERROR(User, ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  classes_.erase(it);
  return TRUE;
}

std::shared_ptr<ClassRecord> ClassRegistry::Find(LPCWSTR name, HINSTANCE instance) {
  std::wstring folded = MsgAtomTable::Fold(MsgAtomTable::NameArgument(name));
  std::lock_guard<std::mutex> guard(lock_);
  auto cls = folded.empty() ? nullptr : FindLocked(folded, instance, false);
  if (!cls) JF_SET_ERROR(User, ERROR_CANNOT_FIND_WND_CLASS);
  return cls;
}

void ClassRegistry::AddWindow(const std::shared_ptr<ClassRecord>& cls, int delta) {
  std::lock_guard<std::mutex> guard(lock_);
  cls->windows += delta;
}

void ClassRegistry::SetSystemProc(LPCWSTR name, WNDPROC proc, int wndExtra) {
  std::wstring folded = MsgAtomTable::Fold(name);
  std::lock_guard<std::mutex> guard(lock_);
  for (auto& cls : classes_) {
    if (cls->system && cls->folded == folded) {
      cls->proc = proc;
      cls->wndExtra = wndExtra;
    }
  }
}

}  // namespace jf

namespace {

BOOL FillClassInfo(HINSTANCE instance, LPCWSTR name, WNDCLASSEXW* wc) {
  if (wc == nullptr || name == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto cls = jf::ClassRegistry::Get().Find(name, instance);
  if (!cls) {
    JF_SET_ERROR(User, ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  wc->style = cls->style;
  wc->lpfnWndProc = cls->proc;
  wc->cbClsExtra = cls->clsExtra;
  wc->cbWndExtra = cls->wndExtra;
  wc->hInstance = cls->instance;
  wc->hIcon = cls->icon;
  wc->hCursor = cls->cursor;
  wc->hbrBackground = cls->background;
  wc->lpszMenuName = cls->menuName.empty() ? nullptr : cls->menuName.c_str();
  wc->lpszClassName = name;
  wc->hIconSm = cls->iconSm;
  return cls->atom;
}

}  // namespace

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc) {
  if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEXW)) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return 0;
  }
  return jf::ClassRegistry::Get().Register(*wc);
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* wc) {
  if (wc == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex{};
  ex.cbSize = sizeof(ex);
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return jf::ClassRegistry::Get().Register(ex);
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
  return jf::ClassRegistry::Get().Unregister(className, instance);
}

BOOL WINAPI GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW wc) {
  return FillClassInfo(instance, className, wc);
}

BOOL WINAPI GetClassInfoW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSW wc) {
  if (wc == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WNDCLASSEXW ex{};
  BOOL ok = FillClassInfo(instance, className, &ex);
  if (!ok) return FALSE;
  wc->style = ex.style;
  wc->lpfnWndProc = ex.lpfnWndProc;
  wc->cbClsExtra = ex.cbClsExtra;
  wc->cbWndExtra = ex.cbWndExtra;
  wc->hInstance = ex.hInstance;
  wc->hIcon = ex.hIcon;
  wc->hCursor = ex.hCursor;
  wc->hbrBackground = ex.hbrBackground;
  wc->lpszMenuName = ex.lpszMenuName;
  wc->lpszClassName = ex.lpszClassName;
  return ok;
}

int WINAPI GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount) {
  auto rec = jf::WindowTable::Get().Lookup(hwnd);
  if (!rec) return 0;
  if (buffer == nullptr || maxCount <= 0) {
    JF_SET_ERROR(User, ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const std::wstring& name = rec->cls->name;
  int n = std::min<int>(int(name.size()), maxCount - 1);
  wmemcpy(buffer, name.data(), size_t(n));
  buffer[n] = 0;
  return n;
}
