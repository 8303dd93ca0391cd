// The chip selection dialog Form2: a chip family from the catalogue, then a chip of that family.
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

  // --- controls, named as the language files address them ---
  QGroupBox* GroupBox1 = nullptr;
  QComboBox* PSlistbox = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QListWidget* CSlistbox = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

  // Fills the family list from the catalogue, selects the first family and fills its chips.
  void LoadFamilies();
  // Fills the chip list with the selected family's chips, "type" left out; none selected.
  void PSlistboxChange();

  // Shows the dialog modally; QDialog::Accepted for OK. Runs ShowModalHook instead when set,
  // so tests can play the user's part.
  int ShowModal();
  std::function<int(TChipDialog&)> ShowModalHook;

  // The selected chip's name as the catalogue spells it; empty when no chip is selected.
  std::string SelectedChip() const;

 private:
  std::function<std::vector<std::string>()> CatalogueFiles_;
};
