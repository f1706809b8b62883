#include "platform/posix/gio_desktop_apps.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <memory>

namespace wrenpost {
namespace {

struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, ObjectUnref>;

struct Free {
  void operator()(gchar* text) const { g_free(text); }
};

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string KeyOf(GDesktopAppInfo* info, const char* key) {
  const std::unique_ptr<gchar, Free> value(g_desktop_app_info_get_string(info, key));
  return Text(value.get());
}

std::optional<DesktopApp> Described(AppInfo app) {
  if (!app || !G_IS_DESKTOP_APP_INFO(app.get())) return std::nullopt;
  GDesktopAppInfo* info = G_DESKTOP_APP_INFO(app.get());
  return DesktopApp{Text(g_app_info_get_id(app.get())), Text(g_desktop_app_info_get_filename(info)),
                    Text(g_app_info_get_name(app.get())),
                    DesktopEntry{Text(g_app_info_get_name(app.get())), KeyOf(info, "Icon"), KeyOf(info, "Exec")}};
}

}  // namespace

std::optional<DesktopApp> DefaultMailtoApp() {
  // What g_app_info_get_default_for_uri_scheme("mailto") and `gio mime` look up.
  return Described(AppInfo(g_app_info_get_default_for_type("x-scheme-handler/mailto", FALSE)));
}

std::optional<DesktopApp> InstalledApp(const std::string& id) {
  GDesktopAppInfo* info = g_desktop_app_info_new(id.c_str());
  return Described(AppInfo(info != nullptr ? G_APP_INFO(info) : nullptr));
}

}  // namespace wrenpost
