// The console stream and its print operations; the timestamped log-line writer.
#ifndef APP_CONSOLE_H
#define APP_CONSOLE_H

#include <cstddef>
#include <string>

#include "N2kStream.h"

// The console stream's class: a tSocketStream on a device, or standard output. The
// name is the daemon's own, from when its console was a serial line.
class tSerial : public tSocketStream {
 public:
  explicit tSerial(const char *device = nullptr) : tSocketStream(device) {}
};

constexpr size_t kPrintfBufferSize = 4096;
constexpr size_t kLogLineBufferSize = 4096;

// The process's console stream; starts on standard output.
extern tSerial *Console;

// Points the console at its run-time target: /dev/null at debug level 0, else the
// console device (none: it stays on standard output). The old stream stays open.
void RepointConsole(int debugLevel, const char *consoleDevice);

// printf into a 4096-byte buffer (longer text is cut at 4095) and print it.
size_t StreamPrintf(N2kStream *stream, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
size_t PrintLine(N2kStream *stream, const std::string &text);
size_t EndLine(N2kStream *stream);

// Writes "YYYY-MM-DD HH:MM:SS " (UTC) and text with one write(); returns what write()
// returned, -1 for fd -1. Text that does not fit the 4096-byte line buffer is cut. A
// line the file takes only in part (a full disk) is taken back out of the file, which
// then ends where it did before, and -1 is returned: a line is written whole or not.
int WriteLogLine(int fd, const std::string &text);

// A device's log file: path opened for appending (created when missing), close-on-exec;
// -1 when it cannot be opened.
int OpenLogFile(const std::string &path);

// WriteLogLine to a device's log file, opening it first when fd is -1 and path is set,
// so a file that could not be opened (a folder not there yet, say) is tried again at
// every line. With a limit (limit > 0) a file that would grow past it with this line
// is renamed to path + ".1" (an older ".1" is replaced) and the line starts a new
// file at path: a log never fills the router's RAM disk or flash.
int AppendLogLine(int &fd, const std::string &path, const std::string &text, long limit = 0);

#endif
