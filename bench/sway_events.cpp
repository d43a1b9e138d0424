#include "sway_events.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace bench {
namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t kSubscribe = 2;
constexpr std::uint32_t kEventBit = 0x80000000u;
constexpr std::uint32_t kWindowEvent = kEventBit | 3;
constexpr std::uint32_t kLargestPayload = 64u << 20;  // a view's JSON is a few kB

// The position just after `"key"` and the colon that follows it, or npos.
std::size_t ValueOf(const std::string& json, const char* key) {
  const std::string quoted = std::string("\"") + key + "\"";
  for (std::size_t at = json.find(quoted); at != std::string::npos;
       at = json.find(quoted, at + 1)) {
    std::size_t p = at + quoted.size();
    while (p < json.size() && std::isspace(static_cast<unsigned char>(json[p]))) ++p;
    if (p < json.size() && json[p] == ':') {
      ++p;
      while (p < json.size() && std::isspace(static_cast<unsigned char>(json[p]))) ++p;
      return p;
    }
  }
  return std::string::npos;
}

}  // namespace

TSwayWindowEvent ParseWindowEvent(const std::string& json) {
  TSwayWindowEvent e;
  std::size_t p = ValueOf(json, "change");
  if (p != std::string::npos && p < json.size() && json[p] == '"') {
    const std::size_t end = json.find('"', p + 1);
    if (end != std::string::npos) e.Change = json.substr(p + 1, end - p - 1);
  }
  p = ValueOf(json, "pid");
  if (p != std::string::npos) e.Pid = static_cast<pid_t>(std::atol(json.c_str() + p));
  return e;
}

TSwayEvents::TSwayEvents() {
  const char* path = std::getenv("SWAYSOCK");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path == nullptr || *path == '\0' || std::strlen(path) >= sizeof address.sun_path) {
    Error_ = "SWAYSOCK does not name sway's socket";
    return;
  }
  std::strcpy(address.sun_path, path);
  Fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (Fd_ < 0 || connect(Fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    Error_ = std::string("cannot connect to ") + path + ": " + std::strerror(errno);
    return;
  }
  if (!Send(kSubscribe, "[\"window\"]")) return;
  // The answer to the subscription: {"success": true}.
  char head[14];
  if (!ReadFully(head, sizeof head, 5000)) return;
  std::uint32_t size = 0;
  std::memcpy(&size, head + 6, 4);
  std::string answer(size, '\0');
  if (size > kLargestPayload || !ReadFully(answer.data(), size, 5000)) {
    if (Error_.empty()) Error_ = "sway's answer to the subscription is malformed";
    return;
  }
  if (answer.find("true") == std::string::npos) Error_ = "sway refused the subscription: " + answer;
}

TSwayEvents::~TSwayEvents() {
  if (Fd_ >= 0) close(Fd_);
}

bool TSwayEvents::Send(std::uint32_t type, const std::string& payload) {
  std::string message(kMagic, sizeof kMagic);
  const auto size = static_cast<std::uint32_t>(payload.size());
  message.append(reinterpret_cast<const char*>(&size), 4);
  message.append(reinterpret_cast<const char*>(&type), 4);
  message += payload;
  std::size_t sent = 0;
  while (sent < message.size()) {
    const ssize_t n = write(Fd_, message.data() + sent, message.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Error_ = std::string("cannot write to sway: ") + std::strerror(errno);
      return false;
    }
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool TSwayEvents::ReadFully(void* to, std::size_t size, int timeoutMs) {
  auto* bytes = static_cast<char*>(to);
  std::size_t got = 0;
  while (got < size) {
    pollfd p{Fd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      Error_ = "sway sent a part of a message and no more";
      return false;
    }
    const ssize_t n = read(Fd_, bytes + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Error_ = n == 0 ? "sway closed its socket" : std::string("cannot read from sway: ") + std::strerror(errno);
      return false;
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool TSwayEvents::Next(TSwayWindowEvent& event, int timeoutMs) {
  if (Fd_ < 0 || !Error_.empty()) return false;
  pollfd p{Fd_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return false;
  // Once a message has begun, it is read whole: sway writes each one at once.
  char head[14];
  if (!ReadFully(head, sizeof head, 5000)) return false;
  if (std::memcmp(head, kMagic, sizeof kMagic) != 0) {
    Error_ = "sway's message lacks the IPC magic";
    return false;
  }
  std::uint32_t size = 0;
  std::uint32_t type = 0;
  std::memcpy(&size, head + 6, 4);
  std::memcpy(&type, head + 10, 4);
  if (size > kLargestPayload) {
    Error_ = "sway's message is too large";
    return false;
  }
  std::string payload(size, '\0');
  if (!ReadFully(payload.data(), size, 5000)) return false;
  if (type != kWindowEvent) return false;
  event = ParseWindowEvent(payload);
  return true;
}

}  // namespace bench
