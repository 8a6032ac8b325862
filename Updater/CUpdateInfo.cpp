#include "Updater/CUpdateInfo.h"

#include <cstring>

#include "commonlib/util/StringUtils.h"

namespace {

bool IsBlank(char c) { return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' '; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

void SkipBlanks(const char*& p) {
  while (*p && IsBlank(*p)) ++p;
}

// A decimal number of at most `limit`; false without digits or above the limit.
bool ReadNumber(const char*& p, unsigned limit, unsigned& out) {
  if (!IsDigit(*p)) return false;
  unsigned long value = 0;
  while (IsDigit(*p)) {
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > limit) return false;
    ++p;
  }
  out = static_cast<unsigned>(value);
  return true;
}

// A name: a letter, then letters, digits or "_".
bool ReadName(const char*& p, const char*& name, size_t& length) {
  if (!IsLetter(*p)) return false;
  name = p;
  while (IsNameChar(*p)) ++p;
  length = static_cast<size_t>(p - name);
  return true;
}

// One item line after its "-": the key, and the value after ":" (null when there is none).
bool ReadItem(const char*& p, const char*& key, size_t& keyLength, const char*& value, size_t& valueLength) {
  if (!ReadName(p, key, keyLength)) return false;
  value = nullptr;
  valueLength = 0;
  if (*p == ':') {
    value = ++p;
    while (*p && !IsBlank(*p)) ++p;
    valueLength = static_cast<size_t>(p - value);
    return true;
  }
  return *p == 0 || IsBlank(*p);
}

std::wstring WideOf(const char* text, size_t length) { return StringUtils::Utf8ToWide(std::string(text, length)); }

// A decimal integer of at most 23 characters within the 32-bit signed range.
bool ReadSize(const char* text, size_t length, int64_t& out) {
  if (!text || length == 0 || length > 23) return false;
  size_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') ++i;
  if (i == length) return false;
  int64_t value = 0;
  for (; i < length; ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return false;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return false;
  out = value;
  return true;
}

bool KeyIs(const char* key, size_t length, const char* name) {
  return std::strlen(name) == length && std::memcmp(key, name, length) == 0;
}

}  // namespace

bool CUpdateInfo::IsGreater(const Version& a, const Version& b) {
  if (!a.IsValid() || !b.IsValid()) return false;
  if (a.major != b.major) return a.major > b.major;
  if (a.minor != b.minor) return a.minor > b.minor;
  if (a.patch != b.patch) return a.patch > b.patch;
  return a.Build() > b.Build();
}

std::wstring CUpdateInfo::FormatVersion(const Version& v) {
  return StringUtils::Format(L"%hu.%hu.%hu", v.major, v.minor, v.patch);
}

bool CUpdateInfo::ReadVersion(const char*& text, Version& out) {
  const char* p = text;
  unsigned parts[4] = {0, 0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (*p != '.') return false;
      ++p;
    }
    if (!ReadNumber(p, 65535, parts[i])) return false;
  }
  if (*p == '.') {
    ++p;
    if (!ReadNumber(p, 32766, parts[3])) return false;
  }
  if (*p && !IsBlank(*p)) return false;
  out.major = static_cast<uint16_t>(parts[0]);
  out.minor = static_cast<uint16_t>(parts[1]);
  out.patch = static_cast<uint16_t>(parts[2]);
  out.build = static_cast<uint16_t>(0x8000 | parts[3]);
  text = p;
  return true;
}

CUpdateInfo::CUpdateInfo() = default;

void CUpdateInfo::Reset() {
  m_result.clear();
  m_lastVersion = Version();
  m_reboot = m_force = m_auto = false;
}

bool CUpdateInfo::Parse(const char* text) {
  Reset();
  if (!text) return false;
  const char* p = text;
  if (std::strncmp(p, "\xEF\xBB\xBF", 3) == 0) p += 3;
  Version previous;
  bool first = true;
  for (;;) {
    SkipBlanks(p);
    if (!*p) return true;
    Version version;
    if (!ReadVersion(p, version)) return false;
    if (!first && !IsGreater(version, previous)) return false;
    first = false;
    previous = version;
    // Without an installed version every block is newer.
    const bool wanted = !m_installedVersion.IsValid() || IsGreater(version, m_installedVersion);
    ProtoValue record(PV_MAP);
    record[L"version"] = FormatVersion(version);
    bool inSection = false;
    bool sectionWanted = false;
    for (;;) {
      SkipBlanks(p);
      if (!*p || IsDigit(*p)) break;
      if (*p == '-') {
        ++p;
        const char* key;
        const char* value;
        size_t keyLength, valueLength;
        if (!ReadItem(p, key, keyLength, value, valueLength)) return false;
        const bool counts = wanted && (!inSection || sectionWanted);
        if (counts && !OnItem(key, keyLength, value, valueLength, record)) return false;
        continue;
      }
      const char* name;
      size_t nameLength;
      if (!ReadName(p, name, nameLength)) return false;
      if (*p && !IsBlank(*p)) return false;
      inSection = true;
      sectionWanted = !m_productName.empty() && m_productName.size() == nameLength &&
                      std::memcmp(m_productName.data(), name, nameLength) == 0;
    }
    if (!wanted) continue;
    if (!OnEnd(record)) return false;
    m_result.append(record);
    m_lastVersion = version;
  }
}

bool CUpdateInfo::OnItem(const char* key, size_t keyLength, const char* value, size_t valueLength,
                         ProtoValue& record) {
  const std::wstring name = WideOf(key, keyLength);
  if (KeyIs(key, keyLength, "url") || KeyIs(key, keyLength, "furl")) {
    if (!value || valueLength == 0) return false;
    record[name] = WideOf(value, valueLength);
    return true;
  }
  if (KeyIs(key, keyLength, "size") || KeyIs(key, keyLength, "fsize")) {
    int64_t size = 0;
    if (!ReadSize(value, valueLength, size)) return false;
    record[name] = size;
    return true;
  }
  if (KeyIs(key, keyLength, "sha1") || KeyIs(key, keyLength, "fsha1")) {
    if (!value || valueLength != 40) return false;
    record[name] = WideOf(value, valueLength);
    return true;
  }
  bool* flag = KeyIs(key, keyLength, "force")    ? &m_force
               : KeyIs(key, keyLength, "reboot") ? &m_reboot
               : KeyIs(key, keyLength, "auto")   ? &m_auto
                                                 : nullptr;
  if (!flag || value) return false;
  record[name] = static_cast<int64_t>(1);
  *flag = true;
  return true;
}

bool CUpdateInfo::OnEnd(ProtoValue& record) {
  const ProtoValue& url = record.get(L"url");
  const ProtoValue& version = record.get(L"version");
  return url.type() == PV_STRING && !url.string().empty() && version.type() == PV_STRING &&
         !version.string().empty();
}
