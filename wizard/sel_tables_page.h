#pragma once
// Step 4: the tables to convert, moved between the available and the
// selected list, and SELECT queries converted as tables of their own name.
#include <map>
#include <string>

#include "GUI2/wizard_page.h"

class QListWidget;
class QPushButton;

class sel_tables_page : public wizard_page {
  Q_OBJECT

 public:
  using query_map = std::map<std::u16string, std::u16string>;

  sel_tables_page();
  ~sel_tables_page() override;

  bool page_init() override;
  int on_next() override;

  void on_add();
  void on_add_all();
  void on_delete();
  void on_del_all();
  void on_add_query();
  void on_edit_query(const QString& name);

 private:
  void move(QListWidget* from, QListWidget* to);
  void bring_in_queries();
  bool in_list(const QListWidget* list, const std::u16string& name, bool any_case) const;

  QListWidget* available_;
  QListWidget* selected_;
  QPushButton* add_query_;
  query_map selected_queries_;
  query_map available_queries_;
};
