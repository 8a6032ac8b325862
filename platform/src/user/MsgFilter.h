// Which messages a GetMessageW/PeekMessageW call asks for.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

namespace jf {

struct MsgFilter {
  enum class Kind { Any, ThreadOnly, Windows };
  Kind kind = Kind::Any;
  std::vector<HWND> windows;  // the window asked for and its descendants
  UINT min = 0;
  UINT max = 0;

  bool InRange(UINT message) const {
    if (min == 0 && max == 0) return true;
    if (min <= max) return message >= min && message <= max;
    // An inverted range asks for everything outside (max, min).
    return message >= min || message <= max;
  }
  bool MatchesWindow(HWND hwnd) const {
    switch (kind) {
      case Kind::Any:
        return true;
      case Kind::ThreadOnly:
        return hwnd == nullptr;
      case Kind::Windows:
        return std::find(windows.begin(), windows.end(), hwnd) != windows.end();
    }
    return false;
  }
  bool Matches(const MSG& msg) const { return MatchesWindow(msg.hwnd) && InRange(msg.message); }
};

}  // namespace jf
