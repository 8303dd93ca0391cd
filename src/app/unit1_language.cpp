#include "app/unit1.h"

void Tf::Language1Click(QAction*) {}
