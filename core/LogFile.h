// Log files of the chargers and batteries: one stamped line at a time, appended,
// never cut in the middle, optionally kept below a size.
#ifndef CORE_LOGFILE_H
#define CORE_LOGFILE_H

#include <cstddef>
#include <string>

constexpr size_t kLogLineBufferSize = 4096;

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
