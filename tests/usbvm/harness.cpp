// usbvm_harness: boots the test guest in QEMU with the emulated programmer on its USB bus, streams
// the guest's serial console, and plugs the programmer out and in again when the guest asks
// ("@@USBVM unplug" / "@@USBVM replug" lines). The guest ends with "@@USBVM PASS" or "@@USBVM FAIL".
// Exit code 0 when the guest passed, 1 otherwise (failure, time-out, a child that died).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct TOptions {
  std::string Qemu = "qemu-system-x86_64", Kernel, Initrd, Device, WorkDir, Append;
  std::vector<std::string> DeviceArgs;
  int TimeoutSeconds = 180;
};

volatile sig_atomic_t gDevicePid = 0, gQemuPid = 0;

void KillChildren() {
  if (gQemuPid > 0) kill(gQemuPid, SIGKILL);
  if (gDevicePid > 0) kill(gDevicePid, SIGKILL);
}

void OnTerminate(int) {
  KillChildren();
  _exit(1);
}

void Log(const std::string& s) { std::fprintf(stdout, "usbvm_harness: %s\n", s.c_str()), std::fflush(stdout); }

// Starts argv with the given stdout (or the harness's own when -1); the child dies with the harness.
pid_t Spawn(const std::vector<std::string>& args, int stdoutFd) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  int devnull = open("/dev/null", O_RDONLY);
  dup2(devnull, 0);
  if (stdoutFd >= 0) dup2(stdoutFd, 1);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  std::fprintf(stderr, "usbvm_harness: cannot run %s\n", argv[0]);
  _exit(127);
}

bool WaitForPath(const std::string& path, int ms) {
  struct stat st;
  for (int i = 0; i < ms / 10; ++i) {
    if (stat(path.c_str(), &st) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

int ConnectUnix(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

// A QMP client: one JSON object per line each way.
class TQmp {
 public:
  bool Connect(const std::string& path) {
    for (int i = 0; i < 500 && Fd_ < 0; ++i) {
      Fd_ = ConnectUnix(path);
      if (Fd_ < 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (Fd_ < 0) return false;
    std::string greeting;
    return ReadMessage(greeting, 5000) && Command("{\"execute\":\"qmp_capabilities\"}");
  }
  // Sends a command and waits for its answer; events met on the way are logged.
  bool Command(const std::string& json, std::string* answer = nullptr) {
    const std::string line = json + "\n";
    if (write(Fd_, line.data(), line.size()) != ssize_t(line.size())) return false;
    std::string m;
    while (ReadMessage(m, 10000)) {
      if (m.find("\"event\"") != std::string::npos) {
        Events_.push_back(m);
        continue;
      }
      if (answer) *answer = m;
      if (m.find("\"error\"") != std::string::npos) Log("QMP error: " + m);
      return m.find("\"return\"") != std::string::npos;
    }
    return false;
  }
  // Waits until an event containing both texts has arrived.
  bool WaitForEvent(const std::string& a, const std::string& b, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      for (auto it = Events_.begin(); it != Events_.end(); ++it)
        if (it->find(a) != std::string::npos && it->find(b) != std::string::npos) {
          Events_.erase(it);
          return true;
        }
      const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      std::string m;
      if (left <= 0 || !ReadMessage(m, left)) return false;
      Events_.push_back(m);
    }
  }

 private:
  bool ReadMessage(std::string& out, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      if (auto nl = Buffer_.find('\n'); nl != std::string::npos) {
        out = Buffer_.substr(0, nl);
        Buffer_.erase(0, nl + 1);
        return true;
      }
      const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      pollfd p{Fd_, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) return false;
      char buf[4096];
      ssize_t n = read(Fd_, buf, sizeof buf);
      if (n <= 0) return false;
      Buffer_.append(buf, size_t(n));
    }
  }

  int Fd_ = -1;
  std::string Buffer_;
  std::vector<std::string> Events_;
};

const char* const kChardevId = "programmer-link";
const char* const kDeviceId = "programmer";

bool Unplug(TQmp& qmp) {
  // Removing a usb-redir device also removes its chardev, which closes the emulator's socket.
  if (!qmp.Command(std::string("{\"execute\":\"device_del\",\"arguments\":{\"id\":\"") + kDeviceId + "\"}}"))
    return false;
  return qmp.WaitForEvent("DEVICE_DELETED", kDeviceId, 5000);
}

bool Replug(TQmp& qmp, const std::string& socketPath) {
  const std::string add = std::string("{\"execute\":\"chardev-add\",\"arguments\":{\"id\":\"") + kChardevId +
                          "\",\"backend\":{\"type\":\"socket\",\"data\":{\"addr\":{\"type\":\"unix\",\"data\":"
                          "{\"path\":\"" +
                          socketPath + "\"}},\"server\":false,\"reconnect\":1}}}}";
  if (!qmp.Command(add)) return false;
  return qmp.Command(std::string("{\"execute\":\"device_add\",\"arguments\":{\"driver\":\"usb-redir\",\"chardev\":\"") +
                     kChardevId + "\",\"id\":\"" + kDeviceId + "\",\"bus\":\"xhci.0\"}}");
}

int Usage() {
  std::fprintf(stderr,
               "usage: usbvm_harness --kernel FILE --initrd FILE --device EMULATOR --workdir DIR\n"
               "         [--qemu PROGRAM] [--append TEXT] [--timeout SECONDS] [-- EMULATOR-ARGS...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      o.DeviceArgs.assign(argv + i + 1, argv + argc);
      break;
    }
    if (i + 1 >= argc) return Usage();
    const std::string v = argv[++i];
    if (a == "--qemu")
      o.Qemu = v;
    else if (a == "--kernel")
      o.Kernel = v;
    else if (a == "--initrd")
      o.Initrd = v;
    else if (a == "--device")
      o.Device = v;
    else if (a == "--workdir")
      o.WorkDir = v;
    else if (a == "--append")
      o.Append = v;
    else if (a == "--timeout")
      o.TimeoutSeconds = std::atoi(v.c_str());
    else
      return Usage();
  }
  if (o.Kernel.empty() || o.Initrd.empty() || o.Device.empty() || o.WorkDir.empty()) return Usage();

  for (int s : {SIGTERM, SIGINT, SIGHUP}) signal(s, OnTerminate);
  signal(SIGPIPE, SIG_IGN);
  std::atexit(KillChildren);
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(o.TimeoutSeconds);

  const std::string redirSocket = o.WorkDir + "/redir.sock", qmpSocket = o.WorkDir + "/qmp.sock";
  unlink(redirSocket.c_str());
  unlink(qmpSocket.c_str());

  std::vector<std::string> deviceArgs{o.Device, "--socket", redirSocket};
  deviceArgs.insert(deviceArgs.end(), o.DeviceArgs.begin(), o.DeviceArgs.end());
  gDevicePid = Spawn(deviceArgs, -1);
  if (!WaitForPath(redirSocket, 5000)) {
    Log("the USB device emulator did not start");
    return 1;
  }

  int serial[2];
  if (pipe2(serial, O_CLOEXEC) != 0) return 1;
  std::string append = "console=ttyS0 panic=-1 quiet loglevel=3 " + o.Append;
  gQemuPid = Spawn({o.Qemu,
                    "-accel",
                    "tcg",
                    "-m",
                    "256",
                    "-smp",
                    "1",
                    "-nodefaults",
                    "-no-user-config",
                    "-display",
                    "none",
                    "-no-reboot",
                    "-serial",
                    "stdio",
                    "-qmp",
                    "unix:" + qmpSocket + ",server=on,wait=off",
                    "-kernel",
                    o.Kernel,
                    "-initrd",
                    o.Initrd,
                    "-append",
                    append,
                    "-device",
                    "qemu-xhci,id=xhci",
                    "-chardev",
                    std::string("socket,id=") + kChardevId + ",path=" + redirSocket + ",reconnect=1",
                    "-device",
                    std::string("usb-redir,chardev=") + kChardevId + ",id=" + kDeviceId + ",bus=xhci.0"},
                   serial[1]);
  close(serial[1]);

  TQmp qmp;
  if (!WaitForPath(qmpSocket, 10000) || !qmp.Connect(qmpSocket)) {
    Log("cannot reach QEMU's monitor");
    return 1;
  }

  bool passed = false, failed = false, timedOut = false;
  std::string line;
  for (;;) {
    const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    pollfd p{serial[0], POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) == 0) {
      timedOut = true;
      break;
    }
    char buf[4096];
    ssize_t n = read(serial[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // QEMU ended
    fwrite(buf, 1, size_t(n), stdout);
    fflush(stdout);
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] != '\n') {
        line += buf[i];
        continue;
      }
      if (line.find("@@USBVM unplug") != std::string::npos) {
        if (!Unplug(qmp)) Log("unplug failed");
      } else if (line.find("@@USBVM replug") != std::string::npos) {
        if (!Replug(qmp, redirSocket)) Log("replug failed");
      } else if (line.find("@@USBVM PASS") != std::string::npos) {
        passed = true;
      } else if (line.find("@@USBVM FAIL") != std::string::npos) {
        failed = true;
      }
      line.clear();
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (timedOut) Log("timed out after " + std::to_string(o.TimeoutSeconds) + " s");
  KillChildren();
  int status = 0;
  if (gQemuPid > 0) waitpid(gQemuPid, &status, 0);
  if (gDevicePid > 0) waitpid(gDevicePid, &status, 0);
  gQemuPid = 0;
  gDevicePid = 0;
  unlink(redirSocket.c_str());
  unlink(qmpSocket.c_str());
  char summary[96];
  std::snprintf(summary, sizeof summary, "guest %s after %.1f s", passed && !failed ? "succeeded" : "did not succeed",
                seconds);
  Log(summary);
  return passed && !failed && !timedOut ? 0 : 1;
}
