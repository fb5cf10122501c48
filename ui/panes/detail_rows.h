#pragma once
// The rows of the "Detailed Info" table: the selected job's properties, with one row set
// while it is unfinished and another once it is complete, or one Role's values.
//
// Main thread (reads the job record).

#include <string>
#include <utility>
#include <vector>

#include "records/job_record.h"
#include "ui/panes/shown_progress.h"

namespace fw {

using DetailRow = std::pair<std::string, std::string>;  // "Parameter", "Value"

std::vector<DetailRow> jobDetailRows(const JobRecord& job, const ShownProgress& p,
                                     bool sizeInBytes);
std::vector<DetailRow> roleDetailRows(const RoleProgress& r, bool sizeInBytes);

}  // namespace fw
