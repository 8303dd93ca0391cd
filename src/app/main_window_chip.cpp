// The chip commands of the toolbar and the Programmer menu: Read chip, Write chip with its
// read-back check, and Verify, on the held programmer with the progress on sProgressBar1.
#include "app/long_operation.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "programmer/chip_operations.h"

void Tf::sSpeedButton3Click() {
  TChipRun run;
  {
    TLongOperation op(*this);
    if (!op.Started()) return;
    run = ReadChipTo(Programmer, CurrentChip, MemoryBuffer, op);
  }
  if (run != TChipRun::Refused && run != TChipRun::NoProgrammer) UpdateView();
}

void Tf::sSpeedButton4Click() {
  if (!ConfirmWriteChip()) return;
  TChipCheck check;
  {
    TLongOperation op(*this);
    if (!op.Started()) return;
    check = WriteAndCheckChip(Programmer, CurrentChip, MemoryBuffer, op);
  }
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}

void Tf::VerifyAl1Click() {
  TChipCheck check;
  {
    TLongOperation op(*this);
    if (!op.Started()) return;
    check = VerifyChip(Programmer, CurrentChip, MemoryBuffer, op);
  }
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}
