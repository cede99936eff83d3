// POSIX realisation of the socket wrapper.
#include "Executive/CorvaxSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

CorvaxSocket::CorvaxSocket(bool create) {
  InitializeSocketLibrary();
  if (!create) return;
  handle_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (handle_ < 0) {
    handle_ = -1;
    Fail("error in socket creation");
    std::cerr << errorText_ << std::endl;
  }
}

CorvaxSocket::~CorvaxSocket() { Close(); }

bool CorvaxSocket::InitializeSocketLibrary() {
  libraryStarted_ = true;
  return true;
}

void CorvaxSocket::Fail(const char* text) { errorText_ = text; }

bool CorvaxSocket::Bind(int port, uint32_t interfaceAddress) {
  portInUse_ = false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(interfaceAddress);
  address.sin_port = htons(static_cast<uint16_t>(port));
  // No SO_REUSEADDR: a port held by another process must fail here, so that
  // the caller moves on to the next one.
  if (::bind(handle_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
  const int error = errno;
  if (error == EADDRINUSE) {
    portInUse_ = true;
    return false;
  }
  Fail("error in bind.  errno=");
  std::cerr << errorText_ << error << " (Port=" << port << ")" << std::endl;
  return false;
}

bool CorvaxSocket::Listen(int backlog) {
  if (::listen(handle_, backlog) == 0) return true;
  const int error = errno;
  Fail("error in listen");
  std::cerr << errorText_ << error << std::endl;
  return false;
}

bool CorvaxSocket::Accept(CorvaxSocket& target) {
  int accepted;
  do {
    accepted = ::accept(handle_, nullptr, nullptr);
  } while (accepted < 0 && errno == EINTR);
  if (accepted < 0) {
    Fail("error in accept: ");
    std::cerr << errorText_ << std::endl;
    return false;
  }
  target.Close();
  target.handle_ = accepted;
  return true;
}

bool CorvaxSocket::Connect(const char* host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  sockaddr_in address{};
  std::memcpy(&address, found->ai_addr, sizeof address);
  ::freeaddrinfo(found);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(handle_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
  const int error = errno;
  Fail("error in connect: errno=");
  std::cerr << errorText_ << error << std::endl;
  return false;
}

bool CorvaxSocket::Select(int milliseconds) {
  if (handle_ < 0) {
    Fail("error in select");
    std::cerr << errorText_ << EBADF << std::endl;
    return false;
  }
  pollfd entry{handle_, POLLIN, 0};
  const int ready = ::poll(&entry, 1, milliseconds);
  if (ready < 0) {
    const int error = errno;
    if (error == EINTR) return false;  // a signal ends the wait like a timeout
    Fail("error in select");
    std::cerr << errorText_ << error << std::endl;
    return false;
  }
  return ready > 0;
}

int CorvaxSocket::Send(const char* buffer, int length) {
  int sent = 0;
  while (sent < length) {
    const ssize_t result = ::send(handle_, buffer + sent, length - sent, MSG_NOSIGNAL);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) return -1;
    sent += static_cast<int>(result);
  }
  return sent;
}

int CorvaxSocket::Recv(char* buffer, int length) {
  ssize_t result;
  do {
    result = ::recv(handle_, buffer, length, 0);
  } while (result < 0 && errno == EINTR);
  return static_cast<int>(result);
}

int CorvaxSocket::RecvBlock(char* buffer, int length) {
  int received = 0;
  while (received < length) {
    const int result = Recv(buffer + received, length - received);
    if (result <= 0) break;
    received += result;
  }
  return received;
}

int CorvaxSocket::RecvBlock(char* buffer, int length, const char* terminator) {
  const int terminatorLength = static_cast<int>(std::strlen(terminator));
  int received = 0;
  buffer[0] = '\0';
  while (received < length) {
    const int result = Recv(buffer + received, length - received);
    if (result <= 0) break;
    received += result;
    buffer[received] = '\0';
    if (received >= terminatorLength &&
        std::memcmp(buffer + received - terminatorLength, terminator, terminatorLength) == 0) {
      break;
    }
  }
  return received;
}

int CorvaxSocket::LocalPort() const {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (handle_ < 0 || ::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return 0;
  }
  return ntohs(address.sin_port);
}

void CorvaxSocket::Close() {
  if (handle_ == -1) return;
  // A listening or never-connected socket has nothing to shut down; that is
  // not worth a message.
  if (::shutdown(handle_, SHUT_RDWR) != 0 && errno != ENOTCONN) {
    const int error = errno;
    Fail("error in shutdown.  errno=");
    std::cerr << errorText_ << error << std::endl;
  }
  ::close(handle_);
  handle_ = -1;
}
