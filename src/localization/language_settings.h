// The settings of a language source's active language: its name, reading order and font
// character set, read from the active file's "General Settings".
#pragma once

#include <QString>
#include <cstdint>

class TQCustomLanguageSource;

enum TBiDiMode : uint8_t {
  bdLeftToRight = 0,
  bdRightToLeft = 1,
  bdRightToLeftNoAlign = 2,
  bdRightToLeftReadingOnly = 3
};

inline const char* const kGeneralSettingsSection = "General Settings";

class TQLanguageSettings {
 public:
  // Throws EQLocalError "Language source must be specified!" without a source.
  explicit TQLanguageSettings(TQCustomLanguageSource* source);
  virtual ~TQLanguageSettings() = default;

  // While the original language is active: "Default" and the stored values; otherwise the keys
  // "LanguageName", "BiDiMode" (0 to 3, else 0) and "FontCharSet" (a name of the table, else 1).
  virtual QString LanguageName() const;
  virtual void SetLanguageName(const QString& value);
  virtual TBiDiMode BiDiMode() const;
  virtual void SetBiDiMode(TBiDiMode value);
  virtual uint8_t FontCharSet() const;
  virtual void SetFontCharSet(uint8_t value);

  // Copies the other object's current reading order and character set into the stored values.
  void Assign(const TQLanguageSettings& other);

 private:
  QString Read(const char* ident, const QString& defaultValue) const;
  // False when the value is to be stored here rather than in the active file.
  bool WritesToFile() const;
  void Write(const char* ident, const QString& value);

  TQCustomLanguageSource* Source_;
  QString LanguageName_;
  TBiDiMode BiDiMode_ = bdLeftToRight;
  uint8_t FontCharSet_ = 1;
};
