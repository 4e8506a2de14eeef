// ScanClientHello: a reader of handshake bytes across TLS records and written buffers, and the
// walk through the ClientHello to its server_name extension.
#include "provider/ClientHello.h"

#include <cstdint>
#include <cstring>

namespace hookwise::provider {

namespace {

constexpr unsigned char kHandshakeRecord = 22;
constexpr unsigned char kClientHelloType = 1;
constexpr std::size_t kRecordHeaderBytes = 5;
constexpr std::size_t kMaxRecordPayload = 16384; // a TLS plaintext record's limit
constexpr std::uint16_t kServerNameExtension = 0;
constexpr unsigned char kHostNameType = 0;
constexpr std::size_t kMaxServerName = kServerNameSize - 2; // 253 characters and a trailing dot

// Handshake bytes in order, read across the record layer and the written buffers. A read that
// runs past the data sets Short (more may come, or the look limit is reached); a record header
// that is not a handshake record's sets Bad. Each read either completes or leaves a stop set.
class HandshakeReader {
public:
    enum class Stop { None, Short, Bad };

    HandshakeReader(const iovec* parts, int count) : parts_(parts), count_(parts ? count : 0) {}

    // Reads n bytes into out, or skips them when out is null.
    bool Read(std::size_t n, unsigned char* out) {
        while (n > 0) {
            if (recordLeft_ == 0 && !NextRecord())
                return false;
            std::size_t take = n < recordLeft_ ? n : recordLeft_;
            if (!RawRead(take, out))
                return false;
            recordLeft_ -= take;
            n -= take;
            if (out)
                out += take;
        }
        return true;
    }

    // A big-endian number of 1 to 3 bytes.
    bool Number(int bytes, std::size_t& value) {
        unsigned char buffer[3];
        if (!Read(static_cast<std::size_t>(bytes), buffer))
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | buffer[i];
        return true;
    }

    Stop Stopped() const { return stop_; }
    bool AtLookLimit() const { return looked_ >= kClientHelloLookLimit; }

private:
    bool RawRead(std::size_t n, unsigned char* out) {
        while (n > 0) {
            if (looked_ >= kClientHelloLookLimit)
                return Fail(Stop::Short);
            while (part_ < count_ &&
                   (!parts_[part_].iov_base || offset_ >= parts_[part_].iov_len)) {
                ++part_;
                offset_ = 0;
            }
            if (part_ >= count_)
                return Fail(Stop::Short);
            std::size_t available = parts_[part_].iov_len - offset_;
            std::size_t take = n < available ? n : available;
            if (take > kClientHelloLookLimit - looked_)
                take = kClientHelloLookLimit - looked_;
            if (out) {
                std::memcpy(
                    out, static_cast<const unsigned char*>(parts_[part_].iov_base) + offset_, take);
                out += take;
            }
            offset_ += take;
            looked_ += take;
            n -= take;
        }
        return true;
    }

    // A handshake record of TLS 1.0 to 1.3 (record versions 3.0 to 3.4) with a payload within
    // the plaintext limit; empty handshake records are not allowed.
    bool NextRecord() {
        unsigned char header[kRecordHeaderBytes];
        if (!RawRead(sizeof header, header))
            return false;
        std::size_t length = static_cast<std::size_t>(header[3]) << 8 | header[4];
        if (header[0] != kHandshakeRecord || header[1] != 3 || header[2] > 4 || length == 0 ||
            length > kMaxRecordPayload)
            return Fail(Stop::Bad);
        recordLeft_ = length;
        return true;
    }

    bool Fail(Stop stop) {
        stop_ = stop;
        return false;
    }

    const iovec* parts_;
    int count_;
    int part_ = 0;
    std::size_t offset_ = 0;
    std::size_t looked_ = 0;     // raw bytes consumed, record headers included
    std::size_t recordLeft_ = 0; // payload bytes left in the current record
    Stop stop_ = Stop::None;
};

// The common case: the whole handshake message in the first record of one buffer. Reads never
// run past end (the walk bounds every read by the message's own length first).
class FlatReader {
public:
    enum class Stop { None, Short, Bad };

    FlatReader(const unsigned char* begin, const unsigned char* end) : at_(begin), end_(end) {}

    [[gnu::always_inline]] bool Read(std::size_t n, unsigned char* out) {
        if (n > static_cast<std::size_t>(end_ - at_)) {
            stop_ = Stop::Short;
            return false;
        }
        if (out)
            std::memcpy(out, at_, n);
        at_ += n;
        return true;
    }
    [[gnu::always_inline]] bool Number(int bytes, std::size_t& value) {
        if (static_cast<std::size_t>(bytes) > static_cast<std::size_t>(end_ - at_)) {
            stop_ = Stop::Short;
            return false;
        }
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | *at_++;
        return true;
    }
    Stop Stopped() const { return stop_; }
    bool AtLookLimit() const { return false; }

private:
    const unsigned char* at_;
    const unsigned char* end_;
    Stop stop_ = Stop::None;
};

char LowerAscii(unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
}

// The walk itself. Lengths are checked as they are read: each must fit in what encloses it, so
// "left" counts what remains of the handshake message.
template <typename Reader> class HelloWalk {
public:
    HelloWalk(Reader& reader, char (&name)[kServerNameSize]) : reader_(reader), name_(name) {}

    HelloScan Run() {
        std::size_t type = 0;
        if (!reader_.Number(1, type))
            return Stopped();
        if (type != kClientHelloType)
            return HelloScan::NotClientHello;
        if (!reader_.Number(3, left_))
            return Stopped();
        // Version, random, and at least the three length bytes of the three vectors.
        if (left_ < 2 + 32 + 1 + 2 + 1)
            return HelloScan::NotClientHello;
        std::size_t major = 0, length = 0;
        if (!Take(1, major) || !Require(major == 3) || !Skip(1 + 32))
            return Result();
        if (!Take(1, length) || !Require(length <= 32) || !Skip(length)) // session id
            return Result();
        // Cipher suites, two bytes each.
        if (!Take(2, length) || !Require(length >= 2 && length % 2 == 0) || !Skip(length))
            return Result();
        if (!Take(1, length) || !Require(length >= 1) || !Skip(length)) // compression
            return Result();
        if (left_ == 0)
            return HelloScan::NoServerName; // a ClientHello without extensions
        if (!Take(2, length) || !Require(length == left_))
            return Result();
        while (left_ > 0) {
            std::size_t extension = 0, size = 0;
            if (!Take(2, extension) || !Take(2, size) || !Require(size <= left_))
                return Result();
            if (extension == kServerNameExtension)
                return ServerNameList(size);
            if (!Skip(size))
                return Result();
        }
        return HelloScan::NoServerName;
    }

private:
    // server_name: a list of (type, length, name) entries filling the extension exactly; the
    // first host_name entry counts.
    HelloScan ServerNameList(std::size_t size) {
        std::size_t listLength = 0;
        if (!Require(size >= 2) || !Take(2, listLength) || !Require(listLength == size - 2))
            return Result();
        while (listLength > 0) {
            std::size_t type = 0, length = 0;
            if (!Require(listLength >= 3) || !Take(1, type) || !Take(2, length) ||
                !Require(length <= listLength - 3))
                return Result();
            listLength -= 3 + length;
            if (type == kHostNameType)
                return HostName(length);
            if (!Skip(length))
                return Result();
        }
        return HelloScan::NoServerName;
    }

    HelloScan HostName(std::size_t length) {
        if (length == 0 || length > kMaxServerName)
            return HelloScan::NoServerName;
        auto* out = reinterpret_cast<unsigned char*>(name_);
        if (!Bytes(length, out))
            return Result();
        for (std::size_t i = 0; i < length; ++i) {
            char c = LowerAscii(out[i]);
            if (!IsNameCharacter(c))
                return HelloScan::NoServerName;
            name_[i] = c;
        }
        name_[length] = '\0';
        return HelloScan::ServerName;
    }

    // Inlined: a ClientHello is read on every new connection, dozens of fields each.
    [[gnu::always_inline]] bool Take(int bytes, std::size_t& value) {
        if (static_cast<std::size_t>(bytes) > left_)
            return Malformed();
        left_ -= static_cast<std::size_t>(bytes);
        return reader_.Number(bytes, value);
    }
    [[gnu::always_inline]] bool Skip(std::size_t n) { return Bytes(n, nullptr); }
    [[gnu::always_inline]] bool Bytes(std::size_t n, unsigned char* out) {
        if (n > left_)
            return Malformed();
        left_ -= n;
        return reader_.Read(n, out);
    }
    bool Malformed() {
        malformed_ = true;
        return false;
    }
    // A value the layout forbids makes the whole ClientHello malformed.
    bool Require(bool ok) { return ok || Malformed(); }

    // What a failed step means: a length that does not fit, a record that is not a handshake
    // record, or data that ended (more may follow, unless the look limit is reached).
    HelloScan Result() const {
        if (malformed_)
            return HelloScan::NotClientHello;
        return Stopped();
    }
    HelloScan Stopped() const {
        if (reader_.Stopped() == Reader::Stop::Bad)
            return HelloScan::NotClientHello;
        return reader_.AtLookLimit() ? HelloScan::NoServerName : HelloScan::Incomplete;
    }

    Reader& reader_;
    char (&name_)[kServerNameSize];
    std::size_t left_ = 0; // bytes of the handshake message not read yet
    bool malformed_ = false;
};

// The first record of data when it holds a whole handshake message within the look limit: its
// payload; else null.
const unsigned char* WholeMessageRecord(const iovec* parts, int count, std::size_t& payload) {
    int first = 0;
    while (first < count && (!parts[first].iov_base || parts[first].iov_len == 0))
        ++first;
    if (first >= count || parts[first].iov_len < kRecordHeaderBytes + 4)
        return nullptr;
    const auto* p = static_cast<const unsigned char*>(parts[first].iov_base);
    std::size_t length = static_cast<std::size_t>(p[3]) << 8 | p[4];
    if (p[0] != kHandshakeRecord || p[1] != 3 || p[2] > 4 || length == 0 ||
        length > kMaxRecordPayload || kRecordHeaderBytes + length > parts[first].iov_len ||
        kRecordHeaderBytes + length > kClientHelloLookLimit)
        return nullptr;
    std::size_t message =
        static_cast<std::size_t>(p[6]) << 16 | static_cast<std::size_t>(p[7]) << 8 | p[8];
    if (4 + message > length)
        return nullptr;
    payload = length;
    return p + kRecordHeaderBytes;
}

} // namespace

HelloScan ScanClientHello(const iovec* parts, int count, char (&name)[kServerNameSize]) {
    name[0] = '\0';
    if (!parts)
        count = 0;
    HelloScan result;
    std::size_t payload = 0;
    if (const unsigned char* record = WholeMessageRecord(parts, count, payload)) {
        FlatReader reader(record, record + payload);
        result = HelloWalk<FlatReader>(reader, name).Run();
    } else {
        HandshakeReader reader(parts, count);
        result = HelloWalk<HandshakeReader>(reader, name).Run();
    }
    if (result != HelloScan::ServerName)
        name[0] = '\0';
    return result;
}

HelloScan ScanClientHello(const void* data, std::size_t size, char (&name)[kServerNameSize]) {
    iovec part{const_cast<void*>(data), size};
    return ScanClientHello(&part, 1, name);
}

bool MayStartClientHello(const void* data, std::size_t size) {
    return data && size > 0 && *static_cast<const unsigned char*>(data) == kHandshakeRecord;
}

bool MayStartClientHello(const iovec* parts, int count) {
    for (int i = 0; parts && i < count; ++i) {
        if (parts[i].iov_base && parts[i].iov_len > 0)
            return MayStartClientHello(parts[i].iov_base, parts[i].iov_len);
    }
    return false;
}

} // namespace hookwise::provider
