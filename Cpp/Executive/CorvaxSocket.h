#ifndef CORVAX_SOCKET_H
#define CORVAX_SOCKET_H

#include <cstdint>

// A TCP socket behind one small interface. Every failing operation writes
// its own message to standard error, records a static error text that
// callers can test with GetErrorString, and returns false (or a result
// below 1); nothing throws or ends the process.
class CorvaxSocket {
 public:
  // With create true an IPv4 stream socket is opened at once; otherwise the
  // object waits for Accept to give it a connection.
  explicit CorvaxSocket(bool create = true);
  CorvaxSocket(const CorvaxSocket&) = delete;
  CorvaxSocket& operator=(const CorvaxSocket&) = delete;
  ~CorvaxSocket();

  // Starts the socket library once per process. POSIX sockets need no
  // start-up, so this only records that it happened.
  static bool InitializeSocketLibrary();

  // The loopback interface, 127.0.0.1 (host byte order).
  static constexpr uint32_t LoopbackAddress = 0x7F000001;
  // Binds to the port on one local IPv4 address (host byte order; 0 for
  // every interface). A port that is already in use fails silently
  // (PortWasInUse tells the two failures apart).
  bool Bind(int port, uint32_t address = LoopbackAddress);
  bool PortWasInUse() const { return portInUse_; }
  bool Listen(int backlog);
  bool Accept(CorvaxSocket& target);
  bool Connect(const char* host, int port);
  // True when the socket becomes readable within the time (or has pending
  // end-of-stream or error, which the next receive then reports).
  bool Select(int milliseconds);

  // Delivers the whole buffer; returns length, or -1 when the peer is gone
  // or another error occurs (never raises SIGPIPE).
  int Send(const char* buffer, int length);
  // One receive call: bytes read, 0 when the peer has closed, -1 on error.
  int Recv(char* buffer, int length);
  // Receives until length bytes have arrived, the peer closes or a receive
  // fails; returns the bytes received.
  int RecvBlock(char* buffer, int length);
  // Like RecvBlock, but also stops as soon as the text received so far ends
  // with the terminator. Keeps the text 0-terminated, so the buffer needs
  // room for length + 1 bytes.
  int RecvBlock(char* buffer, int length, const char* terminator);

  const char* GetErrorString() const { return errorText_; }
  int Handle() const { return handle_; }
  // The local port the socket is bound to, 0 when unknown.
  int LocalPort() const;
  void Close();

 private:
  void Fail(const char* text);

  int handle_ = -1;
  const char* errorText_ = nullptr;
  bool portInUse_ = false;
  static inline bool libraryStarted_ = false;
};

#endif
