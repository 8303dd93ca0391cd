// The device side of the usbredir protocol for the emulated programmer.
#include "redir_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <usbredirparser.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace usbvm {
namespace {

TRedirConnection& Self(void* priv) { return *static_cast<TRedirConnection*>(priv); }

void LogFromParser(void*, int level, const char* msg) {
  if (level <= usbredirparser_warning) std::fprintf(stderr, "usbvm_device: usbredir: %s\n", msg);
}

int EndpointIndex(uint8_t endpoint) { return ((endpoint & 0x80) >> 3) | (endpoint & 0x0F); }

}  // namespace

TRedirConnection::TRedirConnection(int fd, TReportModel& model, bool verbose)
    : Fd_(fd), Model_(model), Verbose_(verbose) {
  fcntl(Fd_, F_SETFL, fcntl(Fd_, F_GETFL) | O_NONBLOCK);
  Parser_ = usbredirparser_create();
  Parser_->priv = this;
  Parser_->log_func = LogFromParser;
  Parser_->read_func = [](void* p, uint8_t* d, int n) { return Self(p).Read(d, n); };
  Parser_->write_func = [](void* p, uint8_t* d, int n) { return Self(p).Write(d, n); };
  Parser_->hello_func = [](void* p, usb_redir_hello_header*) { Self(p).OnHello(); };
  Parser_->reset_func = [](void* p) { Self(p).OnReset(); };
  Parser_->control_packet_func = [](void* p, uint64_t id, usb_redir_control_packet_header* h, uint8_t* d, int n) {
    Self(p).OnControl(id, h, d, n);
  };
  Parser_->interrupt_packet_func = [](void* p, uint64_t id, usb_redir_interrupt_packet_header* h, uint8_t* d, int n) {
    Self(p).OnInterrupt(id, h, d, n);
  };
  Parser_->set_configuration_func = [](void* p, uint64_t id, usb_redir_set_configuration_header* h) {
    Self(p).OnSetConfiguration(id, h->configuration);
  };
  Parser_->get_configuration_func = [](void* p, uint64_t id) { Self(p).OnGetConfiguration(id); };
  Parser_->set_alt_setting_func = [](void* p, uint64_t id, usb_redir_set_alt_setting_header* h) {
    Self(p).OnSetAltSetting(id, h->interface, h->alt);
  };
  Parser_->get_alt_setting_func = [](void* p, uint64_t id, usb_redir_get_alt_setting_header* h) {
    Self(p).OnGetAltSetting(id, h->interface);
  };
  Parser_->start_interrupt_receiving_func = [](void* p, uint64_t id, usb_redir_start_interrupt_receiving_header* h) {
    Self(p).OnInterruptReceiving(id, h->endpoint, true);
  };
  Parser_->stop_interrupt_receiving_func = [](void* p, uint64_t id, usb_redir_stop_interrupt_receiving_header* h) {
    Self(p).OnInterruptReceiving(id, h->endpoint, false);
  };
  // Every transfer is answered at once, so there is never a packet left to cancel.
  Parser_->cancel_data_packet_func = [](void*, uint64_t) {};

  uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
  usbredirparser_caps_set_cap(caps, usb_redir_cap_connect_device_version);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_ep_info_max_packet_size);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_64bits_ids);
  usbredirparser_caps_set_cap(caps, usb_redir_cap_32bits_bulk_length);  // QEMU's xHCI asks for it
  usbredirparser_init(Parser_, "tesmaro usbvm_device", caps, USB_REDIR_CAPS_SIZE, usbredirparser_fl_usb_host);
}

TRedirConnection::~TRedirConnection() { usbredirparser_destroy(Parser_); }

void TRedirConnection::Serve() {
  while (!Closed_) {
    pollfd p{Fd_, short(POLLIN | (usbredirparser_has_data_to_write(Parser_) ? POLLOUT : 0)), 0};
    if (poll(&p, 1, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
      if (usbredirparser_do_read(Parser_) == usbredirparser_read_io_error || Closed_) return;
    }
    if (usbredirparser_has_data_to_write(Parser_) && usbredirparser_do_write(Parser_) != 0) return;
  }
}

int TRedirConnection::Read(uint8_t* data, int count) {
  for (;;) {
    ssize_t n = read(Fd_, data, size_t(count));
    if (n > 0) return int(n);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    Closed_ = true;  // end of stream or a socket error: the peer unplugged us
    return -1;
  }
}

int TRedirConnection::Write(uint8_t* data, int count) {
  for (;;) {
    // MSG_NOSIGNAL: the peer may close the socket during an unplug while we are writing.
    ssize_t n = send(Fd_, data, size_t(count), MSG_NOSIGNAL);
    if (n >= 0) return int(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    Closed_ = true;
    return -1;
  }
}

void TRedirConnection::OnHello() {
  usb_redir_interface_info_header interfaces{};
  interfaces.interface_count = 1;
  interfaces.interface[0] = 0;
  interfaces.interface_class[0] = 0x03;  // HID
  usbredirparser_send_interface_info(Parser_, &interfaces);

  usb_redir_ep_info_header endpoints{};
  std::memset(endpoints.type, usb_redir_type_invalid, sizeof endpoints.type);
  for (uint8_t ep : {uint8_t(0x00), uint8_t(0x80)}) {
    endpoints.type[EndpointIndex(ep)] = usb_redir_type_control;
    endpoints.max_packet_size[EndpointIndex(ep)] = 64;
  }
  for (uint8_t ep : {kInterruptInEndpoint, kInterruptOutEndpoint}) {
    const int i = EndpointIndex(ep);
    endpoints.type[i] = usb_redir_type_interrupt;
    endpoints.interval[i] = kPollInterval;
    endpoints.interface[i] = 0;
    endpoints.max_packet_size[i] = kReportSize;
  }
  usbredirparser_send_ep_info(Parser_, &endpoints);

  usb_redir_device_connect_header connect{};
  connect.speed = usb_redir_speed_full;
  connect.vendor_id = kVendorId;
  connect.product_id = kProductId;
  connect.device_version_bcd = kDeviceVersionBcd;
  usbredirparser_send_device_connect(Parser_, &connect);
  if (Verbose_) std::fprintf(stderr, "usbvm_device: peer said hello, device connected\n");
}

void TRedirConnection::OnReset() {
  // A bus reset returns the device to its default state; the chip keeps its contents.
  Configuration_ = 0;
  PendingIn_.clear();
  Control_ = TControlState{};
}

void TRedirConnection::OnControl(uint64_t id, const void* header, uint8_t* data, int length) {
  auto h = *static_cast<const usb_redir_control_packet_header*>(header);
  const TSetup setup{h.requesttype, h.request, h.value, h.index, h.length};
  TControlResult r = HandleControlRequest(setup, data, length, Control_);
  if (data) usbredirparser_free_packet_data(Parser_, data);
  if (Verbose_)
    std::fprintf(stderr, "usbvm_device: control %02x %02x %04x %04x %u -> %s\n", h.requesttype, h.request, h.value,
                 h.index, h.length, r.Stall ? "stall" : "ok");
  h.status = r.Stall ? usb_redir_stall : usb_redir_success;
  if (h.requesttype & 0x80) {
    h.length = uint16_t(r.InData.size());
    usbredirparser_send_control_packet(Parser_, id, &h, r.InData.empty() ? nullptr : r.InData.data(),
                                       int(r.InData.size()));
  } else {
    h.length = r.Stall ? 0 : uint16_t(length);
    usbredirparser_send_control_packet(Parser_, id, &h, nullptr, 0);
  }
  if (r.OutputReport) TakeOutputReport(r.OutputReport->data(), int(r.OutputReport->size()));
}

void TRedirConnection::OnInterrupt(uint64_t id, const void* header, uint8_t* data, int length) {
  auto h = *static_cast<const usb_redir_interrupt_packet_header*>(header);
  if (h.endpoint != kInterruptOutEndpoint) {
    if (data) usbredirparser_free_packet_data(Parser_, data);
    h.status = usb_redir_inval;
    h.length = 0;
    usbredirparser_send_interrupt_packet(Parser_, id, &h, nullptr, 0);
    return;
  }
  h.status = usb_redir_success;
  h.length = uint16_t(length);
  usbredirparser_send_interrupt_packet(Parser_, id, &h, nullptr, 0);
  // The host's HID driver strips report ID 0: every output report is exactly the 64 payload bytes.
  if (length != kReportSize) std::fprintf(stderr, "usbvm_device: output report of %d bytes\n", length);
  TakeOutputReport(data, length);
  if (data) usbredirparser_free_packet_data(Parser_, data);
}

void TRedirConnection::TakeOutputReport(const uint8_t* data, int length) {
  TReport out{};
  std::memcpy(out.data(), data, size_t(std::min<int>(length, kReportSize)));
  if (auto answer = Model_.Answer(out)) PendingIn_.push_back(*answer);
  ++Exchanges_;
  SendPendingInputReports();
}

void TRedirConnection::SendPendingInputReports() {
  while (InReceiving_ && !PendingIn_.empty()) {
    TReport& in = PendingIn_.front();
    usb_redir_interrupt_packet_header h{kInterruptInEndpoint, usb_redir_success, uint16_t(kReportSize)};
    usbredirparser_send_interrupt_packet(Parser_, NextInId_++, &h, in.data(), kReportSize);
    Control_.LastInputReport.assign(in.begin(), in.end());
    PendingIn_.pop_front();
  }
}

void TRedirConnection::OnSetConfiguration(uint64_t id, uint8_t configuration) {
  usb_redir_configuration_status_header s{usb_redir_success, configuration};
  if (configuration == 0 || configuration == kConfigurationValue) {
    Configuration_ = configuration;
  } else {
    s.status = usb_redir_stall;
    s.configuration = Configuration_;
  }
  usbredirparser_send_configuration_status(Parser_, id, &s);
}

void TRedirConnection::OnGetConfiguration(uint64_t id) {
  usb_redir_configuration_status_header s{usb_redir_success, Configuration_};
  usbredirparser_send_configuration_status(Parser_, id, &s);
}

void TRedirConnection::OnSetAltSetting(uint64_t id, uint8_t interface, uint8_t alt) {
  usb_redir_alt_setting_status_header s{usb_redir_success, interface, 0};
  if (interface != 0 || alt != 0) s.status = usb_redir_stall;
  usbredirparser_send_alt_setting_status(Parser_, id, &s);
}

void TRedirConnection::OnGetAltSetting(uint64_t id, uint8_t interface) {
  usb_redir_alt_setting_status_header s{interface == 0 ? uint8_t(usb_redir_success) : uint8_t(usb_redir_stall),
                                        interface, 0};
  usbredirparser_send_alt_setting_status(Parser_, id, &s);
}

void TRedirConnection::OnInterruptReceiving(uint64_t id, uint8_t endpoint, bool start) {
  usb_redir_interrupt_receiving_status_header s{usb_redir_success, endpoint};
  if (endpoint != kInterruptInEndpoint) s.status = usb_redir_inval;
  usbredirparser_send_interrupt_receiving_status(Parser_, id, &s);
  if (endpoint != kInterruptInEndpoint) return;
  InReceiving_ = start;
  SendPendingInputReports();
}

}  // namespace usbvm
