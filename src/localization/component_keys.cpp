#include "localization/component_keys.h"

#include <QAbstractItemModel>
#include <QMetaProperty>
#include <QVariant>

namespace {

const char* Role(const QObject* object) {
  const QMetaObject* mo = object->metaObject();
  int i = mo->indexOfClassInfo(kLocalizerRoleInfo);
  return i < 0 ? "" : mo->classInfo(i).value();
}

void CollectOwned(const QObject* owner, bool includeUnnamed, QObjectList& out) {
  for (QObject* child : owner->children()) {
    if (!child || IsWindow(child)) continue;  // null while the owner is being destroyed
    if (includeUnnamed || !ComponentName(child).isEmpty()) out << child;
    if (!IsFrame(child)) CollectOwned(child, includeUnnamed, out);
  }
}

// ------------------------------------------------------------------ properties by name

// The text an action shows as tool tip when none was set: its text (or icon text) without
// "&" markers and "...".
QString StrippedText(QString s) {
  s.remove(QStringLiteral("..."));
  s.remove(u'&');
  return s.trimmed();
}

bool IsAutomaticToolTip(const QObject* action, const QString& toolTip) {
  const QString text = action->property("text").toString();
  return toolTip == StrippedText(text.isEmpty() ? action->property("iconText").toString() : text);
}

enum class TKind { None, String, StringList, Collection, NodeList, Object, Other };

// One property of one object, static (meta-object) or dynamic.
struct TProperty {
  QObject* Object = nullptr;
  int MetaIndex = -1;
  QByteArray DynamicName;
  QObject* Items = nullptr;  // the item model of an item view or combo box, as "Items"

  explicit operator bool() const { return Object != nullptr; }
  QVariant Read() const {
    if (Items) return QVariant::fromValue(Items);
    if (MetaIndex < 0) return Object->property(DynamicName);
    const QMetaProperty p = Object->metaObject()->property(MetaIndex);
    QVariant v = p.read(Object);
    // An action without a tool tip of its own reports its text as one: that is no hint.
    if (qstrcmp(p.name(), "toolTip") == 0 && Object->inherits("QAction") && IsAutomaticToolTip(Object, v.toString()))
      return QString();
    return v;
  }
  void Write(const QVariant& v) const {
    if (Items) return;
    if (MetaIndex >= 0)
      Object->metaObject()->property(MetaIndex).write(Object, v);
    else
      Object->setProperty(DynamicName, v);
  }
  QMetaType Type() const {
    if (Items) return QMetaType::fromType<QObject*>();
    return MetaIndex >= 0 ? Object->metaObject()->property(MetaIndex).metaType() : Read().metaType();
  }
  TKind Kind() const {
    if (!Object) return TKind::None;
    const QMetaType t = Type();
    const int id = t.id();
    // Texts that can't be set (such as a progress bar's percentage) are not window texts.
    const bool writable = MetaIndex < 0 || Object->metaObject()->property(MetaIndex).isWritable();
    if (id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar)
      return writable ? TKind::String : TKind::Other;
    if (id == QMetaType::QStringList) return writable ? TKind::StringList : TKind::Other;
    if (t == QMetaType::fromType<QObjectList>()) return TKind::Collection;
    if (t.flags() & QMetaType::PointerToQObject) {
      QObject* value = Read().value<QObject*>();
      return value && value->inherits("QAbstractItemModel") ? TKind::NodeList : TKind::Object;
    }
    return TKind::Other;
  }
  QObject* ObjectValue() const { return Read().value<QObject*>(); }
};

TProperty FindExact(QObject* object, const QString& name) {
  const QMetaObject* mo = object->metaObject();
  for (int i = 0; i < mo->propertyCount(); ++i)
    if (name.compare(QLatin1String(mo->property(i).name()), Qt::CaseInsensitive) == 0) return {object, i, {}};
  for (const QByteArray& d : object->dynamicPropertyNames())
    if (!d.startsWith("_q_") && name.compare(QLatin1String(d), Qt::CaseInsensitive) == 0) return {object, -1, d};
  return {};
}

// The property a language file's name denotes on this object.
TProperty FindProperty(QObject* object, const QString& name) {
  if (!object || name.isEmpty()) return {};
  if (TProperty p = FindExact(object, name)) return p;
  QStringList aliases;
  if (name.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0)
    aliases = IsWindow(object) ? QStringList{"windowTitle"} : QStringList{"title", "text"};
  else if (name.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0)
    aliases = {"toolTip"};
  for (const QString& a : aliases) {
    int i = object->metaObject()->indexOfProperty(a.toLatin1().constData());
    if (i >= 0 && object->metaObject()->property(i).isWritable()) return {object, i, {}};
  }
  // Item views and combo boxes keep their item model as a child object.
  if (name.compare(QLatin1String("Items"), Qt::CaseInsensitive) == 0 &&
      (object->inherits("QAbstractItemView") || object->inherits("QComboBox"))) {
    for (QObject* child : object->children())
      if (child && child->inherits("QAbstractItemModel")) return {object, -1, {}, child};
  }
  return {};
}

QObjectList CollectionItems(const TProperty& p) { return p.Read().value<QObjectList>(); }

void NodeIndexes(const QAbstractItemModel* model, const QModelIndex& parent, QList<QModelIndex>& out) {
  for (int row = 0; row < model->rowCount(parent); ++row) {
    QModelIndex i = model->index(row, 0, parent);
    out << i;
    NodeIndexes(model, i, out);
  }
}

// Node texts of a tree or list model, depth first.
QList<QModelIndex> Nodes(QAbstractItemModel* model) {
  QList<QModelIndex> out;
  NodeIndexes(model, QModelIndex(), out);
  return out;
}

QString TextAt(QObject* object, const QStringList& names) {
  if (names.isEmpty()) return {};
  TProperty p = FindProperty(object, names[0]);
  const QStringList rest = names.mid(1);
  switch (p.Kind()) {
    case TKind::String: return rest.isEmpty() ? p.Read().toString() : QString();
    case TKind::StringList: return CommaText(p.Read().toStringList());
    case TKind::NodeList: {
      auto* model = qobject_cast<QAbstractItemModel*>(p.ObjectValue());
      QStringList texts;
      for (const QModelIndex& i : Nodes(model)) texts << model->data(i).toString();
      return CommaText(texts);
    }
    case TKind::Collection: {
      if (rest.isEmpty()) return {};
      QStringList texts;
      for (QObject* item : CollectionItems(p))
        if (item && FindProperty(item, rest[0]).Kind() == TKind::String) texts << TextAt(item, rest);
      return CommaText(texts);
    }
    case TKind::Object: return rest.isEmpty() ? QString() : TextAt(p.ObjectValue(), rest);
    default: return {};
  }
}

void SetString(const TProperty& p, const QString& text, bool replaceEmpty) {
  if (!replaceEmpty && p.Read().toString().isEmpty()) return;
  p.Write(text);
}

bool IsBlankChar(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }

}  // namespace

// ------------------------------------------------------------------ ownership and keys

bool IsFrame(const QObject* object) { return object && qstrcmp(Role(object), "Frame") == 0; }

bool IsWindow(const QObject* object) {
  return object &&
         (qstrcmp(Role(object), "Window") == 0 || object->inherits("QDialog") || object->inherits("QMainWindow"));
}

QString ComponentName(const QObject* object) {
  const QString n = object ? object->objectName() : QString();
  return n.startsWith(QLatin1String("qt_")) ? QString() : n;
}

QObjectList OwnedComponents(const QObject* owner, bool includeUnnamed) {
  QObjectList out;
  if (owner) CollectOwned(owner, includeUnnamed, out);
  return out;
}

QObject* FindOwnedComponent(const QObject* owner, const QString& name) {
  if (name.isEmpty()) return nullptr;
  for (QObject* c : OwnedComponents(owner))
    if (ComponentName(c).compare(name, Qt::CaseInsensitive) == 0) return c;
  return nullptr;
}

QString ComponentPath(const QObject* component, const QObject* window) {
  if (!component || !window) return {};
  if (component == window) return window->objectName();
  if (IsWindow(component)) return {};
  QStringList parts{ComponentName(component)};
  for (const QObject* p = component->parent(); p != window; p = p->parent()) {
    if (!p || IsWindow(p)) return {};  // not below this window
    if (IsFrame(p)) parts.prepend(ComponentName(p));
  }
  for (const QString& part : parts)
    if (part.isEmpty()) return {};
  return parts.join(u'.');
}

QString ComponentKey(const QObject* component, const QObject* window, const QString& propertyPath) {
  if (propertyPath.trimmed().isEmpty()) return {};
  if (component == window) return propertyPath;
  const QString path = ComponentPath(component, window);
  return path.isEmpty() ? QString() : path + u'.' + propertyPath;
}

std::optional<TResolvedKey> ResolveKey(QObject* window, const QString& key, const QStringList& excluded,
                                       const QStringList& allowedPropertyPaths) {
  QObject* current = window;
  QString rest = key;
  for (;;) {
    const qsizetype dot = rest.indexOf(u'.');
    const QString name = dot < 0 ? rest : rest.left(dot);
    if (excluded.contains(name, Qt::CaseInsensitive)) return std::nullopt;
    if (dot < 0) break;
    QObject* owned = (current == window || IsFrame(current)) ? FindOwnedComponent(current, name) : nullptr;
    if (!owned) break;
    current = owned;
    rest = rest.mid(dot + 1);
  }
  if (!allowedPropertyPaths.contains(rest, Qt::CaseInsensitive)) return std::nullopt;
  return TResolvedKey{current, rest};
}

// ------------------------------------------------------------------ texts at property paths

QString GetPropertyText(QObject* object, const QObject* window, const QString& propertyPath) {
  const QStringList names = propertyPath.split(u'.');
  if (!FindProperty(object, names[0]) || ComponentKey(object, window, names[0]).isEmpty()) return {};
  return TextAt(object, names);
}

void SetPropertyText(QObject* object, const QString& propertyPath, const QString& text, bool replaceEmpty) {
  const QStringList names = propertyPath.split(u'.');
  QObject* current = object;
  QObjectList collection;
  bool reached = true;  // every name but the last walked as an object-valued property
  for (qsizetype i = 0; i + 1 < names.size(); ++i) {
    TProperty p = FindProperty(current, names[i]);
    const TKind kind = p.Kind();
    if (kind == TKind::Collection) {
      collection = CollectionItems(p);
      reached = false;
      break;
    }
    if (kind != TKind::Object && kind != TKind::NodeList) {
      reached = false;
      break;
    }
    current = p.ObjectValue();
    if (!current) {
      reached = false;
      break;
    }
  }
  const QString& last = names.back();
  if (!collection.isEmpty()) {
    const QStringList entries = FromCommaText(text);
    for (qsizetype i = 0; i < collection.size() && i < entries.size(); ++i) {
      TProperty p = FindProperty(collection[i], last);
      if (p.Kind() == TKind::String) SetString(p, entries[i], replaceEmpty);
    }
    return;
  }
  if (!reached) return;
  TProperty p = FindProperty(current, last);
  switch (p.Kind()) {
    case TKind::StringList: p.Write(FromCommaText(text)); break;
    case TKind::NodeList: {
      auto* model = qobject_cast<QAbstractItemModel*>(p.ObjectValue());
      const QStringList entries = FromCommaText(text);
      const QList<QModelIndex> nodes = Nodes(model);
      for (qsizetype i = 0; i < nodes.size() && i < entries.size(); ++i) model->setData(nodes[i], entries[i]);
      break;
    }
    case TKind::String: SetString(p, text, replaceEmpty); break;
    default: break;
  }
}

QObject* ObjectProperty(QObject* object, const QString& name) {
  TProperty p = FindProperty(object, name);
  const TKind kind = p.Kind();
  return kind == TKind::Object || kind == TKind::NodeList ? p.ObjectValue() : nullptr;
}

// ------------------------------------------------------------------ comma text

QString CommaText(const QStringList& items) {
  if (items.size() == 1 && items[0].isEmpty()) return QStringLiteral("\"\"");
  QStringList parts;
  for (const QString& item : items) {
    bool quote = false;
    for (QChar c : item)
      if (c.unicode() <= 32 || c == u'"' || c == u',') quote = true;
    if (quote) {
      QString q = item;
      q.replace(u'"', QStringLiteral("\"\""));
      parts << u'"' + q + u'"';
    } else {
      parts << item;
    }
  }
  return parts.join(u',');
}

QStringList FromCommaText(const QString& whole) {
  const QString text = whole.left(whole.indexOf(QChar(0)));  // the text ends at a NUL character
  QStringList out;
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && IsBlankChar(text[i])) ++i;
  while (i < n) {
    QString item;
    if (text[i] == u'"') {
      // Up to the next quote that is not doubled; doubled quotes become one.
      ++i;
      while (i < n) {
        if (text[i] == u'"') {
          if (i + 1 < n && text[i + 1] == u'"') {
            item += u'"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      while (i < n && text[i].unicode() > 32 && text[i] != u',') item += text[i++];
    }
    out << item;
    while (i < n && IsBlankChar(text[i])) ++i;
    if (i < n && text[i] == u',') {
      if (i + 1 == n) out << QString();
      do ++i;
      while (i < n && IsBlankChar(text[i]));
    }
  }
  return out;
}
