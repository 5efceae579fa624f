#pragma once
// Step 5: the conversion runs on a worker thread while the page shows how
// far it has come; when it ends the wizard moves to the finish page.
#include <cstdint>

#include "GUI2/wizard_page.h"
#include "TK/tk_thread.h"

class QLabel;
class QProgressBar;

// How far a run has come, in percent: the finished tables, plus the share
// of the current one; integer arithmetic, each division truncating.
int progress_percent(int32_t table_index, int32_t table_count, int32_t record_index,
                     int32_t record_count);

class progress_page : public wizard_page {
  Q_OBJECT

 public:
  static constexpr int kPeriodMs = 200;

  progress_page();
  ~progress_page() override;

  bool page_init() override;
  void on_timer(int id) override;
  bool running() const { return thread_.is_running(); }

 protected:
  void before_close() override;

 private:
  // Runs the conversion driver; the driver is not the thread's to delete.
  class conversion_thread : public tk_thread {
   protected:
    tk_converter* make_runnable(bool& owned) override;
  };

  void update();

  QLabel* status_;
  QProgressBar* bar_;
  conversion_thread thread_;
};
