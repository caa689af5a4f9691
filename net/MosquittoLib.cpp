#include "MosquittoLib.h"

#include <dlfcn.h>

namespace {
// The library's soname, as Debian and OpenWrt install it.
const char kLibrary[] = "libmosquitto.so.1";

template <typename tFunction>
bool Find(void *handle, const char *name, tFunction &f, std::string &error) {
  f = reinterpret_cast<tFunction>(dlsym(handle, name));
  if (f == nullptr) error = std::string(kLibrary) + " has no " + name;
  return f != nullptr;
}
}  // namespace

const tMosquittoLib *LoadMosquitto(std::string &error) {
  static tMosquittoLib lib;
  static bool loaded = false;
  if (loaded) return &lib;
  void *handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char *why = dlerror();
    error = why != nullptr ? why : "cannot load libmosquitto";
    return nullptr;
  }
#define TW_FIND(name) Find(handle, #name, lib.name, error)
  loaded = TW_FIND(mosquitto_lib_init) && TW_FIND(mosquitto_lib_cleanup) &&
           TW_FIND(mosquitto_new) && TW_FIND(mosquitto_destroy) &&
           TW_FIND(mosquitto_threaded_set) && TW_FIND(mosquitto_connect_callback_set) &&
           TW_FIND(mosquitto_disconnect_callback_set) && TW_FIND(mosquitto_publish_callback_set) &&
           TW_FIND(mosquitto_will_set) && TW_FIND(mosquitto_username_pw_set) &&
           TW_FIND(mosquitto_tls_set) && TW_FIND(mosquitto_connect) &&
           TW_FIND(mosquitto_reconnect) && TW_FIND(mosquitto_loop) && TW_FIND(mosquitto_publish) &&
           TW_FIND(mosquitto_disconnect) && TW_FIND(mosquitto_strerror) &&
           TW_FIND(mosquitto_connack_string) && TW_FIND(mosquitto_log_callback_set);
#undef TW_FIND
  if (!loaded) {
    dlclose(handle);
    return nullptr;
  }
  return &lib;
}
