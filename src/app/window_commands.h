// The main window's commands as one table: per command the object names of its menu item and
// toolbar button (the keys the language files address them by), its English caption and hint,
// shortcut, toolbar picture and handler. The menus, the toolbar, the shortcuts and the enabling
// during an operation are built by loops over it.
#pragma once

#include <span>

class TMainWindow;

// The menus of the menu bar, in their order.
enum class TMenuId { File, Edit, View, Programmer, Options, Language, Help };
inline constexpr int kMenuCount = 7;

struct TWindowMenu {
  TMenuId Id;
  const char* ObjectName;
  const char* Caption;  // English, with its mnemonic
};

// Commands of the window; None for the rows that are no command (separators).
enum class TCommandId {
  None,
  Open,
  Save,
  SaveAs,
  CompareWithFile,
  RestoreContents,
  RecentFiles,
  Exit,
  Undo,
  Redo,
  Copy,
  CopyAsText,
  Paste,
  SelectAll,
  Fill,
  SwapBytes,
  Find,
  FindNext,
  FindPrevious,
  GoTo,
  ShowPicture,
  ShowDifferences,
  AsciiText,
  WriteChip,
  ReadChip,
  VerifyChip,
  BlankCheck,
  EraseChip,
  DetectSize,
  FirmwareVersion,
  SelectChip,
  ClearBuffer,
  AskBeforeWriting,
  ReadTwice,
  KeepContents,
  UpdateFirmware,
  SupportedChips,
  CheckConnection,
  About,
  StopOperation,
};
inline constexpr int kCommandCount = static_cast<int>(TCommandId::StopOperation) + 1;

enum class TCommandKind {
  Item,       // a menu item, with a toolbar button when it names one
  Check,      // a menu item that is on or off (on at start; the settings may turn it off)
  Separator,  // a line in the menu
  Submenu,    // a menu inside the menu, filled by the window
  Button,     // a toolbar button alone, hidden until the window shows it
};

struct TWindowCommand {
  TCommandKind Kind;
  TCommandId Id;
  TMenuId Menu;
  const char* ActionName;  // object name of the menu item
  const char* Caption;     // English, with its mnemonic
  const char* Shortcut;    // portable text, alternatives separated by ";"; empty for none
  void (TMainWindow::*Handler)();
  const char* ButtonName = nullptr;  // object name of the toolbar button; none when null
  const char* Hint = nullptr;        // English tool tip of the button
  int Picture = -1;                  // the button's toolbar picture (ToolbarPicture)
  int ButtonLeft = 0;                // the button's place in the toolbar, in pixels from the left
};

// The menus in menu-bar order, and the commands in menu order.
std::span<const TWindowMenu> WindowMenus();
std::span<const TWindowCommand> WindowCommands();
