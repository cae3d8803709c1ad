// directfax-device-emulator: a fax printer's address book on a loopback address, for the demo
// and the tests. Prints "listening on HOST:PORT" once it accepts connections; stop it with
// SIGTERM or SIGINT. With --print-socket it also takes fax jobs on that Unix socket, filed into
// --outbox, and prints "print socket on PATH" before that line; with --faxout-port it serves IPP
// FaxOut on 127.0.0.1, filing into the same outbox, and prints "faxout on URI" before it.
#include "BookLoader.h"
#include "DeviceEmulator.h"
#include "EmulatorOptions.h"
#include "FaxOutService.h"
#include "PrintPort.h"

#include <memory>

#include <cstdio>
#include <string>
#include <vector>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kEmulatorUsage, stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::printf("directfax-device-emulator %s\n", DIRECTFAX_VERSION);
        return 0;
    }
    std::string error;
    auto options = parseEmulatorOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "directfax-device-emulator: %s\n%s", error.c_str(), kEmulatorUsage);
        return 2;
    }
    abif::DeviceBook book;
    if (!options->bookPath.empty() && !loadBook(options->bookPath, book, error)) {
        std::fprintf(stderr, "directfax-device-emulator: %s\n", error.c_str());
        return 1;
    }
    std::string host =
        options->host.find(':') != std::string::npos ? "[" + options->host + "]" : options->host;
    std::unique_ptr<PrintPort> printPort;
    if (!options->printSocket.empty()) {
        printPort = std::make_unique<PrintPort>(options->printSocket, options->outboxPath);
        if (!printPort->bind(error)) {
            std::fprintf(stderr, "directfax-device-emulator: %s\n", error.c_str());
            return 1;
        }
        std::printf("print socket on %s\n", options->printSocket.c_str());
        printPort->start();
    }
    std::unique_ptr<FaxOutService> faxOut;
    if (options->faxOutPort >= 0) {
        faxOut = std::make_unique<FaxOutService>("127.0.0.1", options->faxOutPort, options->outboxPath);
        if (faxOut->bind(error) == 0) {
            std::fprintf(stderr, "directfax-device-emulator: %s\n", error.c_str());
            return 1;
        }
        std::printf("faxout on %s\n", faxOut->uri().c_str());
        faxOut->start();
    }
    DeviceEmulator emulator(std::move(*options), std::move(book));
    int port = emulator.bind();
    if (port <= 0) {
        std::fprintf(stderr, "directfax-device-emulator: cannot listen on %s\n", host.c_str());
        return 1;
    }
    std::printf("listening on %s:%d\n", host.c_str(), port);
    std::fflush(stdout);
    return emulator.serve() ? 0 : 1;
}
