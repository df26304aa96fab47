#pragma once
// Private to the platform: reading and sorting a folder's entries.
#include <string>
#include <vector>

// The visible entries of the folder (no "." or "..", nothing starting with
// "."), sorted as a file browser sorts them; empty when it cannot be read.
std::vector<std::string> ReadSortedListing(const std::string& folder);
// The browser order: digit runs by their value, letters ignoring case, on a
// fixed English locale, ties broken by byte order.
void SortLikeFileBrowser(std::vector<std::string>& names);
