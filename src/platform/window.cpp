#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace kv::platform {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr int64_t kKeepOnMs = 2000;
// Where the display connection gives no handle and no input device can be
// watched (Wayland without X): input is looked at this often.
constexpr int32_t kFallbackInputMs = 50;

uint32_t KeyOf(SDL_Keycode key) {
  if ((key >= SDLK_a && key <= SDLK_z) || (key >= SDLK_0 && key <= SDLK_9))
    return static_cast<uint32_t>(key);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return static_cast<uint32_t>('1' + (key - SDLK_KP_1));
  switch (key) {
    case SDLK_KP_0:
      return '0';
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return '\r';
    case SDLK_ESCAPE:
    case SDLK_AC_BACK:
      return 0x1B;
    case SDLK_F1:
      return 0xF801;
    case SDLK_F2:
      return 0xF802;
    case SDLK_F3:
      return 0xF803;
    case SDLK_F4:
      return 0xF804;
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
      return '+';
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
      return '-';
    default:
      return 0;
  }
}

void ArmTimer(int fd, int32_t first_ms, int32_t interval_ms) {
  itimerspec timer{};
  timer.it_value.tv_sec = first_ms / 1000;
  timer.it_value.tv_nsec = (first_ms % 1000) * 1000000L;
  if (first_ms <= 0) timer.it_value.tv_nsec = 1;  // zero would disarm it
  timer.it_interval.tv_sec = interval_ms / 1000;
  timer.it_interval.tv_nsec = (interval_ms % 1000) * 1000000L;
  timerfd_settime(fd, 0, &timer, nullptr);
}

// Reads what is there without waiting; true when anything was.
bool Drain(int fd) {
  char buffer[512];
  bool any = false;
  while (read(fd, buffer, sizeof buffer) > 0) any = true;
  return any;
}

class WindowPower final : public PowerControl {
 public:
  explicit WindowPower(int wake_fd) : wake_fd_(wake_fd) {}
  bool OwnsForeground(int32_t) override { return visible.load(); }
  void KeepOn() override {
    keep_until.store(NowMs() + kKeepOnMs);
    // Only a change needs the main thread; while held, nothing to do.
    if (!inhibited.load()) {
      const uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = write(wake_fd_, &one, sizeof one);
    }
  }
  std::atomic<bool> visible{true};
  std::atomic<bool> inhibited{false};
  std::atomic<int64_t> keep_until{0};

 private:
  int wake_fd_;
};

}  // namespace

struct Window::Impl {
  SDL_Window* window = nullptr;
  int epoll_fd = -1, wake_fd = -1, timer_fd = -1, fallback_fd = -1;
  std::vector<int> input_fds;  // our own copies of the console's input devices
  std::unique_ptr<WindowPower> power;

  ~Impl() {
    for (int fd : input_fds) close(fd);
    for (int fd : {fallback_fd, timer_fd, wake_fd, epoll_fd})
      if (fd >= 0) close(fd);
    if (window != nullptr) {
      SDL_EnableScreenSaver();
      SDL_DestroyWindow(window);
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      // The last user of SDL also ends its session-bus connection.
      if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    }
  }

  void Watch(int fd) {
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = fd;
    epoll_ctl(epoll_fd, EPOLL_CTL_ADD, fd, &e);
  }

  void Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake_fd, &one, sizeof one);
  }

  // On a console SDL reads the input devices itself and offers no handle.
  // Each open of an evdev device gets its own copy of the events, so
  // watching (and emptying) our own copy tells when SDL has input to read.
  void WatchInputDevices() {
    DIR* dir = opendir("/dev/input");
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
      if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
      const std::string path = std::string("/dev/input/") + entry->d_name;
      const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) continue;
      input_fds.push_back(fd);
      Watch(fd);
    }
    closedir(dir);
  }
};

bool Window::DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) return true;
  }
  return false;
}

std::unique_ptr<Window> Window::Open(const Options& options, std::string* error) {
  // Our own handlers turn SIGINT and SIGTERM into a clean end; the screen
  // saver runs unless the timer's backlight setting holds it off.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Without an X or Wayland session only the console can show a window.
  if (!DisplayNamed() && std::getenv("SDL_VIDEODRIVER") == nullptr)
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "KMSDRM");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    *error = SDL_GetError();
    return nullptr;
  }
  // Without a display SDL falls back on drivers that show nothing; those
  // only count when asked for by name.
  const std::string driver =
      SDL_GetCurrentVideoDriver() != nullptr ? SDL_GetCurrentVideoDriver() : "";
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if ((driver == "offscreen" || driver == "dummy") && (asked == nullptr || driver != asked)) {
    *error = "no display was found (X, Wayland or a console with KMS/DRM)";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  // The picture is made in software: showing it through OpenGL would only
  // add a copy (and, without a graphics card, a software GL). A console
  // has no other way to show it.
  if (driver != "KMSDRM") SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  auto impl = std::make_unique<Impl>();
  Uint32 flags = SDL_WINDOW_RESIZABLE;
  if (options.full_screen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  impl->window = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                  SDL_WINDOWPOS_CENTERED, options.width, options.height, flags);
  if (impl->window == nullptr) {
    *error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  impl->epoll_fd = epoll_create1(EPOLL_CLOEXEC);
  impl->wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  impl->timer_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (impl->epoll_fd < 0 || impl->wake_fd < 0 || impl->timer_fd < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  impl->Watch(impl->wake_fd);
  impl->Watch(impl->timer_fd);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(impl->window, &info) && info.subsystem == SDL_SYSWM_X11) {
    impl->Watch(ConnectionNumber(info.info.x11.display));
  } else {
    impl->WatchInputDevices();
    if (impl->input_fds.empty()) {
      impl->fallback_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
      ArmTimer(impl->fallback_fd, kFallbackInputMs, kFallbackInputMs);
      impl->Watch(impl->fallback_fd);
    }
  }
  impl->power = std::make_unique<WindowPower>(impl->wake_fd);
  // Whatever arrived while the window was being made is read at once.
  impl->Wake();
  return std::unique_ptr<Window>(new Window(std::move(impl)));
}

Window::Window(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Window::~Window() = default;

int Window::WaitHandle() const { return impl_->epoll_fd; }

std::vector<WindowEvent> Window::TakeEvents() {
  std::vector<WindowEvent> events;
  Drain(impl_->wake_fd);
  if (impl_->fallback_fd >= 0) Drain(impl_->fallback_fd);
  for (int fd : impl_->input_fds) Drain(fd);
  if (Drain(impl_->timer_fd)) events.push_back({WindowEvent::Kind::kTimer});
  SDL_Event e;
  // Emptying SDL's queue also empties the display connection's buffer, so
  // the socket is readable again only for input that is really new.
  while (SDL_PollEvent(&e) != 0) {
    WindowEvent out;
    switch (e.type) {
      case SDL_QUIT:
        out.kind = WindowEvent::Kind::kClose;
        break;
      case SDL_KEYDOWN:
        out.kind = WindowEvent::Kind::kKey;
        out.key = KeyOf(e.key.keysym.sym);
        if (out.key == 0) continue;
        break;
      case SDL_MOUSEBUTTONDOWN:  // touches arrive as left clicks too
        if (e.button.button != SDL_BUTTON_LEFT) continue;
        out.kind = WindowEvent::Kind::kTap;
        out.x = e.button.x, out.y = e.button.y;
        break;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.kind = WindowEvent::Kind::kResized;
            break;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SHOWN:
          case SDL_WINDOWEVENT_RESTORED:
            impl_->power->visible.store(true);
            out.kind = WindowEvent::Kind::kExposed;
            break;
          case SDL_WINDOWEVENT_HIDDEN:
          case SDL_WINDOWEVENT_MINIMIZED:
            impl_->power->visible.store(false);
            continue;
          case SDL_WINDOWEVENT_CLOSE:
            out.kind = WindowEvent::Kind::kClose;
            break;
          default:
            continue;
        }
        break;
      default:
        continue;
    }
    events.push_back(out);
  }
  ApplyScreenSaver();
  return events;
}

int32_t Window::Width() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(impl_->window, &w, &h);
  return w;
}

int32_t Window::Height() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(impl_->window, &w, &h);
  return h;
}

void Window::Present(const Canvas& canvas) {
  SDL_Surface* target = SDL_GetWindowSurface(impl_->window);
  if (target != nullptr) {
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<void*>(canvas.Pixels()), canvas.Width(), canvas.Height(), 32, canvas.Pitch(),
        SDL_PIXELFORMAT_ARGB8888);
    if (picture != nullptr) {
      SDL_BlitSurface(picture, nullptr, target, nullptr);
      SDL_FreeSurface(picture);
      SDL_UpdateWindowSurface(impl_->window);
    }
  }
  // Showing the picture waits for the display's reply, which may bring
  // input along into SDL's queue where the socket no longer shows it.
  SDL_PumpEvents();
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) impl_->Wake();
  ApplyScreenSaver();
}

void Window::StartViewTimer(int32_t ms) { ArmTimer(impl_->timer_fd, ms, 0); }

PowerControl& Window::Power() { return *impl_->power; }

void Window::ApplyScreenSaver() {
  WindowPower& power = *impl_->power;
  const bool keep = NowMs() < power.keep_until.load();
  if (keep == power.inhibited.load()) return;
  if (keep) {
    SDL_DisableScreenSaver();
  } else {
    SDL_EnableScreenSaver();
  }
  power.inhibited.store(keep);
}

std::string Window::DriverName() const {
  const char* name = SDL_GetCurrentVideoDriver();
  return name != nullptr ? name : "";
}

}  // namespace kv::platform
