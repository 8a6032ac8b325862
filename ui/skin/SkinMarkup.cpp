#include "ui/skin/SkinMarkup.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "ui/archive/ZipReader.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

bool IsBlank(wchar_t c) { return c > 0 && c <= 32; }
bool IsIdentifier(wchar_t c) { return c == L'_' || c == L':' || (c != 0 && iswalnum(static_cast<wint_t>(c))); }
void SkipBlanks(wchar_t*& p) {
  while (IsBlank(*p)) ++p;
}
void SkipIdentifier(wchar_t*& p) {
  while (IsIdentifier(*p)) ++p;
}

struct Entity {
  const wchar_t* name;
  size_t length;
  wchar_t ch;
};
const Entity kEntities[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

}  // namespace

CSkinMarkup::CSkinMarkup() {
  m_errorMessage[0] = L'\0';
  m_errorSnippet[0] = L'\0';
}

CSkinMarkup::~CSkinMarkup() { Release(); }

void CSkinMarkup::Release() {
  free(m_text);
  m_text = nullptr;
  m_length = 0;
  free(m_elements);
  m_elements = nullptr;
  m_count = 0;
  m_capacity = 0;
}

CSkinMarkupNode CSkinMarkup::GetRoot() {
  if (m_count < 2) return CSkinMarkupNode();
  return CSkinMarkupNode(this, 1);
}

bool CSkinMarkup::Load(LPCWSTR text) {
  Release();
  if (!text) text = L"";
  size_t length = wcslen(text);
  // Two terminators: the attribute mapping may step over the last one.
  m_text = static_cast<wchar_t*>(calloc(length + 2, sizeof(wchar_t)));
  if (!m_text) return FailLoad(L"Could not read file");
  memcpy(m_text, text, length * sizeof(wchar_t));
  m_length = static_cast<ULONG>(length);
  bool ok = Parse();
  if (!ok) Release();
  return ok;
}

bool CSkinMarkup::LoadFromMem(const BYTE* bytes, DWORD size) {
  Release();
  if (!bytes) size = 0;
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bytes += 3;
    size -= 3;
  }
  int wide = size ? MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes),
                                        static_cast<int>(size), nullptr, 0)
                  : 0;
  if (wide < 0) wide = 0;
  m_text = static_cast<wchar_t*>(calloc(static_cast<size_t>(wide) + 2, sizeof(wchar_t)));
  if (!m_text) return FailLoad(L"Could not read file");
  if (wide > 0) {
    MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes), static_cast<int>(size), m_text, wide);
  }
  m_text[wide] = L'\0';
  m_length = static_cast<ULONG>(wcslen(m_text));
  bool ok = Parse();
  if (!ok) Release();
  return ok;
}

bool CSkinMarkup::LoadFromFile(LPCWSTR name) {
  Release();
  m_errorMessage[0] = L'\0';
  m_errorSnippet[0] = L'\0';
  if (!name) name = L"";
  const CUIString& zip = CWindowManagerUI::GetResourceZip();
  if (zip.IsEmpty()) {
    CUIString path = CWindowManagerUI::GetResourcePath();
    path += name;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FailLoad(L"Error opening file");
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == 0 && high == 0) {
      CloseHandle(file);
      return FailLoad(L"File is empty");
    }
    if (high != 0 || size > kMaxFileSize) {
      CloseHandle(file);
      return FailLoad(L"File too large");
    }
    BYTE* buffer = static_cast<BYTE*>(malloc(size));
    if (!buffer) {
      CloseHandle(file);
      return FailLoad(L"Could not read file");
    }
    DWORD read = 0;
    BOOL ok = ReadFile(file, buffer, size, &read, nullptr);
    CloseHandle(file);
    if (!ok || read < size) {
      free(buffer);
      return FailLoad(L"Could not read file");
    }
    bool parsed = LoadFromMem(buffer, size);
    free(buffer);
    return parsed;
  }

  ZipHandle* archive = nullptr;
  bool held = CWindowManagerUI::IsCachedResourceZip();
  if (held) {
    archive = static_cast<ZipHandle*>(CWindowManagerUI::GetResourceZipHandle());
  } else {
    CUIString path = CWindowManagerUI::GetResourcePath();
    path += zip;
    archive = OpenZip(path.GetData(), 0, ZIP_FILENAME);
  }
  if (!archive) return FailLoad(L"Error opening zip file");
  int index = -1;
  ZipEntryInfo entry = {};
  bool ok = false;
  BYTE* buffer = nullptr;
  if (FindZipItem(archive, name, &index, &entry) != ZR_OK) {
    FailLoad(L"Could not find ziped file");
  } else if (entry.unc_size == 0) {
    FailLoad(L"File is empty");
  } else if (entry.unc_size > kMaxFileSize) {
    FailLoad(L"File too large");
  } else if (!(buffer = static_cast<BYTE*>(calloc(entry.unc_size, 1)))) {
    FailLoad(L"Could not unzip file");
  } else if (!ReadZipEntry(archive, index, buffer, entry.unc_size)) {
    FailLoad(L"Could not unzip file");
  } else {
    ok = true;
  }
  if (!held) CloseZip(archive);
  if (ok) ok = LoadFromMem(buffer, entry.unc_size);
  free(buffer);
  return ok;
}

ULONG CSkinMarkup::Reserve() {
  if (m_count >= m_capacity) {
    ULONG capacity = m_capacity == 0 ? 500 : m_capacity + m_capacity / 2 + 500;
    void* grown = realloc(m_elements, static_cast<size_t>(capacity) * sizeof(SkinMarkupElement));
    if (!grown) return 0;
    m_elements = static_cast<SkinMarkupElement*>(grown);
    m_capacity = capacity;
  }
  memset(&m_elements[m_count], 0, sizeof(SkinMarkupElement));
  return m_count++;
}

bool CSkinMarkup::FailLoad(LPCWSTR message) {
  Release();
  return Fail(message, nullptr);
}

bool CSkinMarkup::Fail(LPCWSTR message, const wchar_t* at) {
  wcsncpy(m_errorMessage, message, 99);
  m_errorMessage[99] = L'\0';
  m_errorSnippet[0] = L'\0';
  if (at) {
    wcsncpy(m_errorSnippet, at, 49);
    m_errorSnippet[49] = L'\0';
  }
  return false;
}

bool CSkinMarkup::Parse() {
  m_errorMessage[0] = L'\0';
  m_errorSnippet[0] = L'\0';
  m_count = 0;
  if (Reserve() != 0 || !m_elements) return Fail(L"Could not read file", nullptr);
  wchar_t* p = m_text;
  SkipBlanks(p);
  return ParseLevel(p, 0, 0);
}

wchar_t* CSkinMarkup::DecodeText(wchar_t*& p, wchar_t delimiter) {
  wchar_t* out = p;
  while (*p != L'\0' && *p != delimiter) {
    if (*p == L'&') {
      const Entity* hit = nullptr;
      for (const Entity& e : kEntities) {
        if (wcsncmp(p, e.name, e.length) == 0) {
          hit = &e;
          break;
        }
      }
      if (hit) {
        *out++ = hit->ch;
        p += hit->length;
      } else {
        *out++ = *p++;
      }
    } else if (*p == L' ') {
      *out++ = *p++;
      if (!m_preserveWhitespace) SkipBlanks(p);
    } else {
      *out++ = *p++;
    }
  }
  // Blank the characters that decoding freed, so the attribute mapping steps over them.
  for (wchar_t* q = out + 1; q < p; ++q) *q = L' ';
  return out;
}

bool CSkinMarkup::ParseAttributes(wchar_t*& p) {
  if (*p == L'>') return true;
  if (p[0] == L'/' && p[1] == L'>') return true;  // a bare <a/> is an empty element
  *p++ = L'\0';
  SkipBlanks(p);
  if (*p == L'\0') return true;
  for (;;) {
    if (*p == L'>' || *p == L'/') return true;
    SkipIdentifier(p);
    wchar_t* nameEnd = p;
    SkipBlanks(p);
    if (*p != L'=') return Fail(L"Error while parsing attributes", p);
    *p++ = L' ';
    *nameEnd = L'\0';
    SkipBlanks(p);
    if (*p != L'"') return Fail(L"Expected attribute value", p);
    ++p;
    wchar_t* value = p;
    wchar_t* out = DecodeText(p, L'"');
    if (*p == L'\0') return Fail(L"Error while parsing attribute string", value);
    *out = L'\0';
    if (out < p) *p = L' ';
    ++p;
    SkipBlanks(p);
    if (*p == L'\0') return true;
  }
}

bool CSkinMarkup::ParseLevel(wchar_t*& p, ULONG parent, int depth) {
  if (depth > kMaxDepth) return Fail(L"Elements nested too deeply", p);
  ULONG previous = 0;
  for (;;) {
    if (*p == L'\0' && parent <= 1) return true;
    SkipBlanks(p);
    if (*p != L'<') return Fail(L"Expected start tag", p);
    if (p[1] == L'/') return true;
    *p++ = L'\0';
    SkipBlanks(p);
    if (*p == L'!' || *p == L'?') {
      wchar_t closer = *p == L'!' ? L'-' : L'?';
      while (*p != L'\0' && !(p[0] == closer && p[1] == L'>')) ++p;
      if (*p != L'\0') p += 2;
      SkipBlanks(p);
      continue;
    }
    SkipBlanks(p);
    ULONG pos = Reserve();
    if (pos == 0) return Fail(L"Could not read file", p);
    m_elements[pos].name = static_cast<ULONG>(p - m_text);
    m_elements[pos].parent = parent;
    if (previous) {
      m_elements[previous].next = pos;
    } else if (parent) {
      m_elements[parent].child = pos;
    }
    previous = pos;

    wchar_t* name = p;
    SkipIdentifier(p);
    wchar_t* nameEnd = p;
    if (*p == L'\0') return Fail(L"Error parsing element name", name);
    if (!ParseAttributes(p)) return false;
    SkipBlanks(p);
    if (p[0] == L'/' && p[1] == L'>') {
      m_elements[pos].data = static_cast<ULONG>(p - m_text);
      *p = L'\0';
      p += 2;
    } else {
      if (*p != L'>') return Fail(L"Expected start-tag closing", p);
      ++p;
      m_elements[pos].data = static_cast<ULONG>(p - m_text);
      wchar_t* out = DecodeText(p, L'<');
      if (out < p) *out = L'\0';
      if (*p == L'\0') {
        if (parent <= 1) {
          *nameEnd = L'\0';
          return true;
        }
        return Fail(L"Expected end-tag start", p);
      }
      if (p[1] != L'/') {
        if (!ParseLevel(p, pos, depth + 1)) return false;
      }
      if (p[0] == L'<' && p[1] == L'/') {
        *p = L'\0';
        p += 2;
        SkipBlanks(p);
        size_t nameLength = static_cast<size_t>(nameEnd - name);
        if (wcsncmp(p, name, nameLength) != 0) return Fail(L"Unmatched closing tag", p);
        p += nameLength;
        SkipBlanks(p);
        if (*p != L'>') return Fail(L"Unmatched closing tag", p);
        ++p;
      }
    }
    *nameEnd = L'\0';
    SkipBlanks(p);
  }
}

}  // namespace SkinUI
