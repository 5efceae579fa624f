#pragma once
// `convert --jobs N`: one run split over processes, each with its own
// sessions of both sides (the engine keeps one session per process). This
// process creates every table as a single run would, in the same order and
// with the same names; N processes then fill the tables at once; this one
// finally moves the identity sequences on and creates the foreign keys. The
// Oracle content is that of one run.
#include <vector>

#include "tessaly/cli_options.h"
#include "tessaly/run_report.h"
#include "tessaly/session.h"

namespace tessaly {

// Answers the exit status; the report holds every table.
int run_split(session& s, const cli_options& options, run_report& report,
              const std::vector<planned_entry>& plan);

// The part of a split run one process fills (`--job-plan`).
int run_job(session& s, const cli_options& options, run_report& report, run_observer& events);

// Shares out tables by their rows, largest first, each to the process with
// the fewest so far; answers the indexes of the tables of each process.
std::vector<std::vector<size_t>> share_out(const std::vector<int64_t>& rows, int jobs);

}  // namespace tessaly
