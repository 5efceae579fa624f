#pragma once
// Step 3: the source database, and how the conversion treats existing
// tables, definitions, indexes and the case of names.
#include <string>
#include <vector>

#include "GUI2/wizard_page.h"

class QCheckBox;
class QListWidget;
class QRadioButton;

class sel_file_page : public wizard_page {
  Q_OBJECT

 public:
  sel_file_page();
  ~sel_file_page() override;

  bool page_init() override;
  int on_next() override;
  int on_back() override;

 private:
  void store_file_info();
  std::vector<std::u16string> fetch_databases();

  QListWidget* databases_;
  QRadioButton* modes_[3];
  QCheckBox* definitions_only_;
  QCheckBox* skip_indexes_;
  QCheckBox* uppercase_;
};
