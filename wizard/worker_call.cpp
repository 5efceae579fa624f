#include "wizard/worker_call.h"

#include <cstdio>
#include <cstdlib>

#include "GUI2/animation.h"
#include "GUI2/wizard_shell.h"
#include "common/error_handler.h"

void end_wizard_process() {
  std::fflush(nullptr);
  // Other threads may be mid-call: end without running their destructors.
  std::_Exit(-1);
}

bool worker_call(const QString& text, QWidget* parent, const std::function<void()>& work,
                 const std::function<void(const tk_exception&)>& on_error) {
  bool done = false;
  animation::run(
      text,
      [&] {
        try {
          work();
          done = true;
        } catch (const tk_mail_assertion& e) {
          error_handler::instance().handle(e, error_handler::kEndsAnyway);
        } catch (const tk_exception& e) {
          on_error(e);
        } catch (const std::exception& e) {
          wizard_shell::instance().error(std::string(e.what()));
          end_wizard_process();
        }
      },
      parent);
  return done;
}
