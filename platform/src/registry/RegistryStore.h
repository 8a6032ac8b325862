// The registry store: one JSON file per hive inside drive C:, kept in memory and re-read
// when another process changed it. Every change is written to a temporary file and renamed
// over the hive under a file lock, so a crash leaves either the old or the new hive and two
// processes do not lose each other's changes. One lock serialises the threads of the process.
#pragma once
#include <sys/stat.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <windef.h>
#include <winreg.h>

namespace jf {

class RegistryStore {
 public:
  static RegistryStore& Instance();

  LONG Open(HKEY parent, const wchar_t* subKey, REGSAM access, bool create, HKEY* result, DWORD* disposition);
  LONG Close(HKEY key);
  LONG Query(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size);
  LONG Set(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size);
  LONG DeleteValue(HKEY key, const wchar_t* name);
  LONG DeleteKey(HKEY parent, const wchar_t* subKey);
  LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars);
  LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars, DWORD* type, BYTE* data, DWORD* size);
  // Drops the hives held in memory; open keys stay valid and re-read them on next use.
  void Reset();

 private:
  struct Value {
    std::wstring name;
    DWORD type = 0;
    std::string bytes;  // as stored: UTF-16LE for the text types
  };
  struct Key {
    std::wstring name;
    std::map<std::wstring, Value> values;             // by folded name
    std::map<std::wstring, std::unique_ptr<Key>> keys;  // by folded name
  };
  struct Hive {
    const char* name;
    bool loaded = false;
    struct stat seen {};
    Key root;
  };
  struct OpenKey {
    int hive;
    std::vector<std::wstring> path;  // folded names below the hive's root
    REGSAM access;
  };

  RegistryStore();
  // Resolves a handle (predefined or opened) to its hive and path; false for an unknown one.
  bool Resolve(HKEY key, OpenKey& out);
  Key* Find(const OpenKey& key);
  // The key behind a handle, checked for `need` and refreshed from disk; null with *rc set.
  Key* ReadableKey(HKEY key, REGSAM need, LONG* rc);
  static LONG CopyName(const std::wstring& n, wchar_t* name, DWORD* nameChars);
  std::string HivePath(int hive);
  void Refresh(int hive);
  void LoadHive(int hive);
  bool SaveHive(int hive);
  // Runs a change on a fresh copy of the hive under the hive's file lock, then saves it.
  LONG Change(int hive, const std::function<LONG()>& change);

  static std::wstring Fold(const std::wstring& s);
  static std::vector<std::wstring> SplitPath(const wchar_t* subKey);
  static bool IsText(DWORD type);
  // The caller's bytes (wchar_t units for text) <-> the stored bytes.
  static std::string ToStored(DWORD type, const BYTE* data, DWORD size);
  static std::string ToCaller(DWORD type, const std::string& stored);
  static LONG CopyData(const Value& v, DWORD* type, BYTE* data, DWORD* size);

  std::recursive_mutex lock_;
  Hive hives_[3];
  std::map<uintptr_t, OpenKey> open_;
  uintptr_t nextHandle_ = 0x1000;
};

}  // namespace jf
