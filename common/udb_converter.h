#pragma once
// The engine-neutral part of the driver: what a run converts (database,
// tables and queries), its options that a profile keeps, and the progress
// fields a front-end reads.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_converter.h"

class udb_profile;

class udb_converter : public tk_converter {
 public:
  udb_converter();
  ~udb_converter() override;

  virtual bool test_query(const std::u16string& sql) = 0;

  bool load_profile(const udb_profile& profile);
  bool store_profile(udb_profile& profile) const;

  // Progress, written by the run only and read from any thread (the
  // wizard's window thread polls it while the run goes on).
  bool done() const { return done_.load(); }
  std::u16string current_name() const {
    std::lock_guard<std::mutex> lock(name_mutex_);
    return current_name_;
  }
  int32_t record_count() const { return record_count_.load(std::memory_order_relaxed); }
  int32_t record_index() const { return record_index_.load(std::memory_order_relaxed); }
  int32_t table_count() const { return table_count_.load(std::memory_order_relaxed); }
  int32_t table_index() const { return table_index_.load(std::memory_order_relaxed); }

  std::u16string database_name;
  // Plain tables in selection order.
  std::vector<std::u16string> selected_tables;
  // Selected queries with their SQL, and tables from a profile with none;
  // a run converts them in this order.
  std::map<std::u16string, std::u16string> selected_entries;
  std::map<std::u16string, std::u16string> available_queries;
  std::u16string destination_name;
  bool definitions_only = false;
  bool skip_indexes = false;

 protected:
  // Once per table, so the lock costs nothing per row.
  void set_current_name(const std::u16string& name) {
    std::lock_guard<std::mutex> lock(name_mutex_);
    current_name_ = name;
  }

  // Read without the lock by the run's own thread only.
  std::u16string current_name_;
  std::atomic<int32_t> record_count_{0};
  std::atomic<int32_t> record_index_{0};
  std::atomic<int32_t> table_count_{0};
  std::atomic<int32_t> table_index_{0};

 private:
  mutable std::mutex name_mutex_;
};
