#include "platform/src/user/DragData.h"

#include <shlobj.h>

#include <cstring>

#include "platform/src/user/DragFormatList.h"

namespace jf {

namespace {

FORMATETC Format(CLIPFORMAT cf) { return FORMATETC{cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

HGLOBAL Block(const void* bytes, size_t size) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!mem) return nullptr;
  std::memcpy(GlobalLock(mem), bytes, size);
  GlobalUnlock(mem);
  return mem;
}

// Takes a medium's global block out of a data object; the caller frees the medium.
bool Fetch(IDataObject* data, CLIPFORMAT cf, STGMEDIUM* medium) {
  if (!data) return false;
  FORMATETC fe = Format(cf);
  std::memset(medium, 0, sizeof(*medium));
  if (data->GetData(&fe, medium) != S_OK) return false;
  if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal) return true;
  ReleaseStgMedium(medium);
  return false;
}

}  // namespace

void DragData::SetText(const std::wstring& text) {
  text_ = text;
  hasText_ = true;
}

void DragData::SetFiles(const std::vector<std::wstring>& windowsPaths) {
  files_ = windowsPaths;
  hasFiles_ = true;
}

HGLOBAL DragData::FileBlock(const std::vector<std::wstring>& windowsPaths, POINT pt) {
  std::wstring names;
  for (const std::wstring& name : windowsPaths) {
    // An empty name would end the list early, one with a NUL inside would read as two.
    if (name.empty() || name.find(L'\0') != std::wstring::npos) continue;
    names += name;
    names += L'\0';
  }
  names += L'\0';
  const size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GHND, size);
  if (!mem) return nullptr;
  auto* head = static_cast<DROPFILES*>(GlobalLock(mem));
  head->pFiles = sizeof(DROPFILES);
  head->pt = pt;
  head->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(head) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(mem);
  return mem;
}

bool DragData::TextOf(IDataObject* data, std::wstring* text) {
  STGMEDIUM medium;
  if (Fetch(data, CF_UNICODETEXT, &medium)) {
    const auto* chars = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal));
    const size_t cap = GlobalSize(medium.hGlobal) / sizeof(wchar_t);
    text->assign(chars, wcsnlen(chars, cap));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return true;
  }
  if (Fetch(data, CF_TEXT, &medium)) {
    const auto* chars = static_cast<const char*>(GlobalLock(medium.hGlobal));
    const std::string narrow(chars, strnlen(chars, GlobalSize(medium.hGlobal)));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    const int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), nullptr, 0);
    text->assign(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), &(*text)[0], n);
    return true;
  }
  return false;
}

bool DragData::FilesOf(IDataObject* data, std::vector<std::wstring>* windowsPaths) {
  STGMEDIUM medium;
  if (!Fetch(data, CF_HDROP, &medium)) return false;
  auto drop = reinterpret_cast<HDROP>(medium.hGlobal);
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0);
  windowsPaths->clear();
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, &name[0], UINT(name.size())));
    windowsPaths->push_back(name);
  }
  ReleaseStgMedium(&medium);
  return true;
}

bool DragData::Offers(IDataObject* data, CLIPFORMAT format) {
  FORMATETC fe = Format(format);
  return data && data->QueryGetData(&fe) == S_OK;
}

HRESULT DragData::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDataObject) {
    *ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG DragData::AddRef() { return ++refs_; }

ULONG DragData::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

std::vector<FORMATETC> DragData::Formats() const {
  std::vector<FORMATETC> formats;
  if (hasText_) {
    formats.push_back(Format(CF_UNICODETEXT));
    formats.push_back(Format(CF_TEXT));
  }
  if (hasFiles_) formats.push_back(Format(CF_HDROP));
  return formats;
}

HRESULT DragData::QueryGetData(FORMATETC* pformatetc) {
  if (!pformatetc) return E_INVALIDARG;
  if (pformatetc->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!(pformatetc->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
  for (const FORMATETC& fe : Formats()) {
    if (fe.cfFormat == pformatetc->cfFormat) return S_OK;
  }
  return DV_E_FORMATETC;
}

HRESULT DragData::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) {
  if (!pmedium) return E_INVALIDARG;
  const HRESULT hr = QueryGetData(pformatetcIn);
  if (hr != S_OK) return hr;
  HGLOBAL mem = nullptr;
  if (pformatetcIn->cfFormat == CF_UNICODETEXT) {
    mem = Block(text_.c_str(), (text_.size() + 1) * sizeof(wchar_t));
  } else if (pformatetcIn->cfFormat == CF_TEXT) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text_.c_str(), int(text_.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text_.c_str(), int(text_.size()), &narrow[0], n, nullptr, nullptr);
    mem = Block(narrow.c_str(), narrow.size() + 1);
  } else {
    mem = FileBlock(files_, POINT{0, 0});
  }
  if (!mem) return E_OUTOFMEMORY;
  pmedium->tymed = TYMED_HGLOBAL;
  pmedium->hGlobal = mem;
  pmedium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT DragData::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT DragData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pformatetcOut) {
  if (pformatetcOut) pformatetcOut->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

HRESULT DragData::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT DragData::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) {
  if (!ppenumFormatEtc) return E_INVALIDARG;
  *ppenumFormatEtc = nullptr;
  if (dwDirection != DATADIR_GET) return E_NOTIMPL;
  *ppenumFormatEtc = new DragFormatList(Formats());
  return S_OK;
}

HRESULT DragData::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT DragData::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT DragData::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

}  // namespace jf
