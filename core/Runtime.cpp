#include "Runtime.h"

#include "N2kTime.h"

uint32_t tRuntime::Millis() {
  return millis();
}

time_t tRuntime::Time() {
  return time(nullptr);
}

tCommandResult tRuntime::Run(const char *command) {
  return RunCommandFor(command);
}

static tRuntime ProcessRuntime;
tRuntime *Runtime = &ProcessRuntime;
