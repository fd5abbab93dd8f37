#pragma once
// Raw TCP client to a serial-device server: non-blocking connect, raw bytes both ways.
// Error codes are errno values. Shows nothing; TLink turns the codes into messages.

#include <string>

namespace ravlin {

class TTcpClient {
  public:
    TTcpClient() = default;
    ~TTcpClient();
    TTcpClient(const TTcpClient&) = delete;
    TTcpClient& operator=(const TTcpClient&) = delete;

    // Starts connecting to a dotted IPv4 address (or host name) and a decimal port.
    // False when the connect cannot even be started (bad address or port, no socket);
    // error then holds an errno value (EINVAL for a bad address or port).
    bool StartConnect(const std::string& address, const std::string& port, int& error);
    // Waits up to timeoutMs for a started connect. Returns true when connected. False on
    // time-out (error = 0) or when the connect completed with an error (error = errno).
    bool WaitConnected(int timeoutMs, int& error);
    bool Connected() const { return state_ == Connected_; }

    // Sends all bytes (waits up to timeoutMs for room). False on error: the client is then
    // no longer connected and ClosedError() tells why.
    bool Send(const std::string& bytes, int timeoutMs = 3000);
    // Waits up to timeoutMs for data, then reads up to max available bytes into buf.
    // Returns the count read, 0 on time-out, -1 when the connection is closed (by the peer
    // or an error; see ClosedError()). timeoutMs 0 never waits.
    int Receive(char* buf, int max, int timeoutMs);
    // errno of the event that closed the connection; 0 for an orderly close by the peer.
    int ClosedError() const { return closedError_; }
    // Closes the socket (linger on: pending bytes get up to one second to leave).
    void Close();
    int Handle() const { return fd_; }

  private:
    enum State { Idle, Connecting, Connected_, Closed };
    void MarkClosed(int error);
    int fd_ = -1;
    State state_ = Idle;
    int closedError_ = 0;
};

}  // namespace ravlin
