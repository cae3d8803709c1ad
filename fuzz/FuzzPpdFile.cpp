// The fax filter's PPD reader on any file: the job's options (as the filter's options argument)
// up to the first zero byte, then the PPD. Whatever the file, the reader ends, and a choice it
// answers is one a PPD line can name.
#include "JobOptions.h"
#include "PpdFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace faxjob = com::velmora::cps::print::pde::tarncrest::directfax::faxjob;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string options = split == std::string::npos ? std::string() : input.substr(0, split);
    const std::string text = split == std::string::npos ? input : input.substr(split + 1);
    const std::optional<faxjob::PpdFile> ppd = faxjob::PpdFile::parse(text);
    if (!ppd)
        return 0;
    const faxjob::JobOptionList job = faxjob::parseJobOptions(options.c_str());
    for (const char* keyword : {"VMFaxImageQuality", "VMFaxTransmissionReport", "VMFaxCoverPageMode",
                                "VMFaxSenderMode", "PageRegion", "PageSize"}) {
        const std::optional<std::string> choice = ppd->markedChoice(keyword, job);
        if (choice && choice->size() > 40)
            std::abort();
    }
    if (const std::string* value = ppd->attributeStartingWith("VMPrinterLanguageEncoding"))
        if (value->size() > text.size())
            std::abort();
    return 0;
}
