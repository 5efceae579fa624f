#include "GUI2/animation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>

#include "GUI2/pictures.h"
#include "TK/tk_thread.h"
#include "TK/tk_trace.h"
#include "platform/com/com_runtime.h"

namespace {

// Runs the work once, with COM for its thread, then closes the box.
class animation_step : public tk_converter {
 public:
  animation_step(const std::function<void()>& work, animation* box) : work_(work), box_(box) {}
  int run() override {
    const bool uninitialize = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    work_();
    box_->close_box();
    if (uninitialize) CoUninitialize();
    return 0;
  }

 private:
  const std::function<void()>& work_;
  animation* box_;
};

class animation_thread : public tk_thread {
 public:
  animation_thread(const std::function<void()>& work, animation* box) : work_(work), box_(box) {}

 protected:
  tk_converter* make_runnable(bool& owned) override {
    owned = true;
    return new animation_step(work_, box_);
  }

 private:
  const std::function<void()>& work_;
  animation* box_;
};

}  // namespace

animation::animation(const QString& text, QWidget* parent)
    : QDialog(parent), text_(new QLabel(text, this)), icon_(new QLabel(this)) {
  setObjectName(QStringLiteral("101"));
  text_->setObjectName(QStringLiteral("1320"));
  icon_->setObjectName(QStringLiteral("1301"));
  setWindowTitle(QStringLiteral("Please wait"));
  setModal(true);
  // Only the worker closes it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(18, 14, 22, 14);
  layout->setSpacing(14);
  layout->addWidget(icon_);
  layout->addWidget(text_, 1);
  icon_->setPixmap(wizard_icon(502).pixmap(32, 32));
  timer_.setInterval(kPeriodMs);
  connect(&timer_, &QTimer::timeout, this, &animation::tick);
  timer_.start();
}

animation::~animation() = default;

void animation::tick() {
  frame_ = (frame_ + 1) % kFrames;
  icon_->setPixmap(wizard_icon(502 + frame_).pixmap(32, 32));
}

void animation::close_box() {
  QPointer<animation> self(this);
  QMetaObject::invokeMethod(
      this,
      [self] {
        if (!self) return;
        self->timer_.stop();
        self->done(0);
      },
      Qt::QueuedConnection);
}

void animation::run(const QString& text, const std::function<void()>& work, QWidget* parent) {
  animation box(text, parent);
  animation_thread worker(work, &box);
  worker.start();
  // A worker that ends at once has queued the close already: exec sees it.
  box.exec();
  worker.wait();
  worker.release();
}
