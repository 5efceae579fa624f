#pragma once
// A call made on a worker thread under the "Please wait" box, with the
// failure rules of the pages that connect or list databases: an internal
// error goes to the error policy (the program ends), a tk_exception to the
// page's handler, and anything else is shown before the program ends with
// status -1.
#include <QString>
#include <functional>

#include "TK/tk_exception.h"

class QWidget;

// True when `work` returned normally.
bool worker_call(const QString& text, QWidget* parent, const std::function<void()>& work,
                 const std::function<void(const tk_exception&)>& on_error);

// Ends the program at once with status -1, from any thread.
[[noreturn]] void end_wizard_process();
