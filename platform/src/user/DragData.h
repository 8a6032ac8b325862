// What a drag carries: text (CF_UNICODETEXT, and CF_TEXT in the ANSI code page) and a file
// list (CF_HDROP), as a data object; and the readers that take the same two out of any data
// object a drop brings.
#pragma once
#include <ole2.h>

#include <string>
#include <vector>

namespace jf {

class DragData : public IDataObject {
 public:
  DragData() = default;
  DragData(const DragData&) = delete;
  DragData& operator=(const DragData&) = delete;

  void SetText(const std::wstring& text);
  void SetFiles(const std::vector<std::wstring>& windowsPaths);

  // The text or file list of any data object; false when it offers none.
  static bool TextOf(IDataObject* data, std::wstring* text);
  static bool FilesOf(IDataObject* data, std::vector<std::wstring>* windowsPaths);
  static bool Offers(IDataObject* data, CLIPFORMAT format);
  // A CF_HDROP block for these names (the drop point in `pt`); empty names and names with a
  // NUL inside are left out.
  static HGLOBAL FileBlock(const std::vector<std::wstring>& windowsPaths, POINT pt);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pformatetc) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                    DWORD* pdwConnection) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override;

 private:
  virtual ~DragData() = default;
  std::vector<FORMATETC> Formats() const;

  ULONG refs_ = 1;
  bool hasText_ = false;
  std::wstring text_;
  bool hasFiles_ = false;
  std::vector<std::wstring> files_;
};

}  // namespace jf
