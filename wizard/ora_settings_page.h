#pragma once
// Step 2: the Oracle server to write to, by service name or by host and
// port, and the user whose schema receives the tables.
#include "GUI2/wizard_page.h"

class QLineEdit;
class QRadioButton;

class ora_settings_page : public wizard_page {
  Q_OBJECT

 public:
  ora_settings_page();
  ~ora_settings_page() override;

  bool page_init() override;
  int on_next() override;
  int on_back() override;

 private:
  void store();
  bool validate();
  bool connect_server();
  void update_enabled();

  QRadioButton* direct_;
  QLineEdit* host_;
  QLineEdit* port_;
  QRadioButton* by_service_;
  QLineEdit* service_;
  QLineEdit* user_;
  QLineEdit* password_;
};
