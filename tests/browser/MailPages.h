// Test support: the web-mail page of the browser end-to-end tests, whose sender is listed, with
// an inner frame, and small file helpers.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace browsertest {

inline constexpr char kMailPage[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Webmail - Inbox</title></head>
<body>
<div class="toolbar">Inbox | Sent | Drafts</div>
<div class="headers">
  <div>From: Billing Support &lt;billing@amaz0n-support.example&gt;</div>
  <div>To: you@home.example</div>
  <div>Subject: Your order is on hold</div>
  <div>Date: Tue, 2 Jan 2024 10:15</div>
</div>
<div class="body"><p>Dear customer, your order could not be shipped.</p></div>
<iframe src="ad.html" title="ad"></iframe>
</body></html>
)";
inline constexpr char kInnerFrame[] =
    "<!DOCTYPE html><html><body><p>Advertisement</p></body></html>\n";

inline bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace browsertest
