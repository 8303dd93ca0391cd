#include "app/window_commands.h"

#include "app/main_window.h"

namespace {

using K = TCommandKind;
using C = TCommandId;
using M = TMenuId;
using W = TMainWindow;

// clang-format off
constexpr TWindowMenu kMenus[] = {
    {M::File,       "File1",     "&File"},
    {M::Edit,       "Edit1",     "&Edit"},
    {M::View,       "View1",     "&View"},
    {M::Programmer, "Program1",  "&Programmer"},
    {M::Options,    "Options1",  "&Options"},
    {M::Language,   "Language1", "&Language"},
    {M::Help,       "Help1",     "&Help"},
};

// The usual shortcuts; the chip commands take chords that no editing key uses, and writing,
// which overwrites the chip, one that is hard to press by accident.
const TWindowCommand kCommands[] = {
    {K::Item,      C::Open,             M::File,       "Open1",             "&Open",                     "Ctrl+O",              &W::Open,               "sSpeedButton1", "Load File",           0, 8},
    {K::Item,      C::Save,             M::File,       "Save1",             "&Save",                     "Ctrl+S",              &W::Save},
    {K::Item,      C::SaveAs,           M::File,       "SaveAs1",           "Save &As...",               "Ctrl+Shift+S",        &W::SaveAs,             "sSpeedButton2", "Save file as...",     1, 72},
    {K::Item,      C::CompareWithFile,  M::File,       "Compare1",          "&Compare with file...",     "",                    &W::CompareWithFile},
    {K::Item,      C::RestoreContents,  M::File,       "RestoreContents1",  "Res&tore chip contents\u2026", "",                  &W::RestoreChipContents},
    {K::Submenu,   C::RecentFiles,      M::File,       "RecentFiles1",      "&Recent files",             "",                    nullptr},
    {K::Separator, C::None,             M::File,       "N1",                "",                          "",                    nullptr},
    {K::Item,      C::Exit,             M::File,       "Exit1",             "E&xit",                     "Ctrl+Q",              &W::Exit},

    {K::Item,      C::Undo,             M::Edit,       "Undo1",             "&Undo",                     "Ctrl+Z",              &W::Undo},
    {K::Item,      C::Redo,             M::Edit,       "Redo1",             "&Redo",                     "Ctrl+Y;Ctrl+Shift+Z", &W::Redo},
    {K::Separator, C::None,             M::Edit,       "EditN1",            "",                          "",                    nullptr},
    {K::Item,      C::Copy,             M::Edit,       "Copy1",             "&Copy",                     "Ctrl+C",              &W::Copy},
    {K::Item,      C::CopyAsText,       M::Edit,       "CopyText1",         "Copy as &text",             "Ctrl+Shift+C",        &W::CopyAsText},
    {K::Item,      C::Paste,            M::Edit,       "Paste1",            "&Paste",                    "Ctrl+V",              &W::Paste},
    {K::Item,      C::SelectAll,        M::Edit,       "SelectAll1",        "Select &all",               "Ctrl+A",              &W::SelectAll},
    {K::Separator, C::None,             M::Edit,       "EditN2",            "",                          "",                    nullptr},
    {K::Item,      C::Fill,             M::Edit,       "Fill1",             "&Fill selection...",        "",                    &W::Fill},
    {K::Item,      C::SwapBytes,        M::Edit,       "SwapBytes1",        "&Swap bytes in pairs",      "",                    &W::SwapBytes},
    {K::Separator, C::None,             M::Edit,       "EditN3",            "",                          "",                    nullptr},
    {K::Item,      C::Find,             M::Edit,       "Find1",             "F&ind...",                  "Ctrl+F",              &W::Find},
    {K::Item,      C::FindNext,         M::Edit,       "FindNext1",         "Find &next",                "F3",                  &W::FindNext},
    {K::Item,      C::FindPrevious,     M::Edit,       "FindPrevious1",     "Find pre&vious",            "Shift+F3",            &W::FindPrevious},
    {K::Item,      C::GoTo,             M::Edit,       "GoTo1",             "&Go to address...",         "Ctrl+G",              &W::GoTo},

    {K::Check,     C::ShowPicture,      M::View,       "ProgrammerPicture1", "Programmer &picture",      "",                    &W::ShowProgrammerPicture},
    {K::Item,      C::ShowDifferences,  M::View,       "Differences1",      "&Differences",              "Ctrl+D",              &W::ShowDifferences},
    {K::Check,     C::AsciiText,        M::View,       "AsciiText1",        "&ASCII characters",         "",                    &W::ShowAsciiText},

    {K::Item,      C::WriteChip,        M::Programmer, "Program2",          "&Program all",              "Ctrl+Shift+W",        &W::WriteChip,          "sSpeedButton4", "Write chip",          3, 220},
    {K::Item,      C::ReadChip,         M::Programmer, "ReadChip1",         "&Read all",                 "Ctrl+R",              &W::ReadChip,           "sSpeedButton3", "Read chip",           2, 156},
    {K::Item,      C::VerifyChip,       M::Programmer, "VerifyAl1",         "&Verify all",               "Ctrl+E",              &W::VerifyChip,         "sSpeedButton5", "Verify All",          4, 284},
    {K::Item,      C::BlankCheck,       M::Programmer, "BlankCheck1",       "&Blank check",              "",                    &W::BlankCheck},
    {K::Item,      C::EraseChip,        M::Programmer, "Erase1",            "&Erase",                    "",                    &W::EraseChip},
    {K::Item,      C::DetectSize,       M::Programmer, "DetectSize1",       "&Detect size",              "",                    &W::DetectSize},
    {K::Separator, C::None,             M::Programmer, "N2",                "",                          "",                    nullptr},
    {K::Item,      C::FirmwareVersion,  M::Programmer, "Getversioninfo1",   "Firmware version &info",    "",                    &W::ShowFirmwareVersion},

    {K::Item,      C::SelectChip,       M::Options,    "ChipSelect1",       "&Chip Select",              "Ctrl+K",              &W::SelectChip,         "sSpeedButton6", "Select chip type",    5, 428},
    {K::Separator, C::None,             M::Options,    "N3",                "",                          "",                    nullptr},
    {K::Item,      C::ClearBuffer,      M::Options,    "Clearmemory1",      "C&lear memory buffer",      "",                    &W::ClearBuffer,        "sSpeedButton8", "Clear memory buffer", 7, 348},
    {K::Check,     C::AskBeforeWriting, M::Options,    "AskBeforeWriting1", "Ask before &writing a chip", "",                   &W::RememberAskBeforeWriting},
    {K::Check,     C::ReadTwice,        M::Options,    "ReadTwice1",        "Read &twice and compare",   "",                    &W::RememberChecks},
    {K::Check,     C::KeepContents,     M::Options,    "KeepContents1",     "&Keep the chip's contents before writing", "",     &W::RememberChecks},
    {K::Separator, C::None,             M::Options,    "N4",                "",                          "",                    nullptr},
    {K::Item,      C::UpdateFirmware,   M::Options,    "Firmwareupdate1",   "&Firmware update",          "",                    &W::UpdateFirmware},

    {K::Item,      C::SupportedChips,   M::Help,       "SupportedChips1",   "&Supported Chips",          "",                    &W::ShowSupportedChips, "sSpeedButton7", "Supported chips",     6, 572},
    {K::Item,      C::CheckConnection,  M::Help,       "CheckConnection1",  "&Check connection",         "",                    &W::CheckConnection},
    {K::Item,      C::About,            M::Help,       "About1",            "&About",                    "",                    &W::About},

    // Shows while an operation runs, in the toolbar's gap that no other command uses.
    {K::Button,    C::StopOperation,    M::File,       nullptr,             "Stop",                      "",                    &W::StopOperation,      "sSpeedButton9", "Stop the operation (Esc)", -1, 500},
};
// clang-format on

}  // namespace

std::span<const TWindowMenu> WindowMenus() { return kMenus; }
std::span<const TWindowCommand> WindowCommands() { return kCommands; }
