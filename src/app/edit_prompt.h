// The small modal dialog of the Edit menu's Go to, Find and Fill: one line of text and, for
// Find, a check box; its texts come from the caller in the active language.
#pragma once

#include <QString>

class QWidget;

struct TEditPromptTexts {
  QString Caption;
  QString Label;
  QString Option;  // the check box's text; no check box when empty
  QString Ok;
  QString Cancel;
};

// True when the user pressed OK; text and option then hold what was entered.
bool ExecuteEditPrompt(QWidget* parent, const TEditPromptTexts& texts, QString& text, bool& option);
