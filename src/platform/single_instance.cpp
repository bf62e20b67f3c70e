#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace kv::platform {

namespace {

constexpr char kRaise[] = "raise\n";

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Asks the running instance to come forward; true when it answered.
bool AskOtherToRaise(const std::string& socket_path) {
  sockaddr_un addr;
  if (!MakeAddress(socket_path, &addr)) return false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool answered = false;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      write(fd, kRaise, sizeof kRaise - 1) == static_cast<ssize_t>(sizeof kRaise - 1)) {
    pollfd p{fd, POLLIN, 0};
    char reply[8];
    answered = poll(&p, 1, 2000) == 1 && read(fd, reply, sizeof reply) > 0;
  }
  close(fd);
  return answered;
}

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::Acquire(const std::string& folder,
                                                        std::function<void()> on_raise,
                                                        Outcome* outcome) {
  const std::string lock_path = folder + "/korvatinel.lock";
  const std::string socket_path = folder + "/korvatinel.sock";
  const int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd < 0 || flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    if (lock_fd >= 0) close(lock_fd);
    *outcome = AskOtherToRaise(socket_path) ? Outcome::kOtherRaised : Outcome::kOtherUnreachable;
    return nullptr;
  }
  // We hold the lock, so a socket file left here belongs to a dead instance.
  unlink(socket_path.c_str());
  sockaddr_un addr;
  int listen_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_fd >= 0 && (!MakeAddress(socket_path, &addr) ||
                         bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
                         listen(listen_fd, 4) != 0)) {
    // Still the only instance; it just cannot be raised by a second start.
    close(listen_fd);
    listen_fd = -1;
  }
  *outcome = Outcome::kAcquired;
  return std::unique_ptr<SingleInstance>(
      new SingleInstance(lock_fd, listen_fd, socket_path, std::move(on_raise)));
}

SingleInstance::SingleInstance(int lock_fd, int listen_fd, std::string socket_path,
                               std::function<void()> on_raise)
    : lock_fd_(lock_fd),
      listen_fd_(listen_fd),
      socket_path_(std::move(socket_path)),
      on_raise_(std::move(on_raise)) {
  if (listen_fd_ >= 0) thread_ = std::make_unique<Thread>([this] { Listen(); });
}

SingleInstance::~SingleInstance() {
  stop_.Set();
  if (thread_) thread_->Join(15000);
  if (listen_fd_ >= 0) {
    close(listen_fd_);
    unlink(socket_path_.c_str());
  }
  close(lock_fd_);  // releases the lock
}

void SingleInstance::Listen() {
  for (;;) {
    pollfd polls[2] = {{stop_.Handle(), POLLIN, 0}, {listen_fd_, POLLIN, 0}};
    if (poll(polls, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (polls[0].revents) return;
    if (!polls[1].revents) continue;
    const int client = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    pollfd p{client, POLLIN, 0};
    char request[16];
    if (poll(&p, 1, 2000) == 1 && read(client, request, sizeof request) > 0) {
      on_raise_();
      [[maybe_unused]] ssize_t n = write(client, "ok\n", 3);
    }
    close(client);
  }
}

}  // namespace kv::platform
