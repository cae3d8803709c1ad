// Shared pieces of the fax-job tests: the dialog loaded from the assembled bundle, with its own
// address-book folder and a home directory that is not in a sandbox.
#pragma once

#include "FrameTestSupport.h"

#include <FaxSettingController.h>
#include <ModalRun.h>

#include <QTemporaryDir>

namespace faxjob_test {

using namespace frame_test;

class FaxDialogTest : public WidgetTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The home directory the sandbox test sees.
    void setHome(const QString& home);
    // Types a destination and presses "Add".
    void addTyped(const QString& name, const QString& number);
    // The destination list as "name/number", in arranged order.
    QStringList destinations() const;

    QTemporaryDir dataHome;
    QByteArray savedDataHome;
    std::shared_ptr<pf::Bundle> bundle;
    std::vector<std::unique_ptr<QObject>> objects;
    df::FaxSettingController* controller = nullptr;
};

// The message texts of the alerts asked for.
QStringList alertMessages(const pf::ScriptedModalDriver& driver);

} // namespace faxjob_test
