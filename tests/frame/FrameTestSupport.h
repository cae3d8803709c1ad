// Shared pieces of the frame tests: the application object, fixture paths, PPD files, a print
// dialog callback object and the check that no test leaves a window behind.
#pragma once

#include <PdeProtocol.h>
#include <PpdFeature.h>

#include <QByteArray>
#include <QComboBox>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace frame_test {

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
namespace pf = com::velmora::cps::print::pde::tarncrest::directfax::platform;

// A popup class of the fixture's own, to check that subclasses count as general views.
class FixtureComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;
};

void ensureApplication();

QString fixturePath(const QString& name);
// The fixture bundle (interface files, strings tables "Localizable" and "LocalizableJP").
std::shared_ptr<pf::Bundle> fixtureBundle();
// The assembled DirectFax bundle.
std::shared_ptr<pf::Bundle> directFaxBundle();
// A copy of the DirectFax bundle's Info.plist (passed through `editInfo` when given) and
// resources in `dir` under an identifier of its own, so that it loads its translations afresh.
std::shared_ptr<pf::Bundle> copyOfDirectFaxBundle(const QTemporaryDir& dir, const QString& identifier,
                                                  const std::function<QByteArray(QByteArray)>& editInfo = {});
// A fixture PPD of tests/frame/fixtures, opened with its defaults marked.
df::PpdFilePtr openFixturePpd(const QString& name);

// A popup's item texts, and its items' data as strings, in item order.
QStringList items(const QComboBox* popup);
QStringList itemData(const QComboBox* popup);

// The print dialog's side as far as the panels use it.
class FakeCallback : public pf::PdePluginCallback {
public:
    explicit FakeCallback(ppd_file_t* ppd = nullptr) : ppd(ppd) {}
    ppd_file_t* ppdFile() override { return ppd; }
    pf::PrintSettings* printSettings() override { return &settings; }
    pf::PrintSession* printSession() override { return &session; }
    pf::Printer* PMPrinter() override { return &printer; }
    bool willChangePPDOptionKeyValue(const QString& keyword, const QString& ppdChoice) override {
        changes.emplace_back(keyword, ppdChoice);
        return true;
    }

    ppd_file_t* ppd;
    pf::PrintSettings settings;
    pf::PrintSession session;
    pf::Printer printer;
    std::vector<std::pair<QString, QString>> changes;
};

// Base of the widget tests: makes the application and checks in TearDown that every window the
// test made is gone.
class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace frame_test
