#include "app/unit1.h"

void Tf::sSpeedButton3Click() {}

void Tf::sSpeedButton4Click() {}

void Tf::VerifyAl1Click() {}

