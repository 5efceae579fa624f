#pragma once
// Step 1: the MS SQL Server to read from and how to log on to it.
#include "GUI2/wizard_page.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

class mssql_settings_page : public wizard_page {
  Q_OBJECT

 public:
  mssql_settings_page();
  ~mssql_settings_page() override;

  bool page_init() override;
  int on_next() override;
  int on_back() override;

 private:
  void store();
  bool connect_server();
  void update_enabled();

  QLineEdit* server_;
  QRadioButton* windows_;
  QRadioButton* sql_login_;
  QLineEdit* login_;
  QLineEdit* password_;
  QCheckBox* as_dbo_;
};
