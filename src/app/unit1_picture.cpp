#include "app/unit1.h"

void Tf::pb1Click() {}

