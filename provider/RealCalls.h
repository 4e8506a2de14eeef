// The C library's own socket and write functions, found behind the provider's interposed ones.
#pragma once

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/uio.h>

namespace hookwise::provider {

using ConnectFn = int (*)(int, const sockaddr*, socklen_t);
using SendFn = ssize_t (*)(int, const void*, size_t, int);
using SendToFn = ssize_t (*)(int, const void*, size_t, int, const sockaddr*, socklen_t);
using SendMsgFn = ssize_t (*)(int, const msghdr*, int);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using WriteVFn = ssize_t (*)(int, const iovec*, int);
using GetAddrInfoFn = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
using GetHostByNameFn = hostent* (*)(const char*);
using GetHostByName2Fn = hostent* (*)(const char*, int);
using GetHostByNameRFn = int (*)(const char*, hostent*, char*, size_t, hostent**, int*);

// Each looks the next definition of its function up once (dlsym with RTLD_NEXT) and keeps it.
// Null only when the process has no such function, which a C library always has.
ConnectFn RealConnect();
SendFn RealSend();
SendToFn RealSendTo();
SendMsgFn RealSendMsg();
WriteFn RealWrite();
WriteVFn RealWriteV();
GetAddrInfoFn RealGetAddrInfo();
GetHostByNameFn RealGetHostByName();
GetHostByName2Fn RealGetHostByName2();
GetHostByNameRFn RealGetHostByNameR();

} // namespace hookwise::provider
