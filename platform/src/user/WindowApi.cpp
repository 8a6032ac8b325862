// Creating and destroying windows, window data, properties, relations and text.
#include <unistd.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/src/user/ClassRegistry.h"
#include "platform/src/user/MsgAtomTable.h"
#include "platform/src/user/MsgQueue.h"
#include "platform/src/user/WindowDisplayHooks.h"
#include "platform/src/user/WindowTable.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::ClassRegistry;
using jf::MsgQueue;
using jf::WindowRecord;
using jf::WindowTable;

constexpr DWORD kErrorTopLevelWithChildStyle = 1406;  // a WS_CHILD window needs a parent

// The last step of destruction: the handle stops working and everything tied to it goes.
void Finish(const std::shared_ptr<WindowRecord>& rec) {
  std::vector<std::shared_ptr<WindowRecord>> gone{rec};
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    // Children created while their parent was being destroyed go without messages.
    for (size_t i = 0; i < gone.size(); ++i) {
      for (HWND child : gone[i]->children) {
        if (auto c = table.LookupLocked(child)) gone.push_back(c);
      }
    }
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) {
      (*it)->state = WindowRecord::State::Dead;
      table.RemoveLocked(**it);
    }
    for (HWND top : table.TopLevelLocked()) {
      auto other = table.LookupLocked(top);
      for (auto& g : gone) {
        if (other && other->owner == g->handle) other->owner = nullptr;
      }
    }
  }
  auto destroyed = jf::WindowDisplayHooks::Get().windowDestroyed;
  for (auto& g : gone) {
    if (auto queue = g->queue.lock()) queue->ForgetWindow(g->handle);
    ClassRegistry::Get().AddWindow(g->cls, -1);
    if (destroyed != nullptr) destroyed(g->handle);
  }
}

bool SetStyleLocked(WindowRecord& rec, int index, LONG_PTR value, LONG_PTR* old) {
  switch (index) {
    case GWL_STYLE:
      *old = LONG_PTR(rec.style);
      rec.style = DWORD(value);
      return true;
    case GWL_EXSTYLE:
      *old = LONG_PTR(rec.exStyle);
      rec.exStyle = DWORD(value);
      return true;
    default:
      return false;
  }
}

// Reads or writes `size` bytes of the window's extra bytes at `offset`.
bool ExtraBytes(WindowRecord& rec, int offset, size_t size, void* read, const void* write) {
  if (offset < 0 || size_t(offset) + size > rec.extra.size()) {
    JF_SET_ERROR(User, ERROR_INVALID_INDEX);
    return false;
  }
  if (read != nullptr) memcpy(read, rec.extra.data() + offset, size);
  if (write != nullptr) memcpy(rec.extra.data() + offset, write, size);
  return true;
}

LONG_PTR GetLong(HWND hwnd, int index, size_t extraSize) {
  return WindowTable::Get().WithRecord(hwnd, LONG_PTR(0), [&](WindowRecord& rec) -> LONG_PTR {
    switch (index) {
      case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(rec.proc);
      case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(rec.instance);
      case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(rec.parent != nullptr ? rec.parent : rec.owner);
      case GWLP_ID:
        return rec.id;
      case GWLP_USERDATA:
        return rec.userData;
      case GWL_STYLE:
        return LONG_PTR(rec.style);
      case GWL_EXSTYLE:
        return LONG_PTR(rec.exStyle);
      default:
        break;
    }
    if (extraSize == sizeof(LONG)) {
      LONG value = 0;
      ExtraBytes(rec, index, sizeof(value), &value, nullptr);
      return value;
    }
    LONG_PTR value = 0;
    ExtraBytes(rec, index, sizeof(value), &value, nullptr);
    return value;
  });
}

LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value, size_t extraSize) {
  LONG_PTR old = 0;
  bool styleChanged = false;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    auto rec = table.LookupLocked(hwnd);
    if (!rec) return 0;
    switch (index) {
      case GWLP_WNDPROC:
        if (value == 0) {
          JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
          return 0;
        }
        old = reinterpret_cast<LONG_PTR>(rec->proc);
        rec->proc = reinterpret_cast<WNDPROC>(value);
        return old;
      case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(rec->instance);
        rec->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
      case GWLP_HWNDPARENT:
        // Only the owner of a top-level window can change this way.
        old = reinterpret_cast<LONG_PTR>(rec->owner);
        if (rec->parent == nullptr) rec->owner = reinterpret_cast<HWND>(value);
        return old;
      case GWLP_ID:
        old = rec->id;
        rec->id = value;
        return old;
      case GWLP_USERDATA:
        old = rec->userData;
        rec->userData = value;
        return old;
      default:
        break;
    }
    styleChanged = SetStyleLocked(*rec, index, value, &old);
    if (!styleChanged) {
      if (extraSize == sizeof(LONG)) {
        LONG oldValue = 0;
        LONG newValue = LONG(value);
        ExtraBytes(*rec, index, sizeof(LONG), &oldValue, &newValue);
        return oldValue;
      }
      ExtraBytes(*rec, index, sizeof(LONG_PTR), &old, &value);
      return old;
    }
  }
  auto hook = jf::WindowDisplayHooks::Get().styleChanged;
  if (hook != nullptr) hook(hwnd, index, DWORD(old), DWORD(value));
  return old;
}

}  // namespace

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  auto cls = ClassRegistry::Get().Find(className, instance);
  if (!cls) return nullptr;
  auto rec = std::make_shared<WindowRecord>();
  auto queue = MsgQueue::Current();
  rec->cls = cls;
  rec->threadId = queue->ThreadId();
  rec->queue = queue;
  rec->proc = cls->proc;
  rec->style = style;
  rec->exStyle = exStyle;
  rec->instance = instance;
  rec->extra.assign(size_t(cls->wndExtra), 0);
  // CW_USEDEFAULT leaves placement to the display half; without one the window sits at 0,0.
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) width = height = 0;
  // A far position plus a large size ends at the end of the int range instead of wrapping.
  auto end = [](int from, int extent) {
    return int(std::clamp<long long>((long long)from + extent, INT_MIN, INT_MAX));
  };
  rec->windowRect = RECT{x, y, end(x, width), end(y, height)};
  rec->clientRect = rec->windowRect;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    if (parent == HWND_MESSAGE) {
      rec->messageOnly = true;
    } else if (parent != nullptr) {
      if (!table.LookupLocked(parent)) return nullptr;
      if ((style & WS_CHILD) != 0) {
        rec->parent = parent;
        rec->id = reinterpret_cast<LONG_PTR>(menu);
      } else {
        rec->owner = table.RootLocked(parent);
      }
    } else if ((style & WS_CHILD) != 0) {
      JF_SET_ERROR(User, kErrorTopLevelWithChildStyle);
      return nullptr;
    }
    table.AddLocked(rec);
  }
  ClassRegistry::Get().AddWindow(cls, 1);
  HWND hwnd = rec->handle;

  CREATESTRUCTW cs{param, instance, menu, parent, height, width, y, x, LONG(style), windowName, className, exStyle};
  if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (IsWindow(hwnd)) {
      rec->state = WindowRecord::State::Destroying;
      SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
      Finish(rec);
    }
    JF_SET_ERROR(User, ERROR_CANCELLED);
    return nullptr;
  }
  RECT proposed = rec->windowRect;
  SendMessageW(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&proposed));
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    rec->clientRect = proposed;
  }
  if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    JF_SET_ERROR(User, ERROR_CANCELLED);
    return nullptr;
  }
  WindowRecord::State creating = WindowRecord::State::Creating;
  if (!rec->state.compare_exchange_strong(creating, WindowRecord::State::Alive) &&
      creating == WindowRecord::State::Dead) {
    JF_SET_ERROR(User, ERROR_CANCELLED);  // destroyed by its own creation messages
    return nullptr;
  }
  auto created = jf::WindowDisplayHooks::Get().windowCreated;
  if (created != nullptr) created(hwnd);
  return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
  auto rec = WindowTable::Get().Lookup(hwnd);
  if (!rec) return FALSE;
  if (rec->threadId != MsgQueue::CurrentThreadId()) {
    JF_SET_ERROR(User, ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (rec->state.load() == WindowRecord::State::Destroying) return TRUE;  // already on its way

  // Owned windows go first.
  std::vector<HWND> owned;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    for (HWND top : table.TopLevelLocked()) {
      auto other = table.LookupLocked(top);
      if (other && other->owner == hwnd && other->threadId == rec->threadId) owned.push_back(top);
    }
  }
  for (HWND w : owned) DestroyWindow(w);

  auto destroying = jf::WindowDisplayHooks::Get().windowDestroying;
  if (destroying != nullptr) destroying(hwnd);

  std::vector<HWND> tree;
  std::vector<std::shared_ptr<WindowRecord>> records;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    table.CollectTreeLocked(hwnd, tree);
    for (HWND w : tree) {
      auto r = table.LookupLocked(w);
      if (!r) continue;
      r->state = WindowRecord::State::Destroying;
      records.push_back(r);
    }
  }
  // WM_DESTROY from the parent down, WM_NCDESTROY from the children up, the window's last.
  for (auto& r : records) SendMessageW(r->handle, WM_DESTROY, 0, 0);
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    if ((*it)->state.load() == WindowRecord::State::Dead) continue;
    SendMessageW((*it)->handle, WM_NCDESTROY, 0, 0);
    Finish(*it);
  }
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  DWORD saved = GetLastError();
  bool alive = table.LookupLocked(hwnd) != nullptr;
  SetLastError(saved);
  return alive ? TRUE : FALSE;
}

BOOL WINAPI IsChild(HWND parent, HWND hwnd) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  return table.IsDescendantLocked(parent, hwnd) ? TRUE : FALSE;
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND hwnd, int index) { return GetLong(hwnd, index, sizeof(LONG_PTR)); }

LONG_PTR WINAPI SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  return SetLong(hwnd, index, value, sizeof(LONG_PTR));
}

LONG WINAPI GetWindowLongW(HWND hwnd, int index) { return LONG(GetLong(hwnd, index, sizeof(LONG))); }

LONG WINAPI SetWindowLongW(HWND hwnd, int index, LONG value) {
  return LONG(SetLong(hwnd, index, LONG_PTR(value), sizeof(LONG)));
}

BOOL WINAPI SetPropW(HWND hwnd, LPCWSTR name, HANDLE data) {
  std::wstring key = jf::MsgAtomTable::Fold(jf::MsgAtomTable::NameArgument(name));
  return WindowTable::Get().WithRecord(hwnd, FALSE, [&](WindowRecord& rec) {
    if (key.empty()) {
      JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    rec.props[key] = data;
    return TRUE;
  });
}

HANDLE WINAPI GetPropW(HWND hwnd, LPCWSTR name) {
  std::wstring key = jf::MsgAtomTable::Fold(jf::MsgAtomTable::NameArgument(name));
  return WindowTable::Get().WithRecord(hwnd, HANDLE(nullptr), [&](WindowRecord& rec) {
    auto it = rec.props.find(key);
    return it == rec.props.end() ? nullptr : it->second;
  });
}

HANDLE WINAPI RemovePropW(HWND hwnd, LPCWSTR name) {
  std::wstring key = jf::MsgAtomTable::Fold(jf::MsgAtomTable::NameArgument(name));
  return WindowTable::Get().WithRecord(hwnd, HANDLE(nullptr), [&](WindowRecord& rec) -> HANDLE {
    auto it = rec.props.find(key);
    if (it == rec.props.end()) return nullptr;
    HANDLE data = it->second;
    rec.props.erase(it);
    return data;
  });
}

HWND WINAPI GetParent(HWND hwnd) {
  return WindowTable::Get().WithRecord(hwnd, HWND(nullptr), [](WindowRecord& rec) {
    if (rec.parent != nullptr) return rec.parent;
    return (rec.style & WS_POPUP) != 0 ? rec.owner : nullptr;
  });
}

HWND WINAPI SetParent(HWND child, HWND newParent) {
  HWND old = nullptr;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    auto rec = table.LookupLocked(child);
    if (!rec) return nullptr;
    bool toMessage = newParent == HWND_MESSAGE;
    if (newParent != nullptr && !toMessage) {
      if (!table.LookupLocked(newParent)) return nullptr;
      if (newParent == child || table.IsDescendantLocked(child, newParent)) {
        JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
        return nullptr;
      }
    }
    old = rec->parent;
    std::vector<HWND>& oldSiblings = table.SiblingsLocked(*rec);
    oldSiblings.erase(std::remove(oldSiblings.begin(), oldSiblings.end(), child), oldSiblings.end());
    rec->parent = toMessage ? nullptr : newParent;
    rec->messageOnly = toMessage;
    std::vector<HWND>& siblings = table.SiblingsLocked(*rec);
    siblings.insert(siblings.begin(), child);
  }
  auto hook = jf::WindowDisplayHooks::Get().parentChanged;
  if (hook != nullptr) hook(child, old, newParent);
  return old;
}

HWND WINAPI GetAncestor(HWND hwnd, UINT flags) {
  WindowTable& table = WindowTable::Get();
  return table.WithRecord(hwnd, HWND(nullptr), [&](WindowRecord& rec) -> HWND {
    if (flags == GA_PARENT) return rec.parent;
    if (flags != GA_ROOT && flags != GA_ROOTOWNER) {
      JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    HWND root = table.RootLocked(hwnd);
    for (int depth = 0; flags == GA_ROOTOWNER && depth < 4096; ++depth) {
      auto r = table.LookupLocked(root);
      if (!r || r->owner == nullptr) break;
      root = r->owner;
    }
    return root;
  });
}

HWND WINAPI GetWindow(HWND hwnd, UINT cmd) {
  WindowTable& table = WindowTable::Get();
  return table.WithRecord(hwnd, HWND(nullptr), [&](WindowRecord& rec) -> HWND {
    if (cmd == GW_CHILD) return rec.children.empty() ? nullptr : rec.children.front();
    if (cmd == GW_OWNER) return rec.owner;
    if (cmd == GW_ENABLEDPOPUP) return nullptr;
    const std::vector<HWND>& siblings = table.SiblingsLocked(rec);
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    switch (cmd) {
      case GW_HWNDFIRST:
        return siblings.empty() ? nullptr : siblings.front();
      case GW_HWNDLAST:
        return siblings.empty() ? nullptr : siblings.back();
      case GW_HWNDNEXT:
        return (it == siblings.end() || it + 1 == siblings.end()) ? nullptr : *(it + 1);
      case GW_HWNDPREV:
        return (it == siblings.end() || it == siblings.begin()) ? nullptr : *(it - 1);
      default:
        JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
        return nullptr;
    }
  });
}

DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  auto rec = WindowTable::Get().Lookup(hwnd);
  if (!rec) return 0;
  if (processId != nullptr) *processId = DWORD(getpid());
  return rec->threadId;
}

BOOL WINAPI SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!IsWindow(hwnd)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int WINAPI GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
  if (buffer == nullptr || maxCount <= 0) return 0;
  buffer[0] = 0;
  if (!IsWindow(hwnd)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return int(SendMessageW(hwnd, WM_GETTEXT, WPARAM(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthW(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return int(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (proc == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> list;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    if (parent == nullptr) {
      list = table.TopLevelLocked();
    } else {
      if (!table.LookupLocked(parent)) return FALSE;
      table.CollectTreeLocked(parent, list);
      list.erase(list.begin());
    }
  }
  for (HWND w : list) {
    if (IsWindow(w) && !proc(w, lParam)) break;
  }
  return TRUE;
}

HWND WINAPI FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  std::wstring folded = className ? jf::MsgAtomTable::Fold(jf::MsgAtomTable::NameArgument(className)) : L"";
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  for (HWND top : table.TopLevelLocked()) {
    auto rec = table.LookupLocked(top);
    if (!rec) continue;
    if (className != nullptr && rec->cls->folded != folded) continue;
    if (windowName != nullptr && rec->text != windowName) continue;
    return top;
  }
  JF_SET_ERROR(User, ERROR_FILE_NOT_FOUND);
  return nullptr;
}
