#include "wizard/welcome_page.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/profile_dialog.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/tessaly_convertor.h"

welcome_page::welcome_page()
    : wizard_page(103, QString(), QString(), buttons::next, kDefaultTopic) {
  heading_ = named(new QLabel(QStringLiteral("Welcome to the Database\nConversion Wizard\n"), this),
                   1337);
  auto* line1 = new QLabel(QStringLiteral("This wizard helps you migrate MS SQL database to"), this);
  auto* line2 = new QLabel(QStringLiteral("Oracle server. Click 'Next' to continue."), this);
  auto* memory = new QLabel(
      QStringLiteral("Note: the speed of the conversion depends on the memory available."), this);
  memory->setWordWrap(true);
  auto* load = named(new QPushButton(QStringLiteral("&Load Settings"), this), 1115);
  connect(load, &QPushButton::clicked, this, &welcome_page::on_load_settings);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(line1);
  layout->addWidget(line2);
  layout->addSpacing(16);
  layout->addWidget(memory);
  layout->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(load);
  row->addStretch(1);
  layout->addLayout(row);
}

welcome_page::~welcome_page() = default;

bool welcome_page::page_init() {
  show();
  return true;
}

void welcome_page::show() {
  tk_trace(2, "welcome_page::show");
  heading_->setFont(heading_font());
}

void welcome_page::on_load_settings() {
  const std::string path = open_profile_dialog(wizard(), "tsl");
  if (path.empty()) return;
  // A file that cannot be read must not look loaded.
  if (!tessaly_convertor::instance().load_profile(path))
    wizard_shell::instance().error("Cannot read the profile file " + path);
  show();
}
