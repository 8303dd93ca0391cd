#include "app/unit1.h"

void Tf::Firmwareupdate1Click() {}

