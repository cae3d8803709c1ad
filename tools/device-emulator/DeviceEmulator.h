// The emulated device: serves an address book over the device protocol.
#pragma once

#include "DeviceBook.h"
#include "EmulatorOptions.h"

#include <memory>
#include <mutex>
#include <string>

namespace httplib {
class Server;
class Request;
class Response;
} // namespace httplib

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

class DeviceEmulator {
public:
    // Serves `book`, kept as its encoded reply. A write replaces it, and with --write-book the
    // book file of the options when that is a JSON book (an address-book file of the computer is
    // never written); otherwise the emulator keeps what it was sent until it ends.
    DeviceEmulator(EmulatorOptions options, abif::DeviceBook book);
    ~DeviceEmulator();
    DeviceEmulator(const DeviceEmulator&) = delete;
    DeviceEmulator& operator=(const DeviceEmulator&) = delete;

    // Binds the listening socket; answers the port, or -1 on failure.
    int bind();
    // Serves until the process ends; answers false when serving failed.
    bool serve();

private:
    void answerStatus(const httplib::Request& request, httplib::Response& response);
    void answerAddressBook(const httplib::Request& request, httplib::Response& response);
    void answerWrite(const httplib::Request& request, httplib::Response& response);
    // The refusal of a request that is malformed, comes while not ready or gives a wrong
    // password; answers false when none applies.
    bool refused(bool wellFormed, const std::string& password, httplib::Response& response) const;
    // Takes `book` as the device's; answers false and sets `error` when its file cannot be written.
    bool store(abif::DeviceBook book, std::string& error);
    // Replaces `response`'s body by the configured garbage; answers false when there is none.
    bool spoil(httplib::Response& response, const std::string& body);
    bool passwordMatches(const std::string& given) const;

    EmulatorOptions options_;
    std::mutex bookMutex_;  // held while the book is read out or replaced
    std::string bookReply_; // the encoded book with its revision
    std::string revision_;
    bool writesFile_ = false;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
