// Window texts addressed by name: the ownership of named components, keys built from component
// paths and property paths, key resolution, and reading and setting texts at property paths.
//
// Ownership follows the owner relation of the window, not Qt's visual nesting: every named object
// below a window is owned by that window, except objects below a frame, which the frame owns.
// Objects below another window (a dialog or main window, or a class marked as window) belong to
// that window. Unnamed objects and Qt's internal objects ("qt_" names) have no key.
//
// Property names: "Caption" is the window title of a window, the title of a group box or menu and
// the text of an action, button or label; "Hint" is the tool tip; other names are Qt property
// names (static or dynamic, matched without regard to case). QStringList properties are string
// lists, QAbstractItemModel-valued properties are node lists (tree or list item texts, depth
// first) and QObjectList-valued properties are collections; all three read and set as comma text.
// "Items" of an item view (tree or list widget) or combo box is the node list of its item model.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

// Class info that marks a class as a frame (a reusable sub-form owning its components) or as a
// window: Q_CLASSINFO("LocalizerRole", "Frame") or Q_CLASSINFO("LocalizerRole", "Window").
inline const char* const kLocalizerRoleInfo = "LocalizerRole";

bool IsFrame(const QObject* object);
// A window of its own: a dialog, a main window, or a class marked as window.
bool IsWindow(const QObject* object);
// The name that keys use: empty for unnamed objects and Qt's internal ones.
QString ComponentName(const QObject* object);

// The components an owner (a window or frame) owns, in creation order; with unnamed ones when asked.
QObjectList OwnedComponents(const QObject* owner, bool includeUnnamed = false);
// The owned component of that name (any case), or null.
QObject* FindOwnedComponent(const QObject* owner, const QString& name);

// The window's name for the window; otherwise the names of the frames between the window and the
// component and the component's own name, joined by "."; empty when one of them has no name.
QString ComponentPath(const QObject* component, const QObject* window);
// Empty for a blank property path; the property path for the window; else path "." property path.
QString ComponentKey(const QObject* component, const QObject* window, const QString& propertyPath);

struct TResolvedKey {
  QObject* Object = nullptr;
  QString PropertyPath;
};
// Descends from the window through owned components named by the key's parts; the rest is the
// property path, which must be among the allowed ones. Nothing when a part is excluded.
std::optional<TResolvedKey> ResolveKey(QObject* window, const QString& key, const QStringList& excluded,
                                       const QStringList& allowedPropertyPaths);

// The text at a property path; empty when the first name is not a property or has no key.
QString GetPropertyText(QObject* object, const QObject* window, const QString& propertyPath);
// Sets the text at a property path. Without replaceEmpty, a value that is empty stays empty.
void SetPropertyText(QObject* object, const QString& propertyPath, const QString& text, bool replaceEmpty);

// The object held by an object-valued property, or null.
QObject* ObjectProperty(QObject* object, const QString& name);

// The comma-separated form of a string list (items with blanks, commas, quotes or control
// characters quoted) and back.
QString CommaText(const QStringList& items);
QStringList FromCommaText(const QString& text);
