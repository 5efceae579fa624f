#pragma once
// The file dialogs that choose a profile to load or a file to save one in.
// Both show "Profile Files" (the given three-letter extension) and all
// files; the save dialog appends the extension to a name without it.
#include <string>

class QWidget;

// The chosen existing file, or empty when the user cancelled.
std::string open_profile_dialog(QWidget* parent, const std::string& extension);
// The chosen file name, or empty when the user cancelled.
std::string save_profile_dialog(QWidget* parent, const std::string& extension);
