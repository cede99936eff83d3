#include "PortPicker.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

PortPicker::PortPicker()
    : next_(static_cast<std::uint16_t>(kFirst + getpid() % (kLast - kFirst))) {}

std::uint16_t PortPicker::Next() {
  for (int tries = 0; tries < 200; tries++) {
    const std::uint16_t port = next_;
    next_ = next_ + 1 >= kLast ? kFirst : static_cast<std::uint16_t>(next_ + 1);
    if (Free(port)) return port;
  }
  return next_;
}

bool PortPicker::Free(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return free;
}
