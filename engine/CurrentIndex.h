// The compiled definition index of the working copy the engine reads now (CLSPGlobals::szDBPath),
// mapped once per process and shared by every thread: the lookups hold a lease on it while they
// read it, and answer from the definitions themselves (the walk) when there is none.
#pragma once

class DefinitionIndexView;

// A lease on the index that belongs to the current working copy. Taking one costs a stat of the
// working copy; the first lease after the working copy changed also opens, checks and maps the
// index beside it (one open, fstat and mmap). Allocates nothing, never throws, safe on any number
// of threads.
class IndexLease {
public:
    IndexLease();
    ~IndexLease();
    IndexLease(const IndexLease&) = delete;
    IndexLease& operator=(const IndexLease&) = delete;

    // The index, or null when there is none for the current working copy: no working copy, no
    // index beside it, one made from another version of the file, one that fails its checks or
    // has been found damaged, or indexes switched off.
    const DefinitionIndexView* View() const;
    // The index broke its own rules during a lookup: it is not used again until the working copy
    // changes.
    void ReportDamage();

private:
    void* slot_ = nullptr;
};

// Switches the use of indexes on or off for the whole process (tests and benchmarks that compare
// both paths). On at start.
void SetDefinitionIndexEnabled(bool enabled);
// Drops the current index, so the next lease opens it anew (tests and benchmarks that need a
// cold start). The mappings are released once no lease holds them.
void DefinitionIndexForget();
