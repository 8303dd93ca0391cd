// The language source: switching, settings of the active language, storage and its refusals.
#include <gtest/gtest.h>

#include <QDir>

#include "localization/language_source.h"
#include "localization/localization_error.h"
#include "support/temp_dir.h"

namespace {

// Records what the source tells it.
class TRecordingLocalizer : public TQCustomLocalizer {
 public:
  using TQCustomLocalizer::TQCustomLocalizer;
  std::vector<std::string> Calls;
  void Localize() override { Calls.push_back("Localize"); }
  void LanguageChanging(int index, bool& allow) override {
    Calls.push_back("Changing " + std::to_string(index));
    allow = false;  // a localizer's answer is not collected
  }
  void LanguageChanged() override { Calls.push_back("Changed"); }
};

class LanguageSource : public ::testing::Test {
 protected:
  void SetUp() override {
    Saved_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(Dir.Folder()));
    Dir.Write("one.lng",
              "[General Settings]\nLanguageName=One\nBiDiMode=2\nFontCharSet=GREEK_CHARSET\n"
              "[Main]\nHello=Hello from one\n");
    Dir.Write("two.lng", "[Main]\nHello=Hello from two\n");
  }
  void TearDown() override { QDir::setCurrent(Saved_); }

  // A source as the program loads it from its window description.
  std::unique_ptr<TQLanguageSource> Loaded(const QStringList& languages) {
    auto s = std::make_unique<TQLanguageSource>();
    s->BeginLoading();
    s->SetLanguages(languages);
    s->EndLoading();
    return s;
  }

  TTempDir Dir;
  QString Saved_;
};

TEST_F(LanguageSource, OriginalLanguageGivesDefaults) {
  auto s = Loaded({"One=one.lng", "Two=two.lng"});
  EXPECT_EQ(s->ActiveLanguage(), -1);
  EXPECT_TRUE(s->Activated());
  s->SetCurrentSection("Main");
  EXPECT_EQ(s->ReadString("Hello", "default"), "default");
  EXPECT_EQ(s->ActiveSettings()->LanguageName(), "Default");
  EXPECT_EQ(s->ActiveSettings()->BiDiMode(), bdLeftToRight);
  EXPECT_EQ(s->ActiveSettings()->FontCharSet(), 1);
  EXPECT_EQ(s->GetLanguageTitle(-1), "Original");
  EXPECT_EQ(s->GetLanguageFileName(-1), "");
}

TEST_F(LanguageSource, SwitchOpensTheFileAndKeepsTheSection) {
  auto s = Loaded({"One=one.lng", "Two=two.lng", "Gone=absent.lng"});
  s->SetCurrentSection("Main");
  s->SetActiveLanguage(0);
  EXPECT_EQ(s->ReadString("Hello", "-"), "Hello from one");
  EXPECT_EQ(s->ReadString("", "-"), "-");
  EXPECT_EQ(s->ActiveSettings()->LanguageName(), "One");
  EXPECT_EQ(s->ActiveSettings()->BiDiMode(), bdRightToLeftNoAlign);
  EXPECT_EQ(s->ActiveSettings()->FontCharSet(), 161);
  EXPECT_EQ(s->CurrentSection(), "Main");  // settings reads restore the section
  s->SetActiveLanguage(1);
  EXPECT_EQ(s->ReadString("Hello", "-"), "Hello from two");
  EXPECT_EQ(s->ActiveSettings()->LanguageName(), "");
  // A missing file is an empty language, not an error.
  s->SetActiveLanguage(2);
  EXPECT_EQ(s->ReadString("Hello", "-"), "-");
  EXPECT_EQ(s->ActiveSettings()->FontCharSet(), 1);
  s->SetActiveLanguage(-1);
  EXPECT_EQ(s->LanguageFile(), nullptr);
}

TEST_F(LanguageSource, SettingsValuesOutsideTheirRangeGiveDefaults) {
  struct TCase {
    const char* BiDi;
    TBiDiMode BiDiMode;
    const char* CharSet;
    int CharSetCode;
  };
  const TCase cases[] = {
      {"4", bdLeftToRight, "russian_charset", 204},
      {"-1", bdLeftToRight, "204", 1},
      {"abc", bdLeftToRight, "NO_SUCH_CHARSET", 1},
      {"3", bdRightToLeftReadingOnly, "EastEurope_Charset", 238},
      {"1", bdRightToLeft, "", 1},
  };
  auto s = Loaded({"X=x.lng"});
  for (const auto& c : cases) {
    Dir.Write("x.lng", std::string("[General Settings]\nBiDiMode=") + c.BiDi + "\nFontCharSet=" + c.CharSet + "\n");
    s->SetActiveLanguage(-1);
    s->SetActiveLanguage(0);
    EXPECT_EQ(s->ActiveSettings()->BiDiMode(), c.BiDiMode) << c.BiDi;
    EXPECT_EQ(s->ActiveSettings()->FontCharSet(), c.CharSetCode) << c.CharSet;
  }
}

TEST_F(LanguageSource, EntriesWithOneTitleOpenTheFirstFile) {
  auto s = Loaded({"One=one.lng", "ONE=two.lng"});
  EXPECT_EQ(s->GetLanguageFileName(1), "one.lng");
  s->SetCurrentSection("Main");
  s->SetActiveLanguage(1);
  EXPECT_EQ(s->ReadString("Hello", "-"), "Hello from one");
}

TEST_F(LanguageSource, IndexOutsideTheListFails) {
  auto s = Loaded({"One=one.lng", "Two=two.lng", "Three=three.lng"});
  s->SetActiveLanguage(1);
  for (int bad : {3, -2}) {
    try {
      s->SetActiveLanguage(bad);
      FAIL() << bad;
    } catch (const EQLocalError& e) {
      EXPECT_EQ(std::string(e.what()), "Index out of bounds (" + std::to_string(bad) + ")");
    }
    EXPECT_EQ(s->ActiveLanguage(), 1);
  }
  EXPECT_THROW(s->GetLanguageTitle(3), EQLocalError);
  EXPECT_THROW(s->GetLanguageFileName(-2), EQLocalError);
}

TEST_F(LanguageSource, NotifiesLocalizersOnlyOnChange) {
  auto s = Loaded({"One=one.lng", "Two=two.lng"});
  QObject window;
  TRecordingLocalizer l(&window);
  l.SetSource(s.get());
  std::vector<std::string> events;
  s->OnLanguageChanging = [&](QObject* sender, int index, bool&) {
    EXPECT_EQ(sender, s.get());
    events.push_back("Changing " + std::to_string(index));
  };
  s->OnLanguageChanged = [&](QObject*) { events.push_back("Changed"); };

  s->SetActiveLanguage(0);
  EXPECT_EQ(l.Calls, (std::vector<std::string>{"Changing 0", "Localize", "Changed"}));
  EXPECT_EQ(events, (std::vector<std::string>{"Changing 0", "Changed"}));

  l.Calls.clear();
  events.clear();
  s->SetActiveLanguage(0);
  EXPECT_TRUE(l.Calls.empty());
  EXPECT_TRUE(events.empty());

  // Only the source's event can refuse a change.
  s->OnLanguageChanging = [](QObject*, int, bool& allow) { allow = false; };
  s->SetActiveLanguage(1);
  EXPECT_EQ(s->ActiveLanguage(), 0);
  EXPECT_EQ(l.Calls, (std::vector<std::string>{"Changing 1"}));
}

TEST_F(LanguageSource, SourceMadeInCodeSendsNoNotificationsOnItsFirstSwitch) {
  TQLanguageSource fresh;
  QObject window;
  TRecordingLocalizer l(&window);
  l.SetSource(&fresh);
  fresh.BeginLoading();
  fresh.SetLanguages({"One=one.lng"});
  fresh.SetActiveLanguage(7);  // held while loading, no range check
  EXPECT_EQ(fresh.PendingLanguage(), 7);
  EXPECT_FALSE(fresh.Activated());
  fresh.EndLoading();  // the pending index is out of range and ignored
  EXPECT_EQ(fresh.ActiveLanguage(), -1);
  EXPECT_FALSE(fresh.Activated());
  fresh.SetActiveLanguage(0);
  EXPECT_EQ(l.Calls, (std::vector<std::string>{"Localize"}));
  EXPECT_TRUE(fresh.Activated());
}

TEST_F(LanguageSource, RegisteringLocalizesWhenALanguageIsActive) {
  auto s = Loaded({"One=one.lng"});
  s->SetActiveLanguage(0);
  QObject window;
  TRecordingLocalizer now(&window), later(&window);
  s->RegisterLocalizer(&now, true);
  s->RegisterLocalizer(&now, true);  // listed once
  s->RegisterLocalizer(&later, false);
  EXPECT_EQ(now.Calls, (std::vector<std::string>{"Localize"}));
  EXPECT_TRUE(later.Calls.empty());
  EXPECT_EQ(s->Localizers().size(), 2);
  s->UnregisterLocalizer(&later);
  EXPECT_EQ(s->Localizers().size(), 1);

  // A destroyed source leaves its localizers without a source, localized back.
  now.SetSource(s.get());
  now.Calls.clear();
  s.reset();
  EXPECT_EQ(now.Source(), nullptr);
  EXPECT_EQ(now.Calls, (std::vector<std::string>{"Localize"}));
}

TEST_F(LanguageSource, WritesGoToTheActiveFileOrAreRefused) {
  auto s = Loaded({"One=one.lng"});
  s->SetCurrentSection("Main");
  s->WriteString("Hello", "ignored");  // original language: nothing is open
  s->SetActiveLanguage(0);
  s->WriteString("Bye", "So long");
  s->ActiveSettings()->SetFontCharSet(204);
  s->ActiveSettings()->SetBiDiMode(bdRightToLeft);
  s->ActiveSettings()->SetFontCharSet(99);  // no name: written as the default
  EXPECT_EQ(s->CurrentSection(), "Main");
  TQLanguageFile file(QString::fromStdString(Dir.File("one.lng")));
  EXPECT_EQ(file.ReadString("Main", "Bye", "-"), "So long");
  EXPECT_EQ(file.ReadString("Main", "Hello", "-"), "Hello from one");
  EXPECT_EQ(file.ReadString("General Settings", "BiDiMode", "-"), "1");
  EXPECT_EQ(file.ReadString("General Settings", "FontCharSet", "-"), "DEFAULT_CHARSET");

  QStringList section;
  s->ReadSection(&section);
  EXPECT_EQ(section, (QStringList{"Hello=Hello from one", "Bye=So long"}));
  s->SortSections = true;
  s->ReadSection(&section);
  EXPECT_EQ(section, (QStringList{"Bye=So long", "Hello=Hello from one"}));
  s->EraseSection();
  EXPECT_EQ(TQLanguageFile(QString::fromStdString(Dir.File("one.lng"))).ReadString("Main", "Bye", "-"), "-");

  // The abstract source stores nothing and refuses to write.
  TQCustomLanguageSource abstract;
  EXPECT_EQ(abstract.ReadString("x", "d"), "d");
  try {
    abstract.WriteString("x", "y");
    FAIL();
  } catch (const EQLocalError& e) {
    EXPECT_STREQ(e.what(), "Cannot write to source file (ReadOnly = True)!");
  }
  EXPECT_THROW(abstract.WriteSection(nullptr), EQLocalError);
  EXPECT_THROW(abstract.EraseSection(), EQLocalError);
  EXPECT_THROW(abstract.Clear(), EQLocalError);
}

TEST_F(LanguageSource, SettingsObjectNeedsASourceAndStoresWhileOriginal) {
  try {
    TQLanguageSettings orphan(nullptr);
    FAIL();
  } catch (const EQLocalError& e) {
    EXPECT_STREQ(e.what(), "Language source must be specified!");
  }
  TQLanguageSource s;
  s.BeginLoading();
  s.ActiveSettings()->SetBiDiMode(bdRightToLeft);  // ignored while loading
  s.EndLoading();
  EXPECT_EQ(s.ActiveSettings()->BiDiMode(), bdLeftToRight);
  s.ActiveSettings()->SetBiDiMode(bdRightToLeft);
  s.ActiveSettings()->SetFontCharSet(238);
  EXPECT_EQ(s.ActiveSettings()->BiDiMode(), bdRightToLeft);
  TQLanguageSource other;
  other.SetActiveSettings(*s.ActiveSettings());
  EXPECT_EQ(other.ActiveSettings()->FontCharSet(), 238);
  EXPECT_EQ(other.ActiveSettings()->BiDiMode(), bdRightToLeft);
}

}  // namespace
