#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvel::updatetest {

// A small HTTP server on 127.0.0.1 for the update tests: one thread per connection, each
// request answered by a handler of its path. Stopping it closes every connection.
class TUpdateTestServer {
public:
  // The answer to one request: the raw bytes sent at once. Silent keeps the connection
  // open without answering. Trickled bytes follow Raw one at a time, TrickleMs apart (a
  // slow server); then StreamedBytes copies of StreamedByte (a long body), each part only
  // while the client stays. The server then closes its side, whatever Raw declared.
  struct TReply {
    std::string Raw;
    bool Silent = false;
    std::uint64_t StreamedBytes = 0;
    char StreamedByte = 'x';
    std::string Trickled{};
    int TrickleMs = 0;
  };
  using THandler = std::function<TReply(const std::string& APath)>;

  explicit TUpdateTestServer(THandler AHandler) : FHandler(std::move(AHandler)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    FListen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
    listen(FListen, 16);
    FAccept = std::thread([this] { AcceptLoop(); });
  }

  ~TUpdateTestServer() { Stop(); }

  void Stop() {
    if (FStopped.exchange(true))
      return;
    closesocket(FListen);
    if (FAccept.joinable())
      FAccept.join();
    {
      const std::lock_guard<std::mutex> hold(FLock);
      for (SOCKET s : FOpen)
        shutdown(s, SD_BOTH);
    }
    for (std::thread& t : FConnections)
      t.join();
    WSACleanup();
  }

  unsigned short Port() const { return FPort; }
  std::string Url(const std::string& APath) const { return "http://127.0.0.1:" + std::to_string(FPort) + APath; }
  int Requests() const { return FRequests; }

  static TReply Answer(int AStatus, const std::string& AReason, const std::string& ABody,
                       const std::string& AHeaders = "") {
    return {"HTTP/1.1 " + std::to_string(AStatus) + " " + AReason + "\r\nContent-Length: " +
            std::to_string(ABody.size()) + "\r\nConnection: close\r\n" + AHeaders + "\r\n" + ABody};
  }
  static TReply Redirect(const std::string& ALocation) {
    return Answer(302, "Found", "", "Location: " + ALocation + "\r\n");
  }
  // A reply that declares a body of ADeclared bytes and sends only ABody before it closes.
  static TReply CutShort(std::uint64_t ADeclared, const std::string& ABody) {
    return {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(ADeclared) + "\r\nConnection: close\r\n\r\n" +
            ABody};
  }
  // A body of ASize bytes: AStart, then AFill up to the size.
  static TReply Huge(const std::string& AStart, std::uint64_t ASize, char AFill) {
    TReply reply = CutShort(ASize, AStart);
    reply.StreamedBytes = ASize - AStart.size();
    reply.StreamedByte = AFill;
    return reply;
  }
  // The status line at once, then the rest of AReply's headers and body one byte at a time.
  static TReply TrickledHeaders(const TReply& AReply, int AMs) {
    const std::size_t line = AReply.Raw.find("\r\n") + 2;
    TReply reply{AReply.Raw.substr(0, line)};
    reply.Trickled = AReply.Raw.substr(line);
    reply.TrickleMs = AMs;
    return reply;
  }
  // The headers of AReply at once, then its body one byte at a time.
  static TReply TrickledBody(const TReply& AReply, int AMs) {
    const std::size_t body = AReply.Raw.find("\r\n\r\n") + 4;
    TReply reply{AReply.Raw.substr(0, body)};
    reply.Trickled = AReply.Raw.substr(body);
    reply.TrickleMs = AMs;
    return reply;
  }

  // A port on 127.0.0.1 where nothing listens.
  static unsigned short RefusedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    WSACleanup();
    return ntohs(address.sin_port);
  }

private:
  void AcceptLoop() {
    for (;;) {
      const SOCKET client = accept(FListen, nullptr, nullptr);
      if (client == INVALID_SOCKET)
        return;
      const std::lock_guard<std::mutex> hold(FLock);
      FOpen.push_back(client);
      FConnections.emplace_back([this, client] { Serve(client); });
    }
  }

  void Serve(SOCKET AClient) {
    std::string request;
    char buffer[4096];
    // A TLS handshake (its first record starts with 22) is not waited out: it is answered
    // in plain HTTP, which the client cannot take for a secure channel.
    while (request.find("\r\n\r\n") == std::string::npos && (request.empty() || request[0] != '\x16')) {
      const int n = recv(AClient, buffer, sizeof(buffer), 0);
      if (n <= 0)
        break;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    ++FRequests;
    const std::size_t start = request.find(' ');
    const std::size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    const TReply reply = !request.empty() && request[0] == '\x16'
                             ? Answer(400, "Bad Request", "")
                             : FHandler(start == std::string::npos || end == std::string::npos
                                            ? ""
                                            : request.substr(start + 1, end - start - 1));
    if (reply.Silent) {
      while (!FStopped)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } else {
      bool open = SendAll(AClient, reply.Raw.data(), reply.Raw.size());
      for (std::size_t i = 0; open && i < reply.Trickled.size() && !FStopped; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(reply.TrickleMs));
        open = SendAll(AClient, reply.Trickled.data() + i, 1);
      }
      const std::string chunk(64 * 1024, reply.StreamedByte);
      std::uint64_t left = open ? reply.StreamedBytes : 0;
      while (left > 0 && !FStopped) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        if (!SendAll(AClient, chunk.data(), n))
          break;
        left -= n;
      }
      shutdown(AClient, SD_SEND);
      // Drained until the client closes, so that the answer is not cut by a reset.
      while (!FStopped && recv(AClient, buffer, sizeof(buffer), 0) > 0) {
      }
    }
    {
      const std::lock_guard<std::mutex> hold(FLock);
      std::erase(FOpen, AClient);
    }
    closesocket(AClient);
  }

  static bool SendAll(SOCKET AClient, const char* AData, std::size_t ASize) {
    while (ASize > 0) {
      const int n = send(AClient, AData, static_cast<int>(std::min<std::size_t>(ASize, 1 << 20)), 0);
      if (n <= 0)
        return false;
      AData += n;
      ASize -= static_cast<std::size_t>(n);
    }
    return true;
  }

  THandler FHandler;
  SOCKET FListen = INVALID_SOCKET;
  unsigned short FPort = 0;
  std::atomic<bool> FStopped{false};
  std::atomic<int> FRequests{0};
  std::thread FAccept;
  std::mutex FLock;
  std::vector<SOCKET> FOpen;
  std::vector<std::thread> FConnections;
};

} // namespace tarvel::updatetest
