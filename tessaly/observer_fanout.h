#pragma once
#include <string>
#include <utility>
#include <vector>

#include "common/run_observer.h"

namespace tessaly {

// Hands every event to each of its observers in turn.
class observer_fanout : public run_observer {
 public:
  explicit observer_fanout(std::vector<run_observer*> to) : to_(std::move(to)) {}
  void table_started(const std::u16string& name, const std::u16string& target,
                     int32_t records) override {
    for (run_observer* o : to_) o->table_started(name, target, records);
  }
  void table_finished(const std::u16string& name, int64_t read, int64_t written) override {
    for (run_observer* o : to_) o->table_finished(name, read, written);
  }
  void table_skipped(const std::u16string& name, const std::u16string& target) override {
    for (run_observer* o : to_) o->table_skipped(name, target);
  }
  void error(const std::u16string& name, int32_t record, const std::string& message) override {
    for (run_observer* o : to_) o->error(name, record, message);
  }
  void warning(const std::string& message) override {
    for (run_observer* o : to_) o->warning(message);
  }
  void message(const std::string& line) override {
    for (run_observer* o : to_) o->message(line);
  }

 private:
  std::vector<run_observer*> to_;
};

}  // namespace tessaly
