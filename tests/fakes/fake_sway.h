// A stand-in for sway's IPC socket: it takes one request, records it, and
// answers with a reply of the test's.
#pragma once

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

namespace syl::fakes {

class FakeSwaySocket {
public:
    // Listens at path; false when it cannot.
    bool listen(const std::string& path)
    {
        socketPath_ = path;
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listener_ < 0) return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (socketPath_.size() >= sizeof addr.sun_path) return false;
        std::memcpy(addr.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
        if (::listen(listener_, 1) != 0) return false;
        timeval timeout{10, 0}; // no endless wait when nobody connects
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        return true;
    }
    ~FakeSwaySocket()
    {
        if (server_.joinable()) server_.join();
        if (listener_ >= 0) ::close(listener_);
    }
    static uint32_t le32(const unsigned char* p)
    {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    void answerWith(const std::string& reply)
    {
        server_ = std::thread([this, reply] {
            int c = ::accept(listener_, nullptr, nullptr);
            if (c < 0) return;
            unsigned char header[14];
            if (::recv(c, header, sizeof header, MSG_WAITALL) == sizeof header) {
                magic_.assign(reinterpret_cast<char*>(header), 6);
                type_ = le32(header + 10);
                std::string payload(le32(header + 6), '\0');
                if (payload.empty() ||
                    ::recv(c, payload.data(), payload.size(), MSG_WAITALL) == ssize_t(payload.size()))
                    command_ = payload;
                std::string out = "i3-ipc";
                for (uint32_t v : {uint32_t(reply.size()), type_})
                    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xFF);
                out += reply;
                (void)::send(c, out.data(), out.size(), MSG_NOSIGNAL);
            }
            ::close(c);
        });
    }

    std::string socketPath_;
    int listener_ = -1;
    std::thread server_;
    std::string magic_, command_;
    uint32_t type_ = 99;
};

} // namespace syl::fakes
