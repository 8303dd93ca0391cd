#include "hid/usb_probe.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#ifdef __linux__
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#endif
#ifdef TESMARO_HAVE_UDEV
#include <libudev.h>
#endif

std::optional<int64_t> LockHolderPid(const std::string& locks, uint32_t major, uint32_t minor, uint64_t inode,
                                     int64_t ownPid) {
  std::istringstream lines(locks);
  std::string line;
  while (std::getline(lines, line)) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:321 0 EOF"; a waiting request has "->" after the number.
    std::istringstream words(line);
    std::string id, kind, advisory, access, pid, file;
    if (!(words >> id >> kind)) continue;
    if (kind == "->" && !(words >> kind)) continue;
    if (!(words >> advisory >> access >> pid >> file)) continue;
    unsigned long maj = 0, min = 0;
    unsigned long long ino = 0;
    char rest = 0;
    if (std::sscanf(file.c_str(), "%lx:%lx:%llu%c", &maj, &min, &ino, &rest) != 3) continue;
    if (maj != major || min != minor || ino != inode) continue;
    char* end = nullptr;
    const long long p = std::strtoll(pid.c_str(), &end, 10);
    if (!end || *end || p <= 0 || p == ownPid) continue;
    return p;
  }
  return std::nullopt;
}

std::vector<std::string> AclEntries(const std::string& xattr, std::string (*userName)(uint32_t),
                                    std::string (*groupName)(uint32_t)) {
  auto u16 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(xattr[at]) | static_cast<uint8_t>(xattr[at + 1]) << 8);
  };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  std::vector<std::string> out;
  if (xattr.size() < 4 || (xattr.size() - 4) % 8 != 0 || u32(0) != 2) return out;
  for (size_t at = 4; at < xattr.size(); at += 8) {
    const uint32_t tag = u16(at), perm = u16(at + 2), id = u32(at + 4);
    const std::string bits = std::string(perm & 4 ? "r" : "-") + (perm & 2 ? "w" : "-") + (perm & 1 ? "x" : "-");
    switch (tag) {
      case 0x02: out.push_back("user:" + userName(id) + ":" + bits); break;
      case 0x08: out.push_back("group:" + groupName(id) + ":" + bits); break;
      case 0x10: out.push_back("mask::" + bits); break;
      default: break;  // owner, group and other: the mode shows them
    }
  }
  return out;
}

#ifdef __linux__
namespace {

std::string UserName(uint32_t uid) {
  if (const passwd* p = getpwuid(uid)) return p->pw_name;
  return std::to_string(uid);
}

std::string GroupName(uint32_t gid) {
  if (const group* g = getgrgid(gid)) return g->gr_name;
  return std::to_string(gid);
}

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Hex4(uint16_t v) {
  char out[8];
  std::snprintf(out, sizeof out, "%04x", v);
  return out;
}

class TLinuxUsbProbe : public TUsbProbe {
 public:
  std::vector<TUsbDeviceFacts> UsbDevices(uint16_t vendorId, uint16_t productId) override {
    std::vector<TUsbDeviceFacts> out;
#ifdef TESMARO_HAVE_UDEV
    udev* u = udev_new();
    if (!u) return out;
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_subsystem(e, "usb");
    udev_enumerate_add_match_property(e, "DEVTYPE", "usb_device");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
      udev_device* d = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
      if (!d) continue;
      auto attribute = [d](const char* name) {
        const char* v = udev_device_get_sysattr_value(d, name);
        return v ? Lower(v) : std::string();
      };
      if (attribute("idVendor") == Hex4(vendorId) && attribute("idProduct") == Hex4(productId)) {
        TUsbDeviceFacts f;
        f.BusPath = udev_device_get_sysname(d);
        if (const char* serial = udev_device_get_sysattr_value(d, "serial")) f.SerialNumber = serial;
        f.Interfaces = Children(u, d, "usb", [](udev_device* c) {
          const char* type = udev_device_get_devtype(c);
          if (!type || std::string(type) != "usb_interface") return std::string();
          const char* driver = udev_device_get_driver(c);
          return std::string(udev_device_get_sysname(c)) + " " + (driver ? driver : "-");
        });
        f.HidNodes = Children(u, d, "hidraw", [](udev_device* c) {
          const char* node = udev_device_get_devnode(c);
          return node ? std::string(node) : "/dev/" + std::string(udev_device_get_sysname(c));
        });
        out.push_back(std::move(f));
      }
      udev_device_unref(d);
    }
    udev_enumerate_unref(e);
    udev_unref(u);
#else
    (void)vendorId;
    (void)productId;
#endif
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.BusPath < b.BusPath; });
    return out;
  }

  TNodeFacts Node(const std::string& node) override {
    TNodeFacts f;
    struct stat st;
    if (stat(node.c_str(), &st) != 0) return f;
    f.Exists = true;
    f.Uid = st.st_uid;
    f.Gid = st.st_gid;
    f.Mode = st.st_mode & 07777;
    f.Owner = UserName(st.st_uid);
    f.Group = GroupName(st.st_gid);
    std::string acl(1024, '\0');
    const ssize_t n = getxattr(node.c_str(), "system.posix_acl_access", acl.data(), acl.size());
    if (n > 0) f.Acl = AclEntries(acl.substr(0, static_cast<size_t>(n)), UserName, GroupName);
    f.MayReadWrite = access(node.c_str(), R_OK | W_OK) == 0;
    return f;
  }

  std::vector<std::string> UdevRuleFolders() override {
    return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d",
            "/lib/udev/rules.d"};
  }

  std::vector<TUdevRuleFacts> UdevRules(uint16_t vendorId, uint16_t productId) override {
    std::vector<TUdevRuleFacts> out;
    for (const std::string& folder : UdevRuleFolders()) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() != ".rules") continue;
        const std::string text = Lower(ReadAll(entry.path().string()));
        if (text.find(Hex4(vendorId)) == std::string::npos || text.find(Hex4(productId)) == std::string::npos) continue;
        TUdevRuleFacts r;
        r.File = entry.path().string();
        r.Uaccess = text.find("uaccess") != std::string::npos;
        r.Group = text.find("group=") != std::string::npos || text.find("group:=") != std::string::npos;
        out.push_back(r);
      }
    }
    return out;
  }

  std::optional<TLockHolder> LockHolder(const std::string& node) override {
    struct stat st;
    if (stat(node.c_str(), &st) != 0) return std::nullopt;
    const auto pid = LockHolderPid(ReadAll("/proc/locks"), major(st.st_dev), minor(st.st_dev), st.st_ino, getpid());
    if (!pid) return std::nullopt;
    TLockHolder h;
    h.Pid = *pid;
    h.Program = ReadAll("/proc/" + std::to_string(*pid) + "/comm");
    while (!h.Program.empty() && std::isspace(static_cast<unsigned char>(h.Program.back()))) h.Program.pop_back();
    return h;
  }

  TUserFacts User() override {
    TUserFacts f;
    f.Uid = getuid();
    if (const passwd* p = getpwuid(f.Uid)) f.Name = p->pw_name;
    std::vector<gid_t> groups(static_cast<size_t>(std::max(0, getgroups(0, nullptr))));
    if (!groups.empty() && getgroups(static_cast<int>(groups.size()), groups.data()) >= 0)
      for (gid_t g : groups) f.Groups.push_back(GroupName(g));
    f.Remote = std::getenv("SSH_CONNECTION") || std::getenv("SSH_TTY");
    return f;
  }

 private:
#ifdef TESMARO_HAVE_UDEV
  template <class Describe>
  static std::vector<std::string> Children(udev* u, udev_device* parent, const char* subsystem, Describe describe) {
    std::vector<std::string> out;
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_subsystem(e, subsystem);
    udev_enumerate_add_match_parent(e, parent);
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
      udev_device* c = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
      if (!c) continue;
      if (std::string text = describe(c); !text.empty()) out.push_back(text);
      udev_device_unref(c);
    }
    udev_enumerate_unref(e);
    std::sort(out.begin(), out.end());
    return out;
  }
#endif
};

}  // namespace

std::unique_ptr<TUsbProbe> CreateSystemUsbProbe() {
#ifdef TESMARO_HAVE_UDEV
  return std::make_unique<TLinuxUsbProbe>();
#else
  return nullptr;
#endif
}
#else
std::unique_ptr<TUsbProbe> CreateSystemUsbProbe() { return nullptr; }
#endif
