// usbvm_device: serves the emulated programmer on a Unix socket to QEMU's usb-redir device.
// Each connection is one plug-in; the programmer model (and its chip) outlives connections.
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "redir_device.h"
#include "report_model.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: usbvm_device --socket PATH [--model echo|programmer] [--image FILE] [--verbose]\n");
  return 2;
}

int Listen(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    std::fprintf(stderr, "usbvm_device: socket path too long: %s\n", path.c_str());
    return -1;
  }
  std::strcpy(addr.sun_path, path.c_str());
  unlink(path.c_str());  // a stale socket of an earlier run
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 1) != 0) {
    std::fprintf(stderr, "usbvm_device: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  std::string socketPath, modelName = "programmer", imagePath;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--verbose")
      verbose = true;
    else if (i + 1 >= argc)
      return Usage();
    else if (a == "--socket")
      socketPath = argv[++i];
    else if (a == "--model")
      modelName = argv[++i];
    else if (a == "--image")
      imagePath = argv[++i];
    else
      return Usage();
  }
  if (socketPath.empty()) return Usage();

  // QEMU closes the socket when the device is unplugged, possibly while we write to it.
  signal(SIGPIPE, SIG_IGN);

  std::unique_ptr<usbvm::TReportModel> model;
  if (modelName == "echo")
    model = std::make_unique<usbvm::TEchoModel>();
  else if (modelName == "programmer")
    model = usbvm::MakeProgrammerModel(imagePath);
  if (!model) {
    std::fprintf(stderr, "usbvm_device: model '%s' is not available\n", modelName.c_str());
    return 2;
  }

  int listener = Listen(socketPath);
  if (listener < 0) return 1;
  std::fprintf(stderr, "usbvm_device: %s model listening on %s\n", modelName.c_str(), socketPath.c_str());
  for (int plugIn = 1;; ++plugIn) {
    int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      std::fprintf(stderr, "usbvm_device: accept failed: %s\n", std::strerror(errno));
      return 1;
    }
    std::fprintf(stderr, "usbvm_device: plug-in %d: peer connected\n", plugIn);
    long exchanges = 0;
    {
      usbvm::TRedirConnection connection(fd, *model, verbose);  // a fresh parser per connection
      connection.Serve();
      exchanges = connection.Exchanges();
    }
    close(fd);
    std::fprintf(stderr, "usbvm_device: plug-in %d: peer gone after %ld exchanges\n", plugIn, exchanges);
  }
}
