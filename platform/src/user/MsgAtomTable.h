// The process-wide table of registered names: window messages, clipboard formats and window
// class atoms share it, as they do on Windows. Names compare case-insensitively.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace jf {

class MsgAtomTable {
 public:
  static MsgAtomTable& Get();

  // Same name (ignoring case) -> same atom, from 0xC000 up. 0 when the name is empty or the
  // table is full.
  ATOM Add(const std::wstring& name);
  // The name registered for an atom, empty when there is none.
  std::wstring NameOf(ATOM atom);

  // Case folding used by every name look-up of the window layer.
  static std::wstring Fold(const std::wstring& name);
  // A class or property name argument: a string, or an atom in MAKEINTATOM form.
  static std::wstring NameArgument(LPCWSTR name);

 private:
  std::mutex lock_;
  std::unordered_map<std::wstring, ATOM> byName_;
  std::vector<std::wstring> names_;  // index = atom - 0xC000
};

}  // namespace jf
