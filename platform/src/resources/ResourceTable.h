// The resources and strings linked into the executable, registered by the generated table.
#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <windows/resources.h>

namespace jf {

class ResourceTable {
 public:
  struct Entry {
    std::wstring typeName;  // empty: numeric
    unsigned typeId;
    std::wstring name;  // empty: numeric
    unsigned id;
    const unsigned char* data;
    size_t size;
  };

  static ResourceTable& Instance();
  void Add(const EmbeddedResource* entries, size_t count);
  void AddStrings(const unsigned char* text, size_t size);
  // A resource by name and type (MAKEINTRESOURCEW ids, names, or "#123"); null when absent,
  // with the Windows error set.
  const Entry* Find(LPCWSTR name, LPCWSTR type);
  bool Contains(const void* entry);
  // The text of string `id`, or null.
  const std::wstring* String(UINT id);

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::map<UINT, std::wstring> strings_;
};

}  // namespace jf
