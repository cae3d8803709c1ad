// How the emulator's FaxOut service reads a job's destinations: what it dials, and the status it
// answers for what it cannot, each on the edge of its limit.
#include "FaxOutAttributes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator;

namespace {

struct Destination {
    std::string uri;
    const char* preDial = nullptr;
    ipp_tag_t preDialTag = IPP_TAG_TEXT;
};

// A Create-Job request with `destinations` in its job group (none: no destination-uris at all).
ipp_t* requestWith(const std::vector<Destination>& destinations, ipp_tag_t group = IPP_TAG_JOB) {
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
    ipp_attribute_t* list = nullptr;
    for (const Destination& destination : destinations) {
        ipp_t* member = ippNew();
        ippAddString(member, IPP_TAG_JOB, IPP_TAG_URI, "destination-uri", nullptr, destination.uri.c_str());
        if (destination.preDial)
            ippAddString(member, IPP_TAG_JOB, destination.preDialTag, "pre-dial-string", nullptr,
                         destination.preDial);
        if (!list)
            list = ippAddCollection(request, group, "destination-uris", member);
        else
            ippSetCollection(request, &list, ippGetCount(list), member);
        ippDelete(member);
    }
    return request;
}

TEST(FaxOutDestinations, TelUrisTheModemCanDial) {
    const struct {
        std::string uri;
        bool dialled;
    } cases[] = {
        {"tel:0301234567", true},
        {"tel:+49-30-123.456(7)", true},
        {"tel:*31#0301234", true},
        {"tel:0", true},
        {"tel:", false},
        {"tel:+", false},
        {"tel:-.()", false},
        {"tel:030 1234", false},
        {"tel:030p1234", false},
        {"TEL:0301234", false},
        {"mailto:0301234", false},
        {"tel:" + std::string(60, '1'), true}, // 64 characters
        {"tel:" + std::string(61, '1'), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isDiallableTelUri(c.uri), c.dialled) << c.uri;
}

TEST(FaxOutDestinations, EachRefusalHasThePrintersStatus) {
    const std::string twenty(20, '9');
    const std::string twentyOne(21, '9');
    const std::vector<Destination> thirty(kMaxFaxDestinations, Destination{"tel:0301234567"});
    std::vector<Destination> thirtyOne = thirty;
    thirtyOne.push_back({"tel:0301234567"});
    const struct {
        const char* what;
        std::vector<Destination> destinations;
        ipp_tag_t group;
        ipp_status_t status; // IPP_STATUS_OK: read
        const char* bad;
    } cases[] = {
        {"none", {}, IPP_TAG_JOB, IPP_STATUS_ERROR_BAD_REQUEST, "destination-uris"},
        {"in the operation group",
         {{"tel:0301234567"}},
         IPP_TAG_OPERATION,
         IPP_STATUS_ERROR_BAD_REQUEST,
         "destination-uris"},
        {"thirty", thirty, IPP_TAG_JOB, IPP_STATUS_OK, ""},
        {"thirty-one", thirtyOne, IPP_TAG_JOB, IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES, "destination-uris"},
        {"a letter in the number",
         {{"tel:0301234567"}, {"tel:03O1"}},
         IPP_TAG_JOB,
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
         "destination-uri"},
        {"a pre-dial string of 20", {{"tel:0301234567", twenty.c_str()}}, IPP_TAG_JOB, IPP_STATUS_OK, ""},
        {"a pre-dial string of 21",
         {{"tel:0301234567", twentyOne.c_str()}},
         IPP_TAG_JOB,
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
         "pre-dial-string"},
        {"a pause in the pre-dial string", {{"tel:0301234567", "0,,"}}, IPP_TAG_JOB, IPP_STATUS_OK, ""},
        {"a letter in the pre-dial string",
         {{"tel:0301234567", "0a"}},
         IPP_TAG_JOB,
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
         "pre-dial-string"},
        {"a pre-dial string that is no text",
         {{"tel:0301234567", "0", IPP_TAG_KEYWORD}},
         IPP_TAG_JOB,
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES,
         "pre-dial-string"},
    };
    for (const auto& c : cases) {
        ipp_t* request = requestWith(c.destinations, c.group);
        std::vector<FaxDestinationUri> read;
        ipp_status_t status = IPP_STATUS_OK;
        std::string bad;
        const bool ok = readFaxDestinations(request, read, status, bad);
        ippDelete(request);
        EXPECT_EQ(ok, c.status == IPP_STATUS_OK) << c.what;
        if (ok) {
            EXPECT_EQ(read.size(), c.destinations.size()) << c.what;
            EXPECT_EQ(read.back().preDial, c.destinations.back().preDial ? c.destinations.back().preDial : "")
                << c.what;
        } else {
            EXPECT_EQ(status, c.status) << c.what;
            EXPECT_EQ(bad, c.bad) << c.what;
        }
    }
}

} // namespace
