// The in-process server's counts: live objects and server locks. The objects count themselves;
// the class factory's LockServer counts the locks; DllCanUnloadNow asks whether both are zero.
#pragma once

void IncrementServerObjects();
void DecrementServerObjects();
void IncrementServerLocks();
void DecrementServerLocks();
// True while an object or a lock of the server is alive.
bool ServerInUse();
