#include "platform/src/registry/RegistryStore.h"

#include <errno.h>
#include <fcntl.h>
#include <json/json.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <cwctype>
#include <functional>

#include <errhandlingapi.h>
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <winerror.h>

namespace jf {
namespace {

constexpr int kMachine = 0;
constexpr int kUser = 1;
constexpr int kUsers = 2;

const REGSAM kReadRights = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
const REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

REGSAM Rights(REGSAM sam) {
  REGSAM r = sam & 0xFFFF;
  if (sam & (GENERIC_READ | GENERIC_EXECUTE)) r |= kReadRights;
  if (sam & GENERIC_WRITE) r |= kWriteRights;
  if (sam & (GENERIC_ALL | 0x02000000u)) r |= kReadRights | kWriteRights;  // MAXIMUM_ALLOWED
  return r;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool Unhex(const std::string& hex, std::string& out) {
  if (hex.size() % 2) return false;
  out.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    auto nib = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
    int hi = nib(hex[i]), lo = nib(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

void MakeFolders(const std::string& file) {
  for (size_t pos = file.find('/', 1); pos != std::string::npos; pos = file.find('/', pos + 1)) {
    mkdir(file.substr(0, pos).c_str(), 0777);
  }
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

RegistryStore& RegistryStore::Instance() {
  static RegistryStore* store = new RegistryStore;
  return *store;
}

RegistryStore::RegistryStore() {
  hives_[kMachine].name = "HKEY_LOCAL_MACHINE";
  hives_[kUser].name = "HKEY_CURRENT_USER";
  hives_[kUsers].name = "HKEY_USERS";
}

std::wstring RegistryStore::Fold(const std::wstring& s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

std::vector<std::wstring> RegistryStore::SplitPath(const wchar_t* subKey) {
  std::vector<std::wstring> parts;
  if (!subKey) return parts;
  std::wstring s(subKey);
  size_t i = 0;
  while (i <= s.size()) {
    size_t j = s.find(L'\\', i);
    if (j == std::wstring::npos) j = s.size();
    if (j > i) parts.push_back(s.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

bool RegistryStore::IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string RegistryStore::ToStored(DWORD type, const BYTE* data, DWORD size) {
  if (!data || !size) return std::string();
  if (!IsText(type)) return std::string(reinterpret_cast<const char*>(data), size);
  std::wstring text(size / sizeof(wchar_t), L'\0');
  std::memcpy(&text[0], data, text.size() * sizeof(wchar_t));
  return ToUtf16LEBytes(text);
}

std::string RegistryStore::ToCaller(DWORD type, const std::string& stored) {
  if (!IsText(type)) return stored;
  std::wstring text = FromUtf16LEBytes(stored.data(), stored.size());
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

LONG RegistryStore::CopyData(const Value& v, DWORD* type, BYTE* data, DWORD* size) {
  if (type) *type = v.type;
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  std::string bytes = ToCaller(v.type, v.bytes);
  DWORD room = *size;
  *size = static_cast<DWORD>(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (room < bytes.size()) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), bytes.size());
  // Text stored without its terminator still comes back terminated when the buffer has
  // room for one; the size reported stays the stored one.
  if (IsText(v.type) && room >= bytes.size() + sizeof(wchar_t)) {
    bool terminated = bytes.size() >= sizeof(wchar_t) &&
                      std::memcmp(bytes.data() + bytes.size() - sizeof(wchar_t), L"", sizeof(wchar_t)) == 0;
    if (!terminated) std::memset(data + bytes.size(), 0, sizeof(wchar_t));
  }
  return ERROR_SUCCESS;
}

bool RegistryStore::Resolve(HKEY key, OpenKey& out) {
  auto v = reinterpret_cast<uintptr_t>(key);
  REGSAM all = kReadRights | kWriteRights;
  if (key == HKEY_LOCAL_MACHINE) {
    out = {kMachine, {}, all};
  } else if (key == HKEY_CURRENT_USER) {
    out = {kUser, {}, all};
  } else if (key == HKEY_USERS) {
    out = {kUsers, {}, all};
  } else if (key == HKEY_CLASSES_ROOT) {
    out = {kMachine, {L"software", L"classes"}, all};
  } else {
    auto it = open_.find(v);
    if (it == open_.end()) return false;
    out = it->second;
  }
  return true;
}

RegistryStore::Key* RegistryStore::Find(const OpenKey& key) {
  Key* k = &hives_[key.hive].root;
  for (const std::wstring& part : key.path) {
    auto it = k->keys.find(part);
    if (it == k->keys.end()) return nullptr;
    k = it->second.get();
  }
  return k;
}

std::string RegistryStore::HivePath(int hive) {
  std::string host;
  std::wstring win = L"C:\\Windows\\System32\\config\\" + FromUtf8(hives_[hive].name) + L".json";
  if (!HostPathFromWin(win, host)) return std::string();
  return host;
}

void RegistryStore::Refresh(int hive) {
  Hive& h = hives_[hive];
  struct stat st;
  std::string path = HivePath(hive);
  bool exists = !path.empty() && stat(path.c_str(), &st) == 0;
  if (h.loaded && ((!exists && h.seen.st_ino == 0) || (exists && SameFile(st, h.seen)))) return;
  LoadHive(hive);
}

namespace {

// Walks a key's entries; false as soon as a part has the wrong shape (a key that is no
// object, a value entry that is no object, a name or data that is no text, a type that
// is no unsigned number).
bool FromJson(const Json::Value& node, std::function<bool(const Json::Value&)> onValue,
              std::function<bool(const std::string&, const Json::Value&)> onKey) {
  if (!node.isObject()) return false;
  const Json::Value& values = node["values"];
  if (!values.isNull() && !values.isArray()) return false;
  for (const Json::Value& v : values) {
    if (!v.isObject() || !v["name"].isString() || !v["type"].isUInt() || !v["data"].isString()) return false;
    if (!onValue(v)) return false;
  }
  const Json::Value& keys = node["keys"];
  if (!keys.isNull() && !keys.isObject()) return false;
  for (const std::string& name : keys.getMemberNames()) {
    if (!onKey(name, keys[name])) return false;
  }
  return true;
}

}  // namespace

void RegistryStore::LoadHive(int hive) {
  Hive& h = hives_[hive];
  h.root = Key();
  h.root.name = FromUtf8(h.name);
  h.loaded = true;
  std::memset(&h.seen, 0, sizeof h.seen);
  std::string path = HivePath(hive);
  if (path.empty()) return;
  // The status comes from the open file itself, so a hive renamed in meanwhile is not
  // taken for the one that was read.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  std::string text;
  char buf[65536];
  ssize_t n;
  fstat(fd, &h.seen);
  while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  close(fd);
  Json::Value doc;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  bool parsed = false;
  try {
    parsed = reader->parse(text.data(), text.data() + text.size(), &doc, &errors) && doc.isObject();
  } catch (const std::exception& e) {
    // Nesting past the reader's limit.
    errors = e.what();
  }
  std::function<bool(Key&, const Json::Value&)> fill = [&](Key& key, const Json::Value& node) {
    return FromJson(
        node,
        [&](const Json::Value& v) {
          Value value;
          value.name = FromUtf8(v["name"].asString());
          value.type = v["type"].asUInt();
          if (Unhex(v["data"].asString(), value.bytes)) key.values[Fold(value.name)] = value;
          return true;
        },
        [&](const std::string& name, const Json::Value& child) {
          auto sub = std::make_unique<Key>();
          sub->name = FromUtf8(name);
          if (!fill(*sub, child)) return false;
          key.keys[Fold(sub->name)] = std::move(sub);
          return true;
        });
  };
  if (parsed && !fill(h.root, doc)) {
    parsed = false;
    errors = "an entry of the wrong kind";
    h.root = Key();
    h.root.name = FromUtf8(h.name);
  }
  if (!parsed) {
    // Keep the damaged file for inspection and go on with an empty hive.
    std::string aside = path + ".corrupt";
    rename(path.c_str(), aside.c_str());
    fprintf(stderr, "registry: %s is damaged (%s); moved to %s\n", path.c_str(), errors.c_str(), aside.c_str());
    std::memset(&h.seen, 0, sizeof h.seen);
  }
}

bool RegistryStore::SaveHive(int hive) {
  Hive& h = hives_[hive];
  std::string path = HivePath(hive);
  if (path.empty()) return false;
  std::function<Json::Value(const Key&)> toJson = [&](const Key& key) {
    Json::Value node(Json::objectValue);
    Json::Value values(Json::arrayValue);
    for (const auto& v : key.values) {
      Json::Value item(Json::objectValue);
      item["name"] = ToUtf8(v.second.name);
      item["type"] = v.second.type;
      item["data"] = Hex(v.second.bytes);
      values.append(item);
    }
    node["values"] = values;
    Json::Value keys(Json::objectValue);
    for (const auto& k : key.keys) keys[ToUtf8(k.second->name)] = toJson(*k.second);
    node["keys"] = keys;
    return node;
  };
  Json::StreamWriterBuilder writer;
  writer["indentation"] = " ";
  std::string text = Json::writeString(writer, toJson(h.root)) + "\n";
  MakeFolders(path);
  std::string tmp = path + ".tmp" + std::to_string(getpid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  stat(path.c_str(), &h.seen);
  return true;
}

LONG RegistryStore::Change(int hive, const std::function<LONG()>& change) {
  std::string path = HivePath(hive);
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  MakeFolders(path);
  std::string lockPath = path + ".lock";
  int lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lockFd >= 0) flock(lockFd, LOCK_EX);
  Refresh(hive);
  LONG rc = change();
  if (rc == ERROR_SUCCESS && !SaveHive(hive)) {
    // What is on disk is what counts: forget the change that could not be written.
    rc = ERROR_CANTWRITE;
    hives_[hive].loaded = false;
  }
  if (lockFd >= 0) close(lockFd);
  return rc;
}

LONG RegistryStore::Open(HKEY parent, const wchar_t* subKey, REGSAM access, bool create, HKEY* result,
                         DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::recursive_mutex> lock(lock_);
  std::wstring sub = subKey ? subKey : L"";
  if (parent == HKEY_CLASSES_ROOT) {
    // The classes root always exists: it is the machine's Software\Classes, made on demand.
    parent = HKEY_LOCAL_MACHINE;
    sub = L"Software\\Classes\\" + sub;
  }
  subKey = sub.c_str();
  OpenKey base;
  if (!Resolve(parent, base)) return ERROR_INVALID_HANDLE;
  OpenKey target = base;
  for (const std::wstring& part : SplitPath(subKey)) {
    if (part.size() > 255) return ERROR_INVALID_PARAMETER;
    target.path.push_back(Fold(part));
  }
  target.access = Rights(access);
  Refresh(base.hive);
  if (!Find(base)) return ERROR_KEY_DELETED;
  bool existed = Find(target) != nullptr;
  if (!existed) {
    if (!create) return ERROR_FILE_NOT_FOUND;
    if (!(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    std::vector<std::wstring> names = SplitPath(subKey);
    LONG rc = Change(base.hive, [&]() -> LONG {
      Key* k = Find(base);
      if (!k) return ERROR_KEY_DELETED;
      for (const std::wstring& name : names) {
        auto& slot = k->keys[Fold(name)];
        if (!slot) {
          slot = std::make_unique<Key>();
          slot->name = name;
        }
        k = slot.get();
      }
      return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
  }
  if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = target;
  *result = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

LONG RegistryStore::Close(HKEY key) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_USERS || key == HKEY_CLASSES_ROOT)
    return ERROR_SUCCESS;
  return open_.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegistryStore::Query(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  LONG rc = ERROR_SUCCESS;
  Key* node = ReadableKey(key, KEY_QUERY_VALUE, &rc);
  if (!node) return rc;
  auto it = node->values.find(Fold(name ? name : L""));
  if (it == node->values.end()) return ERROR_FILE_NOT_FOUND;
  return CopyData(it->second, type, data, size);
}

LONG RegistryStore::Set(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  if (!data && size) return ERROR_NOACCESS;
  std::lock_guard<std::recursive_mutex> lock(lock_);
  OpenKey k;
  if (!Resolve(key, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  Value v;
  v.name = name ? name : L"";
  v.type = type;
  v.bytes = ToStored(type, data, size);
  return Change(k.hive, [&]() -> LONG {
    Key* node = Find(k);
    if (!node) return ERROR_KEY_DELETED;
    node->values[Fold(v.name)] = v;
    return ERROR_SUCCESS;
  });
}

LONG RegistryStore::DeleteValue(HKEY key, const wchar_t* name) {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  OpenKey k;
  if (!Resolve(key, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return Change(k.hive, [&]() -> LONG {
    Key* node = Find(k);
    if (!node) return ERROR_KEY_DELETED;
    return node->values.erase(Fold(name ? name : L"")) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegistryStore::DeleteKey(HKEY parent, const wchar_t* subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::recursive_mutex> lock(lock_);
  OpenKey target;
  if (!Resolve(parent, target)) return ERROR_INVALID_HANDLE;
  if (parent == HKEY_CLASSES_ROOT && !*subKey) return ERROR_ACCESS_DENIED;
  for (const std::wstring& part : SplitPath(subKey)) target.path.push_back(Fold(part));
  if (target.path.empty()) return ERROR_ACCESS_DENIED;  // a hive's root stays
  return Change(target.hive, [&]() -> LONG {
    Key* node = Find(target);
    if (!node) return ERROR_FILE_NOT_FOUND;
    if (!node->keys.empty()) return ERROR_ACCESS_DENIED;
    OpenKey up = target;
    up.path.pop_back();
    Find(up)->keys.erase(target.path.back());
    return ERROR_SUCCESS;
  });
}

RegistryStore::Key* RegistryStore::ReadableKey(HKEY key, REGSAM need, LONG* rc) {
  OpenKey k;
  if (!Resolve(key, k)) {
    *rc = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (!(k.access & need)) {
    *rc = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  Refresh(k.hive);
  Key* node = Find(k);
  if (!node) *rc = ERROR_KEY_DELETED;
  return node;
}

LONG RegistryStore::CopyName(const std::wstring& n, wchar_t* name, DWORD* nameChars) {
  if (*nameChars <= n.size()) return ERROR_MORE_DATA;
  n.copy(name, n.size());
  name[n.size()] = 0;
  *nameChars = static_cast<DWORD>(n.size());
  return ERROR_SUCCESS;
}

LONG RegistryStore::EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) {
  if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::recursive_mutex> lock(lock_);
  LONG rc = ERROR_SUCCESS;
  Key* node = ReadableKey(key, KEY_ENUMERATE_SUB_KEYS, &rc);
  if (!node) return rc;
  if (index >= node->keys.size()) return ERROR_NO_MORE_ITEMS;
  return CopyName(std::next(node->keys.begin(), index)->second->name, name, nameChars);
}

LONG RegistryStore::EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars, DWORD* type, BYTE* data,
                              DWORD* size) {
  if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::recursive_mutex> lock(lock_);
  LONG rc = ERROR_SUCCESS;
  Key* node = ReadableKey(key, KEY_QUERY_VALUE, &rc);
  if (!node) return rc;
  if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = std::next(node->values.begin(), index)->second;
  rc = CopyName(v.name, name, nameChars);
  return rc == ERROR_SUCCESS ? CopyData(v, type, data, size) : rc;
}

void RegistryStore::Reset() {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  for (Hive& h : hives_) {
    h.loaded = false;
    h.root = Key();
  }
}

}  // namespace jf
