// libmosquitto, loaded when the daemon is told to publish (-m) and not before: linked
// in, it and the TLS libraries it pulls in would add about 2 MB to the resident memory
// of every daemon, publishing or not. The functions keep their library names.
#ifndef NET_MOSQUITTOLIB_H
#define NET_MOSQUITTOLIB_H

#include <mosquitto.h>

#include <string>

struct tMosquittoLib {
  decltype(&::mosquitto_lib_init) mosquitto_lib_init;
  decltype(&::mosquitto_lib_cleanup) mosquitto_lib_cleanup;
  decltype(&::mosquitto_new) mosquitto_new;
  decltype(&::mosquitto_destroy) mosquitto_destroy;
  decltype(&::mosquitto_threaded_set) mosquitto_threaded_set;
  decltype(&::mosquitto_connect_callback_set) mosquitto_connect_callback_set;
  decltype(&::mosquitto_disconnect_callback_set) mosquitto_disconnect_callback_set;
  decltype(&::mosquitto_publish_callback_set) mosquitto_publish_callback_set;
  decltype(&::mosquitto_will_set) mosquitto_will_set;
  decltype(&::mosquitto_username_pw_set) mosquitto_username_pw_set;
  decltype(&::mosquitto_tls_set) mosquitto_tls_set;
  decltype(&::mosquitto_connect) mosquitto_connect;
  decltype(&::mosquitto_reconnect) mosquitto_reconnect;
  decltype(&::mosquitto_loop) mosquitto_loop;
  decltype(&::mosquitto_publish) mosquitto_publish;
  decltype(&::mosquitto_disconnect) mosquitto_disconnect;
  decltype(&::mosquitto_strerror) mosquitto_strerror;
  decltype(&::mosquitto_connack_string) mosquitto_connack_string;
  decltype(&::mosquitto_log_callback_set) mosquitto_log_callback_set;
};

// The library with every function found (loaded once, kept for the process); null,
// with the reason in error, when it is not installed or lacks one of them.
const tMosquittoLib *LoadMosquitto(std::string &error);

#endif
