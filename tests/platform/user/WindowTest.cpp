#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "tests/platform/user/MsgTestWindow.h"

using msgtest::Handler;
using msgtest::Log;
using msgtest::MakeWindow;

namespace {

std::string Name(HWND hwnd, const std::vector<std::pair<HWND, std::string>>& names) {
  for (auto& n : names) {
    if (n.first == hwnd) return n.second;
  }
  return "?";
}

size_t IndexOf(const std::vector<std::string>& v, const std::string& s) {
  return size_t(std::find(v.begin(), v.end(), s) - v.begin());
}

}  // namespace

TEST(WindowTest, CreationSendsNcCreateCalcSizeCreateWithTheCreateParams) {
  Log log;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_NCCREATE) {
      auto cs = reinterpret_cast<CREATESTRUCTW*>(l);
      EXPECT_TRUE(IsWindow(hwnd));
      EXPECT_EQ(std::wstring(cs->lpszName), L"title");
      log.Add("nccreate");
    } else if (msg == WM_NCCALCSIZE) {
      log.Add("nccalcsize");
    } else if (msg == WM_CREATE) {
      log.Add("create");
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  // The create parameter arrives in CREATESTRUCTW on both creation messages.
  LPVOID seenParam = nullptr;
  Handler outer = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_CREATE) seenParam = reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams;
    return h(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&outer, HWND_MESSAGE, 0, L"title");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(seenParam, &outer);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"nccreate", "nccalcsize", "create"}));
  wchar_t text[16];
  EXPECT_EQ(GetWindowTextW(hwnd, text, 16), 5);
  EXPECT_STREQ(text, L"title");
  EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST(WindowTest, RefusedCreationDestroysTheWindow) {
  Log log;
  LRESULT ncResult = FALSE;
  LRESULT createResult = 0;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_NCCREATE) return ncResult;
    if (msg == WM_CREATE) return createResult;
    if (msg == WM_DESTROY) log.Add("destroy");
    if (msg == WM_NCDESTROY) log.Add("ncdestroy");
    return DefWindowProcW(hwnd, msg, w, l);
  };
  EXPECT_EQ(MakeWindow(&h), nullptr);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"ncdestroy"}));

  ncResult = TRUE;
  createResult = -1;
  EXPECT_EQ(MakeWindow(&h), nullptr);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"ncdestroy", "destroy", "ncdestroy"}));
}

TEST(WindowTest, DestroySendsDestroyTopDownAndNcDestroyLast) {
  Log log;
  std::vector<std::pair<HWND, std::string>> names;
  LONG_PTR userDataInNcDestroy = 0;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_DESTROY) log.Add("destroy " + Name(hwnd, names));
    if (msg == WM_NCDESTROY) {
      log.Add("ncdestroy " + Name(hwnd, names));
      EXPECT_TRUE(IsWindow(hwnd));
      if (Name(hwnd, names) == "p") userDataInNcDestroy = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    }
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND p = MakeWindow(&h, nullptr, WS_POPUP);
  HWND a = MakeWindow(&h, p, WS_CHILD);
  HWND b = MakeWindow(&h, p, WS_CHILD);
  HWND a1 = MakeWindow(&h, a, WS_CHILD);
  names = {{p, "p"}, {a, "a"}, {b, "b"}, {a1, "a1"}};
  ASSERT_TRUE(p && a && b && a1);

  EXPECT_TRUE(DestroyWindow(p));
  auto e = log.Entries();
  ASSERT_EQ(e.size(), 8u);
  EXPECT_EQ(e[0], "destroy p");
  EXPECT_EQ(e.back(), "ncdestroy p");
  for (const char* w : {"a", "b", "a1"}) {
    EXPECT_LT(IndexOf(e, "destroy p"), IndexOf(e, std::string("destroy ") + w));
    EXPECT_LT(IndexOf(e, std::string("destroy ") + w), IndexOf(e, "ncdestroy a1"));
  }
  EXPECT_LT(IndexOf(e, "destroy a"), IndexOf(e, "destroy a1"));
  EXPECT_LT(IndexOf(e, "ncdestroy a1"), IndexOf(e, "ncdestroy a"));
  EXPECT_EQ(userDataInNcDestroy, reinterpret_cast<LONG_PTR>(&h));
  for (HWND w : {p, a, b, a1}) EXPECT_FALSE(IsWindow(w));
  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(p));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowTest, CloseDestroysByDefaultAndOnlyTheOwnerThreadMayDestroy) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  BOOL fromOther = TRUE;
  DWORD error = 0;
  std::thread([&] {
    fromOther = DestroyWindow(hwnd);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(fromOther);
  EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(SendMessageW(hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(WindowTest, WindowLongsHoldFullPointersStylesIdsAndExtraBytes) {
  Handler h;
  HWND parent = MakeWindow(&h, nullptr, WS_POPUP);
  HWND child = MakeWindow(&h, parent, WS_CHILD | WS_VISIBLE, nullptr, reinterpret_cast<HMENU>(1234));
  ASSERT_TRUE(parent && child);

  const LONG_PTR big = LONG_PTR(0x7EDCBA9876543210LL);
  SetWindowLongPtrW(child, GWLP_USERDATA, big);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_USERDATA), big);
  // The test procedure finds its handler there.
  EXPECT_EQ(SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&h)), big);

  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_ID), 1234);
  EXPECT_EQ(DWORD(GetWindowLongW(child, GWL_STYLE)), DWORD(WS_CHILD | WS_VISIBLE));
  SetWindowLongW(parent, GWL_STYLE, LONG(DWORD(WS_POPUP | WS_CLIPCHILDREN)));
  EXPECT_EQ(DWORD(GetWindowLongPtrW(parent, GWL_STYLE)), DWORD(WS_POPUP | WS_CLIPCHILDREN));
  SetWindowLongPtrW(parent, GWL_EXSTYLE, WS_EX_LAYERED);
  EXPECT_EQ(GetWindowLongPtrW(parent, GWL_EXSTYLE), WS_EX_LAYERED);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(msgtest::HandlerProc));

  // 16 extra bytes: two pointers, the second one half out of range at offset 12.
  SetWindowLongPtrW(child, 8, big);
  EXPECT_EQ(GetWindowLongPtrW(child, 8), big);
  SetWindowLongW(child, 0, 77);
  EXPECT_EQ(GetWindowLongW(child, 0), 77);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrW(child, 12), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongW(child, 12), LONG(0x7EDCBA98));  // the last four bytes as a LONG
  DestroyWindow(parent);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_USERDATA), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowTest, SubclassingThroughTheProcedureSlot) {
  static Log* log;
  static WNDPROC old;
  Log local;
  log = &local;
  Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == WM_USER) local.Add("original");
    return DefWindowProcW(hwnd, msg, w, l);
  };
  HWND hwnd = MakeWindow(&h);
  struct Sub {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
      if (msg == WM_USER) log->Add("subclass");
      return CallWindowProcW(old, hwnd, msg, w, l);
    }
  };
  old = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Sub::Proc)));
  EXPECT_EQ(old, msgtest::HandlerProc);
  SendMessageW(hwnd, WM_USER, 0, 0);
  EXPECT_EQ(local.Entries(), (std::vector<std::string>{"subclass", "original"}));
  DestroyWindow(hwnd);
}

TEST(WindowTest, PropertiesAreKeptByCaseInsensitiveName) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  int a = 0;
  EXPECT_TRUE(SetPropW(hwnd, L"WndX", &a));
  EXPECT_EQ(GetPropW(hwnd, L"wndx"), &a);
  EXPECT_EQ(GetPropW(hwnd, L"Other"), nullptr);
  EXPECT_EQ(RemovePropW(hwnd, L"WNDX"), &a);
  EXPECT_EQ(GetPropW(hwnd, L"WndX"), nullptr);
  DestroyWindow(hwnd);
  EXPECT_FALSE(SetPropW(hwnd, L"WndX", &a));
}

TEST(WindowTest, RelationsFollowCreationOrderAndOwners) {
  Handler h;
  HWND top = MakeWindow(&h, nullptr, WS_POPUP, L"JfRelationsTop");
  HWND c1 = MakeWindow(&h, top, WS_CHILD);
  HWND c2 = MakeWindow(&h, top, WS_CHILD);
  HWND g = MakeWindow(&h, c1, WS_CHILD);
  HWND popup = MakeWindow(&h, c2, WS_POPUP);  // owned by the top-level ancestor
  ASSERT_TRUE(top && c1 && c2 && g && popup);

  EXPECT_EQ(GetParent(c1), top);
  EXPECT_EQ(GetParent(top), nullptr);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), top);
  EXPECT_EQ(GetParent(popup), top);
  EXPECT_EQ(GetWindow(top, GW_CHILD), c1);
  EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
  EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(c2, GW_HWNDPREV), c1);
  EXPECT_TRUE(IsChild(top, g));
  EXPECT_FALSE(IsChild(c2, g));
  EXPECT_EQ(GetAncestor(g, GA_ROOT), top);
  EXPECT_EQ(FindWindowW(msgtest::HandlerClass(), L"JfRelationsTop"), top);
  EXPECT_EQ(FindWindowW(nullptr, L"JfRelationsTop-none"), nullptr);

  std::vector<HWND> seen;
  EnumChildWindows(
      top,
      [](HWND w, LPARAM l) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{c1, g, c2}));

  EXPECT_EQ(SetParent(g, c2), c1);
  EXPECT_EQ(GetParent(g), c2);
  EXPECT_EQ(GetWindow(c1, GW_CHILD), nullptr);
  EXPECT_EQ(SetParent(c1, g), top);  // moving under a descendant of itself is not allowed
  SetParent(c1, top);
  EXPECT_EQ(SetParent(top, g), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(g, &pid), GetCurrentThreadId());
  EXPECT_EQ(pid, GetCurrentProcessId());

  // The owner goes, so the owned pop-up goes first.
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_FALSE(IsWindow(g));
}

TEST(WindowTest, TextAndClassName) {
  Handler h;
  HWND hwnd = MakeWindow(&h);
  EXPECT_EQ(GetWindowTextLengthW(hwnd), 0);
  EXPECT_TRUE(SetWindowTextW(hwnd, L"安装程序"));
  EXPECT_EQ(GetWindowTextLengthW(hwnd), 4);
  wchar_t buf[3];
  EXPECT_EQ(GetWindowTextW(hwnd, buf, 3), 2);  // cut to the buffer
  EXPECT_STREQ(buf, L"安装");
  wchar_t cls[64];
  EXPECT_EQ(GetClassNameW(hwnd, cls, 64), int(wcslen(msgtest::HandlerClass())));
  EXPECT_STREQ(cls, msgtest::HandlerClass());
  DestroyWindow(hwnd);
  EXPECT_EQ(GetWindowTextW(hwnd, buf, 3), 0);
  EXPECT_EQ(buf[0], L'\0');
}

namespace {
Log* g_superLog;
WNDPROC g_baseProc;

LRESULT CALLBACK SuperProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER + 5) g_superLog->Add("super");
  return CallWindowProcW(g_baseProc, hwnd, msg, w, l);
}

LRESULT CALLBACK BaseProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER + 5) {
    g_superLog->Add("base");
    return 99;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}
}  // namespace

TEST(WindowTest, SuperclassingSystemAndOwnClasses) {
  Log log;
  g_superLog = &log;
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x400000);

  // A system class: its procedure is found with no module handle and called by the new one.
  WNDCLASSEXW edit{};
  edit.cbSize = sizeof(edit);
  ASSERT_TRUE(GetClassInfoExW(nullptr, L"Edit", &edit));
  ASSERT_NE(edit.lpfnWndProc, nullptr);
  g_baseProc = edit.lpfnWndProc;
  edit.lpfnWndProc = SuperProc;
  edit.hInstance = module;
  edit.lpszClassName = L"JfSuperEdit";
  ASSERT_NE(RegisterClassExW(&edit), 0);
  HWND e = CreateWindowExW(0, L"JfSuperEdit", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, module, nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(SendMessageW(e, WM_USER + 5, 0, 0), 0);
  EXPECT_EQ(GetWindowTextLengthW(e), 1);
  DestroyWindow(e);

  // An own class superclassed the same way.
  WNDCLASSW base{};
  base.lpfnWndProc = BaseProc;
  base.hInstance = module;
  base.lpszClassName = L"JfBaseClass";
  ASSERT_NE(RegisterClassW(&base), 0);
  WNDCLASSW derived{};
  ASSERT_TRUE(GetClassInfoW(module, L"jfbaseclass", &derived));
  EXPECT_EQ(derived.lpfnWndProc, BaseProc);
  g_baseProc = derived.lpfnWndProc;
  derived.lpfnWndProc = SuperProc;
  derived.lpszClassName = L"JfDerivedClass";
  ASSERT_NE(RegisterClassW(&derived), 0);
  HWND d = CreateWindowExW(0, L"JfDerivedClass", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  EXPECT_EQ(SendMessageW(d, WM_USER + 5, 0, 0), 99);
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"super", "super", "base"}));
  DestroyWindow(d);
}

TEST(WindowTest, ClassRegistrationErrors) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(0x500000);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = module;
  wc.lpszClassName = L"JfErrorsClass";
  ATOM atom = RegisterClassW(&wc);
  ASSERT_GE(atom, 0xC000);
  SetLastError(0);
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));

  HWND hwnd = CreateWindowExW(0, MAKEINTATOM(atom), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_FALSE(UnregisterClassW(L"JfErrorsClass", module));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
  DestroyWindow(hwnd);
  EXPECT_TRUE(UnregisterClassW(L"jferrorsclass", module));
  EXPECT_FALSE(UnregisterClassW(L"JfErrorsClass", module));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));

  EXPECT_EQ(CreateWindowExW(0, L"JfNoSuchClass", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
  WNDCLASSEXW info{};
  EXPECT_FALSE(GetClassInfoExW(module, L"JfNoSuchClass", &info));
  Handler h;
  EXPECT_EQ(MakeWindow(&h, nullptr, WS_CHILD), nullptr);  // a child needs a parent
}

TEST(WindowTest, RegisteredMessagesAreSharedAcrossThreadsAndIgnoreCase) {
  const wchar_t* names[] = {L"com.varnel.MainThreadFired", L"COM.VARNEL.MAINTHREADFIRED", L"JfOtherMessage"};
  std::vector<std::thread> threads;
  std::vector<UINT> ids(8 * 3);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) ids[size_t(t * 3 + i)] = RegisterWindowMessageW(names[(t + i) % 3]);
    });
  }
  for (auto& th : threads) th.join();
  UINT fired = RegisterWindowMessageW(L"com.varnel.mainthreadfired");
  UINT other = RegisterWindowMessageW(L"JfOtherMessage");
  EXPECT_GE(fired, 0xC000u);
  EXPECT_NE(fired, other);
  for (int t = 0; t < 8; ++t) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ids[size_t(t * 3 + i)], (t + i) % 3 == 2 ? other : fired);
  }
  EXPECT_EQ(RegisterWindowMessageW(L""), 0u);
}

TEST(WindowTest, WindowsOfAnEndedThreadAreGone) {
  Handler h;
  HWND hwnd = nullptr;
  std::thread([&] { hwnd = MakeWindow(&h); }).join();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}
