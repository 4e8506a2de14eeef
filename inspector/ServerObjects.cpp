// The in-process server's object and lock counts.
#include "inspector/ServerObjects.h"

#include <atomic>

namespace {

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

} // namespace

void IncrementServerObjects() {
    ++gObjects;
}

void DecrementServerObjects() {
    --gObjects;
}

void IncrementServerLocks() {
    ++gLocks;
}

void DecrementServerLocks() {
    --gLocks;
}

bool ServerInUse() {
    return gObjects != 0 || gLocks != 0;
}
