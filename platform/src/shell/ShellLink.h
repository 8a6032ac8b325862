// The shell link object: keeps what the caller set and writes it as a .lnk file in the
// binary shell-link format (header, link info with the local target path, string data).
#pragma once
#include <atomic>
#include <string>

#include <objbase.h>
#include <shobjidl.h>

namespace jf {

class ShellLink final : public IShellLinkW, public IPersistFile {
 public:
  ShellLink() = default;
  ShellLink(const ShellLink&) = delete;
  ShellLink& operator=(const ShellLink&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IShellLinkW
  HRESULT STDMETHODCALLTYPE GetPath(LPWSTR pszFile, int cch, WIN32_FIND_DATAW* pfd, DWORD fFlags) override;
  HRESULT STDMETHODCALLTYPE GetIDList(LPITEMIDLIST* ppidl) override;
  HRESULT STDMETHODCALLTYPE SetIDList(LPCITEMIDLIST pidl) override;
  HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR pszName, int cch) override;
  HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR pszName) override;
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR pszDir, int cch) override;
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR pszDir) override;
  HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR pszArgs, int cch) override;
  HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR pszArgs) override;
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD* pwHotkey) override;
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD wHotkey) override;
  HRESULT STDMETHODCALLTYPE GetShowCmd(int* piShowCmd) override;
  HRESULT STDMETHODCALLTYPE SetShowCmd(int iShowCmd) override;
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR pszIconPath, int cch, int* piIcon) override;
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR pszIconPath, int iIcon) override;
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR pszPathRel, DWORD dwReserved) override;
  HRESULT STDMETHODCALLTYPE Resolve(HWND hwnd, DWORD fFlags) override;
  HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR pszFile) override;

  // IPersistFile
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) override;
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR pszFileName) override;
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override;

  // The bytes of the .lnk file for the current settings.
  std::string Serialize() const;
  // Takes the settings from the bytes of a .lnk file; false when they are not one.
  bool Parse(const std::string& bytes);

 private:
  ~ShellLink() = default;

  std::atomic<ULONG> refs_{1};
  std::wstring path_, description_, workingDir_, arguments_, iconPath_, relativePath_, curFile_;
  int iconIndex_ = 0;
  int showCmd_ = 1;
  WORD hotkey_ = 0;
  bool dirty_ = false;
};

}  // namespace jf
