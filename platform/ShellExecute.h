// ShellExecuteA: starting a program, or opening a document with the desktop's handler, without
// waiting for it.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// Show commands; a program started here has no window of ours to show, so they are accepted and
// ignored.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// ShellExecute's failure results (all 32 or below).
constexpr std::intptr_t SE_ERR_FNF = 2;            // file not found
constexpr std::intptr_t SE_ERR_PNF = 3;            // path (folder) not found
constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;   // not allowed to run or open it
constexpr std::intptr_t SE_ERR_OOM = 8;            // out of resources
constexpr std::intptr_t SE_ERR_NOASSOC = 31;       // no program opens this document
constexpr std::intptr_t kShellExecuteSuccess = 42; // any value above 32 means success

// Splits a parameter text as a Windows command line is split: blanks separate arguments, double
// quotes group blanks into one argument and are removed, \" is a literal quote.
std::vector<std::string> SplitParameters(const char* parameters);

// verb null, "" or "open" (compared ignoring case); any other verb gives SE_ERR_NOASSOC.
// file naming an executable regular file: it is started with the split parameters as arguments,
// in directory when one is given (else in the caller's folder), with the caller's environment.
// Any other existing file, or a URL ("scheme:..."): it is handed to xdg-open (parameters
// ignored). The call never waits for the started process; a helper thread reaps it when it ends,
// so it leaves no zombie. Returns a value above 32 on success, else SE_ERR_FNF for a missing file,
// SE_ERR_PNF for a missing directory, SE_ERR_ACCESSDENIED, SE_ERR_OOM or SE_ERR_NOASSOC; the last
// error then holds the Win32 code. owner and showCommand are ignored.
std::intptr_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand);
