// One language file held in memory: INI-style 8-bit text in the code page of its own
// "FontCharSet", looked up by section and key with values decoded, written back whole on change.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class TQLanguageFile {
 public:
  // Reads the file at once; a missing or unreadable file gives an empty one.
  explicit TQLanguageFile(QString fileName);

  const QString& FileName() const { return FileName_; }

  // The decoded value of the key, or the default passed through DecodeValue.
  QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
  // Clears the list and fills it with "key=text" per distinct key, in the order of each key's
  // first line; keys whose text is empty are left out.
  void ReadSectionValues(const QString& section, QStringList& list) const;
  // Section names in file order (repeated names as often as they stand).
  QStringList ReadSections() const;
  bool SectionExists(const QString& section) const;

  // Stores the key with its value encoded and writes the whole file back.
  // Throws EQLocalError when the file can't be written.
  void WriteString(const QString& section, const QString& ident, const QString& value);
  // Removes the section (every section of that name) and writes the file back.
  void EraseSection(const QString& section);
  // Removes every section in memory; the file changes at the next write.
  void Clear();

  // The character set named by the file's own "FontCharSet", and its code page.
  uint8_t CharSet() const { return CharSet_; }
  const char* CodePage() const;

 private:
  struct TLine {
    QByteArray Text;  // the stored line: "key=value" for key lines
    bool HasKey = false;
    QByteArray Key;    // trimmed, as in the file
    QByteArray Value;  // trimmed stored value, still encoded
  };
  struct TSection {
    QByteArray Name;  // trimmed, as in the file
    std::vector<TLine> Lines;
    QHash<QString, int> KeyIndex;  // upper-cased key -> its last line
  };

  void Parse(const QByteArray& content);
  void Reindex();
  void UpdateFile() const;
  QString Text(const QByteArray& bytes) const;
  const TSection* Find(const QString& section) const;
  static QString DecodeStored(const QByteArray& stored, const char* codePage);

  QString FileName_;
  std::vector<TSection> Sections_;
  QHash<QString, int> SectionIndex_;  // upper-cased name -> its last section
  uint8_t CharSet_ = 1;
};
