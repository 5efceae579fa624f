#pragma once
// Exit statuses of tessaly, the same as the agent's so that scripts can
// treat both alike.
namespace tessaly {

// Everything asked for was done.
constexpr int kDone = 0;
// The run finished but lost records or tables, or verify found differences.
constexpr int kCompletedWithErrors = 1;
// Nothing (or not all) was attempted: a bad command line, a failed
// connection, a run ended by an error.
constexpr int kFatal = 255;

}  // namespace tessaly
