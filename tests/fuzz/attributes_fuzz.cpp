// Attribute lists applied to the base control and a container.
#include <cstddef>
#include <cstdint>
#include <string>

#include "control/ControlUI.h"
#include "layout/ContainerUI.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring list;
  for (size_t i = 0; i < size; ++i) list.push_back(static_cast<wchar_t>(data[i]));
  SkinUI::CControlUI control;
  control.ApplyAttributeList(list.c_str());
  SkinUI::CContainerUI container;
  container.ApplyAttributeList(list.c_str());
  return 0;
}
