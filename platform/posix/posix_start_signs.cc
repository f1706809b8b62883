#include "platform/posix/posix_start_signs.h"

#include <dirent.h>
#include <dlfcn.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace wrenpost {
namespace {

std::string ReadProcFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<std::string> LinkTarget(const std::string& path) {
  char target[256];
  const ssize_t size = ::readlink(path.c_str(), target, sizeof target);
  if (size <= 0 || static_cast<std::size_t>(size) == sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(size));
}

// The parent of a process, from /proc/PID/stat (after its name, which may
// hold anything, in parentheses).
std::optional<long> ParentOf(long pid) {
  const std::string stat = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
  const auto name_end = stat.rfind(')');
  if (name_end == std::string::npos) return std::nullopt;
  std::istringstream rest(stat.substr(name_end + 1));
  std::string state;
  long parent = 0;
  if (!(rest >> state >> parent)) return std::nullopt;
  return parent;
}

// `root` and every process it started that still runs, from the children
// lists of its threads.
std::vector<long> ProcessTree(pid_t root) {
  std::vector<long> tree{root};
  for (std::size_t next = 0; next < tree.size() && tree.size() < 256; ++next) {
    const std::string tasks = "/proc/" + std::to_string(tree[next]) + "/task";
    DIR* folder = ::opendir(tasks.c_str());
    if (folder == nullptr) continue;
    while (const dirent* entry = ::readdir(folder)) {
      if (entry->d_name[0] == '.') continue;
      std::istringstream children(ReadProcFile(tasks + "/" + entry->d_name + "/children"));
      for (long child = 0; children >> child;) tree.push_back(child);
    }
    ::closedir(folder);
  }
  return tree;
}

}  // namespace

bool IsSameOrStartedBy(long candidate, pid_t root) {
  // Deep enough for a snap's or a flatpak's chain of launchers.
  for (int depth = 0; depth < 32 && candidate > 1; ++depth) {
    if (candidate == root) return true;
    const std::optional<long> parent = ParentOf(candidate);
    if (!parent) return false;
    candidate = *parent;
  }
  return false;
}

// The session bus through GIO's GDBus. GIO is loaded only here, when a
// client's start is watched for a bus name: linked into the program, its
// libraries would be loaded on every run, and cost more than the whole run.
class SessionBus {
 public:
  static std::unique_ptr<SessionBus> Connect() {
    std::string address;
    if (const char* set = std::getenv("DBUS_SESSION_BUS_ADDRESS"); set != nullptr && set[0] != '\0') {
      address = set;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    const bool runtime_bus = address.empty() && runtime != nullptr && runtime[0] == '/' &&
                             ::stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
    // Without either there is no session bus to ask; GIO would try to start one.
    if (address.empty() && !runtime_bus) return nullptr;
    void* gio = ::dlopen("libgio-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (gio == nullptr) return nullptr;
    auto bus = std::unique_ptr<SessionBus>(new SessionBus);
    if (!bus->Load(gio)) return nullptr;
    if (runtime_bus) {
      gchar* escaped = bus->address_escape_(runtime);
      address = std::string("unix:path=") + escaped + "/bus";
      bus->free_(escaped);
    }
    GError* error = nullptr;
    bus->connection_ = bus->connect_(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (error != nullptr) bus->error_free_(error);
    if (bus->connection_ == nullptr) return nullptr;
    return bus;
  }

  ~SessionBus() {
    if (connection_ != nullptr) object_unref_(connection_);
  }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    GVariant* reply = Call("ListNames", nullptr, "(as)");
    if (reply == nullptr) return names;
    gchar** list = nullptr;
    variant_get_(reply, "(^as)", &list);
    for (gchar** name = list; name != nullptr && *name != nullptr; ++name) names.emplace_back(*name);
    strfreev_(list);
    variant_unref_(reply);
    return names;
  }

  std::optional<long> OwnerPid(const std::string& name) {
    GVariant* reply = Call("GetConnectionUnixProcessID", variant_new_("(s)", name.c_str()), "(u)");
    if (reply == nullptr) return std::nullopt;
    guint32 pid = 0;
    variant_get_(reply, "(u)", &pid);
    variant_unref_(reply);
    return static_cast<long>(pid);
  }

 private:
  SessionBus() = default;

  template <typename Function>
  static bool Find(void* library, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(::dlsym(library, name));
    return function != nullptr;
  }

  bool Load(void* gio) {
    return Find(gio, "g_dbus_connection_new_for_address_sync", connect_) &&
           Find(gio, "g_dbus_connection_call_sync", call_) && Find(gio, "g_dbus_address_escape_value", address_escape_) &&
           Find(gio, "g_variant_new", variant_new_) && Find(gio, "g_variant_get", variant_get_) &&
           Find(gio, "g_variant_unref", variant_unref_) && Find(gio, "g_object_unref", object_unref_) &&
           Find(gio, "g_error_free", error_free_) && Find(gio, "g_strfreev", strfreev_) && Find(gio, "g_free", free_);
  }

  // The bus's reply of type `reply_type`, or null; never waits long on a busy bus.
  GVariant* Call(const char* method, GVariant* parameters, const char* reply_type) {
    GError* error = nullptr;
    GVariant* reply = call_(connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
                            parameters, reinterpret_cast<const GVariantType*>(reply_type), G_DBUS_CALL_FLAGS_NONE,
                            250, nullptr, &error);
    if (error != nullptr) error_free_(error);
    return reply;
  }

  decltype(g_dbus_connection_new_for_address_sync)* connect_ = nullptr;
  decltype(g_dbus_connection_call_sync)* call_ = nullptr;
  decltype(g_dbus_address_escape_value)* address_escape_ = nullptr;
  decltype(g_variant_new)* variant_new_ = nullptr;
  decltype(g_variant_get)* variant_get_ = nullptr;
  decltype(g_variant_unref)* variant_unref_ = nullptr;
  decltype(g_object_unref)* object_unref_ = nullptr;
  decltype(g_error_free)* error_free_ = nullptr;
  decltype(g_strfreev)* strfreev_ = nullptr;
  decltype(g_free)* free_ = nullptr;
  GDBusConnection* connection_ = nullptr;
};

StartSignWatch::StartSignWatch(StartSigns signs, std::chrono::system_clock::time_point started_at)
    : signs_(std::move(signs)), started_at_(started_at) {
  // The file as the client's descriptors name it: through a snap's "current" link.
  const auto slash = signs_.held_file.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (char* folder = ::realpath(signs_.held_file.substr(0, slash).c_str(), nullptr)) {
      held_file_resolved_ = std::string(folder) + signs_.held_file.substr(slash);
      std::free(folder);
    }
  }
}

StartSignWatch::~StartSignWatch() = default;

bool StartSignWatch::Shows(pid_t pid) {
  if ((!signs_.profiles_root.empty() && LockShows(pid)) || (!signs_.held_file.empty() && HeldFileShows(pid))) {
    return true;
  }
  // A client with an earlier sign is asked of the bus only when that sign is
  // late (a profile elsewhere): the bus costs loading GIO while it starts.
  const bool earlier_sign = !signs_.profiles_root.empty() || !signs_.held_file.empty();
  return !signs_.bus_names.empty() &&
         (!earlier_sign || std::chrono::system_clock::now() - started_at_ >= std::chrono::seconds(1)) && BusShows(pid);
}

bool StartSignWatch::LockShows(pid_t pid) const {
  DIR* root = ::opendir(signs_.profiles_root.c_str());
  if (root == nullptr) return false;
  bool shown = false;
  while (const dirent* entry = ::readdir(root)) {
    if (entry->d_name[0] == '.') continue;
    const std::string lock = signs_.profiles_root + "/" + entry->d_name + "/lock";
    const std::optional<std::string> target = LinkTarget(lock);
    if (!target) continue;
    const std::optional<long> owner = LockOwner(*target);
    if (!owner) continue;
    if (signs_.lock_pid_inside) {
      // A file's time may lag the clock by a tick.
      struct stat info {};
      shown = ::lstat(lock.c_str(), &info) == 0 &&
              std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec) +
                      std::chrono::duration_cast<std::chrono::system_clock::duration>(
                          std::chrono::nanoseconds(info.st_mtim.tv_nsec) + std::chrono::milliseconds(50)) >=
                  started_at_;
    } else {
      shown = IsSameOrStartedBy(*owner, pid);
    }
    if (shown) break;
  }
  ::closedir(root);
  return shown;
}

bool StartSignWatch::HeldFileShows(pid_t pid) const {
  for (const long member : ProcessTree(pid)) {
    const std::string fds = "/proc/" + std::to_string(member) + "/fd";
    DIR* folder = ::opendir(fds.c_str());
    if (folder == nullptr) continue;
    bool held = false;
    while (const dirent* entry = ::readdir(folder)) {
      if (entry->d_name[0] == '.') continue;
      const std::optional<std::string> target = LinkTarget(fds + "/" + entry->d_name);
      held = target && (*target == signs_.held_file || *target == held_file_resolved_);
      if (held) break;
    }
    ::closedir(folder);
    if (held) return true;
  }
  return false;
}

bool StartSignWatch::BusShows(pid_t pid) {
  if (!bus_tried_) {
    bus_tried_ = true;
    bus_ = SessionBus::Connect();
  }
  if (!bus_) return false;
  for (const std::string& name : bus_->Names()) {
    if (!IsSignBusName(signs_, name)) continue;
    const std::optional<long> owner = bus_->OwnerPid(name);
    if (owner && IsSameOrStartedBy(*owner, pid)) return true;
  }
  return false;
}

}  // namespace wrenpost
