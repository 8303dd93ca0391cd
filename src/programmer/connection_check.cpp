#include "programmer/connection_check.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "common/error.h"
#include "programmer/version_query.h"

namespace {

const char* const kDeviceId = "03E5:D11D";

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : separator) + p;
  return out;
}

std::string Milliseconds(double ms) {
  char out[32];
  std::snprintf(out, sizeof out, "%.2f", ms);
  return out;
}

std::string Octal(uint32_t mode) {
  char out[8];
  std::snprintf(out, sizeof out, "%04o", mode);
  return out;
}

// Walks the links; each step adds its link and returns false at the first broken one.
class TCheck {
 public:
  TCheck(TUsbProbe* probe, THidDeviceController& controller, TProgrammer& programmer, TUserInterface& ui,
         const TConnectionCheckOptions& options)
      : Probe_(probe), Controller_(controller), Programmer_(programmer), Ui_(ui), Options_(options) {}

  TConnectionReport Run() {
    for (const auto& d : Controller_.Devices())
      if (d->PluggedIn() && d->VendorID() == ProgrammerVendorId && d->ProductID() == ProgrammerProductId)
        Listed_.push_back(d.get());
    if (Probe_ ? SystemLinks() && ListedDevice() : HidLayerLinks()) ProgrammerLinks();
    return R_;
  }

 private:
  std::string Msg(const char* key) { return Ui_.MessageText(key); }
  std::string Fmt(const char* key, std::initializer_list<std::string> args) {
    return FormatText(Ui_.MessageText(key), args);
  }
  void Ok(TLink link, std::string text) { R_.Links.push_back({link, true, std::move(text), {}}); }
  bool Broken(TLink link, int code, std::string text, std::string advice) {
    R_.Links.push_back({link, false, std::move(text), std::move(advice)});
    R_.ExitCode = code;
    return false;
  }

  // The HID layer's programmer that --device names, or the first.
  THidDevice* ChosenListed() {
    for (THidDevice* d : Listed_)
      if (Options_.Device.empty() || d->DevicePath() == Options_.Device || d->SerialNumber() == Options_.Device ||
          d->BusPath() == Options_.Device)
        return d;
    return nullptr;
  }

  bool NoneFound() {
    if (!Options_.Device.empty() && !Listed_.empty())
      return Broken(TLink::UsbDevice, 4, Fmt("DocUsbNoMatch", {Options_.Device}), Msg("DocUsbNoMatchAdvice"));
    return Broken(TLink::UsbDevice, 4, Fmt("DocUsbMissing", {kDeviceId}), Msg("DocUsbMissingAdvice"));
  }

  // Bus, node, access and holder from the system's own facts.
  bool SystemLinks() {
    const std::vector<TUsbDeviceFacts> usb = Probe_->UsbDevices(ProgrammerVendorId, ProgrammerProductId);
    const TUsbDeviceFacts* device = nullptr;
    for (const auto& d : usb) {
      const bool named = Options_.Device.empty() || d.BusPath == Options_.Device ||
                         (!d.SerialNumber.empty() && d.SerialNumber == Options_.Device) ||
                         std::find(d.HidNodes.begin(), d.HidNodes.end(), Options_.Device) != d.HidNodes.end();
      if (named) {
        device = &d;
        break;
      }
    }
    if (!device) {
      if (usb.empty() && ChosenListed()) return HidLayerLinks();  // the system shows no USB device, the HID layer one
      if (!usb.empty() && !Options_.Device.empty())
        return Broken(TLink::UsbDevice, 4, Fmt("DocUsbNoMatch", {Options_.Device}), Msg("DocUsbNoMatchAdvice"));
      return NoneFound();
    }
    Ok(TLink::UsbDevice,
       Fmt("DocUsbFound", {device->BusPath, device->SerialNumber.empty() ? "-" : device->SerialNumber}));
    if (device->HidNodes.empty())
      return Broken(TLink::HidNode, 4,
                    Fmt("DocNodeMissing", {device->Interfaces.empty() ? "-" : Join(device->Interfaces, ", ")}),
                    Msg("DocNodeMissingAdvice"));
    R_.Node = device->HidNodes.front();
    const TNodeFacts node = Probe_->Node(R_.Node);
    if (!node.Exists) return Broken(TLink::HidNode, 4, Fmt("DocNodeNotInDev", {R_.Node}), Msg("DocNodeNotInDevAdvice"));
    Ok(TLink::HidNode, Fmt("DocNodeFound", {R_.Node}));

    const TUserFacts user = Probe_->User();
    const std::string who = "uid " + std::to_string(user.Uid) + (user.Name.empty() ? "" : " " + user.Name) +
                            (user.Groups.empty() ? "" : ", " + Fmt("DocGroups", {Join(user.Groups, " ")}));
    const std::string modes = Fmt("DocNodeModes", {node.Owner, node.Group, Octal(node.Mode),
                                                   node.Acl.empty() ? Msg("DocNoAcl") : Join(node.Acl, " ")});
    if (!node.MayReadWrite)
      return Broken(TLink::Access, 5, Fmt("DocAccessDenied", {who, R_.Node, modes}), AccessAdvice(user));
    Ok(TLink::Access, Fmt("DocAccessOk", {who, R_.Node, modes}));
    if (const auto holder = Probe_->LockHolder(R_.Node))
      return Broken(
          TLink::Holder, 6,
          Fmt("DocHolderFound", {holder->Program.empty() ? "?" : holder->Program, std::to_string(holder->Pid)}),
          Msg("DocHolderAdvice"));
    return true;
  }

  // What gives this user access: the shipped rule where it is missing, a group rule for users
  // that the desktop rule does not serve.
  std::string AccessAdvice(const TUserFacts& user) {
    const std::vector<TUdevRuleFacts> rules = Probe_->UdevRules(ProgrammerVendorId, ProgrammerProductId);
    const std::string name = user.Name.empty() ? "USER" : user.Name;
    if (rules.empty()) return Fmt("DocRuleMissing", {Join(Probe_->UdevRuleFolders(), ", "), name});
    const bool groupRule = std::any_of(rules.begin(), rules.end(), [](const auto& r) { return r.Group; });
    if (user.Remote && !groupRule) return Fmt("DocRuleRemote", {rules.front().File, name});
    return Fmt("DocRuleNotApplied", {rules.front().File, name});
  }

  // The node that the system's facts found must be the HID layer's too.
  bool ListedDevice() {
    for (THidDevice* d : Listed_)
      if (d->DevicePath() == R_.Node) {
        Device_ = d;
        return true;
      }
    return Broken(TLink::HidNode, 4, Fmt("DocNodeNotListed", {R_.Node}), Msg("DocNodeNotListedAdvice"));
  }

  // Without the system's facts (the simulated programmer, other platforms): the HID layer's list.
  bool HidLayerLinks() {
    Device_ = ChosenListed();
    if (!Device_) return NoneFound();
    R_.Node = Device_->DevicePath();
    Ok(TLink::UsbDevice, Fmt("DocUsbHidLayer", {R_.Node}));
    Ok(TLink::HidNode, Fmt("DocNodeFound", {R_.Node}));
    if (Controller_.Platform().AccessDenied(R_.Node))
      return Broken(TLink::Access, 5, Fmt("DocAccessDeniedPlain", {R_.Node}), Msg("ProgNoAccessAdvice"));
    Ok(TLink::Access, Fmt("DocAccessOkPlain", {R_.Node}));
    return true;
  }

  // Holder (as the lock itself tells), version and round trips, through the programmer.
  void ProgrammerLinks() {
    TProgrammer own(Controller_);
    TProgrammer* p = &Programmer_;
    if (Programmer_.HeldDevice != Device_) {
      // A programmer that holds another device keeps it: the check claims this one for itself.
      if (Programmer_.HeldDevice) p = &own;
      if (!Controller_.Claim(p->HeldDevice, *Device_)) {
        Broken(TLink::Holder, 6, Msg("DocHolderUnknown"), Msg("DocHolderAdvice"));
        return;
      }
    }
    TProgrammerUse use(*p);
    if (!use) {
      if (p->LastStatus == TExchangeStatus::NoAccess)
        Broken(TLink::Access, 5, Fmt("DocAccessDeniedPlain", {R_.Node}), Msg("ProgNoAccessAdvice"));
      else if (p->LastStatus == TExchangeStatus::Busy)
        Broken(TLink::Holder, 6, Msg("DocHolderUnknown"), Msg("DocHolderAdvice"));
      else
        Broken(TLink::Version, 4, Fmt("DocVersionFailed", {p->LinkMessage(Ui_)}), Msg("DocVersionAdvice"));
      return;
    }
    Ok(TLink::Holder, Msg("DocHolderNone"));
    if (!GetVersionInfo(*p, Ui_, false)) {
      Broken(TLink::Version, 4, Fmt("DocVersionFailed", {p->LinkMessage(Ui_)}), Msg("DocVersionAdvice"));
      return;
    }
    R_.Firmware = std::to_string(p->Major) + "." + std::to_string(p->Minor);
    Ok(TLink::Version, Fmt("DocVersionOk", {R_.Firmware}));

    std::vector<double> times;
    while (R_.Queries < Options_.Queries && R_.Errors < Options_.MaxErrors) {
      Ui_.SetProgress((R_.Queries + 1) * 100 / std::max(1, Options_.Queries));
      const auto start = std::chrono::steady_clock::now();
      const bool answered = GetVersionInfo(*p, Ui_, false);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      ++R_.Queries;
      if (answered)
        times.push_back(ms);
      else
        ++R_.Errors;
    }
    Ui_.SetProgress(0);
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
      const size_t n = times.size();
      R_.MedianMs = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
      R_.WorstMs = times.back();
    }
    const std::string queries = std::to_string(R_.Queries), errors = std::to_string(R_.Errors);
    if (R_.Errors > 0) {
      Broken(TLink::RoundTrips, 4,
             Fmt("DocTripsFailed", {errors, queries, Milliseconds(R_.MedianMs), Milliseconds(R_.WorstMs)}),
             Msg("DocTripsAdvice"));
      return;
    }
    Ok(TLink::RoundTrips, Fmt("DocTrips", {queries, Milliseconds(R_.MedianMs), Milliseconds(R_.WorstMs)}));
  }

  TUsbProbe* Probe_;
  THidDeviceController& Controller_;
  TProgrammer& Programmer_;
  TUserInterface& Ui_;
  const TConnectionCheckOptions& Options_;
  std::vector<THidDevice*> Listed_;  // the programmers the HID layer lists
  THidDevice* Device_ = nullptr;     // the one checked
  TConnectionReport R_;
};

}  // namespace

const char* LinkName(TLink link) {
  switch (link) {
    case TLink::UsbDevice: return "usb";
    case TLink::HidNode: return "node";
    case TLink::Access: return "access";
    case TLink::Holder: return "holder";
    case TLink::Version: return "version";
    case TLink::RoundTrips: return "round-trips";
  }
  return "";
}

TConnectionReport CheckConnection(TUsbProbe* probe, THidDeviceController& controller, TProgrammer& programmer,
                                  TUserInterface& ui, const TConnectionCheckOptions& options) {
  return TCheck(probe, controller, programmer, ui, options).Run();
}

std::string ConnectionReportText(const TConnectionReport& report, TUserInterface& ui) {
  std::string out = FormatText(ui.MessageText("DocTitle"), {kDeviceId}) + "\n";
  for (const auto& link : report.Links) {
    out += "[" + ui.MessageText(link.Ok ? "DocOk" : "DocFailed") + "] " + link.Text + "\n";
    if (!link.Advice.empty()) out += "    " + FormatText(ui.MessageText("DocWhatToDo"), {link.Advice}) + "\n";
  }
  if (report.AllWell()) out += ui.MessageText("DocAllWell") + "\n";
  return out;
}
