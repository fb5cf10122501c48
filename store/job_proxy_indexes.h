#pragma once
// Jobs choose their HTTP and FTP proxies by index into the proxy list ("Proxy1" is 1).
// When proxies are deleted from that list the records behind the indexes move up, and
// every job follows its record, so that no download goes out through a proxy its user
// did not choose.
//
// Main thread only.

#include <vector>

#include "store/category_tree.h"

namespace fw {

// `newIndexOf[i]` is the new index of old index i; indexes outside it (0, or past the
// old list) already mean the direct connection and stay. Jobs that name their proxy by
// title (multi-proxy) are not affected by the numbering. Returns the number of jobs
// changed.
int moveJobProxyIndexes(const CategoryTree& tree, const std::vector<int>& newIndexOf);

}  // namespace fw
