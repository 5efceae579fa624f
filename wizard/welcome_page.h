#pragma once
// The first page: what the wizard does, and "Load Settings" for a profile.
#include "GUI2/wizard_page.h"

class QLabel;

class welcome_page : public wizard_page {
  Q_OBJECT

 public:
  welcome_page();
  ~welcome_page() override;

  bool page_init() override;
  // The heading in the bold heading font.
  void show();

 private:
  void on_load_settings();

  QLabel* heading_;
};
