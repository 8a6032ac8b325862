// Modules: the program itself, the system modules whose entry points the layer provides,
// and host libraries opened with dlopen. An HMODULE points at a record that lives until exit.
#include <dlfcn.h>

#include <algorithm>
#include <cwctype>
#include <list>
#include <map>
#include <mutex>
#include <string>

#include "platform/src/kernel/KernelInternal.h"
#include <errhandlingapi.h>
#include <windows/kernel.h>
#include "platform/src/internal/utf.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

struct Module {
  std::wstring name;  // lower case, e.g. "ntdll.dll"; empty for the program
  std::map<std::string, void*> exports;
  bool isHost = false;
  void* host = nullptr;  // dlopen handle of a host library; null once it was unloaded
  int loads = 0;         // LoadLibrary calls not yet freed (host libraries)
  bool onDemand = false; // a system module that is mapped only once a program loads it
};

class ModuleTable {
 public:
  static ModuleTable& Get() {
    static ModuleTable* table = new ModuleTable;  // lives until exit, like the modules
    return *table;
  }

  std::mutex mutex;

  Module* Program() { return &modules_.front(); }

  // The record of a system module of the layer, or null.
  Module* FindSystem(const std::wstring& name) {
    for (Module& m : modules_) {
      if (!m.isHost && !m.name.empty() && m.name == name) return &m;
    }
    return nullptr;
  }

  Module* FindHost(const std::wstring& name) {
    for (Module& m : modules_) {
      if (m.isHost && m.host && m.name == name) return &m;
    }
    return nullptr;
  }

  Module* AddSystem(const std::wstring& name) {
    Module* m = FindSystem(name);
    if (m) return m;
    modules_.push_back(Module{name, {}, false, nullptr, 0});
    return &modules_.back();
  }

  Module* AddHost(const std::wstring& name, void* host) {
    modules_.push_back(Module{name, {}, true, host, 1});
    return &modules_.back();
  }

  bool Contains(HMODULE handle) {
    for (Module& m : modules_) {
      if (reinterpret_cast<HMODULE>(&m) == handle) return true;
    }
    return false;
  }

 private:
  ModuleTable() {
    modules_.push_back(Module{});  // the program
    // Modules every Windows process has, even before anything registers an entry point.
    for (const wchar_t* name : {L"ntdll.dll", L"kernel32.dll", L"kernelbase.dll", L"user32.dll", L"gdi32.dll",
                                L"advapi32.dll", L"shell32.dll", L"ole32.dll", L"ws2_32.dll"}) {
      AddSystem(name);
    }
    FindSystem(L"ntdll.dll")->exports["RtlGetVersion"] = reinterpret_cast<void*>(&kernel::RtlGetVersion);
    // The MIB-II agent a program loads by name to walk the interface table.
    Module* mib = AddSystem(L"inetmib1.dll");
    mib->exports["SnmpExtensionInit"] = reinterpret_cast<void*>(&kernel::SnmpExtensionInit);
    mib->exports["SnmpExtensionInitEx"] = reinterpret_cast<void*>(&kernel::SnmpExtensionInitEx);
    mib->exports["SnmpExtensionQuery"] = reinterpret_cast<void*>(&kernel::SnmpExtensionQuery);
    mib->exports["SnmpExtensionTrap"] = reinterpret_cast<void*>(&kernel::SnmpExtensionTrap);
  }

  std::list<Module> modules_;  // stable addresses
};

// "C:\Windows\System32\NTDLL" -> "ntdll.dll"; host library names stay as given.
std::wstring SystemName(const std::wstring& given) {
  std::wstring name = given;
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name = name.substr(slash + 1);
  std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towlower(c); });
  if (name.find(L'.') == std::wstring::npos) name += L".dll";
  return name;
}

// A host library is named by a file name with ".so" in it (e.g. "libz.so.1" or a path).
bool IsHostLibraryName(const std::wstring& name) { return name.find(L".so") != std::wstring::npos; }

Module* ToModule(HMODULE handle) { return reinterpret_cast<Module*>(handle); }

HMODULE Load(const std::wstring& given, bool onlyIfLoaded) {
  if (given.empty()) {
    JF_SET_ERROR(Kernel, ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ModuleTable& table = ModuleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (IsHostLibraryName(given)) {
    if (Module* m = table.FindHost(given)) {
      if (!onlyIfLoaded) ++m->loads;
      return reinterpret_cast<HMODULE>(m);
    }
    if (onlyIfLoaded) {
      JF_SET_ERROR(Kernel, ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    void* host = dlopen(ToUtf8(given).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!host) {
      JF_SET_ERROR(Kernel, ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    return reinterpret_cast<HMODULE>(table.AddHost(given, host));
  }
  if (Module* m = table.FindSystem(SystemName(given))) {
    if (m->onDemand && m->loads == 0) {
      if (onlyIfLoaded) {
        JF_SET_ERROR(Kernel, ERROR_MOD_NOT_FOUND);
        return nullptr;
      }
      m->loads = 1;  // stays mapped, as the system's own modules do
    }
    return reinterpret_cast<HMODULE>(m);
  }
  JF_SET_ERROR(Kernel, ERROR_MOD_NOT_FOUND);
  return nullptr;
}

std::wstring Widen(LPCSTR s) { return s ? FromUtf8(s) : std::wstring(); }

}  // namespace

void RegisterModuleExport(const wchar_t* moduleName, const char* procName, void* address) {
  if (!moduleName || !procName) return;
  ModuleTable& table = ModuleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.AddSystem(SystemName(moduleName))->exports[procName] = address;
}

void RegisterOnDemandModuleExport(const wchar_t* moduleName, const char* procName, void* address) {
  if (!moduleName || !procName) return;
  ModuleTable& table = ModuleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = table.AddSystem(SystemName(moduleName));
  m->onDemand = true;
  m->exports[procName] = address;
}

bool IsProgramModule(HMODULE module) {
  return module == nullptr || module == reinterpret_cast<HMODULE>(ModuleTable::Get().Program());
}

}  // namespace jf

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  if (!moduleName) return reinterpret_cast<HMODULE>(jf::ModuleTable::Get().Program());
  return jf::Load(moduleName, true);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (!moduleName) return GetModuleHandleW(nullptr);
  return jf::Load(jf::Widen(moduleName), true);
}

HMODULE LoadLibraryW(LPCWSTR fileName) { return jf::Load(fileName ? fileName : L"", false); }

HMODULE LoadLibraryA(LPCSTR fileName) { return jf::Load(jf::Widen(fileName), false); }

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  jf::ModuleTable& table = jf::ModuleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!module) module = reinterpret_cast<HMODULE>(table.Program());
  if (!table.Contains(module)) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Lookups by ordinal (a value below 0x10000 in place of a name) find nothing here.
  if (reinterpret_cast<uintptr_t>(procName) < 0x10000) {
    JF_SET_ERROR(Kernel, ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  jf::Module* m = jf::ToModule(module);
  void* address = nullptr;
  if (m->isHost) {
    address = m->host ? dlsym(m->host, procName) : nullptr;
  } else {
    auto it = m->exports.find(procName);
    if (it != m->exports.end()) address = it->second;
  }
  if (!address) {
    JF_SET_ERROR(Kernel, ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) {
  jf::ModuleTable& table = jf::ModuleTable::Get();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (!module || !table.Contains(module)) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  jf::Module* m = jf::ToModule(module);
  if (m->host && m->loads > 0 && --m->loads == 0) {
    dlclose(m->host);
    m->host = nullptr;  // a new LoadLibrary opens it afresh in a new record
  }
  return TRUE;
}
