#include "platform/src/web/WebKeyMap.h"

#include <wpe/wpe.h>

namespace jf {

uint32_t WebKeyMap::KeysymForVirtualKey(WPARAM vk) {
  static const struct {
    WPARAM vk;
    uint32_t keysym;
  } kKeys[] = {
      {VK_BACK, 0xff08},  {VK_TAB, 0xff09},   {VK_RETURN, 0xff0d}, {VK_ESCAPE, 0xff1b}, {VK_LEFT, 0xff51},
      {VK_UP, 0xff52},    {VK_RIGHT, 0xff53}, {VK_DOWN, 0xff54},   {VK_PRIOR, 0xff55},  {VK_NEXT, 0xff56},
      {VK_HOME, 0xff50},  {VK_END, 0xff57},   {VK_INSERT, 0xff63}, {VK_DELETE, 0xffff},
  };
  for (const auto& key : kKeys) {
    if (key.vk == vk) return key.keysym;
  }
  return 0;
}

uint32_t WebKeyMap::Modifiers(WPARAM mouseKeys) {
  uint32_t m = 0;
  if (mouseKeys & MK_LBUTTON) m |= wpe_input_pointer_modifier_button1;
  if (mouseKeys & MK_RBUTTON) m |= wpe_input_pointer_modifier_button2;
  if (mouseKeys & MK_MBUTTON) m |= wpe_input_pointer_modifier_button3;
  if (GetKeyState(VK_CONTROL) < 0) m |= wpe_input_keyboard_modifier_control;
  if (GetKeyState(VK_SHIFT) < 0) m |= wpe_input_keyboard_modifier_shift;
  if (GetKeyState(VK_MENU) < 0) m |= wpe_input_keyboard_modifier_alt;
  return m;
}

}  // namespace jf
