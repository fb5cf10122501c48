#pragma once
// Name look-ups for one test process only: the process moves into a mount namespace of
// its own, where a file with the test's lines is bound over /etc/hosts. The system's
// file and every other process (other tests running at the same time) are untouched;
// the servers the test starts afterwards see the same names as the test.

#include <string>

namespace fw::test {

// Makes `lines` the hosts file of this process (and its later children) for the rest
// of its life. Needs root and must come before the test starts threads of its own.
// False with the reason in `why`.
bool useOwnHostsFile(const std::string& lines, std::string& why);

}  // namespace fw::test
