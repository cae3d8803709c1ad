#include "FaxOutAttributes.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator {

namespace {

constexpr const char* kFormats[] = {"application/pdf", "application/octet-stream"};
constexpr const char* kMedia[] = {"iso_a4_210x297mm", "na_letter_8.5x11in"};
// A4 and Letter in hundredths of millimetres.
constexpr int kMediaSizes[][2] = {{21000, 29700}, {21590, 27940}};
// A fax line: 204 pels per inch across, 98 (Standard), 196 (Fine) or 391 (SuperFine) lines down.
constexpr int kYResolutions[] = {98, 196, 391};
constexpr const char* kJobCreation[] = {"copies",
                                        "destination-uris",
                                        "job-name",
                                        "media",
                                        "printer-resolution",
                                        "confirmation-sheet-print",
                                        "cover-sheet-info",
                                        "number-of-retries",
                                        "retry-interval",
                                        "retry-time-out"};
constexpr const char* kCoverSheetInfo[] = {"date-time",    "from-name", "logo",   "message",
                                           "organization", "subject",   "to-name"};
constexpr const char* kDestinationUriSupported[] = {"destination-uri", "pre-dial-string"};
constexpr ipp_op_t kOperations[] = {
    IPP_OP_PRINT_JOB,  IPP_OP_VALIDATE_JOB,       IPP_OP_CREATE_JOB, IPP_OP_SEND_DOCUMENT,
    IPP_OP_CANCEL_JOB, IPP_OP_GET_JOB_ATTRIBUTES, IPP_OP_GET_JOBS,   IPP_OP_GET_PRINTER_ATTRIBUTES};

void addKeywords(ipp_t* ipp, const char* name, const char* const* values, size_t count,
                 ipp_tag_t tag = IPP_TAG_KEYWORD) {
    ippAddStrings(ipp, IPP_TAG_PRINTER, tag, name, int(count), nullptr, values);
}

void addRange(ipp_t* ipp, const char* name, int lower, int upper, int defaultValue) {
    ippAddRange(ipp, IPP_TAG_PRINTER, (std::string(name) + "-supported").c_str(), lower, upper);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_INTEGER, (std::string(name) + "-default").c_str(),
                  defaultValue);
}

// A "media-size" collection; the caller owns it.
ipp_t* mediaSize(const int (&size)[2]) {
    ipp_t* collection = ippNew();
    ippAddInteger(collection, IPP_TAG_ZERO, IPP_TAG_INTEGER, "x-dimension", size[0]);
    ippAddInteger(collection, IPP_TAG_ZERO, IPP_TAG_INTEGER, "y-dimension", size[1]);
    return collection;
}

void addMediaCol(ipp_t* ipp) {
    ipp_attribute_t* database = nullptr;
    ipp_t* first = nullptr;
    // Without margins: a fax page is all image.
    for (const auto& size : kMediaSizes) {
        ipp_t* media = ippNew();
        ipp_t* sizeCollection = mediaSize(size);
        ippAddCollection(media, IPP_TAG_ZERO, "media-size", sizeCollection);
        ippDelete(sizeCollection);
        for (const char* margin :
             {"media-bottom-margin", "media-left-margin", "media-right-margin", "media-top-margin"})
            ippAddInteger(media, IPP_TAG_ZERO, IPP_TAG_INTEGER, margin, 0);
        if (!database)
            database = ippAddCollection(ipp, IPP_TAG_PRINTER, "media-col-database", media);
        else
            ippSetCollection(ipp, &database, ippGetCount(database), media);
        if (!first)
            first = media;
        else
            ippDelete(media);
    }
    ippAddCollection(ipp, IPP_TAG_PRINTER, "media-col-default", first);
    ippAddCollection(ipp, IPP_TAG_PRINTER, "media-col-ready", first);
    ippDelete(first);
}

// What every IPP/2.0 printer describes (PWG 5100.12), here as a fax machine has it: no
// finishing, portrait pages, one output, normal quality, A4 and Letter.
void addIpp20Basics(ipp_t* ipp) {
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "finishings-default", IPP_FINISHINGS_NONE);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "finishings-supported", IPP_FINISHINGS_NONE);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "orientation-requested-default", IPP_ORIENT_PORTRAIT);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "orientation-requested-supported", IPP_ORIENT_PORTRAIT);
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "output-bin-default", nullptr, "face-down");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "output-bin-supported", nullptr, "face-down");
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "print-quality-default", IPP_QUALITY_NORMAL);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "print-quality-supported", IPP_QUALITY_NORMAL);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "pages-per-minute", 4);
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_URI, "printer-more-info", nullptr, "http://127.0.0.1/");
    ipp_attribute_t* sizes = nullptr;
    for (const auto& size : kMediaSizes) {
        ipp_t* sizeCollection = mediaSize(size);
        if (!sizes)
            sizes = ippAddCollection(ipp, IPP_TAG_PRINTER, "media-size-supported", sizeCollection);
        else
            ippSetCollection(ipp, &sizes, ippGetCount(sizes), sizeCollection);
        ippDelete(sizeCollection);
    }
}

bool isDialChar(char c) {
    return (c >= '0' && c <= '9') || std::strchr("-.()*#", c) != nullptr;
}

} // namespace

ipp_t* faxOutPrinterAttributes(const std::string& uri, int upTime) {
    ipp_t* ipp = ippNew();
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_URI, "printer-uri-supported", nullptr, uri.c_str());
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "uri-security-supported", nullptr, "none");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "uri-authentication-supported", nullptr, "none");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, "DirectFax Emulator FaxOut");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr,
                 "DirectFax emulated fax printer");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-location", nullptr, "loopback");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-make-and-model", nullptr,
                 "Velmora DirectFax Emulator");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_URI, "printer-uuid", nullptr,
                 "urn:uuid:6d1f3a0e-5b7c-4e21-9a3f-2c4b8d9e0f11");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-device-id", nullptr,
                 "MFG:Velmora;MDL:DirectFax Emulator;CMD:PDF;");
    const char* versions[] = {"1.1", "2.0"};
    addKeywords(ipp, "ipp-versions-supported", versions, std::size(versions));
    const char* features[] = {"faxout"};
    addKeywords(ipp, "ipp-features-supported", features, std::size(features));
    std::vector<int> operations(std::begin(kOperations), std::end(kOperations));
    ippAddIntegers(ipp, IPP_TAG_PRINTER, IPP_TAG_ENUM, "operations-supported", int(operations.size()),
                   operations.data());
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_CHARSET, "charset-configured", nullptr, "utf-8");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_CHARSET, "charset-supported", nullptr, "utf-8");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_LANGUAGE, "natural-language-configured", nullptr, "en");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_LANGUAGE, "generated-natural-language-supported", nullptr,
                 "en");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_MIMETYPE, "document-format-default", nullptr,
                 "application/pdf");
    addKeywords(ipp, "document-format-supported", kFormats, std::size(kFormats), IPP_TAG_MIMETYPE);
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pdl-override-supported", nullptr, "attempted");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "compression-supported", nullptr, "none");
    ippAddBoolean(ipp, IPP_TAG_PRINTER, "color-supported", 0);
    ippAddBoolean(ipp, IPP_TAG_PRINTER, "multiple-document-jobs-supported", 0);
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "multiple-operation-time-out", 60);
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-color-mode-default", nullptr, "monochrome");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-color-mode-supported", nullptr, "monochrome");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "sides-default", nullptr, "one-sided");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "sides-supported", nullptr, "one-sided");
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "media-default", nullptr, kMedia[0]);
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "media-ready", nullptr, kMedia[0]);
    addKeywords(ipp, "media-supported", kMedia, std::size(kMedia));
    addMediaCol(ipp);
    const char* mediaColMembers[] = {"media-size", "media-bottom-margin", "media-left-margin",
                                     "media-right-margin", "media-top-margin"};
    addKeywords(ipp, "media-col-supported", mediaColMembers, std::size(mediaColMembers));
    addKeywords(ipp, "job-creation-attributes-supported", kJobCreation, std::size(kJobCreation));
    addRange(ipp, "copies", 1, 1, 1);
    addIpp20Basics(ipp);
    // Fax resolutions.
    ipp_attribute_t* resolutions = nullptr;
    for (int y : kYResolutions) {
        if (!resolutions)
            resolutions = ippAddResolution(ipp, IPP_TAG_PRINTER, "printer-resolution-supported",
                                           IPP_RES_PER_INCH, 204, y);
        else
            ippSetResolution(ipp, &resolutions, ippGetCount(resolutions), IPP_RES_PER_INCH, 204, y);
    }
    ippAddResolution(ipp, IPP_TAG_PRINTER, "printer-resolution-default", IPP_RES_PER_INCH, 204, 196);
    // FaxOut.
    const char* schemes[] = {"tel"};
    addKeywords(ipp, "destination-uri-schemes-supported", schemes, std::size(schemes), IPP_TAG_URISCHEME);
    addKeywords(ipp, "destination-uris-supported", kDestinationUriSupported,
                std::size(kDestinationUriSupported));
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "multiple-destination-uris-supported",
                  kMaxFaxDestinations);
    ippAddBoolean(ipp, IPP_TAG_PRINTER, "confirmation-sheet-print-default", 0);
    ippAddBoolean(ipp, IPP_TAG_PRINTER, "confirmation-sheet-print-supported", 1);
    addKeywords(ipp, "cover-sheet-info-supported", kCoverSheetInfo, std::size(kCoverSheetInfo));
    addRange(ipp, "number-of-retries", 0, 10, 3);
    addRange(ipp, "retry-interval", 30, 600, 60);
    addRange(ipp, "retry-time-out", 30, 120, 60);
    ippAddRange(ipp, IPP_TAG_PRINTER, "pre-dial-string-supported", 0, int(kMaxPreDialLength));
    ippAddInteger(ipp, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "printer-config-change-time", upTime);
    ippAddString(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "which-jobs-supported", nullptr, "completed");
    return ipp;
}

bool isDiallableTelUri(const std::string& uri) {
    if (uri.size() < 5 || uri.size() > 64 || uri.compare(0, 4, "tel:") != 0)
        return false;
    size_t at = 4;
    if (uri[at] == '+')
        ++at;
    bool digit = false;
    for (; at < uri.size(); ++at) {
        if (!isDialChar(uri[at]))
            return false;
        digit = digit || (uri[at] >= '0' && uri[at] <= '9');
    }
    return digit;
}

bool readFaxDestinations(ipp_t* request, std::vector<FaxDestinationUri>& destinations, ipp_status_t& status,
                         std::string& bad) {
    destinations.clear();
    bad = "destination-uris";
    ipp_attribute_t* list = ippFindAttribute(request, "destination-uris", IPP_TAG_ZERO);
    if (!list || ippGetGroupTag(list) != IPP_TAG_JOB || ippGetValueTag(list) != IPP_TAG_BEGIN_COLLECTION) {
        status = IPP_STATUS_ERROR_BAD_REQUEST;
        return false;
    }
    status = IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES;
    if (ippGetCount(list) > kMaxFaxDestinations)
        return false;
    for (int i = 0; i < ippGetCount(list); ++i) {
        ipp_t* member = ippGetCollection(list, i);
        ipp_attribute_t* uri = ippFindAttribute(member, "destination-uri", IPP_TAG_URI);
        ipp_attribute_t* preDial = ippFindAttribute(member, "pre-dial-string", IPP_TAG_ZERO);
        const char* text = uri ? ippGetString(uri, 0, nullptr) : nullptr;
        if (!text || !isDiallableTelUri(text)) {
            bad = "destination-uri";
            return false;
        }
        FaxDestinationUri destination{text, {}};
        if (preDial) {
            const char* dial = ippGetString(preDial, 0, nullptr);
            const ipp_tag_t tag = ippGetValueTag(preDial);
            if ((tag != IPP_TAG_TEXT && tag != IPP_TAG_TEXTLANG) || !dial ||
                std::strlen(dial) > kMaxPreDialLength ||
                !std::all_of(dial, dial + std::strlen(dial),
                             [](char c) { return isDialChar(c) || c == ','; })) {
                bad = "pre-dial-string";
                return false;
            }
            destination.preDial = dial;
        }
        destinations.push_back(std::move(destination));
    }
    if (destinations.empty()) {
        status = IPP_STATUS_ERROR_BAD_REQUEST;
        return false;
    }
    return true;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::emulator
