// A fixture for the address-book tool's commands: a private address-book folder, the tool run
// in-process, and files written for it and read back.
#pragma once

#include "AbifTestSupport.h"
#include "AddressBookTool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace abiftest {

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_DATA_HOME", dir.path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    // Runs one command; its standard output and error are kept in `output` and `errors`.
    int run(std::vector<std::string> args, const std::string& input = {}) {
        std::istringstream in(input);
        std::ostringstream out, err;
        int rc = com::velmora::cps::print::pde::tarncrest::directfax::addressbook::runAddressBookTool(
            args, in, out, err);
        output = out.str();
        errors = err.str();
        return rc;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string path = dir.file(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    TempDir dir;
    std::string output, errors;
};

} // namespace abiftest
