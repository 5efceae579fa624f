#include "wizard/ora_settings_page.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "ORA/ora_exception.h"
#include "TK/tk_trace.h"
#include "common/tessaly_convertor.h"
#include "wizard/connect_errors.h"
#include "wizard/worker_call.h"

namespace {
constexpr int kMaxText = 260;
constexpr int kListenerHelpTopic = 1018;

QString qtext(const std::u16string& s) {
  return QString::fromStdU16String(s);
}
}  // namespace

ora_settings_page::ora_settings_page()
    : wizard_page(130, QStringLiteral("Step 2 of 5"), QStringLiteral("Connect to Oracle server"),
                  buttons::back_next, 1011) {
  auto* intro = new QLabel(
      QStringLiteral("Provide the necessary information to establish connection with Oracle server."),
      this);
  intro->setWordWrap(true);
  auto* same1 = new QLabel(
      QStringLiteral("Enter the same values that you specify for standard Oracle applications"), this);
  auto* same2 = new QLabel(QStringLiteral("like Oracle Enterpise Manager Console."), this);
  direct_ = named(new QRadioButton(QStringLiteral("&IP address"), this), 1329);
  host_ = named(new QLineEdit(this), 1003);
  port_ = named(new QLineEdit(this), 1004);
  by_service_ = named(new QRadioButton(QStringLiteral("Service &name"), this), 1330);
  service_ = named(new QLineEdit(this), 1014);
  user_ = named(new QLineEdit(this), 1012);
  password_ = named(new QLineEdit(this), 1013);
  password_->setEchoMode(QLineEdit::Password);
  for (QLineEdit* e : {host_, port_, service_, user_, password_}) e->setMaxLength(kMaxText);
  connect(direct_, &QRadioButton::clicked, this, &ora_settings_page::update_enabled);
  connect(by_service_, &QRadioButton::clicked, this, &ora_settings_page::update_enabled);

  auto* where = new QGroupBox(this);
  auto* grid = new QGridLayout(where);
  grid->addWidget(direct_, 0, 0);
  grid->addWidget(host_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("&Port:"), where), 0, 2);
  grid->addWidget(port_, 0, 3);
  grid->addWidget(by_service_, 1, 0);
  grid->addWidget(service_, 1, 1, 1, 3);
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(3, 1);
  auto* who = new QFormLayout;
  who->addRow(QStringLiteral("&Username:"), user_);
  who->addRow(QStringLiteral("Pass&word:"), password_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(same1);
  layout->addWidget(same2);
  layout->addWidget(where);
  layout->addLayout(who);
  layout->addStretch(1);
}

ora_settings_page::~ora_settings_page() = default;

bool ora_settings_page::page_init() {
  tk_trace(2, "ora_settings_page::page_init");
  oracle_converter_impl& oracle = tessaly_convertor::instance().oracle;
  host_->setText(qtext(oracle.host));
  port_->setText(qtext(oracle.port));
  service_->setText(qtext(oracle.service));
  user_->setText(qtext(oracle.user));
  password_->setText(qtext(oracle.password));
  by_service_->setChecked(oracle.use_tns);
  direct_->setChecked(!oracle.use_tns);
  update_enabled();
  return true;
}

void ora_settings_page::update_enabled() {
  const bool direct = direct_->isChecked();
  host_->setEnabled(direct);
  port_->setEnabled(direct);
  service_->setEnabled(!direct);
}

void ora_settings_page::store() {
  oracle_converter_impl& oracle = tessaly_convertor::instance().oracle;
  oracle.use_tns = by_service_->isChecked();
  if (oracle.use_tns)
    oracle.store_oracle_settings(service_->text().toStdU16String(), user_->text().toStdU16String(),
                                 password_->text().toStdU16String());
  else
    oracle.store_oracle_settings(host_->text().toStdU16String(), user_->text().toStdU16String(),
                                 password_->text().toStdU16String(), port_->text().toStdU16String());
}

bool ora_settings_page::validate() {
  const oracle_converter_impl& oracle = tessaly_convertor::instance().oracle;
  if (!oracle.use_tns && oracle.host.empty()) {
    wizard_shell::instance().message("You should enter IP address or network name of Oracle server.");
    return false;
  }
  if (oracle.use_tns && oracle.service.empty()) {
    wizard_shell::instance().message("You should enter Oracle data source name.");
    return false;
  }
  return true;
}

int ora_settings_page::on_back() {
  store();
  return 0;
}

int ora_settings_page::on_next() {
  store();
  if (!validate()) return -1;
  return connect_server() ? 0 : -1;
}

bool ora_settings_page::connect_server() {
  return worker_call(
      QStringLiteral("Connecting to Oracle server.\nPlease wait..."), wizard(),
      [] {
        tk_trace(2, "oracle_settings_page::animation::operator()");
        tessaly_convertor::instance().oracle.connect_oracle_server();
      },
      [](const tk_exception& e) {
        wizard_shell& shell = wizard_shell::instance();
        const auto* ora = dynamic_cast<const ora_exception*>(&e);
        shell.error(ora ? oracle_connect_message(*ora) : std::string(e.what()));
        if (ora && is_listener_error(*ora)) shell.display_help(kListenerHelpTopic);
      });
}
