#include "platform/src/user/MsgAtomTable.h"

#include <cwctype>
#include "platform/src/internal/errors.h"

namespace jf {

namespace {
constexpr unsigned kFirstAtom = 0xC000;
constexpr unsigned kLastAtom = 0xFFFF;
}  // namespace

MsgAtomTable& MsgAtomTable::Get() {
  // Never destroyed: windows and queues may still look names up while the process exits.
  static MsgAtomTable* table = new MsgAtomTable;
  return *table;
}

std::wstring MsgAtomTable::Fold(const std::wstring& name) {
  std::wstring out(name);
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') {
      c = wchar_t(c - L'A' + L'a');
    } else if (c > 0x7F) {
      c = wchar_t(std::towlower(wint_t(c)));
    }
  }
  return out;
}

std::wstring MsgAtomTable::NameArgument(LPCWSTR name) {
  if (name == nullptr) return std::wstring();
  if (IS_INTRESOURCE(name)) {
    ATOM atom = ATOM(reinterpret_cast<ULONG_PTR>(name));
    std::wstring registered = Get().NameOf(atom);
    if (!registered.empty()) return registered;
    return L"#" + std::to_wstring(atom);
  }
  return std::wstring(name);
}

ATOM MsgAtomTable::Add(const std::wstring& name) {
  if (name.empty()) return 0;
  std::wstring key = Fold(name);
  std::lock_guard<std::mutex> guard(lock_);
  auto it = byName_.find(key);
  if (it != byName_.end()) return it->second;
  if (names_.size() > kLastAtom - kFirstAtom) return 0;
  ATOM atom = ATOM(kFirstAtom + names_.size());
  names_.push_back(name);
  byName_.emplace(key, atom);
  return atom;
}

std::wstring MsgAtomTable::NameOf(ATOM atom) {
  std::lock_guard<std::mutex> guard(lock_);
  if (atom < kFirstAtom || atom - kFirstAtom >= names_.size()) return std::wstring();
  return names_[atom - kFirstAtom];
}

}  // namespace jf

UINT WINAPI RegisterWindowMessageW(LPCWSTR name) {
  if (name == nullptr || *name == 0) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return 0;
  }
  ATOM atom = jf::MsgAtomTable::Get().Add(name);
  if (atom == 0) JF_SET_ERROR(User, ERROR_NOT_ENOUGH_MEMORY);
  return atom;
}

UINT WINAPI RegisterClipboardFormatW(LPCWSTR name) { return RegisterWindowMessageW(name); }
