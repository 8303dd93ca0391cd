// The plain message box (OK only) of the program; a text too tall for the screen scrolls in it.
#pragma once

#include <QString>

class QWidget;

// Shows text modally with an OK button and no icon. Texts that fit take a standard message box;
// taller ones a box of at most two thirds of the screen's height whose text scrolls.
void ShowPlainMessageBox(QWidget* parent, const QString& title, const QString& text);
