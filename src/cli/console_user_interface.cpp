#include "cli/console_user_interface.h"

#include <poll.h>
#include <unistd.h>
#include <cstdio>
#include <iostream>
#include <string>

#include <cerrno>

#include "cli/progress_board.h"
#include "cli/stop_signals.h"

TConsoleUserInterface::TConsoleUserInterface()
    : Progress_(std::make_unique<TProgressBoard>(1, !Quiet && TProgressBoard::Terminal())) {}

TConsoleUserInterface::~TConsoleUserInterface() = default;

void VerboseLine(const std::string& text) {
  if (TConsoleUserInterface::Verbose) std::cerr << "tesmaro-cli: " << text << std::endl;
}

namespace {

// Messages of the command's outcome: standard output, or standard error while it carries JSON.
std::ostream& MessageStream() { return TConsoleUserInterface::Json ? std::cerr : std::cout; }

}  // namespace

std::string TConsoleUserInterface::PlainLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '\r') {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

void TConsoleUserInterface::ShowMessage(const std::string& text) {
  if (!Quiet) MessageStream() << PlainLines(text) << std::endl;
}

void TConsoleUserInterface::ShowInformation(const std::string& text) {
  if (!Quiet) MessageStream() << PlainLines(text) << std::endl;
}

void TConsoleUserInterface::ShowError(const std::string& text) {
  std::cerr << "tesmaro-cli: " << PlainLines(text) << std::endl;
}

void TConsoleUserInterface::ShowNotice(const std::string& text) {
  ++Notices;
  NoticeTexts.push_back(text);
  std::cerr << "tesmaro-cli: warning: " << PlainLines(text) << std::endl;
}

TAnswer TConsoleUserInterface::AskWarning(const std::string& text) {
  if (AssumeYes && Quiet) return TAnswer::Yes;
  MessageStream() << PlainLines(text) << std::endl;
  if (AssumeYes) return TAnswer::Yes;
  if (!isatty(STDIN_FILENO)) return TAnswer::No;
  std::cout << "[y]es / [n]o / [c]ancel? " << std::flush;
  std::string answer;
  if (!ReadAnswer(answer) || answer.empty()) return TAnswer::No;
  char c = answer[0];
  if (c == 'y' || c == 'Y') return TAnswer::Yes;
  if (c == 'c' || c == 'C') return TAnswer::Cancel;
  return TAnswer::No;
}

TAnswer TConsoleUserInterface::AskYesNo(const std::string& text, TAnswer) {
  // Without --yes and without a terminal to answer on, the answer is No.
  if (AssumeYes && Quiet) return TAnswer::Yes;
  MessageStream() << PlainLines(text) << std::endl;
  if (AssumeYes) return TAnswer::Yes;
  if (!isatty(STDIN_FILENO)) return TAnswer::No;
  std::cout << "[y]es / [n]o? " << std::flush;
  std::string answer;
  if (!ReadAnswer(answer) || answer.empty()) return TAnswer::No;
  return answer[0] == 'y' || answer[0] == 'Y' ? TAnswer::Yes : TAnswer::No;
}

// The CLI keeps no buffer between runs: nothing to save.
TAnswer TConsoleUserInterface::AskSaveChanges(const std::string&) { return TAnswer::No; }

std::string TConsoleUserInterface::MessageText(const std::string& key) {
  std::string t = BuiltInMessageText(key);
  return t.empty() ? std::string(kMessageNotFound) : t;
}

void TConsoleUserInterface::SetProgress(int position) {
  Progress_->SetLine(0, "", ProgressBytes);
  Progress_->Update(0, position);
}

void TConsoleUserInterface::SetPhase(TProgressPhase phase) {
  Progress_->SetPhase(0, MessageText(PhaseMessageKey(phase)));
}

bool TConsoleUserInterface::StopRequested() { return TStopOnSignals::Requested(); }

bool TConsoleUserInterface::ReadAnswer(std::string& line) { return ReadLineUnlessStopped(line); }

// Reads standard input itself, a byte at a time, so that nothing waits in a buffer that poll can't
// see, and looks for the stop between short waits: Ctrl-C at a question or at the batch's prompt
// ends the wait at once.
bool ReadLineUnlessStopped(std::string& line) {
  line.clear();
  while (!TStopOnSignals::Requested()) {
    pollfd in = {STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&in, 1, 100);
    if (ready < 0 && errno != EINTR) return !line.empty();
    if (ready <= 0) continue;
    char c;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line.empty();
    if (c == '\n') return true;
    line += c;
  }
  return false;
}
