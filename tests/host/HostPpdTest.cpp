// The sample fax printer's PPD, and the callback object applying PPD choices to it.
#include "HostCallback.h"
#include "HostDocument.h"
#include "HostPrinter.h"
#include "JobTicket.h"
#include "PpdFeature.h"

#include <clocale>
#include <cups/ppd.h>
#include <gtest/gtest.h>
#include <string>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;
using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

namespace {

const QString kSamplePpd = QStringLiteral(DIRECTFAX_SOURCE_DIR "/host/samples/DirectFaxSample.ppd");

std::unique_ptr<HostPrinter> openSample() {
    QString error;
    auto printer = HostPrinter::openSample(kSamplePpd, &error);
    EXPECT_TRUE(printer) << error.toStdString();
    return printer;
}

QString marked(ppd_file_t* ppd, const char* keyword) {
    return PpdChoiceKeyword(PpdFindMarkedChoice(ppd, keyword));
}

} // namespace

TEST(SamplePrinter, OpensWithItsDeviceUriAndConformingPpd) {
    auto printer = openSample();
    ASSERT_TRUE(printer);
    EXPECT_TRUE(printer->isSample());
    EXPECT_EQ(printer->printer()->deviceURI, "socket://127.0.0.1");
    EXPECT_EQ(printer->displayName(), HostPrinter::kSamplePrinterName);
    ppd_file_t* ppd = printer->ppd();
    // Strict conformance refuses a PPD with any fault the relaxed default lets through.
    ppdSetConformance(PPD_CONFORM_STRICT);
    ppd_file_t* strict = ppdOpenFile(kSamplePpd.toUtf8().constData());
    ppdSetConformance(PPD_CONFORM_RELAXED);
    EXPECT_NE(strict, nullptr) << ppdErrorString(ppdLastError(nullptr));
    ppdClose(strict);

    ppd_group_t* group = nullptr;
    for (int i = 0; i < ppd->num_groups; ++i)
        if (QByteArray(ppd->groups[i].name) == "VMFaxSettings")
            group = &ppd->groups[i];
    ASSERT_NE(group, nullptr);
    EXPECT_STREQ(group->text, "Fax Settings");
    EXPECT_EQ(group->num_options, 4);

    EXPECT_STREQ(ppdFindAttr(ppd, "VMLocalizableFileIndex", nullptr)->value, "2");
    EXPECT_STREQ(ppdFindAttr(ppd, "VMPrinterLanguageEncoding", nullptr)->value, "UTF-8");
}

TEST(SamplePrinter, HasTheFaxOptionsWithTheirDefaultsMarked) {
    auto printer = openSample();
    ASSERT_TRUE(printer);
    struct Row {
        const char* keyword;
        const char* defaultChoice;
        const char* requiredChoice;
    };
    for (const Row& row :
         {Row{"VMFaxImageQuality", "Fine", "Standard"}, Row{"VMFaxTransmissionReport", "OnError", "Off"},
          Row{"VMFaxCoverPageMode", "Standard", "None"}, Row{"VMFaxSenderMode", "EnterName", "EnterName"}}) {
        SCOPED_TRACE(row.keyword);
        ppd_option_t* option = ppdFindOption(printer->ppd(), row.keyword);
        ASSERT_NE(option, nullptr);
        EXPECT_STREQ(option->defchoice, row.defaultChoice);
        EXPECT_NE(ppdFindChoice(option, row.requiredChoice), nullptr);
        EXPECT_EQ(marked(printer->ppd(), row.keyword), row.defaultChoice);
    }
}

TEST(SamplePrinter, SpeaksTheUsersLanguage) {
    // libcups takes the language from the environment while the process locale is "C".
    const std::string savedLocale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const QByteArray savedLang = qgetenv("LANG"), savedAll = qgetenv("LC_ALL"),
                     savedMessages = qgetenv("LC_MESSAGES");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    const struct {
        const char* lang;
        const char* group;
        const char* option;
        const char* choice;
    } languages[] = {{"de_DE.UTF-8", "Faxeinstellungen", "Bildqualit\u00e4t", "Fein (204 x 196 dpi)"},
                     {"C", "Fax Settings", "Image Quality", "Fine (204 x 196 dpi)"}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.lang);
        qputenv("LANG", l.lang);
        auto printer = openSample();
        ASSERT_TRUE(printer);
        EXPECT_EQ(PpdGroupText(printer->ppd(), "VMFaxSettings"), QString::fromUtf8(l.group));
        EXPECT_EQ(PpdFeature(printer->ppd(), "VMFaxImageQuality").title(), QString::fromUtf8(l.option));
        EXPECT_EQ(PpdChoices(printer->ppd(), "VMFaxImageQuality").at(1).text, QString::fromUtf8(l.choice));
    }
    qputenv("LANG", savedLang);
    if (!savedAll.isNull())
        qputenv("LC_ALL", savedAll);
    if (!savedMessages.isNull())
        qputenv("LC_MESSAGES", savedMessages);
    std::setlocale(LC_ALL, savedLocale.c_str());
}

TEST(SamplePrinter, AMissingPpdIsReported) {
    QString error;
    EXPECT_FALSE(HostPrinter::openSample("/nonexistent/sample.ppd", &error));
    EXPECT_TRUE(error.contains("/nonexistent/sample.ppd"));
}

TEST(HostCallback, MarksExistingChoicesAndRefusesUnknownOnes) {
    auto printer = openSample();
    ASSERT_TRUE(printer);
    PrintSettings settings;
    PrintSession session;
    HostCallback callback(printer->ppd(), &settings, &session, printer->printer());
    QStringList heard;
    callback.setChangeListener([&](const QString& k, const QString& c) { heard << k + "=" + c; });

    struct Row {
        const char* keyword;
        const char* choice;
        bool accepted;
        const char* markedAfter;
    };
    for (const Row& row :
         {Row{"VMFaxCoverPageMode", "None", true, "None"}, Row{"VMFaxImageQuality", "Photo", true, "Photo"},
          Row{"VMFaxImageQuality", "Blurry", false, "Photo"}, Row{"VMFaxImageQuality", "", false, "Photo"},
          Row{"VMFaxNoSuchOption", "On", false, ""}}) {
        SCOPED_TRACE(std::string(row.keyword) + "=" + row.choice);
        EXPECT_EQ(callback.willChangePPDOptionKeyValue(row.keyword, row.choice), row.accepted);
        EXPECT_EQ(marked(printer->ppd(), row.keyword), row.markedAfter);
    }
    EXPECT_EQ(heard, QStringList({"VMFaxCoverPageMode=None", "VMFaxImageQuality=Photo"}));
    EXPECT_EQ(callback.ppdFile(), printer->ppd());
    EXPECT_EQ(callback.printSettings(), &settings);
    EXPECT_EQ(callback.printSession(), &session);
    EXPECT_EQ(callback.PMPrinter(), printer->printer());
}

TEST(HostCallback, WithoutAPpdEveryChangeIsRefused) {
    HostCallback callback(nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(callback.willChangePPDOptionKeyValue("VMFaxImageQuality", "Fine"));
}

TEST(JobTicket, CarriesTheMarkedChoicesAndEveryPrintSetting) {
    auto printer = openSample();
    ASSERT_TRUE(printer);
    PrintSettings settings;
    settings.setValue("com.velmora.cps.print.printsettings.DFaxCoverSenderName", "Ann Example");
    PrintSession session;
    session.destinationType = kPMDestinationPreview;
    HostCallback(printer->ppd(), &settings, &session, printer->printer())
        .willChangePPDOptionKeyValue("VMFaxTransmissionReport", "Always");

    const JobTicket ticket = makeJobTicket(*printer, HostDocument::sample(), settings, session);
    EXPECT_TRUE(ticket.ppdChoices.contains(
        qMakePair(QStringLiteral("VMFaxTransmissionReport"), QStringLiteral("Always"))));
    EXPECT_TRUE(ticket.ppdChoices.contains(qMakePair(QStringLiteral("PageSize"), QStringLiteral("A4"))));
    ASSERT_EQ(ticket.jobOptions.size(), 1);
    const QString text = ticket.toText();
    EXPECT_TRUE(text.contains("device-uri: socket://127.0.0.1\n"));
    EXPECT_TRUE(text.contains("destination: preview\n"));
    EXPECT_TRUE(text.contains("ppd VMFaxSenderMode=EnterName\n"));
    EXPECT_TRUE(
        text.contains("option com.velmora.cps.print.printsettings.DFaxCoverSenderName=Ann Example\n"));
}
