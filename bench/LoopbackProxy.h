// A TCP proxy on the loopback interface that makes a local server look like one across a network:
// every chunk a client sends reaches the server `delay` later (answers come back at once), so each
// request/answer round trip costs `delay` more. It listens on 127.0.0.1 only, on a port the system
// picks, and forwards to 127.0.0.1:targetPort. It stops by itself: when the object goes away, and
// at the latest after `lifetime` (a benchmark that hangs cannot keep it running).
//
//   LoopbackProxy proxy(5432, std::chrono::milliseconds(1));
//   connect to 127.0.0.1:proxy.Port()
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

class LoopbackProxy {
public:
    using Clock = std::chrono::steady_clock;

    LoopbackProxy(uint16_t targetPort, std::chrono::microseconds delay,
                  std::chrono::seconds lifetime = std::chrono::seconds(1800))
        : m_targetPort(targetPort), m_delay(delay), m_deadline(Clock::now() + lifetime) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_listener < 0)
            throw std::runtime_error("proxy: no socket");
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 16) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ::close(m_listener);
            throw std::runtime_error("proxy: cannot listen on 127.0.0.1");
        }
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { Accept(); });
    }

    ~LoopbackProxy() {
        m_stopping = true;
        m_acceptor.join();
        for (const std::shared_ptr<Link>& link : m_links)
            link->Stop();
        for (std::thread& pump : m_pumps)
            pump.join();
        ::close(m_listener);
    }
    LoopbackProxy(const LoopbackProxy&) = delete;
    LoopbackProxy& operator=(const LoopbackProxy&) = delete;

    uint16_t Port() const { return m_port; }

private:
    // One client connection and its server connection; the two directions pump independently.
    struct Link {
        int client = -1;
        int server = -1;
        std::atomic<bool> stopped{false};
        std::mutex mutex;
        std::condition_variable due;
        std::deque<std::pair<Clock::time_point, std::vector<char>>> delayed; // client -> server

        void Stop() {
            {
                std::lock_guard lock(mutex); // a writer about to wait sees it
                stopped = true;
            }
            ::shutdown(client, SHUT_RDWR);
            ::shutdown(server, SHUT_RDWR);
            due.notify_all();
        }
        ~Link() {
            ::close(client);
            ::close(server);
        }
    };

    static sockaddr_in Loopback(uint16_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    static bool SendAll(int fd, const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return true;
    }

    bool Expired() const { return m_stopping || Clock::now() >= m_deadline; }

    void Accept() {
        while (!Expired()) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (::poll(&waiting, 1, 100) <= 0)
                continue;
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in target = Loopback(m_targetPort);
            if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
                ::close(client);
                if (server >= 0)
                    ::close(server);
                continue;
            }
            const int on = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            auto link = std::make_shared<Link>();
            link->client = client;
            link->server = server;
            m_links.push_back(link);
            m_pumps.emplace_back([this, link] { ReadClient(*link); });
            m_pumps.emplace_back([this, link] { WriteServer(*link); });
            m_pumps.emplace_back([this, link] { ServerToClient(*link); });
        }
        // Past the lifetime: end every connection, so a forgotten benchmark fails instead of hanging.
        for (const std::shared_ptr<Link>& link : m_links)
            link->Stop();
    }

    // Client -> server: each chunk is stamped with the time it may go on.
    void ReadClient(Link& link) {
        std::vector<char> buffer(64 * 1024);
        while (!link.stopped) {
            const ssize_t got = ::recv(link.client, buffer.data(), buffer.size(), 0);
            if (got <= 0)
                break;
            std::lock_guard lock(link.mutex);
            link.delayed.emplace_back(Clock::now() + m_delay, std::vector<char>(buffer.begin(), buffer.begin() + got));
            link.due.notify_one();
        }
        link.Stop();
    }

    void WriteServer(Link& link) {
        std::unique_lock lock(link.mutex);
        while (!link.stopped) {
            if (link.delayed.empty()) {
                link.due.wait(lock);
                continue;
            }
            const Clock::time_point when = link.delayed.front().first;
            if (Clock::now() < when) {
                link.due.wait_until(lock, when);
                continue;
            }
            std::vector<char> chunk = std::move(link.delayed.front().second);
            link.delayed.pop_front();
            lock.unlock();
            const bool sent = SendAll(link.server, chunk.data(), chunk.size());
            lock.lock();
            if (!sent)
                break;
        }
        lock.unlock();
        link.Stop();
    }

    void ServerToClient(Link& link) {
        std::vector<char> buffer(64 * 1024);
        while (!link.stopped) {
            const ssize_t got = ::recv(link.server, buffer.data(), buffer.size(), 0);
            if (got <= 0 || !SendAll(link.client, buffer.data(), static_cast<std::size_t>(got)))
                break;
        }
        link.Stop();
    }

    uint16_t m_targetPort;
    std::chrono::microseconds m_delay;
    Clock::time_point m_deadline;
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::vector<std::shared_ptr<Link>> m_links; // touched by the acceptor until it is joined
    std::vector<std::thread> m_pumps;
};
