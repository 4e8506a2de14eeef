// Lazy RTLD_NEXT look-ups of the interposed functions, safe on any thread and free of static
// constructors.
#include "provider/RealCalls.h"

#include <atomic>

#include <dlfcn.h>

namespace hookwise::provider {

namespace {

// Racing threads may both look a function up; they find the same address, so either store wins.
template <typename Fn> Fn Resolve(std::atomic<void*>& slot, const char* name) {
    void* found = slot.load(std::memory_order_acquire);
    if (!found) {
        found = dlsym(RTLD_NEXT, name);
        slot.store(found, std::memory_order_release);
    }
    return reinterpret_cast<Fn>(found);
}

std::atomic<void*> connectSlot{nullptr};
std::atomic<void*> sendSlot{nullptr};
std::atomic<void*> sendToSlot{nullptr};
std::atomic<void*> sendMsgSlot{nullptr};
std::atomic<void*> writeSlot{nullptr};
std::atomic<void*> writeVSlot{nullptr};
std::atomic<void*> getAddrInfoSlot{nullptr};
std::atomic<void*> getHostByNameSlot{nullptr};
std::atomic<void*> getHostByName2Slot{nullptr};
std::atomic<void*> getHostByNameRSlot{nullptr};

} // namespace

ConnectFn RealConnect() {
    return Resolve<ConnectFn>(connectSlot, "connect");
}
SendFn RealSend() {
    return Resolve<SendFn>(sendSlot, "send");
}
SendToFn RealSendTo() {
    return Resolve<SendToFn>(sendToSlot, "sendto");
}
SendMsgFn RealSendMsg() {
    return Resolve<SendMsgFn>(sendMsgSlot, "sendmsg");
}
WriteFn RealWrite() {
    return Resolve<WriteFn>(writeSlot, "write");
}
WriteVFn RealWriteV() {
    return Resolve<WriteVFn>(writeVSlot, "writev");
}

GetAddrInfoFn RealGetAddrInfo() {
    return Resolve<GetAddrInfoFn>(getAddrInfoSlot, "getaddrinfo");
}
GetHostByNameFn RealGetHostByName() {
    return Resolve<GetHostByNameFn>(getHostByNameSlot, "gethostbyname");
}
GetHostByName2Fn RealGetHostByName2() {
    return Resolve<GetHostByName2Fn>(getHostByName2Slot, "gethostbyname2");
}
GetHostByNameRFn RealGetHostByNameR() {
    return Resolve<GetHostByNameRFn>(getHostByNameRSlot, "gethostbyname_r");
}

} // namespace hookwise::provider
