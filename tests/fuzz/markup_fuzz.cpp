// The skin markup parser and the builder over arbitrary bytes read as UTF-8.
// fuzz-dict: skin.dict
#include <cstddef>
#include <cstdint>

#include "ui/base/ControlUI.h"
#include "ui/skin/SkinBuilder.h"
#include "ui/skin/SkinMarkup.h"
#include "ui/skin/IDialogBuilderCallback.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SkinUI::CSkinBuilder builder;
  SkinUI::CSkinMarkup& markup = *builder.GetMarkup();
  if (!markup.LoadFromMem(data, static_cast<DWORD>(size))) return 0;
  // Walk every element and attribute the parse produced.
  SkinUI::CSkinMarkupNode stack[300];
  int depth = 0;
  stack[depth++] = markup.GetRoot();
  while (depth > 0) {
    SkinUI::CSkinMarkupNode node = stack[--depth];
    if (!node.IsValid()) continue;
    for (int i = 0; i < node.GetAttributeCount(); ++i) {
      (void)node.GetAttributeName(i);
      (void)node.GetAttributeValue(i);
    }
    if (depth < 298) {
      stack[depth++] = node.GetSibling();
      stack[depth++] = node.GetChild();
    }
  }
  delete builder.Create(static_cast<SkinUI::IDialogBuilderCallback*>(nullptr), nullptr, nullptr);
  return 0;
}
