// Registry transactions: commit, roll back, nesting, and other threads waiting for the scope.
#include "TempRegistry.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using RegistryTransactions = TempRegistry;

TEST_F(RegistryTransactions, CommitKeepsEveryWrite) {
    {
        RegistryTransaction transaction;
        RegKey key(Create("Software\\Saved"));
        ASSERT_EQ(SetString(key.Get(), "One", "1"), ERROR_SUCCESS);
        ASSERT_EQ(SetString(key.Get(), "Two", "2"), ERROR_SUCCESS);
        EXPECT_EQ(Read(key.Get(), "One"), "1"); // the transaction sees its own writes
        EXPECT_EQ(transaction.Commit(), ERROR_SUCCESS);
        EXPECT_EQ(transaction.Commit(), ERROR_INVALID_PARAMETER);
    }
    RegistryReopenForTesting();
    RegKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Saved", key.Put()), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "One"), "1");
    EXPECT_EQ(Read(key.Get(), "Two"), "2");
}

TEST_F(RegistryTransactions, NoCommitUndoesEverything) {
    RegKey kept(Create("Software\\Kept"));
    ASSERT_EQ(SetString(kept.Get(), "V", "before"), ERROR_SUCCESS);
    {
        RegistryTransaction transaction;
        ASSERT_EQ(SetString(kept.Get(), "V", "during"), ERROR_SUCCESS);
        ASSERT_EQ(SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kept"), ERROR_SUCCESS);
        RegKey made(Create("Software\\Made"));
    }
    EXPECT_EQ(Read(kept.Get(), "V"), "before");
    RegKey made;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Made", made.Put()), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTransactions, OnlyTheOutermostScopeCommits) {
    RegKey key(Create("Software\\Nested"));
    {
        RegistryTransaction outer;
        {
            RegistryTransaction inner;
            ASSERT_EQ(SetString(key.Get(), "Inner", "committed inside"), ERROR_SUCCESS);
            EXPECT_EQ(inner.Commit(), ERROR_SUCCESS);
        }
        {
            RegistryTransaction dropped;
            ASSERT_EQ(SetString(key.Get(), "Dropped", "x"), ERROR_SUCCESS);
        }
        EXPECT_EQ(Read(key.Get(), "Dropped"), "<error 2>"); // the inner scope undid only its part
        ASSERT_EQ(SetString(key.Get(), "Outer", "y"), ERROR_SUCCESS);
        // Not committed: the inner scope's commit does not survive either.
    }
    EXPECT_EQ(Read(key.Get(), "Inner"), "<error 2>");
    EXPECT_EQ(Read(key.Get(), "Outer"), "<error 2>");
    {
        RegistryTransaction outer;
        {
            RegistryTransaction inner;
            ASSERT_EQ(SetString(key.Get(), "Inner", "1"), ERROR_SUCCESS);
            EXPECT_EQ(inner.Commit(), ERROR_SUCCESS);
        }
        EXPECT_EQ(outer.Commit(), ERROR_SUCCESS);
    }
    EXPECT_EQ(Read(key.Get(), "Inner"), "1");
}

TEST_F(RegistryTransactions, LogicalFailureInsideDoesNotSpoilTheTransaction) {
    RegKey key(Create("Software\\Logic"));
    RegistryTransaction transaction;
    ASSERT_EQ(SetString(key.Get(), "A", "1"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key.Get(), "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(SetString(key.Get(), "B", "2"), ERROR_SUCCESS);
    EXPECT_EQ(transaction.Commit(), ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "A"), "1");
    EXPECT_EQ(Read(key.Get(), "B"), "2");
}

TEST_F(RegistryTransactions, OtherThreadsWaitInsteadOfJoiningIt) {
    RegKey key(Create("Software\\Threads"));
    std::atomic<bool> written{false};
    LONG otherResult = -1;
    std::thread other;
    {
        RegistryTransaction transaction;
        ASSERT_EQ(SetString(key.Get(), "Mine", "rolled back"), ERROR_SUCCESS);
        other = std::thread([&] {
            otherResult = SetString(key.Get(), "Theirs", "kept");
            written = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(written) << "another thread wrote into an open transaction";
        // Destroyed without Commit: only this thread's writes may go.
    }
    other.join();
    EXPECT_EQ(otherResult, ERROR_SUCCESS);
    EXPECT_EQ(Read(key.Get(), "Theirs"), "kept");
    EXPECT_EQ(Read(key.Get(), "Mine"), "<error 2>");
}

TEST_F(RegistryTransactions, ThreadsSavingAtOnceEachKeepTheirWholeSave) {
    RegKey key(Create("Software\\Busy"));
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 50;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            RegKey own;
            if (RegCreateKeyA(key.Get(), ('T' + std::to_string(t)).c_str(), own.Put()) != 0)
                ++failures;
            RegistryTransaction transaction;
            for (int i = 0; i < kValuesEach; ++i) {
                if (SetString(own.Get(), ('V' + std::to_string(i)).c_str(), "x") != 0)
                    ++failures;
                DWORD counted = 0;
                if (RegQueryInfoKeyCounts(own.Get(), nullptr, &counted) != 0 ||
                    counted != static_cast<DWORD>(i + 1))
                    ++failures; // another thread's writes or rollback leaked into this one
            }
            if (t % 2 == 0 && transaction.Commit() != 0)
                ++failures;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    for (int t = 0; t < kThreads; ++t) {
        RegKey own;
        ASSERT_EQ(RegOpenKeyA(key.Get(), ('T' + std::to_string(t)).c_str(), own.Put()), 0);
        DWORD values = 0;
        ASSERT_EQ(RegQueryInfoKeyCounts(own.Get(), nullptr, &values), ERROR_SUCCESS);
        EXPECT_EQ(values, t % 2 == 0 ? DWORD{kValuesEach} : DWORD{0}) << t;
    }
}

TEST_F(RegistryTransactions, TransactionOnAnUnusableFileRefusesWrites) {
    setenv("HOOKWISE_REGISTRY", (folder_ + "/no/such/folder/registry.db").c_str(), 1);
    RegistryReopenForTesting();
    RegistryTransaction transaction;
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_CANTOPEN);
    EXPECT_EQ(transaction.Commit(), ERROR_CANTWRITE);
}

} // namespace
