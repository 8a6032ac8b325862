// One web engine view (WPE WebKit) rendered into shared memory, with no Win32 and no GLib
// types in its interface. Everything runs on the thread that iterates the GLib main context.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace jf {

struct WebEngineEvents {
  // A navigation (or, with newWindow, a page asking for a window of its own): true cancels.
  std::function<bool(const std::string& url, bool newWindow, bool userGesture)> beforeNavigate;
  std::function<void(const std::string& url)> navigateComplete;     // committed
  std::function<void()> loadEnded;                                  // any load, loaded or not
  std::function<void(const std::string& url)> documentComplete;     // after loadEnded, when loaded
  std::function<void(const std::string& url, int status)> navigateError;
  // The page's web process ended (crashed, was killed, or outgrew its memory): the load under
  // way, if any, has ended with it; no further event of that load comes. The next load starts
  // another process.
  std::function<void(bool outOfMemory)> webProcessEnded;
  std::function<void(const std::string& title)> titleChange;
  std::function<void(double progress)> progressChange;
  std::function<void(const std::string& text)> statusText;
  std::function<void(bool back, bool forward)> commandState;
  std::function<void(int line, int column, const std::string& message, const std::string& url)> scriptError;
  // A response the engine cannot show (a file to download); the engine does not store it.
  std::function<void(const std::string& url)> download;
  // A new frame: premultiplied BGRA rows, valid during the call only.
  std::function<void(const uint8_t* bits, int width, int height, int stride)> frame;
};

class WebEngineView {
 public:
  WebEngineView(int width, int height, WebEngineEvents events);
  ~WebEngineView();
  // No event reaches the receiver from now on (it is going away; the view may outlive it).
  void Detach();
  // False when the engine could not start (no backend): the view then does nothing.
  bool IsReady() const;
  void LoadUri(const std::string& uri);
  void GoBack();
  void GoForward();
  void Reload();
  void Stop();
  std::string Uri() const;
  // The address of the history's entry `offset` steps from the current one (-1 the page
  // before, 1 the page after); empty when there is none.
  std::string HistoryUri(int offset) const;
  std::string Title() const;
  bool IsLoading() const;
  double Progress() const;
  void Resize(int width, int height);
  void SetFocused(bool focused);
  // Buttons: 1 left, 2 right, 3 middle; modifiers as wpe_input_pointer_modifier bits.
  void MouseMove(int x, int y, uint32_t modifiers);
  void MouseButton(int x, int y, int button, bool down, uint32_t modifiers);
  // Positive dy scrolls up, as a positive wheel delta.
  void Wheel(int x, int y, double dy);
  void Key(uint32_t keysym, uint32_t hardwareKey, bool down, uint32_t modifiers);
  static uint32_t KeysymForChar(uint32_t codepoint);
  static constexpr uint32_t kButton1Held = 1u << 20;  // wpe_input_pointer_modifier_button1

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace jf
