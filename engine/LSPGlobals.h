// CLSPGlobals: the exported engine of libbaitlib.so.
//
// One class of static operations and static buffers: engine state and paths, text scrambling and
// scrambled database access, the definition lookups, link checks, request target extraction and
// provider detection. Texts cross it as zero-terminated single-byte strings in fixed buffers of 261
// bytes (260 characters), 100 bytes for host addresses. No exception crosses this interface.
//
// Sections:
//   state and configuration     InitializeAppVars ... DisplayError
//   scrambling and registry     Encode ... OwnerRegSetEncValueEx
//   definition lookups          IsBadIP ... IsBadMailText
//   link checks                 IsBadVisibleMailLinks, IsBadMailLinks
//   request target              GetUrl
//   provider detection          GetProviders, IsLSPInstalled
#pragma once

#include "engine/Export.h"
#include "platform/FixedField.h"
#include "platform/WinTypes.h"

#include <string>

struct WSAPROTOCOL_INFOW;

class BAITLIB_API CLSPGlobals {
public:
    CLSPGlobals();
    CLSPGlobals(const CLSPGlobals&);
    CLSPGlobals& operator=(const CLSPGlobals&);
    virtual ~CLSPGlobals();

    // ---- state and configuration ----
    static char
        szMsg[hookwise::platform::kFieldSize]; // offered to callers; the library never touches it
    static char szAppPath[hookwise::platform::kFieldSize];   // installation folder, no trailing '/'
    static char szDBPath[hookwise::platform::kFieldSize];    // szAppPath + "/hkwdb2.pbd"
    static char szPMailPath[hookwise::platform::kFieldSize]; // szAppPath + "/hkwpm.htm"
    static char szHostIPSec[16];
    static char szHostLinkSec[16];
    static char szUrlSec[16];
    static char szFromSec[16];
    static char szSubjectSec[16];
    static char szTextSec[16];
    static HKEY hAppRegKey; // open only while InitializeAppVars runs
    static HWND hMainWnd;   // the handler channel found by the latest lookup, or null

    // Fills the paths that are still empty and looks the handler window up again; under the engine
    // lock. False when the application registry key could not be opened or created. A path that
    // would not fit its 261 bytes (folder plus file name) is left empty, never cut.
    static bool InitializeAppVars();
    // Opens or creates HKEY_CURRENT_USER\Software\Corvane\Hookwise; null on failure. Caller closes.
    static HKEY InitializeAppRegKey();
    // "App Path" read through hAppRegKey, or "" when that is null or the value is unreadable. The
    // text lives in a per-thread buffer until the thread's next call.
    static char* GetAppPath();
    // Looks up the channel "Baitguard Server Handler", stores it in hMainWnd and returns it.
    static HWND GetMainWndHandle();
    // Writes the system's text for the thread's last error to standard error.
    static void DisplayError();

    // ---- scrambling and registry ----
    static std::string Encode(unsigned char b);
    static unsigned char Decode(const std::string& s);
    static std::string EncryptString(const std::string& text);
    static std::string DecryptString(const std::string& text);
    // Reads key of section (both plain text, scrambled here) from file and unscrambles the value
    // into out, up to its first zero byte. The value passes through a 261-byte work buffer, so a
    // larger size is taken as 261. Returns the characters the profile read gave (0 for a missing
    // file, section or key with the empty default); size 0 returns 0 and leaves out untouched.
    static unsigned long GetEncPrivateProfileString(const char* section, const char* key,
                                                    const char* defaultText, char* out,
                                                    unsigned long size, const char* file);
    static unsigned long GetEncPrivateProfileSection(const char* section, char* out,
                                                     unsigned long size, const char* file);
    // Registry wrappers: 1 when the call succeeds, 0 otherwise.
    static int OwnerRegConnectRegistry(HKEY root, HKEY& result);
    static int OwnerRegCreateKeyEx(HKEY parent, const char* subKey, HKEY& result);
    static int OwnerRegCreateEncKeyEx(HKEY parent, const char* subKey, HKEY& result);
    static int OwnerRegQueryValueEx(HKEY key, const char* valueName, char* data);
    static int OwnerRegQueryEncValueEx(HKEY key, const char* subKey, const char* valueName,
                                       char* data);
    static int OwnerRegSetEncValueEx(HKEY key, const char* subKey, const char* valueName,
                                     unsigned long type, const void* data, unsigned long size);

    // ---- definition lookups (true = known bad) ----
    // Each walks one numbered list of the database at szDBPath and stops at the first absent or
    // empty entry; a missing database knows nothing. One walk reads one version of the file.
    static bool IsBadIP(const char* host);
    // A web address (a short "host/path" as GetUrl gives, or a full URL; lower-cased in place)
    // is listed when a HostLink or Link entry's host is its host or a parent of it and the
    // entry's path is empty, its path, or a leading part of it ending at a '/'. Both are read as
    // ParseWebAddress reads them (scheme, user, port, query, fragment and a leading "www."
    // dropped); an entry or address without a host that has a dot is no web address.
    static bool IsBadUrl(char* url);
    // The mail lookups: true when a From, Subject or Text entry occurs in the given text, which
    // the caller has put under the Unicode case fold (FoldCase, platform/CaseFold.h), as the
    // entries are (their fold cut to 260 bytes). IsBadMailText copies the folded entry into
    // matched (>= 261 bytes) on a hit and leaves it alone otherwise.
    static bool IsBadMailFrom(const char* from);
    static bool IsBadMailSubject(const char* subject);
    static bool IsBadMailText(const char* text, char* matched);
    // Server names (a TLS server name, a name a program resolves): true when an entry listing a
    // whole host (no path) is name or a parent of it, or when entries list pages on exactly name
    // (less a leading "www.") and name is not a well-known site (engine/WellKnownSites.h). ASCII
    // case and one trailing dot of name are ignored. False for a null or empty name, one longer
    // than 253 characters, or one with a character other than a letter, digit, '-', '_' or '.'.
    // Answers from the index, or a table built once per database version; never changes name.
    static bool IsBadHostName(const char* name);

    // ---- link checks ----
    // html is the page HTML under the Unicode case fold; the patterns are folded as the mail
    // lookups' entries are. Both outputs hold >= 261 bytes and are written only on a hit. True
    // when a CLINK pattern's first occurrence is followed by a '>' and the text after it (up to
    // the next '<' or the end of the HTML, at most 260 characters, no trimming) equals the VLINK
    // entry of the same index ignoring case (in every script); outputs: that VLINK entry as
    // stored and the folded pattern. "null" patterns are skipped; null arguments give false.
    static bool IsBadVisibleMailLinks(const char* html, char* visibleText, char* linkPattern);
    // True when a CLINK pattern other than "null" occurs in html; linkPattern (>= 261 bytes)
    // receives it folded, only on a hit.
    static bool IsBadMailLinks(const char* html, char* linkPattern);

    // ---- request target ----
    // url (>= 261 bytes) is cleared, then receives host and path of an HTTP/1.0 or HTTP/1.1
    // request of any method: the request line (the first line, any letter case) with a path and
    // the first Host header (name in any case), or an absolute-form target
    // ("http://host:port/path", as sent to a proxy) alone. No leading "www.", no port, no user
    // info, no query; "/" gives the bare host. Empty for malformed requests, hosts of 100
    // characters or more, paths over 260, addresses of 260 or more, and ignored extensions
    // (.jpg .gif .jpe .css .wav .xml .js). A null url is left alone.
    static void GetUrl(const char* request, char* url);

    // ---- provider detection ----
    // Catalogue entries in zeroed memory the caller frees with GlobalFree, or null. *count gets
    // the entry count; 0 when the listing fails before the entries are read, SOCKET_ERROR (-1)
    // when reading them fails.
    static WSAPROTOCOL_INFOW* GetProviders(int* count);
    // True when a catalogue entry's name (low byte of each wide character, at most 255) equals
    // protocolName ignoring ASCII case; false on any failure.
    static bool IsLSPInstalled(const char* protocolName);
};
