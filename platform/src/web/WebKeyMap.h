// Keys of the window messages in the engine's terms (XKB key symbols).
#pragma once
#include <windows.h>

#include <cstdint>

namespace jf {

class WebKeyMap {
 public:
  // The symbol of a key that produces no character (arrows, editing keys), else 0: keys that
  // type arrive as WM_CHAR.
  static uint32_t KeysymForVirtualKey(WPARAM vk);
  // The engine's modifier bits for the keys and buttons held now.
  static uint32_t Modifiers(WPARAM mouseKeys);
};

}  // namespace jf
