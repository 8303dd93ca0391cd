// The page's entry points into the core: the programmer over WebHID, the catalogue, the image,
// and read, write and verify as the window and the CLI run them. Messages, questions, progress
// and Stop go to the page's script (web/page.js) through Module.ui. The chip commands wait for
// the browser through Asyncify: the page calls them with ccall(..., {async: true}).
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/chip.h"
#include "common/error.h"
#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "hid/webhid_platform.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file.h"
#include "programmer/blank_erase.h"
#include "programmer/checked_read.h"
#include "programmer/chip_operations.h"
#include "programmer/programmer.h"
#include "programmer/version_query.h"

// clang-format off
EM_JS(void, PageShow, (const char* kind, const char* text), {
  Module.ui.show(UTF8ToString(kind), UTF8ToString(text));
});
EM_JS(int, PageAsk, (const char* kind, const char* text, int defaultYes), {
  return Module.ui.ask(UTF8ToString(kind), UTF8ToString(text), defaultYes !== 0) ? 1 : 0;
});
EM_JS(void, PageProgress, (int position), { Module.ui.progress(position); });
EM_JS(int, PageStopRequested, (), { return Module.ui.stopRequested() ? 1 : 0; });
// clang-format on

namespace {

// The user interface of the page: boxes and notices become the page's message bar, questions
// its confirmation dialog; texts are the built-in English ones.
class TPageUserInterface : public TUserInterface {
 public:
  void ShowMessage(const std::string& text) override { PageShow("message", text.c_str()); }
  void ShowInformation(const std::string& text) override { PageShow("information", text.c_str()); }
  void ShowError(const std::string& text) override { PageShow("error", text.c_str()); }
  void ShowNotice(const std::string& text) override { PageShow("notice", text.c_str()); }
  TAnswer AskWarning(const std::string& text) override {
    return PageAsk("warning", text.c_str(), 0) ? TAnswer::Yes : TAnswer::No;
  }
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override {
    return PageAsk("question", text.c_str(), defaultAnswer == TAnswer::Yes) ? TAnswer::Yes : TAnswer::No;
  }
  TAnswer AskSaveChanges(const std::string& text) override {
    return PageAsk("save", text.c_str(), 1) ? TAnswer::Yes : TAnswer::Cancel;
  }
  bool ExecuteOpenDialog(TFileDialog&) override { return false; }
  bool ExecuteSaveDialog(TFileDialog&) override { return false; }
  std::string MessageText(const std::string& key) override {
    std::string text = BuiltInMessageText(key);
    return text.empty() ? kMessageNotFound : text;
  }
  void SetProgress(int position) override { PageProgress(position); }
  bool StopRequested() override { return PageStopRequested() != 0; }
};

constexpr size_t kImageSize = 1u << 20;
constexpr const char* kCatalogueFile = "/tesmaro/see.ini";

struct TPage {
  TPageUserInterface Ui;
  TManualHidEventLoop Loop;
  std::unique_ptr<THidDeviceController> Controller;
  std::vector<uint8_t> Image = std::vector<uint8_t>(kImageSize, 0xFF);
  TCatalogue Catalogue{{kCatalogueFile}};
  TChip Chip;
  std::string Text;  // the last text handed to the page
  TWrittenRange Written;
  TImageExtent Loaded;     // where the data of the file opened last lay
  std::string Saved;       // the text of the last save
  TProgrammer Programmer;  // declared last: gives the programmer back before the controller goes
};

TPage& Page() {
  static TPage* page = [] {
    auto* p = new TPage;
    p->Controller = std::make_unique<THidDeviceController>(CreateWebHidPlatform(), p->Loop);
    p->Programmer.Attach(*p->Controller);
    p->Controller->OnDeviceChange = [p](THidDeviceController&) { p->Programmer.DeviceChange(p->Ui); };
    return p;
  }();
  return *page;
}

// Runs a command; an escaping error becomes an error message, as the window's error box shows it.
template <class F>
int Run(F&& command, int failed) {
  try {
    return command();
  } catch (const std::exception& e) {
    Page().Ui.ShowError(e.what());
    return failed;
  }
}

}  // namespace

extern "C" {

// Takes the device changes that happened (a programmer granted, plugged in or gone): claims the
// first programmer and asks its firmware version. 1 when a programmer is held.
EMSCRIPTEN_KEEPALIVE int tw_poll_devices() {
  TPage& p = Page();
  return Run(
      [&] {
        p.Loop.PollOnce();
        p.Controller->DeviceChange();
        return p.Programmer.HeldDevice ? 1 : 0;
      },
      0);
}

// "Mervo v.1.7" of the held programmer, or "" without one.
EMSCRIPTEN_KEEPALIVE const char* tw_version() {
  TPage& p = Page();
  p.Text = p.Programmer.HeldDevice ? VersionPanelText(p.Programmer) : "";
  return p.Text.c_str();
}

// The message key of the last link failure ("ProgBusy", "ProgUnplugged", ...), "" when the last
// exchange went well.
EMSCRIPTEN_KEEPALIVE const char* tw_link_status() {
  TPage& p = Page();
  p.Text = p.Programmer.LastStatus == TExchangeStatus::Ok ? "" : LinkMessageKey(p.Programmer.LastStatus);
  return p.Text.c_str();
}

// The catalogue's chips, one "family\tname" line each.
EMSCRIPTEN_KEEPALIVE const char* tw_chips() {
  TPage& p = Page();
  p.Text.clear();
  for (const std::string& family : p.Catalogue.Families()) {
    for (const std::string& key : p.Catalogue.Keys(family)) {
      if (key == "type") continue;
      p.Text += family + "\t" + key + "\n";
    }
  }
  return p.Text.c_str();
}

// Selects a chip of the catalogue by name: its size, or 0 when the catalogue has no such chip.
EMSCRIPTEN_KEEPALIVE int tw_select_chip(const char* name) {
  TPage& p = Page();
  return Run(
      [&] {
        TChip chip;
        if (!LoadChip(p.Catalogue, name, chip)) return 0;
        p.Chip = chip;
        return static_cast<int>(p.Chip.Size);
      },
      0);
}

EMSCRIPTEN_KEEPALIVE uint8_t* tw_image() { return Page().Image.data(); }
EMSCRIPTEN_KEEPALIVE int tw_image_size() { return static_cast<int>(kImageSize); }

// Reads the selected chip into the image (checked as the window checks it): a TChipRun.
EMSCRIPTEN_KEEPALIVE int tw_read() {
  TPage& p = Page();
  return Run(
      [&] {
        std::vector<uint8_t> scratch = p.Image;
        const TChipRun run = ReadChipChecked(p.Programmer, p.Chip, scratch, p.Ui);
        if (run == TChipRun::Done) p.Image = std::move(scratch);
        return static_cast<int>(run);
      },
      static_cast<int>(TChipRun::NoAnswer));
}

// Writes the image to the selected chip and reads it back: a TChipCheck. tw_written_range tells
// the bytes the write may have changed.
EMSCRIPTEN_KEEPALIVE int tw_write() {
  TPage& p = Page();
  return Run(
      [&] {
        p.Written = {};
        return static_cast<int>(WriteAndCheckChip(p.Programmer, p.Chip, p.Image, p.Ui, nullptr, {}, &p.Written));
      },
      static_cast<int>(TChipCheck::NoAnswer));
}

// "first-last" of the last write's range (hexadecimal), "all" when every page went out, "" for none.
EMSCRIPTEN_KEEPALIVE const char* tw_written_range() {
  TPage& p = Page();
  char text[40] = "";
  if (p.Written.Whole)
    snprintf(text, sizeof text, "all");
  else if (!p.Written.Empty)
    snprintf(text, sizeof text, "%llX-%llX", static_cast<unsigned long long>(p.Written.First),
             static_cast<unsigned long long>(p.Written.Last));
  p.Text = text;
  return p.Text.c_str();
}

// Compares the selected chip with the image: a TChipCheck.
EMSCRIPTEN_KEEPALIVE int tw_verify() {
  TPage& p = Page();
  return Run([&] { return static_cast<int>(VerifyChip(p.Programmer, p.Chip, p.Image, p.Ui)); },
             static_cast<int>(TChipCheck::NoAnswer));
}

// Blank check of the selected chip: the number of bytes that are not 0xFF, -1 when the chip was
// not read to the end.
EMSCRIPTEN_KEEPALIVE int tw_blank_check() {
  TPage& p = Page();
  return Run(
      [&] {
        const TBlankCheck check = BlankCheckChip(p.Programmer, p.Chip, p.Ui);
        return check.Run == TChipRun::Done ? static_cast<int>(check.NonBlank) : -1;
      },
      -1);
}

// Erases the selected chip after the question: a TChipCheck, -1 when the answer was No.
EMSCRIPTEN_KEEPALIVE int tw_erase() {
  TPage& p = Page();
  return Run(
      [&] {
        p.Written = {};
        const std::optional<TChipCheck> check = EraseChip(p.Programmer, p.Chip, p.Ui);
        return check ? static_cast<int>(*check) : -1;
      },
      static_cast<int>(TChipCheck::NoAnswer));
}

// Opens an image file handed over by the page (picker or drop): its format by name, else by
// content, as the window opens one. Data that do not fit the selected chip are refused with the
// reason and the image is left as it was. 1 when the image was replaced.
EMSCRIPTEN_KEEPALIVE int tw_open(const char* name, const uint8_t* data, int length) {
  TPage& p = Page();
  return Run(
      [&] {
        const std::string_view text(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
        const TImageFormat format = KnownImageFormatOf(name).value_or(ImageFormatOfContent(text));
        std::vector<uint8_t> scratch(kImageSize);
        const TImageExtent extent = ReadImageText(text, format, 0, scratch, name);
        if (auto problem = ImageFitProblem(name, extent, p.Chip, kImageSize)) {
          p.Ui.ShowError(TImageError(*problem).Text([&](const std::string& key) { return p.Ui.MessageText(key); }));
          return 0;
        }
        p.Image = std::move(scratch);
        p.Loaded = extent;
        return 1;
      },
      0);
}

// The file of the image for a save under name (its format by its extension, else binary): the
// selected chip's bytes with the data of the file opened last. tw_saved_size tells its length.
EMSCRIPTEN_KEEPALIVE const char* tw_save(const char* name) {
  TPage& p = Page();
  p.Saved.clear();
  Run(
      [&] {
        if (ChipUseOf(p.Chip) == TChipUse::NoChip) {
          p.Ui.ShowError(p.Ui.MessageText("NoChip"));
          return 0;
        }
        const TImageFormat format = ImageFormatOf(name);
        const TImageSpan span =
            p.Loaded.HasData()
                ? SaveSpan(format, p.Chip, static_cast<uint32_t>(p.Loaded.First),
                           static_cast<uint32_t>(std::min<uint64_t>(p.Loaded.End, kImageSize)), 0)
                : ChipSpan(format, p.Chip);
        p.Saved = ImageText(format, p.Image, span);
        return 1;
      },
      0);
  return p.Saved.data();
}
EMSCRIPTEN_KEEPALIVE int tw_saved_size() { return static_cast<int>(Page().Saved.size()); }

}  // extern "C"
