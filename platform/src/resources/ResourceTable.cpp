#include "platform/src/resources/ResourceTable.h"

#include <cwctype>

#include <errhandlingapi.h>
#include "platform/src/internal/utf.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {

namespace {

// A type or name argument: a number, or an upper-cased text ("#123" is a number).
struct Key {
  bool numeric;
  unsigned id;
  std::wstring text;
};

Key KeyOf(LPCWSTR value) {
  if (IS_INTRESOURCE(value)) return Key{true, static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(value)), L""};
  std::wstring s(value);
  if (s.size() > 1 && s[0] == L'#') {
    unsigned n = 0;
    bool digits = true;
    for (size_t i = 1; i < s.size(); ++i) {
      if (s[i] < L'0' || s[i] > L'9') digits = false;
      else n = n * 10 + static_cast<unsigned>(s[i] - L'0');
    }
    if (digits) return Key{true, n & 0xFFFF, L""};
  }
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return Key{false, 0, s};
}

bool Matches(const Key& key, const std::wstring& text, unsigned id) {
  if (key.numeric) return text.empty() && id == key.id;
  return !text.empty() && text == key.text;
}

std::wstring Upper(const char* utf8) {
  if (!utf8) return L"";
  std::wstring s = FromUtf8(std::string(utf8));
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

}  // namespace

ResourceTable& ResourceTable::Instance() {
  // Filled by static initialisers of the executable, so it must exist before them.
  static ResourceTable* table = new ResourceTable();
  return *table;
}

void ResourceTable::Add(const EmbeddedResource* entries, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < count; ++i) {
    const EmbeddedResource& e = entries[i];
    entries_.push_back(std::unique_ptr<Entry>(
        new Entry{Upper(e.typeName), e.typeId, Upper(e.name), e.id, e.data, e.size}));
  }
}

void ResourceTable::AddStrings(const unsigned char* text, size_t size) {
  std::string all(reinterpret_cast<const char*>(text), size);
  if (all.compare(0, 3, "\xEF\xBB\xBF") == 0) all.erase(0, 3);
  std::lock_guard<std::mutex> lock(mutex_);
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t i = 0;
    unsigned long id = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') id = id * 10 + static_cast<unsigned>(line[i++] - '0');
    if (i == 0 || id > 0xFFFF) continue;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string text;
    for (; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        const char c = line[++i];
        text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
      } else {
        text += line[i];
      }
    }
    strings_[static_cast<UINT>(id)] = FromUtf8(text);
  }
}

const ResourceTable::Entry* ResourceTable::Find(LPCWSTR name, LPCWSTR type) {
  if (!name || !type) {
    JF_SET_ERROR(Resources, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const Key t = KeyOf(type), n = KeyOf(name);
  std::lock_guard<std::mutex> lock(mutex_);
  bool typeSeen = false;
  for (const auto& e : entries_) {
    if (!Matches(t, e->typeName, e->typeId)) continue;
    typeSeen = true;
    if (Matches(n, e->name, e->id)) return e.get();
  }
  JF_SET_ERROR(Resources, typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

bool ResourceTable::Contains(const void* entry) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& e : entries_)
    if (e.get() == entry) return true;
  return false;
}

const std::wstring* ResourceTable::String(UINT id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = strings_.find(id);
  return it == strings_.end() ? nullptr : &it->second;
}

void RegisterEmbeddedResources(const EmbeddedResource* entries, size_t count) {
  ResourceTable::Instance().Add(entries, count);
}

void RegisterEmbeddedStrings(const unsigned char* text, size_t size) {
  ResourceTable::Instance().AddStrings(text, size);
}

}  // namespace jf
