// The chip selection dialog: a chip family from the catalogue, then a chip of that family.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

class TChipDialog : public QDialog {
  Q_OBJECT
 public:
  // catalogueFile names the catalogue, read afresh at every opening and every change of family.
  TChipDialog(QWidget* parent, std::function<std::string()> catalogueFile);
  // catalogueFiles names the catalogue files merged in order (the shipped one, the user's own).
  TChipDialog(QWidget* parent, std::function<std::vector<std::string>()> catalogueFiles);

  // The chip families of the catalogue, and the chips of the selected family.
  QComboBox* FamilyList() const { return FamilyList_; }
  QListWidget* ChipList() const { return ChipList_; }

  // Fills the family list from the catalogue, selects the first family and fills its chips.
  void LoadFamilies();
  // Fills the chip list with the selected family's chips, "type" left out; none selected.
  void ShowFamilyChips();

  // Shows the dialog modally; QDialog::Accepted for OK. Runs ShowModalHook instead when set,
  // so tests can play the user's part.
  int ShowModal();
  std::function<int(TChipDialog&)> ShowModalHook;

  // The selected chip's name as the catalogue spells it; empty when no chip is selected.
  std::string SelectedChip() const;

 private:
  // --- controls; their object names are the keys the language files address them by ---
  QGroupBox* FamilyBox_ = nullptr;
  QComboBox* FamilyList_ = nullptr;
  QGroupBox* ChipBox_ = nullptr;
  QListWidget* ChipList_ = nullptr;
  QPushButton* OkButton_ = nullptr;
  QPushButton* CancelButton_ = nullptr;

  std::function<std::vector<std::string>()> CatalogueFiles_;
};
