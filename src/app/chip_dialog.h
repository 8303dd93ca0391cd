// The chip selection dialog: a chip family from the catalogue, then a chip of that family. It opens
// on the chip in use, greys the chips the programmer can't work on (the reason as their tool tip),
// and filters the chips of every family by a name or a chip's marking as the user types it.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

class TCatalogue;

class TChipDialog : public QDialog {
  Q_OBJECT
 public:
  // catalogueFile names the catalogue, read afresh at every opening and every change of family.
  TChipDialog(QWidget* parent, std::function<std::string()> catalogueFile);
  // catalogueFiles names the catalogue files merged in order (the shipped one, the user's own).
  TChipDialog(QWidget* parent, std::function<std::vector<std::string>()> catalogueFiles);

  // The chip families of the catalogue, the chips of the selected family (or those matching the
  // filter), and the filter.
  QComboBox* FamilyList() const { return FamilyList_; }
  QListWidget* ChipList() const { return ChipList_; }
  QLineEdit* Filter() const { return Filter_; }

  // Fills the family list from the catalogue with the filter emptied, and selects the family and
  // the chip named current (the chip in use) when the catalogue holds it; otherwise the first
  // family with no chip selected.
  void LoadFamilies(const std::string& current = {});
  // Fills the chip list with the selected family's chips, "type" left out; none selected.
  void ShowFamilyChips();

  // Shows the dialog modally, titled and centred over the main window (inside its screen);
  // QDialog::Accepted for OK. Runs ShowModalHook instead when set, so tests can play the user's part.
  int ShowModal();
  static constexpr QSize kStartSize{240, 440};
  std::function<int(TChipDialog&)> ShowModalHook;

  // The selected chip's name as the catalogue spells it; empty when no chip is selected.
  std::string SelectedChip() const;

  // The text of a message key in the active language (the reasons a chip can't be used).
  std::function<std::string(const std::string& key)> MessageText;

  // True when a chip of this name answers what the user typed: the name holds the typed letters
  // and digits, or a typed marking (maker's prefix, suffixes) holds the whole name. Letter case,
  // blanks and punctuation do not count.
  static bool Matches(const std::string& chipName, const QString& typed);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void PlaceOverParent();
  // --- controls; their object names are the keys the language files address them by ---
  QGroupBox* FamilyBox_ = nullptr;
  QComboBox* FamilyList_ = nullptr;
  QGroupBox* ChipBox_ = nullptr;
  QLabel* FilterLabel_ = nullptr;
  QLineEdit* Filter_ = nullptr;
  QListWidget* ChipList_ = nullptr;
  QPushButton* OkButton_ = nullptr;
  QPushButton* CancelButton_ = nullptr;

  std::function<std::vector<std::string>()> CatalogueFiles_;

  // One chip of family in the list, greyed with the reason when the programmer can't use it.
  void AddChip(const TCatalogue& catalogue, const std::string& family, const std::string& chip);
  // The chips of every family that match the filter; the first one selected.
  void ShowMatchingChips();
  // The list after a change of the filter: the matches, or the family's chips when it is empty.
  void FilterChanged();
  // A chip picked from the matches shows its family.
  void ShowFamilyOf(const QListWidgetItem* item);
};
