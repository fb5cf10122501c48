#pragma once
// URLs handed to the running desktop program by another process (fetchwright-cli started
// while the program owns the job database): the request's payload, and what the program
// does with it. The payload is text: one block of "key<TAB>value" lines per job, blocks
// separated by an empty line, values escaped ("\\", "\t", "\n", "\r"). Unknown keys are
// skipped, so an older program takes what it knows from a newer sender.
//
// The answer's payload has one line per request, in order: "1<TAB>text" for a job that
// was added, "0<TAB>text" for a refusal.

#include <string>
#include <string_view>
#include <vector>

#include "store/job_operations.h"

namespace fw {

// At most this many jobs per request; a longer list is refused whole.
inline constexpr size_t kHandInMaxJobs = 10000;

std::string encodeHandIn(const std::vector<AddJobRequest>& requests);
// False (with `error` saying why) for malformed text, a bad number, a field over its
// bound or too many jobs; `out` is then empty.
bool decodeHandIn(std::string_view payload, std::vector<AddJobRequest>& out, std::string* error);

struct HandInResult {
  bool added = false;
  // "added to Fetchwright: NAME", "Duplicate URL", "Invalid URLs...".
  std::string text;
  JobRecord* job = nullptr;  // the new job when added
};

// Adds each request as AddJob does (the context's queue hooks start an Immediately job).
// Main thread only.
std::vector<HandInResult> handInUrls(JobContext& ctx, const std::vector<AddJobRequest>& requests);

std::string encodeHandInAnswer(const std::vector<HandInResult>& results);
// The (added, text) pairs of an answer; lines that do not parse are skipped.
std::vector<HandInResult> decodeHandInAnswer(std::string_view payload);

}  // namespace fw
