// Print streams: the daemon's console and the node's traffic echo write through these.
#ifndef BUSLIB_N2KSTREAM_H
#define BUSLIB_N2KSTREAM_H

#include <cstddef>

class N2kStream {
 public:
  // Next byte, or -1 when there is none.
  virtual int read() = 0;
  // Writes len bytes; returns how many were written.
  virtual size_t write(const unsigned char *data, unsigned int len) = 0;
  virtual ~N2kStream() = default;

  size_t print(const char *text);
  // Integer in base 2..36 (others print in base 10); negative numbers with a '-'.
  size_t print(int value, unsigned char base = 10);
  // As print, followed by the line end "\r\n".
  size_t println(const char *text);
  size_t println(int value, unsigned char base = 10);
  size_t println();
};

// The daemon's name for its output stream, kept although no socket is involved:
// writes to a named device or file (opened for writing, appending, created if missing);
// with no name, to standard output. A device that cannot be opened swallows output;
// a device that cannot take more right now (a terminal nobody reads) drops the rest.
class tSocketStream : public N2kStream {
 public:
  explicit tSocketStream(const char *device = nullptr);
  ~tSocketStream() override;
  tSocketStream(const tSocketStream &) = delete;
  tSocketStream &operator=(const tSocketStream &) = delete;

  int read() override;
  size_t write(const unsigned char *data, unsigned int len) override;
  int fd() const { return fd_; }

 private:
  int fd_;
  bool owned_;
};

#endif
