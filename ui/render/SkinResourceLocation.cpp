#include "ui/render/SkinResourceLocation.h"

#include <cwchar>

#include "ui/archive/ZipReader.h"

namespace SkinUI {

namespace {

struct ResourceState {
  HINSTANCE instance = nullptr;
  HINSTANCE resourceInstance = nullptr;
  CUIString resourcePath;
  CUIString zipName;
  bool zipOpen = false;
  ZipHandle* zip = nullptr;
  BYTE* buffer = nullptr;
  DWORD bufferSize = 0;
};

ResourceState& State() {
  static ResourceState* state = new ResourceState();
  return *state;
}

}  // namespace

HINSTANCE CSkinResourceLocation::GetInstance() { return State().instance; }

void CSkinResourceLocation::SetInstance(HINSTANCE instance) { State().instance = instance; }

CUIString CSkinResourceLocation::GetInstancePath() {
  if (!State().instance) return CUIString();
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameW(State().instance, path, MAX_PATH);
  if (n == 0) return CUIString();
  wchar_t* slash = wcsrchr(path, L'\\');
  if (slash) slash[1] = L'\0';
  return CUIString(path);
}

HINSTANCE CSkinResourceLocation::GetResourceInstance() {
  return State().resourceInstance ? State().resourceInstance : State().instance;
}

void CSkinResourceLocation::SetResourceInstance(HINSTANCE instance) { State().resourceInstance = instance; }

const CUIString& CSkinResourceLocation::GetResourcePath() { return State().resourcePath; }

void CSkinResourceLocation::SetResourcePath(LPCWSTR path) {
  CUIString& stored = State().resourcePath;
  stored = path;
  if (stored.IsEmpty()) return;
  wchar_t last = stored[stored.GetLength() - 1];
  if (last != L'\\' && last != L'/') stored += L'\\';
}

const CUIString& CSkinResourceLocation::GetResourceZip() { return State().zipName; }

bool CSkinResourceLocation::IsCachedResourceZip() { return State().zipOpen; }

void* CSkinResourceLocation::GetResourceZipHandle() { return State().zip; }

void CSkinResourceLocation::SetResourceZip(LPCWSTR zipName) {
  ResourceState& s = State();
  if (s.zipOpen && s.zipName == (zipName ? zipName : L"")) return;
  if (s.zip) CloseZip(s.zip);
  s.zip = nullptr;
  s.zipName = zipName;
  s.zipOpen = true;
  CUIString path = s.resourcePath;
  path += s.zipName;
  s.zip = OpenZip(path.GetData(), 0, ZIP_FILENAME);
}

void CSkinResourceLocation::SetResourceZipFromMemory() {
  ResourceState& s = State();
  if (s.zipName == L"membuffer") return;
  if (s.zip) CloseZip(s.zip);
  s.zip = nullptr;
  s.zipName = L"membuffer";
  s.zipOpen = true;
  s.zip = OpenZip(s.buffer, s.bufferSize, ZIP_MEMORY);
}

const BYTE* CSkinResourceLocation::GetResourceZipBuffer() { return State().buffer; }

DWORD CSkinResourceLocation::GetResourceZipBufferSize() { return State().bufferSize; }

void CSkinResourceLocation::SetResourceZipBuffer(BYTE* buffer, DWORD size) {
  ResourceState& s = State();
  if (s.buffer == buffer) return;
  // The memory archive reads straight from the buffer: it is closed with it.
  if (s.zip && s.zipName == L"membuffer") CloseResourceZip();
  delete[] s.buffer;
  s.buffer = buffer;
  s.bufferSize = buffer ? size : 0;
}

void CSkinResourceLocation::FreeResourceZipBuffer() { SetResourceZipBuffer(nullptr, 0); }

void CSkinResourceLocation::CloseResourceZip() {
  ResourceState& s = State();
  if (s.zip) CloseZip(s.zip);
  s.zip = nullptr;
  s.zipOpen = false;
  s.zipName.Empty();
}

}  // namespace SkinUI
