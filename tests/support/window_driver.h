// Finds the controls of a window by the object names the language files address them by
// (Button(window, "sSpeedButton5"), Action(window, "ReadChip1")), so that the GUI tests drive the
// window as a user and a language file see it. A name that is missing, or names more than one
// object of the asked type, stops the test at once with the name in the message.
#pragma once

#include <QAction>
#include <QByteArray>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QProgressBar>
#include <QToolButton>
#include <QtGlobal>

#include "app/hex_grid.h"
#include "app/picture.h"
#include "app/status_bar.h"

// The one object of type T named name below root (at any depth).
template <class T>
T* Named(const QObject& root, const char* name) {
  const QList<T*> found = root.findChildren<T*>(QString::fromLatin1(name));
  if (found.size() != 1)
    qFatal("%s '%s' below '%s': %s", T::staticMetaObject.className(), name, qPrintable(root.objectName()),
           found.isEmpty() ? "not found" : "more than one");
  return found.first();
}

inline QToolButton* Button(const QObject& window, const char* name) { return Named<QToolButton>(window, name); }
inline QAction* Action(const QObject& window, const char* name) { return Named<QAction>(window, name); }
inline QMenu* Menu(const QObject& window, const char* name) { return Named<QMenu>(window, name); }
inline QMenuBar* MenuBar(const QObject& window) { return Named<QMenuBar>(window, "MainMenu1"); }
inline THexGrid* Grid(const QObject& window) { return Named<THexGrid>(window, "DrawGrid1"); }
inline TProgrammerPicture* Picture(const QObject& window) { return Named<TProgrammerPicture>(window, "pb1"); }
inline QProgressBar* ProgressBar(const QObject& window) { return Named<QProgressBar>(window, "sProgressBar1"); }
inline TStatusBar* StatusBar(const QObject& window) { return Named<TStatusBar>(window, "sb1"); }
