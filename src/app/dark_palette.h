// The dark colours of "--dark", for a desktop whose dark theme does not reach the program.
#pragma once

#include <QPalette>

// A dark palette for the Fusion style: light text on dark grey, a blue highlight.
QPalette DarkPalette();

// Makes the application dark: the Fusion style, which follows the palette, and DarkPalette().
void UseDarkColours();
