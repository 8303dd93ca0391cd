#include "app/unit1.h"

void Tf::ChipSelect1Click() {}

void Tf::SupportedChips1Click() {}

