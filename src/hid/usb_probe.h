// What the system knows about a USB device on its way to a program: the device on the USB bus,
// its HID nodes, who may open them, the udev rules that name it and which program holds its lock.
// The connection check reads these to say why a programmer can't be used.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One USB device as the usb subsystem lists it, whether or not a HID driver took it.
struct TUsbDeviceFacts {
  std::string BusPath;                  // "1-1.2"
  std::string SerialNumber;             // the USB serial number string; empty: none
  std::vector<std::string> Interfaces;  // "1-1.2:1.0 usbhid": each interface and its driver ("-": none)
  std::vector<std::string> HidNodes;    // "/dev/hidraw3": the hidraw nodes of its interfaces
};

// A device node and who may open it.
struct TNodeFacts {
  bool Exists = false;
  uint32_t Uid = 0, Gid = 0;
  uint32_t Mode = 0;             // the permission bits
  std::string Owner, Group;      // names, or the numbers where there are none
  std::vector<std::string> Acl;  // extended entries: "user:alice:rw-", "group:plugdev:rw-", "mask::rw-"
  bool MayReadWrite = false;     // this user may open it for reading and writing
};

// A udev rule file that names the device's vendor and product id.
struct TUdevRuleFacts {
  std::string File;
  bool Uaccess = false;  // gives the user at the desktop access (TAG+="uaccess")
  bool Group = false;    // gives a group access (GROUP=...)
};

// The process that holds a device node's exclusive lock.
struct TLockHolder {
  int64_t Pid = 0;
  std::string Program;  // its name; empty when it can't be read
};

// The user this program runs as.
struct TUserFacts {
  uint32_t Uid = 0;
  std::string Name;                 // empty when the system has none for the uid
  std::vector<std::string> Groups;  // names (numbers where there are none)
  bool Remote = false;              // logged in over SSH
};

class TUsbProbe {
 public:
  virtual ~TUsbProbe() = default;
  // The USB devices with this vendor and product id.
  virtual std::vector<TUsbDeviceFacts> UsbDevices(uint16_t vendorId, uint16_t productId) = 0;
  virtual TNodeFacts Node(const std::string& node) = 0;
  // The folders udev reads rules from, and the rule files in them that name the vendor and product.
  virtual std::vector<std::string> UdevRuleFolders() = 0;
  virtual std::vector<TUdevRuleFacts> UdevRules(uint16_t vendorId, uint16_t productId) = 0;
  // The other process that holds node's exclusive lock, if one does.
  virtual std::optional<TLockHolder> LockHolder(const std::string& node) = 0;
  virtual TUserFacts User() = 0;
};

// The running system's probe; null where the platform gives no such facts (then only the HID
// layer's own view is checked).
std::unique_ptr<TUsbProbe> CreateSystemUsbProbe();

// The holder of the exclusive lock on the file with this device and inode among the lines of
// /proc/locks (text), leaving out ownPid; nothing when no line names it. Device numbers as the
// kernel writes them there: major and minor in hexadecimal.
std::optional<int64_t> LockHolderPid(const std::string& locks, uint32_t major, uint32_t minor, uint64_t inode,
                                     int64_t ownPid);

// The extended entries of a POSIX access ACL in the kernel's binary form ("system.posix_acl_access"):
// "user:NAME:rw-", "group:NAME:r--", "mask::rw-"; the owner, group and other entries that the mode
// already shows are left out. Empty for anything it can't read.
std::vector<std::string> AclEntries(const std::string& xattr, std::string (*userName)(uint32_t),
                                    std::string (*groupName)(uint32_t));
