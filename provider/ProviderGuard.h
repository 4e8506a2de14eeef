// The per-thread guard that keeps the provider out of its own traffic: while a thread is inside
// the provider (engine set-up, lookups, sending a report), its socket calls go straight through.
#pragma once

namespace hookwise::provider {

class ProviderGuard {
public:
    ProviderGuard() { ++depth; }
    ~ProviderGuard() { --depth; }
    ProviderGuard(const ProviderGuard&) = delete;
    ProviderGuard& operator=(const ProviderGuard&) = delete;

    static bool Active() { return depth != 0; }

private:
    // Initial-exec: a preloaded library's thread-locals sit in the static TLS block, so reading
    // one never calls into the loader (which could allocate, or take its own locks).
    static inline thread_local int depth __attribute__((tls_model("initial-exec"))) = 0;
};

} // namespace hookwise::provider
