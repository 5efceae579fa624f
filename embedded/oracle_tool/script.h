#pragma once
// SQL scripts as the tool reads them: statements end with ";" outside quotes
// and comments, or with a line holding only "/"; a PL/SQL unit (CREATE
// TRIGGER, BEGIN, DECLARE) ends only with the "/" line or the end of text.
#include <string>
#include <vector>

namespace tsl::eora {

std::vector<std::string> split_script(const std::string& text);

}  // namespace tsl::eora
