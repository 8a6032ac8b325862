// A container that fills itself from another skin file when it is initialised.
#pragma once
#include <windows.h>

#include <vector>

#include "ui/base/ContainerUI.h"

namespace SkinUI {

class CChildLayoutUI : public CContainerUI {
 public:
  CChildLayoutUI();
  ~CChildLayoutUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void Init() override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  void SetChildLayoutXML(LPCWSTR file) { m_xmlFile = file; }
  const CUIString& GetChildLayoutXML() const { return m_xmlFile; }

 protected:
  CUIString m_xmlFile;

 private:
  static std::vector<CUIString>& OpenFiles();
  // Builds the file, its documents counted in *treeDocuments (or on their own without it).
  void Build(int* treeDocuments);
  void Log(int line, const wchar_t* format) const;
};

}  // namespace SkinUI
