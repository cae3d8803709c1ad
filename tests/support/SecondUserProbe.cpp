// directfax-test-probe: what another local user tries against the servers and files of the user
// running the tests. The tests run it as that other user (setpriv) and read its exit status:
//
//   send SOCKET             connects to a Unix socket, sends standard input, prints the answer
//   job SERVER JOB USER KEY asks a CUPS server for a job's attribute KEY, claiming to be USER;
//                           prints its value or "(hidden)"
//   add-queue SERVER        tries to add a queue to a CUPS server
//   get PORT PATH           asks an HTTP server on 127.0.0.1:PORT for PATH; through when it answers
//                           200
//   put PORT PATH           the same with PUT and standard input as the body
//   read FILE               reads a file
//   list FOLDER             lists a folder
//
// Exit status: 0 when it got through, 3 when it was kept out, 2 for a bad command line.
#include <cups/cups.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kThrough = 0;
constexpr int kKeptOut = 3;

int keptOut(const char* what) {
    std::printf("kept out: %s: %s\n", what, std::strerror(errno));
    return kKeptOut;
}

int send(const char* path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return keptOut("connect");
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(STDIN_FILENO, buffer, sizeof buffer)) > 0)
        if (::send(fd, buffer, size_t(n), MSG_NOSIGNAL) != n)
            break;
    ::shutdown(fd, SHUT_WR);
    std::string answer;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        answer.append(buffer, size_t(n));
    std::printf("%s", answer.c_str());
    return kThrough;
}

http_t* connectTo(const char* server) {
    if (server[0] == '/')
        return httpConnect2(server, 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    std::string host(server);
    const size_t colon = host.rfind(':');
    const int port = colon == std::string::npos ? 631 : std::atoi(host.c_str() + colon + 1);
    host = host.substr(0, colon);
    return httpConnect2(host.c_str(), port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
}

int job(const char* server, int id, const char* user, const char* key) {
    http_t* http = connectTo(server);
    if (!http)
        return keptOut("connect");
    cupsSetUser(user);
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, user);
    ipp_t* response = cupsDoRequest(http, request, "/");
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        std::printf("refused: %s\n", cupsLastErrorString());
        return kKeptOut;
    }
    ipp_attribute_t* value = ippFindAttribute(response, key, IPP_TAG_ZERO);
    std::printf("%s\n", value ? ippGetString(value, 0, nullptr) : "(hidden)");
    return kThrough;
}

int addQueue(const char* server) {
    http_t* http = connectTo(server);
    if (!http)
        return keptOut("connect");
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/printers/Mallory");
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, "ipp://127.0.0.1:9/x");
    ippDelete(cupsDoRequest(http, request, "/admin/"));
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        std::printf("refused: %s\n", cupsLastErrorString());
        return kKeptOut;
    }
    return kThrough;
}

int request(const char* method, int port, const char* path, const std::string& body) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return keptOut("connect");
    const std::string head =
        std::string(method) + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" +
        (body.empty()
             ? ""
             : "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n") +
        "\r\n" + body;
    ::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    char status[64] = {};
    const ssize_t n = ::recv(fd, status, sizeof status - 1, MSG_WAITALL);
    std::printf("%.*s\n", int(n > 0 ? std::strcspn(status, "\r\n") : 0), status);
    return n > 12 && std::strncmp(status + 9, "200", 3) == 0 ? kThrough : kKeptOut;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "send" && argc == 3)
        return send(argv[2]);
    if (command == "job" && argc == 6)
        return job(argv[2], std::atoi(argv[3]), argv[4], argv[5]);
    if (command == "get" && argc == 4)
        return request("GET", std::atoi(argv[2]), argv[3], {});
    if (command == "put" && argc == 4) {
        std::string body;
        char buffer[4096];
        for (ssize_t n; (n = ::read(STDIN_FILENO, buffer, sizeof buffer)) > 0;)
            body.append(buffer, size_t(n));
        return request("PUT", std::atoi(argv[2]), argv[3], body);
    }
    if (command == "add-queue" && argc == 3)
        return addQueue(argv[2]);
    if (command == "read" && argc == 3) {
        const int fd = ::open(argv[2], O_RDONLY);
        char c;
        return fd >= 0 && ::read(fd, &c, 1) >= 0 ? kThrough : keptOut("read");
    }
    if (command == "list" && argc == 3) {
        DIR* dir = ::opendir(argv[2]);
        return dir && ::readdir(dir) ? kThrough : keptOut("list");
    }
    std::fputs("usage: directfax-test-probe send|job|add-queue|get|put|read|list ...\n", stderr);
    return 2;
}
