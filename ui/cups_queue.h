#pragma once

#include <optional>
#include <string>

namespace velmaro {

// What the CUPS spooler says about one print queue and the jobs sent to it. Every function
// answers from the spooler at the moment of the call; with no spooler reachable, or for a
// name it does not know, they answer "nothing known".

// Why the spooler cannot be asked anything: its library, loaded when first needed, did not
// load. Nothing when it can be asked.
std::optional<std::string> CupsUnavailable();

// Why nothing can be printed now: the print server (its socket or host name, which the reason
// names) does not answer within a few seconds, though a scheduler is installed here or a server
// is named in the settings. Nothing when it answers, when no scheduler is installed (no
// printer, then), or when there is no CUPS library at all.
std::optional<std::string> CupsSpoolerUnreachable();

// Why queue would not print a job now: it is stopped (with the spooler's message, if any)
// or it rejects new jobs. Nothing when it is ready, or when nothing is known of it.
std::optional<std::string> CupsQueueProblem(const std::string& queue);

// The highest job number the spooler has for queue (0 when none or nothing is known).
int CupsLastJobId(const std::string& queue);

// Whether the spooler knows queue at all.
bool CupsKnowsQueue(const std::string& queue);

// After a job titled title was handed to queue, and given the highest job number before it:
// why the job did not make it, if it did not (the spooler holds no such job, or the job was
// aborted, cancelled or stopped). The spooler's last error is the reason when there is one.
std::optional<std::string> CupsJobProblem(const std::string& queue, int lastJobBefore,
                                          const std::string& title);

}  // namespace velmaro
