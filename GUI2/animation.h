#pragma once
// The small modal "Please wait" box that covers a long operation (connecting,
// listing databases). The operation runs on a worker thread with COM
// initialised for it; the box turns its icon every 500 ms and closes when
// the worker ends.
#include <QDialog>
#include <QTimer>
#include <functional>

class QLabel;

class animation : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPeriodMs = 500;
  static constexpr int kTimerId = 0x30000;
  static constexpr int kFrames = 8;

  animation(const QString& text, QWidget* parent);
  ~animation() override;

  // Shows the box over `parent` while `work` runs on a worker thread, and
  // returns once the work has ended and the box is closed. `work` must not
  // let an exception escape.
  static void run(const QString& text, const std::function<void()>& work, QWidget* parent);

  int frame() const { return frame_; }
  // Ends the box; callable from any thread.
  void close_box();

 protected:
  // Escape does not close it: only the worker does.
  void reject() override {}

 private:
  void tick();

  QLabel* text_;
  QLabel* icon_;
  QTimer timer_;
  int frame_ = 0;
};
