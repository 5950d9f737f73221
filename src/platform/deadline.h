// A deadline for a call that waits on another program: an X display, a
// session bus, a compositor, a desktop's socket. When the call has not
// returned in time (a peer that accepts the connection and then says
// nothing), the program says which peer did not answer, removes the files
// it was writing and ends with status 1, instead of waiting for ever.
#pragma once

#include <memory>
#include <string>

namespace syl {

// How long a peer may take to answer a connection or a request.
inline constexpr int kPeerSeconds = 10;

class PeerDeadline {
public:
    // `peer` names what is waited for: "the X display :0".
    explicit PeerDeadline(std::string peer, int seconds = kPeerSeconds);
    ~PeerDeadline(); // the call returned: the deadline is off
    PeerDeadline(const PeerDeadline&) = delete;
    PeerDeadline& operator=(const PeerDeadline&) = delete;

private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
};

} // namespace syl
