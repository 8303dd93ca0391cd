// One usbredir connection, served from the device's side: the programmer appears to the peer
// (QEMU's usb-redir device) as a plugged-in full-speed HID device until the connection ends.
#pragma once

#include <cstdint>
#include <deque>

#include "report_model.h"
#include "usb_descriptors.h"

struct usbredirparser;

namespace usbvm {

class TRedirConnection {
 public:
  // fd: a connected stream socket, made non-blocking here; the caller closes it afterwards.
  TRedirConnection(int fd, TReportModel& model, bool verbose);
  ~TRedirConnection();
  TRedirConnection(const TRedirConnection&) = delete;
  TRedirConnection& operator=(const TRedirConnection&) = delete;

  // Serves the peer until it disconnects or the socket fails.
  void Serve();
  long Exchanges() const { return Exchanges_; }

  // Parser callbacks (static trampolines find the connection through the parser's priv).
  void OnHello();
  void OnReset();
  void OnControl(uint64_t id, const void* header, uint8_t* data, int length);
  void OnInterrupt(uint64_t id, const void* header, uint8_t* data, int length);
  void OnSetConfiguration(uint64_t id, uint8_t configuration);
  void OnGetConfiguration(uint64_t id);
  void OnSetAltSetting(uint64_t id, uint8_t interface, uint8_t alt);
  void OnGetAltSetting(uint64_t id, uint8_t interface);
  void OnInterruptReceiving(uint64_t id, uint8_t endpoint, bool start);
  int Read(uint8_t* data, int count);
  int Write(uint8_t* data, int count);

 private:
  void TakeOutputReport(const uint8_t* data, int length);
  void SendPendingInputReports();

  int Fd_;
  TReportModel& Model_;
  bool Verbose_;
  usbredirparser* Parser_ = nullptr;
  bool Closed_ = false;
  uint8_t Configuration_ = 0;
  bool InReceiving_ = false;
  uint64_t NextInId_ = 0;
  std::deque<TReport> PendingIn_;
  TControlState Control_;
  long Exchanges_ = 0;
};

}  // namespace usbvm
