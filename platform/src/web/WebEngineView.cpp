#include "platform/src/web/WebEngineView.h"

#include <wayland-server.h>
#include <wpe/fdo.h>
#include <wpe/unstable/fdo-shm.h>
#include <wpe/webkit.h>
#include <wpe/wpe.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>

namespace jf {

namespace {

constexpr char kErrorHook[] =
    "window.addEventListener('error', function(e) {"
    "  window.webkit.messageHandlers.jfScriptError.postMessage("
    "    {line: e.lineno, column: e.colno, message: e.message, url: e.filename});"
    "});";

// The engine loads its backend once per process; SHM export needs no EGL display here.
bool InitOnce() {
  static const bool ok = [] {
    // Settings in memory (not the user's dconf) and no accessibility bus to look for.
    setenv("GSETTINGS_BACKEND", "memory", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
    wpe_loader_init("libWPEBackend-fdo-1.0.so.1");
    return wpe_fdo_initialize_shm();
  }();
  return ok;
}

std::string Str(const char* s) { return s ? s : ""; }

}  // namespace

struct WebEngineView::Impl {
  WebEngineEvents events;
  bool detached = false;
  wpe_view_backend_exportable_fdo* exportable = nullptr;
  wpe_view_backend* backend = nullptr;
  WebKitWebsiteDataManager* data = nullptr;
  WebKitWebContext* context = nullptr;
  WebKitWebView* view = nullptr;
  bool focused = true;
  std::string committed;  // the address of the load under way once it committed
  bool failed = false;    // the load under way failed or was given up
  bool loading = false;   // between a load's start and its end

  // The receiver of the engine's events; null once detached, checked again after every call
  // out, since the receiver may detach inside one.
  static const WebEngineEvents* To(gpointer p) {
    auto* self = static_cast<Impl*>(p);
    return self->detached ? nullptr : &self->events;
  }

  static void OnShmBuffer(void* p, wpe_fdo_shm_exported_buffer* exported) {
    auto* self = static_cast<Impl*>(p);
    wl_shm_buffer* shm = wpe_fdo_shm_exported_buffer_get_shm_buffer(exported);
    wl_shm_buffer_begin_access(shm);
    if (const WebEngineEvents* to = To(p); to && to->frame) {
      to->frame(static_cast<const uint8_t*>(wl_shm_buffer_get_data(shm)), wl_shm_buffer_get_width(shm),
                wl_shm_buffer_get_height(shm), wl_shm_buffer_get_stride(shm));
    }
    wl_shm_buffer_end_access(shm);
    wpe_view_backend_exportable_fdo_dispatch_release_shm_exported_buffer(self->exportable, exported);
    wpe_view_backend_exportable_fdo_dispatch_frame_complete(self->exportable);
  }

  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* d, WebKitPolicyDecisionType type, gpointer p) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
      auto* decision = WEBKIT_RESPONSE_POLICY_DECISION(d);
      WebKitURIResponse* r = webkit_response_policy_decision_get_response(decision);
      const std::string uri = Str(webkit_uri_response_get_uri(r));
      const guint status = webkit_uri_response_get_status_code(r);
      // An error page still shows, as the server sent it; the host only hears of it.
      if (const WebEngineEvents* to = To(p); to && status >= 400 && to->navigateError) to->navigateError(uri, int(status));
      if (!webkit_response_policy_decision_is_mime_type_supported(decision)) {
        // Nothing the engine can show: the file is offered to the host, never stored here.
        if (const WebEngineEvents* to = To(p); to && to->download) to->download(uri);
        webkit_policy_decision_ignore(d);
        return TRUE;
      }
      return FALSE;
    }
    WebKitNavigationAction* a = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(d));
    const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
    const std::string url = Str(webkit_uri_request_get_uri(webkit_navigation_action_get_request(a)));
    const WebEngineEvents* to = To(p);
    const bool cancel = to && to->beforeNavigate && to->beforeNavigate(url, newWindow, webkit_navigation_action_is_user_gesture(a));
    // The engine opens no window of its own: the page asking for one is told no, and the
    // receiver decides where its address goes.
    if (cancel || newWindow) {
      webkit_policy_decision_ignore(d);
      return TRUE;
    }
    return FALSE;
  }

  // Every load finishes, whether its page loaded, failed or was given up for another: only a
  // page that committed and did not fail is complete, and under its own address (the view's
  // address may already be the next load's, or back at the page before).
  static void OnLoadChanged(WebKitWebView* v, WebKitLoadEvent e, gpointer p) {
    auto* self = static_cast<Impl*>(p);
    if (e == WEBKIT_LOAD_STARTED) {
      self->committed.clear();
      self->failed = false;
      self->loading = true;
    }
    if (!self->loading) return;  // a load that ended with its web process
    if (e == WEBKIT_LOAD_COMMITTED) self->committed = Str(webkit_web_view_get_uri(v));
    if (e == WEBKIT_LOAD_FINISHED) self->loading = false;
    const WebEngineEvents* to = To(p);
    if (!to) return;
    if (e == WEBKIT_LOAD_COMMITTED && to->navigateComplete) to->navigateComplete(self->committed);
    if (e != WEBKIT_LOAD_FINISHED) return;
    const bool loaded = !self->failed && !self->committed.empty();
    const std::string url = self->committed;
    self->committed.clear();
    if (to->loadEnded) to->loadEnded();
    if (loaded && (to = To(p)) && to->documentComplete) to->documentComplete(url);
  }

  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer p) {
    static_cast<Impl*>(p)->failed = true;
    // A load stopped on purpose, or by a policy decision, is no error.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
      return FALSE;
    if (const WebEngineEvents* to = To(p); to && to->navigateError) to->navigateError(Str(uri), 0);
    // The host hears of the error alone: the engine shows no page of its own for it, and the
    // page before stays.
    return TRUE;
  }

  // The engine says nothing more of a load whose web process died: it ends here.
  static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer p) {
    auto* self = static_cast<Impl*>(p);
    self->committed.clear();
    self->loading = false;
    if (const WebEngineEvents* to = To(p); to && to->webProcessEnded)
      to->webProcessEnded(reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT);
  }

  static void OnTitle(GObject* o, GParamSpec*, gpointer p) {
    if (const WebEngineEvents* to = To(p); to && to->titleChange) to->titleChange(Str(webkit_web_view_get_title(WEBKIT_WEB_VIEW(o))));
  }

  static void OnProgress(GObject* o, GParamSpec*, gpointer p) {
    if (const WebEngineEvents* to = To(p); to && to->progressChange)
      to->progressChange(webkit_web_view_get_estimated_load_progress(WEBKIT_WEB_VIEW(o)));
  }

  static void OnMouseTarget(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer p) {
    if (const WebEngineEvents* to = To(p); to && to->statusText)
      to->statusText(webkit_hit_test_result_context_is_link(hit) ? Str(webkit_hit_test_result_get_link_uri(hit)) : "");
  }

  static void OnBackForward(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer p) {
    auto* self = static_cast<Impl*>(p);
    if (const WebEngineEvents* to = To(p); to && to->commandState)
      to->commandState(webkit_web_view_can_go_back(self->view), webkit_web_view_can_go_forward(self->view));
  }

  static void OnScriptError(WebKitUserContentManager*, WebKitJavascriptResult* r, gpointer p) {
    const WebEngineEvents* to = To(p);
    if (!to || !to->scriptError) return;
    JSCValue* v = webkit_javascript_result_get_js_value(r);
    auto get = [v](const char* name) {
      JSCValue* f = jsc_value_object_get_property(v, name);
      char* t = jsc_value_to_string(f);
      std::string s = Str(t);
      g_free(t);
      g_object_unref(f);
      return s;
    };
    to->scriptError(std::atoi(get("line").c_str()), std::atoi(get("column").c_str()), get("message"), get("url"));
  }

  static WebKitWebView* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }
};

WebEngineView::WebEngineView(int width, int height, WebEngineEvents events) : impl_(new Impl) {
  impl_->events = std::move(events);
  if (!InitOnce()) return;
  static const wpe_view_backend_exportable_fdo_client client = {nullptr, nullptr, &Impl::OnShmBuffer, nullptr, nullptr};
  impl_->exportable = wpe_view_backend_exportable_fdo_create(&client, impl_.get(), uint32_t(width), uint32_t(height));
  impl_->backend = wpe_view_backend_exportable_fdo_get_view_backend(impl_->exportable);
  WebKitWebViewBackend* vb = webkit_web_view_backend_new(
      impl_->backend,
      [](gpointer p) { wpe_view_backend_exportable_fdo_destroy(static_cast<wpe_view_backend_exportable_fdo*>(p)); },
      impl_->exportable);
  impl_->data = webkit_website_data_manager_new_ephemeral();
  impl_->context = webkit_web_context_new_with_website_data_manager(impl_->data);
  impl_->view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "backend", vb, "web-context", impl_->context, nullptr));
  wpe_view_backend_add_activity_state(impl_->backend, wpe_view_activity_state_visible | wpe_view_activity_state_focused |
                                                          wpe_view_activity_state_in_window);
  WebKitUserContentManager* ucm = webkit_web_view_get_user_content_manager(impl_->view);
  // The manager keeps its own reference to the script.
  WebKitUserScript* hook = webkit_user_script_new(kErrorHook, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                  WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(ucm, hook);
  webkit_user_script_unref(hook);
  g_signal_connect(ucm, "script-message-received::jfScriptError", G_CALLBACK(&Impl::OnScriptError), impl_.get());
  webkit_user_content_manager_register_script_message_handler(ucm, "jfScriptError");
  g_signal_connect(impl_->view, "decide-policy", G_CALLBACK(&Impl::OnDecidePolicy), impl_.get());
  g_signal_connect(impl_->view, "load-changed", G_CALLBACK(&Impl::OnLoadChanged), impl_.get());
  g_signal_connect(impl_->view, "load-failed", G_CALLBACK(&Impl::OnLoadFailed), impl_.get());
  g_signal_connect(impl_->view, "web-process-terminated", G_CALLBACK(&Impl::OnWebProcessTerminated), impl_.get());
  g_signal_connect(impl_->view, "notify::title", G_CALLBACK(&Impl::OnTitle), impl_.get());
  g_signal_connect(impl_->view, "notify::estimated-load-progress", G_CALLBACK(&Impl::OnProgress), impl_.get());
  g_signal_connect(impl_->view, "mouse-target-changed", G_CALLBACK(&Impl::OnMouseTarget), impl_.get());
  g_signal_connect(impl_->view, "create", G_CALLBACK(&Impl::OnCreate), impl_.get());
  g_signal_connect(webkit_web_view_get_back_forward_list(impl_->view), "changed", G_CALLBACK(&Impl::OnBackForward), impl_.get());
}

WebEngineView::~WebEngineView() {
  if (impl_->view) {
    g_signal_handlers_disconnect_by_data(impl_->view, impl_.get());
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(impl_->view), impl_.get());
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(impl_->view), impl_.get());
    g_object_unref(impl_->view);  // destroys the backend, and with it the exportable
  }
  if (impl_->context) g_object_unref(impl_->context);
  if (impl_->data) g_object_unref(impl_->data);
}

void WebEngineView::Detach() { impl_->detached = true; }

bool WebEngineView::IsReady() const { return impl_->view != nullptr; }

void WebEngineView::LoadUri(const std::string& uri) {
  if (impl_->view) webkit_web_view_load_uri(impl_->view, uri.c_str());
}

void WebEngineView::GoBack() {
  if (impl_->view) webkit_web_view_go_back(impl_->view);
}

void WebEngineView::GoForward() {
  if (impl_->view) webkit_web_view_go_forward(impl_->view);
}

void WebEngineView::Reload() {
  if (impl_->view) webkit_web_view_reload(impl_->view);
}

void WebEngineView::Stop() {
  if (impl_->view) webkit_web_view_stop_loading(impl_->view);
}

std::string WebEngineView::Uri() const { return impl_->view ? Str(webkit_web_view_get_uri(impl_->view)) : ""; }

std::string WebEngineView::HistoryUri(int offset) const {
  if (!impl_->view) return "";
  WebKitBackForwardListItem* item =
      webkit_back_forward_list_get_nth_item(webkit_web_view_get_back_forward_list(impl_->view), offset);
  return item ? Str(webkit_back_forward_list_item_get_uri(item)) : "";
}

std::string WebEngineView::Title() const { return impl_->view ? Str(webkit_web_view_get_title(impl_->view)) : ""; }

bool WebEngineView::IsLoading() const { return impl_->view && webkit_web_view_is_loading(impl_->view); }

double WebEngineView::Progress() const {
  return impl_->view ? webkit_web_view_get_estimated_load_progress(impl_->view) : 0.0;
}

void WebEngineView::Resize(int width, int height) {
  if (impl_->backend) wpe_view_backend_dispatch_set_size(impl_->backend, uint32_t(width), uint32_t(height));
}

void WebEngineView::SetFocused(bool focused) {
  if (!impl_->backend || focused == impl_->focused) return;
  impl_->focused = focused;
  if (focused)
    wpe_view_backend_add_activity_state(impl_->backend, wpe_view_activity_state_focused);
  else
    wpe_view_backend_remove_activity_state(impl_->backend, wpe_view_activity_state_focused);
}

void WebEngineView::MouseMove(int x, int y, uint32_t modifiers) {
  if (!impl_->backend) return;
  wpe_input_pointer_event e{wpe_input_pointer_event_type_motion, uint32_t(g_get_monotonic_time() / 1000), x, y, 0, 0, modifiers};
  wpe_view_backend_dispatch_pointer_event(impl_->backend, &e);
}

void WebEngineView::MouseButton(int x, int y, int button, bool down, uint32_t modifiers) {
  if (!impl_->backend) return;
  wpe_input_pointer_event e{wpe_input_pointer_event_type_button, uint32_t(g_get_monotonic_time() / 1000), x, y,
                            uint32_t(button), down ? 1u : 0u, modifiers};
  wpe_view_backend_dispatch_pointer_event(impl_->backend, &e);
}

void WebEngineView::Wheel(int x, int y, double dy) {
  if (!impl_->backend) return;
  wpe_input_axis_2d_event e{};
  e.base.type = wpe_input_axis_event_type(wpe_input_axis_event_type_mask_2d | wpe_input_axis_event_type_motion_smooth);
  e.base.time = uint32_t(g_get_monotonic_time() / 1000);
  e.base.x = x;
  e.base.y = y;
  e.y_axis = dy;
  wpe_view_backend_dispatch_axis_event(impl_->backend, &e.base);
}

void WebEngineView::Key(uint32_t keysym, uint32_t hardwareKey, bool down, uint32_t modifiers) {
  if (!impl_->backend) return;
  wpe_input_keyboard_event k{uint32_t(g_get_monotonic_time() / 1000), keysym, hardwareKey, down, modifiers};
  wpe_view_backend_dispatch_keyboard_event(impl_->backend, &k);
}

uint32_t WebEngineView::KeysymForChar(uint32_t codepoint) { return xkb_utf32_to_keysym(codepoint); }

}  // namespace jf
