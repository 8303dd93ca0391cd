// The two halves of a "name=value" entry of a string list (languages, originals, section values).
#pragma once

#include <QString>

// The text before the first "=", or the whole entry when there is none.
inline QString NameOf(const QString& entry) {
  qsizetype eq = entry.indexOf(u'=');
  return eq < 0 ? entry : entry.left(eq);
}

// The text after the first "=", or nothing when there is none.
inline QString ValueOf(const QString& entry) {
  qsizetype eq = entry.indexOf(u'=');
  return eq < 0 ? QString() : entry.mid(eq + 1);
}
