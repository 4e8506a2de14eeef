// Definition databases for the index benchmarks: N entries in every list, shaped like the
// addresses, senders, subjects and phrases of real phishing feeds (distinct hosts and paths, not
// one text with a counter), written as a working copy (scrambled, as the tray program leaves it)
// or as the plain source that hkwdefs compiles.
#pragma once

#include <string>

namespace benchdefs {

// The entry number i (from 1) of each list, in plain text.
std::string IpEntry(long i);
std::string HostLinkEntry(long i);
std::string LinkEntry(long i);
std::string VisibleEntry(long i);
std::string FromEntry(long i);
std::string SubjectEntry(long i);
std::string TextEntry(long i);

// Writes the working copy with count entries per list; false on a write error.
bool WriteWorkingCopy(const std::string& path, long count);
// Writes a working copy whose only list is HostLink, with count entries; false on a write error.
bool WriteWebWorkingCopy(const std::string& path, long count);
// Writes the plain source ([HostIP] IP1=... as hkwdefs compile reads it); false on a write error.
bool WritePlainSource(const std::string& path, long count);

} // namespace benchdefs
