#include "app/unit1.h"

void Tf::ToolButton1Click() {}

void Tf::ToolButton2Click() {}

