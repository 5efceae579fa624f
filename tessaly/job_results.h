#pragma once
// What one process of a split conversion hands back to the first: each
// table it filled with its counts, time and errors, and the errors of its
// run as a whole. A private line format: one record a line, fields
// separated by tabs, tabs, line ends and backslashes escaped.
#include <string>
#include <vector>

#include "tessaly/run_report.h"

namespace tessaly {

struct job_results {
  std::vector<table_result> tables;
  std::vector<table_result::error> run_errors;
};

std::string write_job_results(const job_results& results);
// Raises tk_exception (severity 1) on a line it does not know.
job_results read_job_results(const std::string& text);

// A split run's plan for one process: what it fills, and where.
struct job_entry {
  std::string name;
  std::string sql;  // empty for a table
  std::string target;
  bool created = true;
};

std::string write_job_plan(const std::vector<job_entry>& entries);
std::vector<job_entry> read_job_plan(const std::string& text);

}  // namespace tessaly
