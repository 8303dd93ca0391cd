// Component keys, key resolution and texts at property paths, on small test-only object trees.
#include <gtest/gtest.h>

#include <QStringListModel>

#include "localization/component_keys.h"

namespace {

class TTestWindow : public QObject {
  Q_OBJECT
  Q_CLASSINFO("LocalizerRole", "Window")
  Q_PROPERTY(QString windowTitle MEMBER Title)
 public:
  using QObject::QObject;
  QString Title;
};

class TTestFrame : public QObject {
  Q_OBJECT
  Q_CLASSINFO("LocalizerRole", "Frame")
 public:
  using QObject::QObject;
};

class TTestItem : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Text MEMBER Text)
 public:
  TTestItem(QObject* parent, QString text) : QObject(parent), Text(std::move(text)) {}
  QString Text;
};

class TTestFont : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Name MEMBER Name)
 public:
  using QObject::QObject;
  QString Name = "Sans";
};

// A control with a caption, a hint, a string list, a collection, a node list and a sub-object.
class TTestControl : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString text MEMBER Text)
  Q_PROPERTY(QString toolTip MEMBER ToolTip)
  Q_PROPERTY(QStringList Lines MEMBER Lines)
  Q_PROPERTY(QObjectList Panels READ GetPanels)
  Q_PROPERTY(QStringListModel* Nodes READ GetNodes)
  Q_PROPERTY(TTestFont* Font READ GetFont)
  Q_PROPERTY(int Number MEMBER Number)
 public:
  TTestControl(QObject* parent, const QString& name, QString text = {}) : QObject(parent), Text(std::move(text)) {
    setObjectName(name);
    Font = new TTestFont(this);
    NodeModel = new QStringListModel(this);
  }
  QObjectList GetPanels() const { return Panels; }
  QStringListModel* GetNodes() const { return NodeModel; }
  TTestFont* GetFont() const { return Font; }

  QString Text, ToolTip;
  QStringList Lines;
  QObjectList Panels;
  QStringListModel* NodeModel;
  TTestFont* Font;
  int Number = 7;
};

const QStringList kCaptionHint{"Caption", "Hint"};

// window "W": Button1, an unnamed holder with Button2, Frame1 with Button1, an unnamed frame with
// Button3, a nested window "Other" with Button4, and an unnamed control.
struct TTree {
  TTestWindow Window;
  TTestControl* Button1;
  TTestControl* Button2;
  TTestFrame* Frame1;
  TTestControl* FrameButton;
  TTestControl* Button3;
  TTestControl* Button4;
  TTestControl* Unnamed;
  TTestControl* Internal;
  TTree() {
    Window.setObjectName("W");
    Window.Title = "Window title";
    Button1 = new TTestControl(&Window, "Button1", "One");
    auto* holder = new QObject(&Window);
    Button2 = new TTestControl(holder, "Button2", "Two");
    Frame1 = new TTestFrame(&Window);
    Frame1->setObjectName("Frame1");
    FrameButton = new TTestControl(Frame1, "Button1", "In frame");
    auto* unnamedFrame = new TTestFrame(&Window);
    Button3 = new TTestControl(unnamedFrame, "Button3", "Three");
    auto* other = new TTestWindow(&Window);
    other->setObjectName("Other");
    Button4 = new TTestControl(other, "Button4", "Four");
    Unnamed = new TTestControl(&Window, "", "Nameless");
    Internal = new TTestControl(&Window, "qt_internal", "Qt's");
  }
};

TEST(ComponentKeys, PathsFollowOwnersNotNesting) {
  TTree t;
  EXPECT_EQ(ComponentPath(&t.Window, &t.Window), "W");
  EXPECT_EQ(ComponentKey(&t.Window, &t.Window, "Caption"), "Caption");
  EXPECT_EQ(ComponentKey(t.Button1, &t.Window, "Hint"), "Button1.Hint");
  EXPECT_EQ(ComponentKey(t.Button2, &t.Window, "Caption"), "Button2.Caption");  // unnamed holder is no owner
  EXPECT_EQ(ComponentKey(t.FrameButton, &t.Window, "Caption"), "Frame1.Button1.Caption");
  EXPECT_EQ(ComponentKey(t.Button1, &t.Window, "  "), "");
  // No key: unnamed components, components below an unnamed owner, other windows, Qt's own objects.
  for (QObject* o : {static_cast<QObject*>(t.Unnamed), static_cast<QObject*>(t.Button3),
                     static_cast<QObject*>(t.Button4), static_cast<QObject*>(t.Internal)})
    EXPECT_EQ(ComponentKey(o, &t.Window, "Caption"), "") << o->objectName().toStdString();

  QStringList owned;
  for (QObject* o : OwnedComponents(&t.Window)) owned << o->objectName();
  EXPECT_EQ(owned, (QStringList{"Button1", "Button2", "Frame1"}));
}

TEST(ComponentKeys, ResolveKeyDescendsThroughOwnedComponents) {
  TTree t;
  struct TCase {
    const char* Key;
    QObject* Object;
    const char* Path;
  };
  const TCase cases[] = {
      {"Caption", &t.Window, "Caption"},
      {"button1.hint", t.Button1, "hint"},
      {"Frame1.Button1.Caption", t.FrameButton, "Caption"},
      {"Button2.Caption", t.Button2, "Caption"},
      {"Button1.Font.Name", nullptr, nullptr},  // property path not allowed
      {"Missing.Caption", nullptr, nullptr},    // no such component
      {"Button4.Caption", nullptr, nullptr},    // owned by another window
      {"Excluded1.Caption", nullptr, nullptr},
      {"Frame1.Excluded1.Caption", nullptr, nullptr},
  };
  new TTestControl(&t.Window, "Excluded1", "x");
  new TTestControl(t.Frame1, "Excluded1", "x");
  for (const auto& c : cases) {
    auto r = ResolveKey(&t.Window, c.Key, {"excluded1"}, kCaptionHint);
    if (!c.Object) {
      EXPECT_FALSE(r) << c.Key;
      continue;
    }
    ASSERT_TRUE(r) << c.Key;
    EXPECT_EQ(r->Object, c.Object) << c.Key;
    EXPECT_EQ(r->PropertyPath, c.Path) << c.Key;
  }
}

TEST(ComponentKeys, GetPropertyTextReadsEveryKindOfProperty) {
  TTree t;
  TTestControl* b = t.Button1;
  b->ToolTip = "tip";
  b->Lines = {"a", "b c"};
  b->Panels = {new TTestItem(b, "p1"), new QObject(b), new TTestItem(b, "p,3")};
  b->NodeModel->setStringList({"n1", "n2"});
  EXPECT_EQ(GetPropertyText(&t.Window, &t.Window, "Caption"), "Window title");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Caption"), "One");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Hint"), "tip");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "text"), "One");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Lines"), "a,\"b c\"");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Panels.Text"), "p1,\"p,3\"");  // items without it skipped
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Nodes"), "n1,n2");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Font.Name"), "Sans");
  // Empty: a first name that is no property, a non-text property, a component without a key.
  EXPECT_EQ(GetPropertyText(b, &t.Window, "NoSuchProperty"), "");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "NoSuchProperty.Text"), "");
  EXPECT_EQ(GetPropertyText(b, &t.Window, "Number"), "");
  EXPECT_EQ(GetPropertyText(t.Unnamed, &t.Window, "Caption"), "");
}

TEST(ComponentKeys, SetPropertyTextKeepsEmptyValuesUnlessAsked) {
  TTree t;
  TTestControl* b = t.Button1;
  SetPropertyText(b, "Hint", "new tip", false);
  EXPECT_EQ(b->ToolTip, "");
  SetPropertyText(b, "Hint", "new tip", true);
  EXPECT_EQ(b->ToolTip, "new tip");
  SetPropertyText(b, "Caption", "Eins", false);
  EXPECT_EQ(b->Text, "Eins");
  SetPropertyText(b, "Font.Name", "Serif", false);
  EXPECT_EQ(b->Font->Name, "Serif");
  // A walk that fails on the way sets nothing, not the last name on the first object.
  SetPropertyText(b, "Missing.Caption", "wrong", true);
  EXPECT_EQ(b->Text, "Eins");
  SetPropertyText(b, "NoSuchProperty", "x", true);
  SetPropertyText(b, "Number", "12", true);
  EXPECT_EQ(b->Number, 7);
}

TEST(ComponentKeys, ListsAndCollectionsTakeCommaText) {
  TTree t;
  TTestControl* b = t.Button1;
  auto* p1 = new TTestItem(b, "one");
  auto* p2 = new TTestItem(b, "");
  auto* plain = new QObject(b);
  auto* p4 = new TTestItem(b, "four");
  auto* p5 = new TTestItem(b, "five");
  b->Panels = {p1, p2, plain, p4, p5};
  SetPropertyText(b, "Panels.Text", "uno,dos,tres,cuatro", false);
  EXPECT_EQ(p1->Text, "uno");
  EXPECT_EQ(p2->Text, "");  // empty stays empty without the flag
  EXPECT_EQ(p4->Text, "cuatro");
  EXPECT_EQ(p5->Text, "five");  // beyond the entries: unchanged
  SetPropertyText(b, "Panels.Text", "a,b", true);
  EXPECT_EQ(p2->Text, "b");

  b->Lines = {"old"};
  SetPropertyText(b, "Lines", "x, \"y z\",", false);
  EXPECT_EQ(b->Lines, (QStringList{"x", "y z", ""}));

  b->NodeModel->setStringList({"n1", "n2", "n3"});
  SetPropertyText(b, "Nodes", "first,second", false);
  EXPECT_EQ(b->NodeModel->stringList(), (QStringList{"first", "second", "n3"}));
}

TEST(ComponentKeys, CommaTextBothWays) {
  struct TCase {
    QStringList Items;
    const char* Text;
  };
  const TCase cases[] = {
      {{"a", "b"}, "a,b"},
      {{"with blank", "co,mma", "quo\"te"}, "\"with blank\",\"co,mma\",\"quo\"\"te\""},
      {{""}, "\"\""},
      {{"a", "", "b"}, "a,,b"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommaText(c.Items), c.Text);
    EXPECT_EQ(FromCommaText(c.Text), c.Items) << c.Text;
  }
  // Unquoted items also end at blanks; a trailing comma adds an empty item.
  EXPECT_EQ(FromCommaText("  a b ,c,"), (QStringList{"a", "b", "c", ""}));
}

}  // namespace

#include "test_component_keys.moc"
