#pragma once
// One line per job for --list: state, percent, size, name, URL.

#include <string>

#include "records/job_record.h"

namespace fw {

const char* stateName(JobState state);
std::string listLine(const JobRecord& job);

}  // namespace fw
