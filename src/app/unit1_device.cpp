#include "app/unit1.h"

void Tf::Getversioninfo1Click() {}

