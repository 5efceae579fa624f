#include "wizard/progress_page.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"

int progress_percent(int32_t table_index, int32_t table_count, int32_t record_index,
                     int32_t record_count) {
  if (table_count <= 0) return 0;
  int64_t percent = int64_t{table_index} * 100 / table_count;
  if (record_count != 0) percent += int64_t{record_index} * 100 / record_count / table_count;
  return static_cast<int>(percent);
}

tk_converter* progress_page::conversion_thread::make_runnable(bool& owned) {
  owned = false;
  return &tessaly_convertor::instance();
}

progress_page::progress_page()
    : wizard_page(107, QStringLiteral("Step 5 of 5"),
                  QStringLiteral("Database conversion is in progress"), buttons::none,
                  kDefaultTopic) {
  auto* line1 = new QLabel(
      QStringLiteral("Database converting is in progress. Please wait until the wizard completes"),
      this);
  auto* line2 = new QLabel(QStringLiteral("migrating your MS SQL database to Oracle."), this);
  status_ = named(new QLabel(this), 1323);
  bar_ = named(new QProgressBar(this), 1321);
  bar_->setRange(0, 100);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(line1);
  layout->addWidget(line2);
  layout->addSpacing(24);
  layout->addWidget(status_);
  layout->addWidget(bar_);
  layout->addStretch(1);
}

progress_page::~progress_page() {
  // Closing never kills the run: it is asked to stop and waited for.
  if (thread_.is_running()) before_close();
}

bool progress_page::page_init() {
  tk_trace(2, "progress_page::page_init");
  bar_->setValue(0);
  status_->clear();
  // The timer runs on this thread; the worker only writes the progress
  // fields the timer reads.
  wizard_shell::instance().start_timer(kPeriodMs);
  thread_.start();
  return true;
}

void progress_page::on_timer(int id) {
  if (id == wizard_shell::kTimerId) update();
}

void progress_page::update() {
  const tessaly_convertor& driver = tessaly_convertor::instance();
  const bool done = driver.done() && !thread_.is_running();
  bar_->setValue(progress_percent(driver.table_index(), driver.table_count(),
                                  driver.record_index(), driver.record_count()));
  const std::u16string name = driver.current_name();
  status_->setText(name.empty() ? QString()
                                : QStringLiteral("Processing table '%1'").arg(QString::fromStdU16String(name)));
  if (!done) return;
  wizard_shell& shell = wizard_shell::instance();
  shell.stop_timer();
  thread_.release();
  // A run ended by an unexpected error must not be reported as a success.
  if (tessaly_convertor::instance().failed()) {
    const std::string text = "The conversion ended on an unexpected error.";
    shell.error(text);
    if (shell.errors().size() < error_handler::kMaxCollected) shell.errors().push_back(text);
  }
  shell.select_page(116);
}

void progress_page::before_close() {
  if (!thread_.is_running()) return;
  tessaly_convertor::instance().request_stop();
  // The run may still need this thread for a dialog: keep serving events
  // while it ends at its next record boundary.
  while (thread_.is_running()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  thread_.wait();
  thread_.release();
  if (wizard_shell* shell = wizard_shell::peek()) shell->stop_timer();
}
