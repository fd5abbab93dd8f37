#pragma once
// A Mosquitto broker of the test's own on a free loopback port, with a generated
// configuration (never the system's service), for the bridge's tests:
//
//   TBrokerProcess broker;
//   ASSERT_TRUE(broker.Start());                        // anonymous, plain MQTT
//   ASSERT_TRUE(broker.Start({.user = "u", .password = "p", .tls = true}));
//   broker.Url();          // mqtt://127.0.0.1:PORT (mqtts:// with TLS)
//   broker.CaFile();       // the authority generated for TLS
//   broker.Stop(); broker.Start(...same options)        // again on the same port
//
// Retained messages are kept on disk across a restart, as a site's broker keeps them. The
// broker gets SIGTERM when the test process dies.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace ravlin::test {

struct TBrokerOptions {
    std::string user;  // with a password: the only login the broker takes
    std::string password;
    bool tls = false;
};

class TBrokerProcess {
  public:
    TBrokerProcess() {
        char tmpl[] = "/tmp/ravlin-broker-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
    }
    ~TBrokerProcess() {
        Stop();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TBrokerProcess(const TBrokerProcess&) = delete;
    TBrokerProcess& operator=(const TBrokerProcess&) = delete;

    static bool Available() { return std::system("command -v mosquitto >/dev/null 2>&1") == 0; }

    // Starts the broker (on the port of the last start, when there was one); true once it
    // takes connections.
    bool Start(const TBrokerOptions& options = {}) {
        Stop();
        options_ = options;
        if (port_ == 0) port_ = FreePort();
        std::ofstream conf(dir_ + "/mosquitto.conf");
        conf << "listener " << port_ << " 127.0.0.1\n"
             << "persistence true\npersistence_location " << dir_ << "/\n"
             << "log_dest file " << dir_ << "/mosquitto.log\n";
        if (!options.user.empty()) {
            const std::string file = dir_ + "/passwords";
            if (!Run("mosquitto_passwd -b -c '" + file + "' '" + options.user + "' '" +
                     options.password + "'"))
                return false;
            conf << "allow_anonymous false\npassword_file " << file << "\n";
        } else {
            conf << "allow_anonymous true\n";
        }
        if (options.tls) {
            if (!MakeCertificates()) return false;
            conf << "cafile " << dir_ << "/ca.crt\ncertfile " << dir_ << "/server.crt\nkeyfile "
                 << dir_ << "/server.key\n";
        }
        conf.close();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            const std::string path = dir_ + "/mosquitto.conf";
            ::execlp("mosquitto", "mosquitto", "-c", path.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            if (Accepts()) return true;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    bool Running() const { return pid_ > 0; }
    int Port() const { return port_; }
    std::string Url() const {
        return std::string(options_.tls ? "mqtts" : "mqtt") +
               "://127.0.0.1:" + std::to_string(port_);
    }
    std::string CaFile() const { return dir_ + "/ca.crt"; }
    const std::string& Dir() const { return dir_; }

    // The broker's command-line clients, for a look from outside: the messages of
    // `filter` within `seconds`, one "topic payload" line each (mosquitto_sub -v).
    std::string Subscribe(const std::string& filter, int count, int seconds) const {
        const std::string out = dir_ + "/sub.txt";
        Run("mosquitto_sub -h 127.0.0.1 -p " + std::to_string(port_) + Login() + " -v -t '" +
            filter + "' -C " + std::to_string(count) + " -W " + std::to_string(seconds) + " > '" +
            out + "' 2>/dev/null");
        std::ifstream in(out);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Publish(const std::string& topic, const std::string& payload, bool retain) const {
        return Run("mosquitto_pub -h 127.0.0.1 -p " + std::to_string(port_) + Login() + " -q 1 " +
                   (retain ? "-r " : "") + "-t '" + topic + "' -m '" + payload + "'");
    }

  private:
    std::string Login() const {
        std::string s;
        if (!options_.user.empty())
            s += " -u '" + options_.user + "' -P '" + options_.password + "'";
        if (options_.tls) s += " --cafile '" + CaFile() + "'";
        return s;
    }
    static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        const int port = ntohs(a.sin_port);
        ::close(fd);
        return port;
    }

    bool Accepts() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    }

    // A certificate authority and a server certificate for 127.0.0.1 signed by it.
    bool MakeCertificates() const {
        if (std::filesystem::exists(dir_ + "/server.crt")) return true;
        const std::string d = "'" + dir_ + "'";
        return Run("cd " + d +
                   " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt "
                   "-subj /CN=RavlinTestCA -days 2 >/dev/null 2>&1"
                   " && openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr "
                   "-subj /CN=127.0.0.1 >/dev/null 2>&1"
                   " && printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > san.ext"
                   " && openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key "
                   "-CAcreateserial -out server.crt -days 2 -extfile san.ext >/dev/null 2>&1"
                   " && chmod 644 server.key");
    }

    std::string dir_;
    int port_ = 0;
    pid_t pid_ = -1;
    TBrokerOptions options_;
};

}  // namespace ravlin::test
