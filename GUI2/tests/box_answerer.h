#pragma once
// Answers the modal windows a test makes the wizard open, the way a user
// would: each one is recorded (class, caption, text) and answered by the
// next queued action, or, with none queued, closed as Escape would close it.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace gui_testing {

// Forgets the window last answered when it hides, so that a dialog shown
// again is answered again.
class hide_watch : public QObject {
 public:
  hide_watch(QObject* parent, QPointer<QWidget>* last) : QObject(parent), last_(last) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && *last_ == watched) *last_ = nullptr;
    return false;
  }

 private:
  QPointer<QWidget>* last_;
};

struct seen_box {
  std::string kind;  // the class name
  std::string caption;
  std::string text;
};

class box_answerer {
 public:
  using action = std::function<void(QWidget*)>;

  box_answerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }

  // Queues the answer to the next box.
  box_answerer& then(action a) {
    queue_.push_back(std::move(a));
    return *this;
  }
  // Presses a standard button of a message box.
  box_answerer& press(QMessageBox::StandardButton b) {
    return then([b](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box && box->button(b)) box->button(b)->click();
    });
  }
  // Clicks the control with this resource number (its object name).
  box_answerer& click(int id) {
    return then([id](QWidget* w) {
      auto* b = w->findChild<QAbstractButton*>(QString::number(id));
      if (b) b->click();
    });
  }
  // Chooses a file in a file dialog.
  box_answerer& choose(const std::string& path) {
    return then([path](QWidget* w) {
      auto* d = qobject_cast<QFileDialog*>(w);
      if (!d) return;
      // Typed into the name field, as a user would.
      if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(QString::fromStdString(path));
      else
        d->selectFile(QString::fromStdString(path));
      static_cast<QDialog*>(d)->accept();
    });
  }

  std::vector<seen_box> boxes;
  size_t pending() const { return queue_.size(); }

  // The texts of the boxes seen so far, for one-line assertions.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const seen_box& b : boxes) out.push_back(b.text);
    return out;
  }

 private:
  // A window is answered when it becomes the active modal one: when it
  // appears, and again when a box it opened has closed.
  void poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || w == last_) return;
    // The "Please wait" box closes by itself.
    if (w->objectName() == QLatin1String("101")) return;
    last_ = w;
    if (!w->property("watched").toBool()) {
      w->setProperty("watched", true);
      w->installEventFilter(new hide_watch(w, &last_));
    }
    seen_box b;
    b.kind = w->metaObject()->className();
    b.caption = w->windowTitle().toStdString();
    if (auto* m = qobject_cast<QMessageBox*>(w))
      b.text = m->text().toStdString();
    else if (auto* l = w->findChild<QLabel*>(QStringLiteral("1320")))
      b.text = l->text().toStdString();
    boxes.push_back(b);
    if (std::getenv("TSL_BOX_TRACE"))
      std::fprintf(stderr, "box: %s \"%s\" %s\n", b.kind.c_str(), b.caption.c_str(), b.text.c_str());
    action a;
    if (!queue_.empty()) {
      a = std::move(queue_.front());
      queue_.pop_front();
    } else {
      a = [](QWidget* d) {
        if (auto* dialog = qobject_cast<QDialog*>(d)) dialog->reject();
      };
    }
    // Answered from its own event, so that a box the answer opens is
    // answered in turn.
    QPointer<QWidget> target(w);
    QTimer::singleShot(0, [a = std::move(a), target] {
      if (target) a(target);
    });
  }

  QPointer<QWidget> last_;
  QTimer timer_;
  std::deque<action> queue_;
};

}  // namespace gui_testing
