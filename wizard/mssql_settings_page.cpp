#include "wizard/mssql_settings_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "MSS/odb_exception.h"
#include "TK/tk_trace.h"
#include "common/tessaly_convertor.h"
#include "wizard/connect_errors.h"
#include "wizard/worker_call.h"

namespace {
constexpr int kMaxText = 260;

QString qtext(const std::u16string& s) {
  return QString::fromStdU16String(s);
}
}  // namespace

mssql_settings_page::mssql_settings_page()
    : wizard_page(118, QStringLiteral("Step 1 of 5"), QStringLiteral("Connect to MS SQL server"),
                  buttons::back_next, 1010) {
  auto* intro = new QLabel(
      QStringLiteral("Provide necessary information to establish MS SQL server connection."), this);
  intro->setWordWrap(true);
  auto* local =
      new QLabel(QStringLiteral("Leave 'MS SQL Server' field empty to connect to local server."), this);
  local->setWordWrap(true);
  server_ = named(new QLineEdit(this), 1014);
  windows_ = named(new QRadioButton(QStringLiteral("&Windows authentication"), this), 1329);
  sql_login_ = named(new QRadioButton(QStringLiteral("&SQL Server authentication"), this), 1330);
  login_ = named(new QLineEdit(this), 1012);
  password_ = named(new QLineEdit(this), 1013);
  password_->setEchoMode(QLineEdit::Password);
  as_dbo_ = named(new QCheckBox(QStringLiteral("Connect as database &owner"), this), 1202);
  for (QLineEdit* e : {server_, login_, password_}) e->setMaxLength(kMaxText);
  connect(windows_, &QRadioButton::clicked, this, &mssql_settings_page::update_enabled);
  connect(sql_login_, &QRadioButton::clicked, this, &mssql_settings_page::update_enabled);

  auto* top = new QFormLayout;
  top->addRow(QStringLiteral("MS SQL &Server:"), server_);
  auto* group = new QGroupBox(QStringLiteral(" Connect using: "), this);
  auto* g = new QFormLayout(group);
  g->addRow(windows_);
  g->addRow(sql_login_);
  g->addRow(QStringLiteral("&Login name:"), login_);
  g->addRow(QStringLiteral("&Password:"), password_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(local);
  layout->addLayout(top);
  layout->addWidget(group);
  layout->addWidget(as_dbo_);
  layout->addStretch(1);
}

mssql_settings_page::~mssql_settings_page() = default;

bool mssql_settings_page::page_init() {
  tk_trace(2, "mssql_settings_page::page_init");
  mssql_converter_impl& mssql = tessaly_convertor::instance().mssql;
  server_->setText(qtext(mssql.host));
  login_->setText(qtext(mssql.user));
  password_->setText(qtext(mssql.password));
  windows_->setChecked(mssql.windows_authentication);
  sql_login_->setChecked(!mssql.windows_authentication);
  as_dbo_->setChecked(mssql.engine().is_as_dbo());
  update_enabled();
  return true;
}

void mssql_settings_page::update_enabled() {
  const bool login = sql_login_->isChecked();
  login_->setEnabled(login);
  password_->setEnabled(login);
}

void mssql_settings_page::store() {
  mssql_converter_impl& mssql = tessaly_convertor::instance().mssql;
  mssql.windows_authentication = windows_->isChecked();
  // The login fields are kept even when Windows authentication is chosen.
  mssql.host = server_->text().toStdU16String();
  mssql.user = login_->text().toStdU16String();
  mssql.password = password_->text().toStdU16String();
  tk_trace(1, "mss_engine::set_as_dbo(%d)", as_dbo_->isChecked() ? 1 : 0);
  mssql.engine().set_as_dbo(as_dbo_->isChecked());
}

int mssql_settings_page::on_back() {
  store();
  return 0;
}

int mssql_settings_page::on_next() {
  store();
  return connect_server() ? 0 : -1;
}

bool mssql_settings_page::connect_server() {
  return worker_call(
      QStringLiteral("Connecting to MS SQL server.\nPlease wait..."), wizard(),
      [] {
        tk_trace(2, "mssql_settings_page::animation::operator()");
        tessaly_convertor::instance().mssql.connect_mssql_server();
      },
      [](const tk_exception& e) {
        const auto* odb = dynamic_cast<const odb_exception*>(&e);
        wizard_shell::instance().error(odb ? mssql_connect_message(*odb) : std::string(e.what()));
      });
}
