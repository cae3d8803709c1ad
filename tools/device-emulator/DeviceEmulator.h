// The emulated device: serves an address book over the device protocol.
#pragma once

#include "DeviceBook.h"
#include "EmulatorOptions.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
class Request;
class Response;
} // namespace httplib

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

class DeviceEmulator {
public:
    // Serves `book`; only its encoded reply is kept.
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
    // Replaces `response`'s body by the configured garbage; answers false when there is none.
    bool spoil(httplib::Response& response, const std::string& body);
    bool passwordMatches(const std::string& given) const;

    EmulatorOptions options_;
    std::string bookReply_; // the encoded book, made once
    std::unique_ptr<httplib::Server> server_;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
