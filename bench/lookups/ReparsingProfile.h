// The baseline for the lookup benchmark: a profile read that opens, reads and scans the whole
// file on every call, as the Windows profile functions do, and the lookups walked over it.
#pragma once

#include "platform/WinTypes.h"

// GetPrivateProfileStringA without any cache: the same parsing rules, the file read anew each call.
DWORD ReparsingGetPrivateProfileString(const char* section, const char* key,
                                       const char* defaultText, char* out, DWORD size,
                                       const char* fileName);

// The five lookups over ReparsingGetPrivateProfileString, each step as written for the engine:
// the section and key names scrambled for every read, the value unscrambled through strings.
bool BaselineIsBadIP(const char* host, const char* file);
bool BaselineIsBadUrl(char* url, const char* file);
bool BaselineIsBadMailFrom(const char* from, const char* file);
bool BaselineIsBadMailSubject(const char* subject, const char* file);
bool BaselineIsBadMailText(const char* text, char* matched, const char* file);
